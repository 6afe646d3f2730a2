#include "recorder/recorder.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "platform/rs232.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/tcp.h"
#include "platform/ui.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "live/graphs.h"
#include "live/live.h"
#include "recorder/record_file.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

double RecInterval = kMinRecInterval;
uint16_t RecValues = 0;
uint16_t RecordedValues = 0;
unsigned RecordLinesWritten = 0;
unsigned RecordLinesLost = 0;

const Msg kMsgFileDialogTitle{"Dateiname!", "Filename!"};
const Msg kMsgNoFile{"Keine Datei ausgewaehlt! \nAktion wird nicht ausgefuehrt!",
                     "No file was selected! \nProcess will not be done!"};
const Msg kMsgFileExists{"Datei existiert bereits! \nWollen Sie die bestehende Datei auswaehlen?",
                         "File already exists! \nDo you want to select existing file?"};
const Msg kMsgFileMustBeFree{"Stellen Sie sicher dass die Datei in keinem anderen Programm "
                             "verwendet wird. \nAnsonsten kann sie nicht gespeichert werden.",
                             "Make sure, that the file is not opened by any other program. "
                             "\nOtherwise it can not be saved."};
const Msg kMsgStartConfirm{"Sind Sie sicher dass Sie die richtige Datei gewaehlt haben?",
                           "Are you sure, that you have selected the right file name?"};
const Msg kMsgRecordSaved{"Datei wurde gespeichert!", "File has been saved!"};
// Followed by the path of the record file.
const Msg kMsgRecordLinesLost{"%u von %u Zeilen konnten nicht geschrieben werden in:\n",
                              "%u of %u lines could not be written to:\n"};

namespace {

const Msg kStatusRecordIncomplete{"Aufzeichnung unvollstaendig:", "Recording incomplete:"};

const Msg kHelpSelRecFile{"Rekorder-Datei fuer Datensicherung auswaehlen.",
                          "Select a record file for data save."};
const Msg kHelpRecFile{"Zeigt den Speicherpfad des Rekorder-Files an.",
                       "Shows the path of the record file."};
const Msg kHelpStartRecord{"Daten-Rekorder starten.", "Start data record."};
const Msg kHelpStopRecord{"Daten-Rekorder stoppen.", "Stop data record."};
const Msg kHelpManualRecord{"Einen Frame manuell aufzeichnen \nund an eine existierende Datei "
                            "anhaengen.",
                            "Record one frame manually \nand append to existing file."};
const Msg kHelpSelectDataRec{"Wie ein Datenframe aufgezeichnet werden soll auswaehlen.",
                             "Select how to record data frame."};
const Msg kHelpInterval{"Intervall in Sekunden fuer die Aufzeichnung waehlen. \nMinimales "
                        "Intervall ist 0,25 Sekunden.",
                        "Choose a interval in secondes for recording. \nMinimum interval is "
                        "0,25 second."};
const Msg kHelpRecVal{"Wie viele Datenframes aufgezeichnet werden sollen auswaehlen.",
                      "Choose how many data frames should be recorded."};
const Msg kHelpRecordTime{"Zeigt die Aufnahmezeit an bis alle Werte aufgenommen sein werden.",
                          "Displays the time for recording \nwhen all VALUES will be recorded."};
const Msg kHelpRecordedValues{"Zeigt an wie viele Werte bereits aufgenommen wurden.",
                              "Displays how many values are already recorded."};
const Msg kHelpRemaining{"Zeigt an wie viele Werte noch aufgenommen werden.",
                         "Displays how many values remain to be recorded."};

constexpr int kRunningColor = 0xFF0000;
constexpr int kIdleColor = 0xE0E0E0;
// Longest single wait of the triggered loop between two looks at the run flag and the port;
// every arriving byte and every click ends the wait earlier.
constexpr double kPollSeconds = 0.05;

// True while a recording loop is on the call stack: a second one started from inside its event
// processing would put a second request on the line.
bool gRecording = false;

int Page()
{
    return AppState.TabRecorder;
}

int HelpOnly(int event, const Msg &help)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(help);
    return 0;
}

void Fail(const Msg &m)
{
    CopyField(AppState.ErrorText, Tr(m));
    SetTimeout();
}

bool UsingTcp()
{
    return AppState.ComProtocol == 1;
}

int CurrentMode()
{
    int mode = 0;
    GetCtrlVal(Page(), TABP_RECORDER_RING_RECORD_MODE, &mode);
    return mode;
}

void ShowRecordFilePath()
{
    ResetTextBox(Page(), TABP_RECORDER_TEXTBOX_REC_FILE, AppState.RecordFilePath);
}

// A recorded frame: onto the graph panel, the data panel, the live charts and into the file.
void TakeFrame()
{
    SetPanelGraphData();
    SetPanelData();
    PlotLiveCharts();
    ToFile();
}

bool RequestDataFrame()
{
    AppState.OrderNumber = frame::kOrderDataFrame;
    FillTxBuf(frame::kOrderDataFrame, 0, 0);
    return DataExchange(frame::kHeaderSize) == 1;
}

// Over TCP the receive callback appends whatever has arrived, so behind the frame just used
// RxBuffer may already hold the start of the next one: it moves to the front instead of being
// dropped. The callback stops reading when the buffer is full; what it left in the socket is
// read now.
void KeepBytesBeyond(int used)
{
    if (AppState.RxCount > used) {
        std::memmove(AppState.RxBuffer, AppState.RxBuffer + used, size_t(AppState.RxCount - used));
        AppState.RxCount -= used;
    } else {
        AppState.RxCount = 0;
    }
    if (!AppState.TcpConnected)
        return;
    const int room = frame::kRxBufferSize - AppState.RxCount;
    if (room > 0 && ClientTCPBytesAvailable(AppState.TcpHandle) > 0) {
        const int n =
            ClientTCPRead(AppState.TcpHandle, AppState.RxBuffer + AppState.RxCount, room, 0);
        if (n > 0)
            AppState.RxCount += n;
    }
}

// Waits, with no time limit, for the next 8-byte header the sensor sends by itself (over RS-232
// it is read into RxBuffer). 1 when it is there, 0 when the run flag was cleared, -1 on a link
// failure (reported here, or earlier for a lost TCP conversation).
int WaitForAutoHeader()
{
    if (UsingTcp()) {
        while (true) {
            if (AppState.AcquisitionRunning != 1)
                return 0;
            if (!AppState.TcpConnected)
                return -1;
            if (AppState.RxCount >= frame::kHeaderSize)
                return 1;
            WaitForEvents(Timer() + kPollSeconds);
        }
    }
    while (true) {
        if (AppState.AcquisitionRunning != 1)
            return 0;
        AppState.RxCount = GetInQLen(AppState.ComPort);
        AppState.ComStatus = GetComStat(AppState.ComPort);
        if (AppState.ComStatus > 0 || AppState.RxCount < 0) {
            Fail(kMsgTimeout);
            return -1;
        }
        if (AppState.RxCount >= frame::kHeaderSize) {
            if (ComRd(AppState.ComPort, AppState.RxBuffer, frame::kHeaderSize) <
                frame::kHeaderSize) {
                Fail(kMsgTimeout);
                return -1;
            }
            return 1;
        }
        WaitForEvents(Timer() + kPollSeconds);
    }
}

void SetVisible(int control, int visible)
{
    SetCtrlAttribute(Page(), control, ATTR_VISIBLE, visible);
}

void SetOperable(int control, bool operable)
{
    SetCtrlAttribute(Page(), control, ATTR_CTRL_MODE, operable ? VAL_HOT : VAL_INDICATOR);
}

void SetButtonColor(int control, int color)
{
    SetCtrlAttribute(Page(), control, ATTR_TEXT_BGCOLOR, color);
}

} // namespace

bool ToFile()
{
    const std::time_t now = std::time(nullptr);
    std::tm when{};
    localtime_r(&now, &when);
    const std::string line = RecordLine(DataFrame, when);
    if (AppendRecordLine(AppState.RecordFilePath, line)) {
        ++RecordLinesWritten;
        return true;
    }
    // Locked, missing directory, full disk, no rights: the line is lost, the recording goes on
    // and the operator hears of it when it ends.
    ++RecordLinesLost;
    return false;
}

void ReportRecordFile()
{
    if (RecordLinesLost > 0) {
        char count[160];
        std::snprintf(count, sizeof count, Tr(kMsgRecordLinesLost), RecordLinesLost,
                      RecordLinesLost + RecordLinesWritten);
        const std::string text = std::string(count) + AppState.RecordFilePath;
        ShowStatus(kStatusRecordIncomplete, text);
        MessagePopup(Tr(kMsgInfoTitle), text.c_str());
    } else if (RecordLinesWritten > 0) {
        ShowStatus(kMsgRecordSaved, AppState.RecordFilePath);
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgRecordSaved));
    }
}

void SelRecFile()
{
    std::string directory = std::filesystem::path(AppState.RecordFilePath).parent_path().string();
    if (directory.empty())
        directory = DataDirectory();
    char chosen[sizeof AppState.RecordFilePath] = {};
    const int result =
        FileSelectPopup(directory.c_str(), kDefaultRecordFileName, kRecordFileFilter,
                        Tr(kMsgFileDialogTitle), VAL_SAVE_BUTTON, chosen, int(sizeof chosen));
    if (result != VAL_EXISTING_FILE_SELECTED && result != VAL_NEW_FILE_SELECTED) {
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgNoFile));
        return;
    }
    if (result == VAL_EXISTING_FILE_SELECTED) {
        if (ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgFileExists)) != 1)
            return;
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgFileMustBeFree));
        CopyField(AppState.RecordFilePath, chosen);
        ShowRecordFilePath();
        // The old contents go when the new header replaces them whole, not before: a header
        // that cannot be written leaves the old file as it was.
    } else {
        CopyField(AppState.RecordFilePath, chosen);
        ShowRecordFilePath();
    }
    const std::string header =
        RecordFileHeader(AppState.LanguageIndex, kScopeTitle, AppState.SensorId);
    if (!WriteRecordHeader(AppState.RecordFilePath, header))
        ReportFileNotSaved(AppState.RecordFilePath);
}

void CalcRecTime()
{
    const int page = Page();
    double interval = kMinRecInterval;
    GetCtrlVal(page, TABP_RECORDER_NUMERIC_INTERVAL, &interval);
    GetCtrlVal(page, TABP_RECORDER_NUMERIC_REC_VALUES, &RecValues);
    SetCtrlVal(page, TABP_RECORDER_NUMERIC_RECORDED_VALUES, 0);
    SetCtrlVal(page, TABP_RECORDER_NUMERIC_REMAINING, int(RecValues));
    RecInterval = ClampedRecInterval(interval);
    if (RecInterval != interval)
        SetCtrlVal(page, TABP_RECORDER_NUMERIC_INTERVAL, RecInterval);
    const RecordTime t = SplitRecordTime(RecInterval, RecValues);
    SetCtrlVal(page, TABP_RECORDER_NUMERIC_REC_DAYS, t.days);
    SetCtrlVal(page, TABP_RECORDER_NUMERIC_REC_HOURS, t.hours);
    SetCtrlVal(page, TABP_RECORDER_NUMERIC_REC_MINUTES, t.minutes);
    SetCtrlVal(page, TABP_RECORDER_NUMERIC_REC_SECONDS, t.seconds);
}

void InitRecordPanel()
{
    const int mode = CurrentMode();
    if (mode < 0 || mode > 3)
        return;
    // Visibility per mode 0..3.
    struct Row {
        int control;
        int shown[4];
    };
    static const Row kRows[] = {
        {TABP_RECORDER_NUMERIC_INTERVAL, {1, 1, 0, 0}},
        {TABP_RECORDER_NUMERIC_REC_VALUES, {1, 0, 0, 0}},
        {TABP_RECORDER_NUMERIC_REC_DAYS, {1, 0, 0, 0}},
        {TABP_RECORDER_NUMERIC_REC_HOURS, {1, 0, 0, 0}},
        {TABP_RECORDER_NUMERIC_REC_MINUTES, {1, 0, 0, 0}},
        {TABP_RECORDER_NUMERIC_REC_SECONDS, {1, 0, 0, 0}},
        {TABP_RECORDER_NUMERIC_RECORDED_VALUES, {1, 0, 1, 0}},
        {TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL, {0, 1, 0, 1}},
        {TABP_RECORDER_NUMERIC_REMAINING, {1, 0, 0, 0}},
        {TABP_RECORDER_BUTTON_START_TRIG_REC, {0, 0, 0, 1}},
        {TABP_RECORDER_BUTTON_MANUAL_RECORD, {0, 0, 1, 0}},
        {TABP_RECORDER_BUTTON_START_RECORD, {1, 1, 0, 0}},
        {TABP_RECORDER_BUTTON_STOP_RECORD, {1, 1, 0, 1}},
    };
    for (const Row &r : kRows)
        SetVisible(r.control, r.shown[mode]);
}

void RecordFrame()
{
    const int page = Page();
    AppState.AcquisitionRunning = 1;
    RecordedValues = 0;
    CalcRecTime();
    double counter = 0;
    double t0 = Timer();
    do {
        const bool ok = RequestDataFrame();
        // As in triggered recording, only an answer that carries a whole data frame becomes a
        // line: a shorter one would record zeros the sensor never sent.
        if (ok && AppState.RxHeader.length >= kDataFrameSize) {
            DataFrame = DataFrameFromBytes(AppState.RxBuffer + frame::kHeaderSize);
            TakeFrame();
        }
        const int mode = CurrentMode();
        if (mode == kRecordCount) {
            ++RecordedValues; // a failed attempt counts too
            SetCtrlVal(page, TABP_RECORDER_NUMERIC_RECORDED_VALUES, int(RecordedValues));
            SetCtrlVal(page, TABP_RECORDER_NUMERIC_REMAINING,
                       RecordedValues < RecValues ? int(RecValues - RecordedValues) : 0);
            if (RecordedValues >= RecValues)
                AppState.AcquisitionRunning = 0;
        } else if (mode == kRecordUntilStop) {
            counter += 1;
            SetCtrlVal(page, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL, counter);
        }
        // Every failure has been reported by the exchange; one reported earlier (a TCP
        // conversation lost while idle) leaves the flag set and must end the loop as well.
        if (!ok)
            AppState.AcquisitionRunning = 0;
        // The next request starts RecInterval after this one started.
        const double next = t0 + RecInterval;
        while (Timer() < next) {
            if (AppState.AcquisitionRunning != 1)
                return;
            WaitForEvents(next);
        }
        t0 = NextRecordStart(next, Timer(), RecInterval);
    } while (AppState.AcquisitionRunning == 1);
}

void Record()
{
    if (ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgStartConfirm)) != 1)
        return;
    MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgFileMustBeFree));
    SetOperable(TABP_RECORDER_NUMERIC_INTERVAL, false);
    SetOperable(TABP_RECORDER_NUMERIC_REC_VALUES, false);
    SetOperable(TABP_RECORDER_BUTTON_START_RECORD, false);
    SetButtonColor(TABP_RECORDER_BUTTON_START_RECORD, kRunningColor);
    gRecording = true;
    RecordLinesWritten = RecordLinesLost = 0;
    RecordFrame();
    gRecording = false;
    ReportRecordFile();
    SetOperable(TABP_RECORDER_NUMERIC_INTERVAL, true);
    SetOperable(TABP_RECORDER_NUMERIC_REC_VALUES, true);
    SetOperable(TABP_RECORDER_BUTTON_START_RECORD, true);
    SetButtonColor(TABP_RECORDER_BUTTON_START_RECORD, kIdleColor);
}

bool TriggeredRecord()
{
    AppState.OrderNumber = frame::kOrderAutoSend;
    FillTxBuf(frame::kOrderAutoSend, 1, 0);
    if (DataExchange(frame::kHeaderSize) != 1)
        return false;
    const bool tcp = UsingTcp();
    if (tcp)
        KeepBytesBeyond(frame::kHeaderSize + AppState.RxHeader.length);
    AppState.AcquisitionRunning = 1;
    double counter = 0;
    while (AppState.AcquisitionRunning == 1) {
        if (WaitForAutoHeader() <= 0)
            break;
        if (CheckHeaderCRC() < 0)
            break;
        const int length = AppState.RxHeader.length;
        if (length > 0 && GetDataFrame() < 0)
            break;
        // Only a frame that carries a whole data frame becomes a line: a shorter payload would
        // leave the rest of DataFrame to whatever the buffer held before.
        if (length >= kDataFrameSize) {
            DataFrame = DataFrameFromBytes(AppState.RxBuffer + frame::kHeaderSize);
            TakeFrame();
            counter += 1;
            SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL, counter);
        }
        if (tcp)
            KeepBytesBeyond(frame::kHeaderSize + length);
    }
    // A lost TCP conversation was reported before the loop saw it: the loop is over all the same.
    if (tcp && !AppState.TcpConnected)
        AppState.AcquisitionRunning = 0;
    return true;
}

void RecordManually()
{
    SetPanelGraphData();
    RecordLinesWritten = RecordLinesLost = 0;
    if (!ToFile())
        ReportRecordFile();
    ++RecordedValues;
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_RECORDED_VALUES, int(RecordedValues));
}

int CBF_ButtonSelRecFile(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        SelRecFile();
    return HelpOnly(event, kHelpSelRecFile);
}

int CBF_DispRecFile(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpRecFile);
}

int CBF_ButtonStartRecord(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT && !gRecording) {
        SetButtonsDimmed(0, 1);
        InitPanelGraph();
        Record();
        SetButtonsDimmed(0, 0);
    }
    return HelpOnly(event, kHelpStartRecord);
}

int CBF_ButtonStopRecord(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        AppState.AcquisitionRunning = 0;
    return HelpOnly(event, kHelpStopRecord);
}

int CBF_ButtonStartTrigRec(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT && !gRecording) {
        if (ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgStartConfirm)) != 1)
            return 0;
        SetButtonsDimmed(0, 1);
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgFileMustBeFree));
        SetButtonColor(TABP_RECORDER_BUTTON_START_TRIG_REC, kRunningColor);
        gRecording = true;
        RecordLinesWritten = RecordLinesLost = 0;
        // A start that failed has been reported; the link is down, so no switch-off order
        // follows it (it could only wait out its own time-out) and there is no file to speak of.
        if (TriggeredRecord()) {
            StopAutoSend(); // whatever ended the loop, a failure included
            ReportRecordFile();
        }
        gRecording = false;
        SetButtonColor(TABP_RECORDER_BUTTON_START_TRIG_REC, kIdleColor);
        SetButtonsDimmed(0, 0);
    }
    return HelpOnly(event, kHelpStartRecord);
}

int CBF_ButtonManualRecord(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT) {
        SetCtrlAttribute(Page(), TABP_RECORDER_BUTTON_MANUAL_RECORD, ATTR_DIMMED, 1);
        RecordManually();
        SetCtrlAttribute(Page(), TABP_RECORDER_BUTTON_MANUAL_RECORD, ATTR_DIMMED, 0);
    }
    return HelpOnly(event, kHelpManualRecord);
}

int CBF_EditSelectDataRec(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT) {
        AppState.AcquisitionRunning = 0;
        const int mode = CurrentMode();
        if (mode == kRecordManual) {
            SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_RECORDED_VALUES, 0);
            RecordedValues = 0;
        } else if (mode == kRecordCount) {
            CalcRecTime();
        }
        InitPanelGraph();
        InitRecordPanel();
    }
    return HelpOnly(event, kHelpSelectDataRec);
}

int CBF_EditInterval(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        CalcRecTime();
    return HelpOnly(event, kHelpInterval);
}

int CBF_EditRecVal(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        CalcRecTime();
    return HelpOnly(event, kHelpRecVal);
}

int CBF_DispRecordTime(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpRecordTime);
}

int CBF_DispRecordedValues(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpRecordedValues);
}

int CBF_DispRemaining(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpRemaining);
}

void InstallRecorderCallbacks()
{
    const int page = Page();
    struct Binding {
        int control;
        CtrlCallbackPtr fn;
    };
    const Binding kBindings[] = {
        {TABP_RECORDER_BUTTON_SEL_REC_FILE, CBF_ButtonSelRecFile},
        {TABP_RECORDER_TEXTBOX_REC_FILE, CBF_DispRecFile},
        {TABP_RECORDER_BUTTON_START_RECORD, CBF_ButtonStartRecord},
        {TABP_RECORDER_BUTTON_STOP_RECORD, CBF_ButtonStopRecord},
        {TABP_RECORDER_BUTTON_START_TRIG_REC, CBF_ButtonStartTrigRec},
        {TABP_RECORDER_BUTTON_MANUAL_RECORD, CBF_ButtonManualRecord},
        {TABP_RECORDER_RING_RECORD_MODE, CBF_EditSelectDataRec},
        {TABP_RECORDER_NUMERIC_INTERVAL, CBF_EditInterval},
        {TABP_RECORDER_NUMERIC_REC_VALUES, CBF_EditRecVal},
        {TABP_RECORDER_NUMERIC_REC_DAYS, CBF_DispRecordTime},
        {TABP_RECORDER_NUMERIC_REC_HOURS, CBF_DispRecordTime},
        {TABP_RECORDER_NUMERIC_REC_MINUTES, CBF_DispRecordTime},
        {TABP_RECORDER_NUMERIC_REC_SECONDS, CBF_DispRecordTime},
        {TABP_RECORDER_NUMERIC_RECORDED_VALUES, CBF_DispRecordedValues},
        {TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL, CBF_DispRecordedValues},
        {TABP_RECORDER_NUMERIC_REMAINING, CBF_DispRemaining},
    };
    for (const Binding &b : kBindings)
        InstallCtrlCallback(page, b.control, b.fn, nullptr);

    // The buttons that start something stay dimmed while another operation runs; STOP, the mode
    // selector and MANUAL RECORD stay operable (the latter is fresh only beside the live loop).
    for (int c : {TABP_RECORDER_BUTTON_SEL_REC_FILE, TABP_RECORDER_BUTTON_START_RECORD,
                  TABP_RECORDER_BUTTON_START_TRIG_REC})
        RegisterOperationControl(&AppState.TabRecorder, c);
}
