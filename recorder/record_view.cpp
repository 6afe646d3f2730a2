#include "recorder/record_view.h"

#include "app/appstate.h"
#include "app/settings.h"
#include "app/status_line.h"
#include "platform/ui.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

const Msg kMsgRecordUnreadable{"Datei kann nicht gelesen werden!", "File cannot be read!"};
const Msg kMsgRecordEmpty{"Die Datei ist leer!", "The file is empty!"};
const Msg kMsgRecordForeign{"Das ist keine Aufzeichnungsdatei dieses Programms!",
                            "This is not a record file of this program!"};
const Msg kMsgRecordNoLines{"Die Aufzeichnungsdatei enthaelt noch keine aufgezeichneten Zeilen!",
                            "The record file holds no recorded lines yet!"};
const Msg kMsgRecordDamaged{"Die Aufzeichnungsdatei ist beschaedigt: mehr Zeilen unlesbar als "
                            "lesbar!",
                            "The record file is damaged: more lines unreadable than readable!"};
const Msg kStatusRecordOpened{"Aufzeichnung geoeffnet:", "Record file opened:"};
const Msg kStatusPictureSaved{"Bild gespeichert:", "Picture saved:"};

namespace {

const Msg kTitle{"Aufzeichnung", "Record file"};
const Msg kOpenTitle{"Aufzeichnung oeffnen", "Open record file"};
const Msg kPictureTitle{"Bild speichern (PNG oder SVG)", "Save picture (PNG or SVG)"};
const Msg kFileCaption{"AUFZEICHNUNGSDATEI", "RECORD FILE"};
const Msg kShownCaption{"ANGEZEIGT", "SHOWN"};
const Msg kHint{"Mausrad: zoomen. Ziehen: verschieben. Strg + Ziehen: auf den Bereich zoomen. "
                "Tasten: Pfeile, + und -, Pos1: ganze Datei.",
                "Wheel: zoom. Drag: move. Ctrl + drag: zoom into the area. Keys: arrows, + and "
                "-, Home: whole file."};
const Msg kLabelWhole{"GANZE DATEI", "WHOLE FILE"};
const Msg kLabelPicture{"BILD SPEICHERN", "SAVE PICTURE"};
const Msg kLabelOpen{"ANDERE OEFFNEN", "OPEN ANOTHER"};
const Msg kLabelClose{"SCHLIESSEN", "CLOSE"};

const Msg kHelpOpenRecord{"Eine Aufzeichnungsdatei ansehen: alle Signale, zoomen und "
                          "verschieben, auch ohne Sensor.",
                          "View a record file: every signal, zoom and move, no sensor needed."};
const Msg kHelpFile{"Kopf der Datei und was sie enthaelt.", "The file's header and what it holds."};
const Msg kHelpShown{"Der Teil der Datei, den der Graph zeigt.",
                     "The part of the file the graph shows."};
const Msg kHelpWhole{"Zeigt die ganze Datei (Pos1).", "Shows the whole file (Home)."};
const Msg kHelpPicture{"Speichert den Graph als Bild: PNG oder SVG, nach der Endung des Namens.",
                       "Saves the graph as a picture: PNG or SVG, by the name's ending."};
const Msg kHelpOpenAnother{"Eine andere Aufzeichnungsdatei oeffnen.", "Open another record file."};
const Msg kHelpClose{"Schliesst das Fenster (Esc).", "Closes this window (Escape)."};
const Msg kHelpGraph{"Alle Signale der Datei. Mausrad: zoomen, Ziehen: verschieben, Strg + "
                     "Ziehen: auf den Bereich zoomen, Pos1: ganze Datei.",
                     "Every signal of the file. Wheel: zoom, drag: move, Ctrl + drag: zoom into "
                     "the area, Home: whole file."};

const Msg kGraphName{"SIGNALE DER DATEI", "SIGNALS OF THE FILE"};
const Msg kXHours{"ZEIT SEIT BEGINN [h]", "TIME SINCE START [h]"};
const Msg kXLines{"ZEILE", "LINE"};
const Msg kYName{"WERT", "VALUE"};
const Msg kProgram{"PROGRAMM: ", "PROGRAM: "};
const Msg kSensor{"SENSOR ID: ", "SENSOR ID: "};
const Msg kHeader{"KOPF: ", "HEADER: "};
const Msg kHeaderGerman{"deutsch", "German"};
const Msg kHeaderEnglish{"englisch", "English"};
const Msg kHeaderNone{"keiner", "none"};
const Msg kFirst{"ERSTE ZEILE: ", "FIRST LINE: "};
const Msg kLast{"LETZTE ZEILE: ", "LAST LINE: "};
const Msg kLines{"ZEILEN: ", "LINES: "};
const Msg kSkipped{"UEBERSPRUNGEN: %zu (erste: Zeile %zu der Datei)",
                   "SKIPPED: %zu (first: line %zu of the file)"};
const Msg kClockBack{"Die Uhrzeit laeuft in Zeile %zu zurueck: die x-Achse zaehlt Zeilen.",
                     "The clock runs back at line %zu: the x axis counts lines."};
const Msg kFrom{"VON: ", "FROM: "};
const Msg kTo{"BIS: ", "TO: "};
const Msg kNothingShown{"keine Zeile im Bild", "no line in view"};

struct Signal {
    RecordSignal column;
    int color;
};
const Signal kSignals[] = {
    {kRecCh0, 0x0000FF}, {kRecCh1, 0x008000}, {kRecSig, 0xFF0000}, {kRecTemp, 0xC08000}};

int gPanel = 0;
// What stays of an opened file: the times of its lines and where the x axis puts them (the
// values live in the graph only).
std::vector<int64_t> gTime;
std::vector<double> gX;
std::string gPath;

std::string Format(const Msg &m, size_t a, size_t b = 0)
{
    char text[200];
    std::snprintf(text, sizeof text, Tr(m), a, b);
    return text;
}

void LoadWindow()
{
    if (gPanel > 0)
        return;
    gPanel = LoadPanel(0, RECVIEWP);
    if (gPanel <= 0)
        return;
    InstallPanelCallback(gPanel, CBF_RECVIEWP, nullptr);
    struct Binding {
        int control;
        CtrlCallbackPtr fn;
    };
    const Binding kBindings[] = {
        {RECVIEWP_TEXTBOX_RECVIEW_FILE, CBF_DispRecViewFile},
        {RECVIEWP_TEXTBOX_RECVIEW_SHOWN, CBF_DispRecViewFile},
        {RECVIEWP_BUTTON_RECVIEW_WHOLE, CBF_ButtonRecViewWhole},
        {RECVIEWP_BUTTON_RECVIEW_PICTURE, CBF_ButtonRecViewPicture},
        {RECVIEWP_BUTTON_RECVIEW_OPEN, CBF_ButtonOpenRecord},
        {RECVIEWP_BUTTON_RECVIEW_CLOSE, CBF_ButtonRecViewClose},
        {RECVIEWP_GRAPH_RECVIEW, CBF_GraphRecView},
    };
    for (const Binding &b : kBindings)
        InstallCtrlCallback(gPanel, b.control, b.fn, nullptr);
}

void LabelWindow(const std::string &path)
{
    const int p = gPanel;
    const std::string title =
        std::string(Tr(kTitle)) + ": " + std::filesystem::path(path).filename().string();
    SetPanelAttribute(p, ATTR_TITLE, title.c_str());
    SetCtrlVal(p, RECVIEWP_TEXTMSG_RECVIEW_FILE, Tr(kFileCaption));
    SetCtrlVal(p, RECVIEWP_TEXTMSG_RECVIEW_SHOWN, Tr(kShownCaption));
    SetCtrlVal(p, RECVIEWP_TEXTMSG_RECVIEW_HINT, Tr(kHint));
    SetCtrlAttribute(p, RECVIEWP_TEXTBOX_RECVIEW_FILE, ATTR_TOOLTIP_TEXT, Tr(kHelpFile));
    SetCtrlAttribute(p, RECVIEWP_TEXTBOX_RECVIEW_SHOWN, ATTR_TOOLTIP_TEXT, Tr(kHelpShown));
    const std::pair<int, std::pair<const Msg *, const Msg *>> buttons[] = {
        {RECVIEWP_BUTTON_RECVIEW_WHOLE, {&kLabelWhole, &kHelpWhole}},
        {RECVIEWP_BUTTON_RECVIEW_PICTURE, {&kLabelPicture, &kHelpPicture}},
        {RECVIEWP_BUTTON_RECVIEW_OPEN, {&kLabelOpen, &kHelpOpenAnother}},
        {RECVIEWP_BUTTON_RECVIEW_CLOSE, {&kLabelClose, &kHelpClose}},
    };
    for (const auto &[control, texts] : buttons) {
        SetCtrlAttribute(p, control, ATTR_LABEL_TEXT, Tr(*texts.first));
        SetCtrlAttribute(p, control, ATTR_TOOLTIP_TEXT, Tr(*texts.second));
    }
    SetCtrlAttribute(p, RECVIEWP_GRAPH_RECVIEW, ATTR_TOOLTIP_TEXT, Tr(kHelpGraph));
    // The graph has no caption: assistive technology finds it by this name.
    SetCtrlAttribute(p, RECVIEWP_GRAPH_RECVIEW, ATTR_ACCESSIBLE_NAME, Tr(kGraphName));
    SetAxisName(p, RECVIEWP_GRAPH_RECVIEW, VAL_LEFT_YAXIS, Tr(kYName));
}

std::string FileText(const std::string &path, const RecordContents &c,
                     const std::vector<int64_t> &time, size_t clockBackAt)
{
    const std::filesystem::path file(path);
    std::string t = file.filename().string() + "\n" + file.parent_path().string() + "\n\n";
    if (c.language >= 0)
        t += std::string(Tr(kProgram)) + c.program + "\n";
    if (!c.sensorId.empty())
        t += std::string(Tr(kSensor)) + c.sensorId + "\n";
    t += std::string(Tr(kHeader)) +
         Tr(c.language == 0   ? kHeaderGerman
            : c.language == 1 ? kHeaderEnglish
                              : kHeaderNone) +
         "\n";
    t += std::string(Tr(kFirst)) + RecordTimeText(time.front()) + "\n";
    t += std::string(Tr(kLast)) + RecordTimeText(time.back()) + "\n";
    t += std::string(Tr(kLines)) + std::to_string(time.size()) + "\n";
    if (c.skipped > 0)
        t += Format(kSkipped, c.skipped, c.firstSkipped) + "\n";
    if (clockBackAt > 0)
        t += Format(kClockBack, clockBackAt + 1) + "\n";
    return t;
}

// The lines within the graph's x range, their first and last time.
void ShowVisibleRange()
{
    if (gPanel <= 0 || gX.empty())
        return;
    int mode = 0;
    double lo = 0, hi = 0;
    GetAxisScalingMode(gPanel, RECVIEWP_GRAPH_RECVIEW, VAL_BOTTOM_XAXIS, &mode, &lo, &hi);
    const size_t first = size_t(std::lower_bound(gX.begin(), gX.end(), lo) - gX.begin());
    const size_t end = size_t(std::upper_bound(gX.begin(), gX.end(), hi) - gX.begin());
    std::string t;
    if (first >= end) {
        t = Tr(kNothingShown);
    } else {
        t = std::string(Tr(kFrom)) + RecordTimeText(gTime[first]) + "\n" + Tr(kTo) +
            RecordTimeText(gTime[end - 1]) + "\n" + Tr(kLines) + std::to_string(first + 1) +
            " .. " + std::to_string(end) + " (" + std::to_string(end - first) + ")";
    }
    ResetTextBox(gPanel, RECVIEWP_TEXTBOX_RECVIEW_SHOWN, t.c_str());
}

void RefuseFile(const Msg &why, const char *path)
{
    const std::string text = std::string(Tr(why)) + "\n" + path;
    MessagePopup(Tr(kMsgInfoTitle), text.c_str());
}

bool ChooseFile(char *path, int size)
{
    std::string directory = std::filesystem::path(AppState.RecordFilePath).parent_path().string();
    if (directory.empty())
        directory = DataDirectory();
    const std::string name = std::filesystem::path(AppState.RecordFilePath).filename().string();
    return FileSelectPopup(directory.c_str(), name.empty() ? kDefaultRecordFileName : name.c_str(),
                           kRecordFileFilter, Tr(kOpenTitle), VAL_LOAD_BUTTON, path,
                           size) == VAL_EXISTING_FILE_SELECTED;
}

void SavePicture()
{
    if (gPanel <= 0)
        return;
    char path[1024] = {};
    const std::filesystem::path record(AppState.RecordFilePath);
    std::string directory = record.parent_path().string();
    if (directory.empty())
        directory = DataDirectory();
    const std::string name = std::filesystem::path(gPath).stem().string() + ".png";
    if (FileSelectPopup(directory.c_str(), name.c_str(), "*.png *.svg", Tr(kPictureTitle),
                        VAL_SAVE_BUTTON, path, int(sizeof path)) == VAL_NO_FILE_SELECTED)
        return;
    std::string target = path;
    const std::string ending = std::filesystem::path(target).extension().string();
    std::string lower = ending;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return char(std::tolower(ch)); });
    if (lower != ".png" && lower != ".svg")
        target += ".png";
    if (SaveControlPicture(gPanel, RECVIEWP_GRAPH_RECVIEW, target.c_str()) != 0) {
        ReportFileNotSaved(target.c_str());
        return;
    }
    ShowStatus(kStatusPictureSaved, target);
}

} // namespace

std::vector<double> RecordViewX(const std::vector<int64_t> &time, size_t *clockBackAt)
{
    if (clockBackAt)
        *clockBackAt = 0;
    std::vector<double> x(time.size());
    for (size_t i = 1; i < time.size(); ++i)
        if (time[i] < time[i - 1]) {
            if (clockBackAt)
                *clockBackAt = i;
            for (size_t k = 0; k < x.size(); ++k)
                x[k] = double(k + 1);
            return x;
        }
    // Rounded to floats, the graph keeps the points in half the memory; a float of hours
    // resolves a second below 4096 hours (170 days), a longer file keeps its doubles.
    const bool asFloat = !time.empty() && time.back() - time.front() < 4096 * 3600;
    for (size_t i = 0; i < time.size(); ++i) {
        const double hours = double(time[i] - time.front()) / 3600.0;
        x[i] = asFloat ? double(float(hours)) : hours;
    }
    return x;
}

bool OpenRecordView(const char *path)
{
    RecordContents contents;
    const RecordReadResult result = ReadRecordFile(path, contents);
    const Msg *why = nullptr;
    switch (result) {
    case RecordReadResult::kOk: break;
    case RecordReadResult::kUnreadable: why = &kMsgRecordUnreadable; break;
    case RecordReadResult::kEmpty: why = &kMsgRecordEmpty; break;
    case RecordReadResult::kForeign: why = &kMsgRecordForeign; break;
    case RecordReadResult::kNoLines: why = &kMsgRecordNoLines; break;
    case RecordReadResult::kDamaged: why = &kMsgRecordDamaged; break;
    }
    if (why) {
        // The window keeps what it showed; nothing of the refused file is shown.
        RefuseFile(*why, path);
        return false;
    }
    LoadWindow();
    if (gPanel <= 0)
        return false;
    SetWaitCursor(1);
    const int p = gPanel, g = RECVIEWP_GRAPH_RECVIEW;
    LabelWindow(path);
    size_t clockBackAt = 0;
    gX = RecordViewX(contents.time, &clockBackAt);
    gTime = std::move(contents.time);
    DeleteGraphPlot(p, g, -1);
    SetAxisName(p, g, VAL_BOTTOM_XAXIS, Tr(clockBackAt > 0 ? kXLines : kXHours));
    SetAxisScalingMode(p, g, VAL_LEFT_YAXIS, VAL_AUTOSCALE, 0, 0);
    std::vector<double> y(gX.size());
    for (const Signal &s : kSignals) {
        std::vector<int16_t> &column = contents.values[s.column];
        std::copy(column.begin(), column.end(), y.begin());
        std::vector<int16_t>().swap(column); // the graph holds the values from here on
        const int plot = PlotXY(p, g, gX.data(), y.data(), int(y.size()), s.color);
        if (plot > 0)
            SetPlotName(p, g, plot, kRecordSignalNames[s.column]);
    }
    gPath = path;
    const std::string info = FileText(path, contents, gTime, clockBackAt);
    ResetTextBox(p, RECVIEWP_TEXTBOX_RECVIEW_FILE, info.c_str());
    ShowWholeGraph(p, g);
    ShowVisibleRange();
    SetWaitCursor(0);
    ShowStatus(kStatusRecordOpened, path);
    if (!IsPanelVisible(p)) {
        CenterPanelOnScreen(p);
        InstallPopup(p);
    }
    SetActiveCtrl(p, g);
    return true;
}

void CloseRecordView()
{
    if (gPanel <= 0)
        return;
    RemovePopup(gPanel);
    // A closed view keeps nothing of its file.
    DeleteGraphPlot(gPanel, RECVIEWP_GRAPH_RECVIEW, -1);
    std::vector<int64_t>().swap(gTime);
    std::vector<double>().swap(gX);
}

int RecordViewPanel()
{
    return gPanel;
}

int CBF_ButtonOpenRecord(int, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(control == RECVIEWP_BUTTON_RECVIEW_OPEN ? kHelpOpenAnother : kHelpOpenRecord);
    } else if (event == EVENT_COMMIT) {
        char path[1024] = {};
        if (ChooseFile(path, int(sizeof path)))
            OpenRecordView(path);
    }
    return 0;
}

int CBF_RECVIEWP(int, int event, void *, int, int)
{
    if (event == EVENT_CLOSE)
        CloseRecordView();
    return 0;
}

int CBF_DispRecViewFile(int, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(control == RECVIEWP_TEXTBOX_RECVIEW_SHOWN ? kHelpShown : kHelpFile);
    return 0;
}

int CBF_ButtonRecViewWhole(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpWhole);
    else if (event == EVENT_COMMIT)
        ShowWholeGraph(panel, RECVIEWP_GRAPH_RECVIEW);
    return 0;
}

int CBF_ButtonRecViewPicture(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpPicture);
    else if (event == EVENT_COMMIT)
        SavePicture();
    return 0;
}

int CBF_ButtonRecViewClose(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpClose);
    else if (event == EVENT_COMMIT)
        CloseRecordView();
    return 0;
}

int CBF_GraphRecView(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpGraph);
    else if (event == EVENT_ZOOM)
        ShowVisibleRange();
    return 0;
}

void InstallRecordViewCallbacks()
{
    gPanel = 0; // loaded again with the next panels
    std::vector<int64_t>().swap(gTime);
    std::vector<double>().swap(gX);
    InstallCtrlCallback(AppState.TabRecorder, TABP_RECORDER_BUTTON_OPEN_RECORD,
                        CBF_ButtonOpenRecord, nullptr);
}
