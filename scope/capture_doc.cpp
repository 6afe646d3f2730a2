#include "scope/capture_doc.h"

#include "app/appstate.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "scope/capture.h"
#include "scope/display.h"
#include "scope/reference.h"

#include <cctype>

const Msg kMsgCaptureSaved{"Scope-Aufnahme gespeichert: ", "Scope capture saved: "};
const Msg kMsgCaptureNotSaved{"Scope-Aufnahme konnte nicht gespeichert werden: ",
                              "Scope capture could not be saved: "};
const Msg kMsgNoCaptureToSave{"Noch keine Scope-Aufnahme zum Speichern vorhanden.",
                              "No scope capture to save yet."};
const Msg kMsgCaptureCsvSaved{"Scope-Aufnahme als CSV gespeichert: ",
                              "Scope capture saved as CSV: "};
const Msg kMsgCapturePictureSaved{"Bild der Scope-Aufnahme gespeichert: ",
                                  "Picture of the scope capture saved: "};
const Msg kMsgCapturePictureNotSaved{"Bild der Scope-Aufnahme konnte nicht gespeichert werden: ",
                                     "Picture of the scope capture could not be saved: "};
const Msg kMsgScopeSaveTypes{
    "Scope-Aufnahme (*.ini);CSV (*.csv);PNG-Bild (*.png);SVG-Bild (*.svg)",
    "Scope capture (*.ini);CSV (*.csv);PNG picture (*.png);SVG picture (*.svg)"};
const Msg kMsgCaptureLoaded{"Scope-Aufnahme geladen: ", "Scope capture loaded: "};
const Msg kMsgNotACaptureFile{
    "Die Datei ist keine Scope-Aufnahme (oder die einer neueren Programmversion): ",
    "The file is no scope capture (or one of a newer program version): "};
const Msg kMsgCaptureDamaged{"Die Scope-Aufnahme ist unvollstaendig oder beschaedigt und wurde "
                             "nicht geladen: ",
                             "The scope capture is incomplete or damaged and was not loaded: "};
const Msg kMsgCaptureUnreadable{"Datei konnte nicht gelesen werden: ", "File could not be read: "};

namespace {

constexpr const char *kDefaultCaptureFileName = "ScopeCapture.ini";

// What the traces on the panel came with: the request and time of the capture, and the sensor.
struct Provenance {
    bool shown = false;
    ScopeRequest request;
    std::string date, firmware, sensorName, panelId;
    long serial = -1;
};
Provenance gShown;

void Tell(const std::string &text)
{
    MessagePopup(Tr(kMsgInfoTitle), text.c_str());
}

std::string CaptureDirectory()
{
    return DataDirectory();
}

} // namespace

void NoteScopeCaptureTaken(const ScopeRequest &request)
{
    gShown.shown = true;
    gShown.request = request;
    gShown.date = CaptureDateNow();
    gShown.firmware = AppState.FirmwareId;
    gShown.sensorName = AppState.SensorName;
    gShown.panelId = AppState.SensorId;
    gShown.serial = AppState.SensorSerial;
    KeepScopeReferenceIfComparable();
}

void ForgetShownScopeCapture()
{
    gShown = {};
}

bool ScopeCaptureShown()
{
    return gShown.shown;
}

ScopeCapture ShownScopeCapture()
{
    ScopeCapture c;
    c.request = gShown.request;
    c.date = gShown.date;
    c.firmware = gShown.firmware;
    c.sensorName = gShown.sensorName;
    c.panelId = gShown.panelId;
    c.serial = gShown.serial;
    c.cycleTimeMs = CycleTimeMs;
    c.frequencyHz = CycleTimeMs > 0 ? 1000.0 / CycleTimeMs : 0;
    c.comment = GetCtrlText(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT);
    for (int k = 0; k < 2; ++k)
        GetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, k + 1, &c.cursorX[k],
                       &c.cursorY[k]);
    c.traces = ScopeTraces;
    return c;
}

void ShowScopeCapture(const ScopeCapture &c)
{
    gShown.shown = true;
    gShown.request = c.request;
    gShown.date = c.date;
    gShown.firmware = c.firmware;
    gShown.sensorName = c.sensorName;
    gShown.panelId = c.panelId;
    gShown.serial = c.serial;

    // The page's settings become the capture's, so that the deltas count in its scan rate.
    const int page = AppState.TabScope;
    SetCtrlVal(page, TABP_SCOPE_RING_TRIGGER_MODE, int(c.request.TriggerMode));
    SetCtrlVal(page, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL, int(c.request.TriggerLevel));
    SetCtrlVal(page, TABP_SCOPE_NUMERIC_PRE_TRIGGER, int(c.request.PreTrigger));
    SetCtrlVal(page, TABP_SCOPE_NUMERIC_SCAN_RATE, int(c.request.ScanRate));
    CycleTimeMs = c.cycleTimeMs;
    const CycleTimeDisplay d = CycleTimeDisplayOf(c.frequencyHz);
    SetCtrlAttribute(page, TABP_SCOPE_NUMERIC_SCAN_FREQ, ATTR_PRECISION, d.frequencyPrecision);
    SetCtrlAttribute(page, TABP_SCOPE_NUMERIC_CYCLE_TIME, ATTR_PRECISION, d.cycleTimePrecision);
    SetCtrlVal(page, TABP_SCOPE_NUMERIC_SCAN_FREQ, c.frequencyHz);
    SetCtrlVal(page, TABP_SCOPE_NUMERIC_CYCLE_TIME, c.cycleTimeMs);
    ResetTextBox(page, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT, c.comment.c_str());

    ScopeTraces = c.traces;
    KeepScopeReferenceIfComparable();
    PlotScopeTraces();
    for (int k = 0; k < 2; ++k)
        SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, k + 1, c.cursorX[k], c.cursorY[k]);
    calcScopDeltaXY();
}

std::string ScopeFileOutcome(const Msg &what, const std::string &path)
{
    ShowStatus(what, path);
    return std::string(Tr(what)) + path;
}

bool ReadScopeCaptureFor(const std::string &path, ScopeCapture *capture, std::string *failure)
{
    const CaptureFileResult read = ReadScopeCaptureFile(path, capture);
    if (read == CaptureFileResult::kOk)
        return true;
    const Msg &why = read == CaptureFileResult::kNotACapture ? kMsgNotACaptureFile
                     : read == CaptureFileResult::kDamaged   ? kMsgCaptureDamaged
                                                             : kMsgCaptureUnreadable;
    *failure = ScopeFileOutcome(why, path);
    return false;
}

ScopeSaveKind ScopeSaveKindOf(const std::string &path)
{
    if (IsPicturePath(path.c_str()))
        return ScopeSaveKind::kPicture;
    std::string ending = path.size() > 4 ? path.substr(path.size() - 4) : std::string();
    for (char &ch : ending)
        ch = char(std::tolower(static_cast<unsigned char>(ch)));
    return ending == ".csv" ? ScopeSaveKind::kCsv : ScopeSaveKind::kCapture;
}

std::string SaveScopeCaptureTo(const std::string &path)
{
    if (!gShown.shown)
        return Tr(kMsgNoCaptureToSave);
    switch (ScopeSaveKindOf(path)) {
    case ScopeSaveKind::kCsv:
        if (ReplaceFileContents(path.c_str(), ScopeCaptureCsv(ShownScopeCapture())) !=
            FileStatus::kOk)
            return ScopeFileOutcome(kMsgCaptureNotSaved, path);
        return ScopeFileOutcome(kMsgCaptureCsvSaved, path);
    case ScopeSaveKind::kPicture:
        // The graph as the printed report draws it, with the page's view of the capture.
        if (SaveReportChartPicture(ScopeChart(), path.c_str()) != 0)
            return ScopeFileOutcome(kMsgCapturePictureNotSaved, path);
        return ScopeFileOutcome(kMsgCapturePictureSaved, path);
    case ScopeSaveKind::kCapture: break;
    }
    if (WriteScopeCaptureFile(ShownScopeCapture(), path) != CaptureFileResult::kOk)
        return ScopeFileOutcome(kMsgCaptureNotSaved, path);
    return ScopeFileOutcome(kMsgCaptureSaved, path);
}

std::string LoadScopeCaptureFrom(const std::string &path, bool *loaded)
{
    ScopeCapture c;
    *loaded = false;
    if (std::string failure; !ReadScopeCaptureFor(path, &c, &failure))
        return failure;
    ShowScopeCapture(c);
    *loaded = true;
    return ScopeFileOutcome(kMsgCaptureLoaded, path);
}

int CBF_ButtonSaveScopeCapture(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    if (!gShown.shown) {
        Tell(Tr(kMsgNoCaptureToSave));
        return 0;
    }
    char path[1024] = {};
    if (FileSelectPopup(CaptureDirectory().c_str(), kDefaultCaptureFileName, Tr(kMsgScopeSaveTypes),
                        "Scope Capture", VAL_SAVE_BUTTON, path, int(sizeof path)) <= 0)
        return 0;
    Tell(SaveScopeCaptureTo(path));
    return 0;
}

int CBF_ButtonLoadScopeCapture(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    char path[1024] = {};
    if (FileSelectPopup(CaptureDirectory().c_str(), kDefaultCaptureFileName, "*.ini",
                        "Scope Capture", VAL_LOAD_BUTTON, path, int(sizeof path)) <= 0)
        return 0;
    bool loaded = false;
    const std::string text = LoadScopeCaptureFrom(path, &loaded);
    if (loaded)
        ShowChildPanelDisp(AppState.ScopePanel);
    Tell(text);
    return 0;
}
