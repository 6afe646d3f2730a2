#include "scope/capture.h"
#include "scope/capture_doc.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "platform/rs232.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "scope/display.h"
#include "scope/reference.h"

#include <algorithm>
#include <cmath>

ScopeTracesRec ScopeTraces;
double CycleTimeMs = 0;

namespace {

const Msg kWhyLevelUnused{"Gesperrt: nur STEIGENDE und FALLENDE FLANKE vergleichen mit dem "
                          "TRIGGER LEVEL.",
                          "Dimmed: only RISING EDGE and FALLING EDGE compare with the TRIGGER "
                          "LEVEL."};
const Msg kWhySingleShot{"Gesperrt: EINZELAUFNAHME nimmt nichts vor dem Start auf.",
                         "Dimmed: SINGLE SHOT records nothing before its start."};
const Msg kStatusScanDone{"Scope-Aufnahme beendet.", "Scope capture done."};

// How long the capture's wait sleeps at most between two looks at the link; bytes, clicks and
// the link's own events wake it sooner.
constexpr double kScopePollS = 0.1;

constexpr int kColorCh0 = 0xFF0000;
constexpr int kColorCh1 = 0x00FF00;
constexpr int kColorSig = 0x808000;
constexpr int kColorDigital = 0x808080;

const Msg kHelpGetCycleTime{"Zykluszeit des Sensors abfragen. \nSensor fuer 8 Sekunden nicht "
                            "unterbrechen, \ndann Schaltflaeche klicken.",
                            "Get cycle time from sensor. \nDon't interrupt the sensor for 8 "
                            "seconds \nthen press the button."};
const Msg kHelpScanFreq{"Sensor Scanfrequenz. \nSensor fuer 8 Sekunden nicht unterbrechen, \ndann "
                        "Schaltflaeche klicken.",
                        "Sensor scanfrequency. \nDon't interrupt the sensor for 8 seconds \nthen "
                        "press the button."};
const Msg kHelpScan{"Datenrekorder starten und das Ergebnis im Graph anzeigen.",
                    "Start data recording and display the result in the graph."};
const Msg kHelpBreak{"Datenrekorder abbrechen.", "Break data recording."};
const Msg kHelpTriggerMode{
    "Trigger Modus auswaehlen! \nEINZELAUFNAHME: Datenrekorder startet nach Klick auf SCAN. "
    "\nSTEIGENDE FLANKE: Datenrekorder startet wenn die blaue Linie ueber TRIGGER LEVEL steigt. "
    "\nFALLENDE FLANKE: Datenrekorder startet wenn die blaue Linie unter TRIGGER LEVEL faellt. "
    "\nINTERN OUT0: Datenrekorder startet wenn OUT0 aus Toleranz faellt. \nEXTERN IN0: "
    "Datenrekorder startet wenn IN0 high schaltet.",
    "Select trigger mode! \nSINGLE SHOT: Data recording starts after pushing SCAN. \nRISING "
    "EDGE: Data recording starts when signal goes higher than TRIGGER LEVEL. \nFALLING EDGE: "
    "Data recording starts when signal goes lower than TRIGGER LEVEL. \nINTERNAL OUT0: Data "
    "recording starts when OUT0 exits tolerance. \nEXTERNAL IN0: Data recording starts when IN0 "
    "goes high."};
const Msg kHelpPreTrigger{"Anzahl der aufgenommenen Werte \ndie gespeichert werden bevor "
                          "Triggerereignis eintritt.",
                          "Number of recorded values \nwhich are stored before trigger occured."};
const Msg kHelpTriggerLevel{"Rekorder startet wenn das Signal das TRIGGER LEVEL passiert.",
                            "Record starts when signal passes TRIGGER LEVEL."};
const Msg kHelpScanRate{"Zeichnet pro SCAN RATE Zyklus einen Wert auf.",
                        "Record a value every SCAN RATE scan."};
const Msg kHelpScopeSignal{"Signal auswaehlen welches im Graph dargestellt werden soll.",
                           "Select a signal which should be displayed in the graph."};

void Fail(const Msg &m)
{
    CopyField(AppState.ErrorText, Tr(m));
    SetTimeout();
}

int32_t GetI32(const uint8_t *p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

int16_t ReadShort(int panel, int control)
{
    int v = 0;
    GetCtrlVal(panel, control, &v);
    return int16_t(v);
}

ScopeRequest ReadScopeRequest()
{
    ScopeRequest r;
    r.TriggerLevel = ReadShort(AppState.TabScope, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL);
    r.TriggerMode = ReadShort(AppState.TabScope, TABP_SCOPE_RING_TRIGGER_MODE);
    r.PreTrigger = ReadShort(AppState.TabScope, TABP_SCOPE_NUMERIC_PRE_TRIGGER);
    r.ScanRate = ReadShort(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE);
    return r;
}

ScopeTrace *TraceOfBlock(ScopeTracesRec *traces, int block)
{
    ScopeTrace *all[] = {&traces->Ch0Trace, &traces->Ch1Trace, &traces->SigTrace,
                         &traces->StatusTrace};
    return all[block];
}

void PlotTrace(int control, const ScopeTrace &trace, int color, const char *name)
{
    double y[kScopeSamples];
    for (int k = 0; k < kScopeSamples; ++k)
        y[k] = trace[size_t(k)];
    const int plot = PlotY(AppState.ScopePanel, control, y, kScopeSamples, color);
    if (plot > 0)
        SetPlotName(AppState.ScopePanel, control, plot, name);
}

void PlotDigitalLines()
{
    const DigitalLines lines = DigitalLinesOf(ScopeTraces.StatusTrace);
    DeleteGraphPlot(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE_DIGITAL, -1);
    for (const auto *line : {&lines.level2, &lines.level0, &lines.level6, &lines.level4})
        PlotY(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE_DIGITAL, line->data(), kScopeSamples,
              kColorDigital);
}

// Over TCP/IP the link's receive callback gathers the whole answer in RxBuffer: the acknowledge
// header and then the four frames, in whatever pieces they arrive.
int ReceiveBlocksTcp(const ScopeRequest &request, ScopeTracesRec *traces, double deadline)
{
    while (AppState.RxCount < kScopeAnswerBytes) {
        if (!AppState.ScanRunning)
            return 0;
        if (!AppState.TcpConnected)
            return -1; // the lost conversation has been reported
        const double now = Timer();
        if (now >= deadline)
            return kScopeDeadlinePassed;
        WaitForEvents(std::min(now + kScopePollS, deadline));
    }
    for (int i = 0; i < kScopeBlockCount; ++i) {
        const uint8_t *f = AppState.RxBuffer + frame::kHeaderSize + i * kScopeFrameBytes;
        switch (CheckScopeFrame(f)) {
        case ScopeFrameCheck::kBadHeader: Fail(kMsgBadHeader); return -1;
        case ScopeFrameCheck::kBadData: Fail(kMsgBadData); return -1;
        case ScopeFrameCheck::kGood: break;
        }
        *TraceOfBlock(traces, i) =
            UnrollScopeBlock(f + frame::kHeaderSize, request.TriggerMode, request.PreTrigger);
    }
    return 1;
}

// Over RS-232 each block is a frame read from the port's queue as it comes; the wait for its
// header has no time limit, the payload has the exchange's.
int ReceiveBlocksRs232(const ScopeRequest &request, ScopeTracesRec *traces, double deadline)
{
    for (int i = 0; i < kScopeBlockCount; ++i) {
        for (;;) {
            if (!AppState.ScanRunning)
                return 0;
            AppState.RxCount = GetInQLen(AppState.ComPort);
            AppState.ComStatus = GetComStat(AppState.ComPort);
            if (AppState.ComStatus > 0 || AppState.RxCount < 0) { // line error, or port gone
                Fail(kMsgTimeout);
                return -1;
            }
            if (AppState.RxCount >= frame::kHeaderSize)
                break;
            const double now = Timer();
            if (now >= deadline)
                return kScopeDeadlinePassed;
            WaitForEvents(std::min(now + kScopePollS, deadline));
        }
        if (ComRd(AppState.ComPort, AppState.RxBuffer, frame::kHeaderSize) < frame::kHeaderSize) {
            Fail(kMsgTimeout);
            return -1;
        }
        if (CheckHeaderCRC() < 0)
            return -1;
        if (AppState.RxHeader.length != kScopeBlockBytes) {
            Fail(kMsgBadHeader);
            return -1;
        }
        if (GetDataFrame() < 0)
            return -1;
        *TraceOfBlock(traces, i) = UnrollScopeBlock(AppState.RxBuffer + frame::kHeaderSize,
                                                    request.TriggerMode, request.PreTrigger);
    }
    return 1;
}

} // namespace

void PackScopeRequest(const ScopeRequest &r, uint8_t *out)
{
    frame::PutU16(out, uint16_t(r.TriggerLevel));
    frame::PutU16(out + 2, uint16_t(r.TriggerMode));
    frame::PutU16(out + 4, uint16_t(r.PreTrigger));
    frame::PutU16(out + 6, uint16_t(r.ScanRate));
}

ScopeTrace UnrollScopeBlock(const uint8_t *block, int triggerMode, int preTrigger)
{
    const unsigned ringIndex = frame::GetU16(block + 2 * kScopeSamples);
    // Two's complement: AND 127 is the modulo for a negative start too.
    const unsigned start =
        triggerMode == 0 ? 0u : unsigned(int(ringIndex) + kScopeSamples - preTrigger);
    ScopeTrace trace;
    for (unsigned k = 0; k < unsigned(kScopeSamples); ++k) {
        const unsigned slot = (start + k) & (kScopeSamples - 1);
        trace[k] = int16_t(frame::GetU16(block + 2 * slot));
    }
    return trace;
}

DigitalLines DigitalLinesOf(const ScopeTrace &status)
{
    DigitalLines d;
    for (size_t k = 0; k < size_t(kScopeSamples); ++k) {
        const unsigned s = uint16_t(status[k]);
        d.level2[k] = double(s & 1u) + 2;
        d.level0[k] = double((s >> 1) & 1u);
        d.level6[k] = double((s >> 8) & 1u) + 6;
        d.level4[k] = double((s >> 9) & 1u) + 4;
    }
    return d;
}

ScopeFrameCheck CheckScopeFrame(const uint8_t *f)
{
    frame::Header h;
    if (frame::CheckHeader(f, &h) != frame::HeaderCheck::kGood || h.length != kScopeBlockBytes)
        return ScopeFrameCheck::kBadHeader;
    if (frame::crc8Update(f, frame::kHeaderSize, kScopeBlockBytes) != h.dataCrc)
        return ScopeFrameCheck::kBadData;
    return ScopeFrameCheck::kGood;
}

CycleTimeDisplay CycleTimeOf(bool answered, int32_t cycles, int32_t time100us)
{
    return CycleTimeDisplayOf(answered ? double(cycles) / (double(time100us) * 0.0001) : 0.0);
}

CycleTimeDisplay CycleTimeDisplayOf(double f)
{
    CycleTimeDisplay d;
    if (!std::isfinite(f) || f <= 0)
        f = 0; // no measuring time, or a negative count: nothing was measured
    d.frequencyHz = f;
    d.frequencyPrecision = f > 1000 ? 0 : f > 1 ? 1 : 2;
    d.cycleTimePrecision = f > 10000 ? 6 : f > 1 ? 3 : 0;
    d.cycleTimeMs = f > 0 ? 1000.0 / f : 0.0;
    return d;
}

int GetCycleTime()
{
    AppState.OrderNumber = frame::kOrderCycleTime;
    FillTxBuf(frame::kOrderCycleTime, 0, 0);
    const int result = DataExchange(frame::kHeaderSize);
    const bool answered = result == 1 && AppState.RxHeader.length >= kCycleTimeAnswerBytes;
    const uint8_t *p = AppState.RxBuffer + frame::kHeaderSize;
    const CycleTimeDisplay d =
        CycleTimeOf(answered, answered ? GetI32(p) : 0, answered ? GetI32(p + 4) : 0);
    SetCtrlAttribute(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_FREQ, ATTR_PRECISION,
                     d.frequencyPrecision);
    SetCtrlAttribute(AppState.TabScope, TABP_SCOPE_NUMERIC_CYCLE_TIME, ATTR_PRECISION,
                     d.cycleTimePrecision);
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_FREQ, d.frequencyHz);
    CycleTimeMs = d.cycleTimeMs;
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_CYCLE_TIME, CycleTimeMs);
    return result;
}

int StartScopeCapture(const ScopeRequest &request)
{
    PackScopeRequest(request, AppState.TxFrame + frame::kHeaderSize);
    AppState.OrderNumber = frame::kOrderScope;
    FillTxBuf(frame::kOrderScope, 1, kScopeRequestBytes);
    if (DataExchange(frame::kHeaderSize + kScopeRequestBytes) != 1)
        return -1;
    AppState.ScanRunning = 1;
    return 1;
}

int ReceiveScopeBlocks(const ScopeRequest &request, ScopeTracesRec *traces, double deadline)
{
    return AppState.ComProtocol == 1 ? ReceiveBlocksTcp(request, traces, deadline)
                                     : ReceiveBlocksRs232(request, traces, deadline);
}

int GetScopeData()
{
    const ScopeRequest request = ReadScopeRequest();
    if (StartScopeCapture(request) != 1)
        return -1;
    SetCtrlAttribute(AppState.TabScope, TABP_SCOPE_BUTTON_BREAK_SCAN, ATTR_DIMMED, 0);

    // The capture replaces the shown traces only when all four blocks are good, so a re-plot
    // never mixes two captures.
    ScopeTracesRec captured = ScopeTraces;
    const int result = ReceiveScopeBlocks(request, &captured);
    if (result != 1)
        return result;
    AppState.ScanRunning = 0;
    ScopeTraces = captured;
    NoteScopeCaptureTaken(request);
    PlotScopeSignals();
    PlotDigitalLines();
    return 1;
}

void PlotScopeTraces()
{
    PlotScopeSignals();
    PlotDigitalLines();
}

int BreakDataScan()
{
    AppState.OrderNumber = frame::kOrderScope;
    FillTxBuf(frame::kOrderScope, 0, 0);
    const int result = DataExchange(frame::kHeaderSize);
    AppState.ScanRunning = 0;
    return result;
}

void PlotScopeSignals()
{
    int selected = 0;
    GetCtrlVal(AppState.ScopePanel, SCOPEP_RING_SCOPE_SIGNAL, &selected);
    DeleteGraphPlot(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, -1);
    PlotScopeReference(selected); // under the capture
    // Before any capture there is nothing to draw but a reference.
    const bool shown = ScopeCaptureShown();
    if (shown && (selected == 0 || selected == 1))
        PlotTrace(SCOPEP_GRAPH_SCOPE, ScopeTraces.Ch0Trace, kColorCh0, "CH0");
    if (shown && (selected == 0 || selected == 2))
        PlotTrace(SCOPEP_GRAPH_SCOPE, ScopeTraces.Ch1Trace, kColorCh1, "CH1");
    if (shown && (selected == 0 || selected == 3))
        PlotTrace(SCOPEP_GRAPH_SCOPE, ScopeTraces.SigTrace, kColorSig, "SIG");
    calcScopDeltaXY(); // the readouts between the cursors follow the traces shown
}

int CBF_ButtonGetCycleTime(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpGetCycleTime);
    } else if (event == EVENT_COMMIT) {
        SetButtonsDimmed(0, 1);
        GetCycleTime();
        calcScopDeltaXY();
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_ButtonScan(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpScan);
    } else if (event == EVENT_COMMIT && !AppState.ScanRunning) {
        SetButtonsDimmed(0, 1);
        SetCtrlAttribute(AppState.ScopePanel, SCOPEP_TEXTMSG_SCAN_RUNNING, ATTR_VISIBLE, 1);
        ShowChildPanelDisp(AppState.ScopePanel);
        if (GetScopeData() == 1)
            ShowStatus(kStatusScanDone);
        SetCtrlAttribute(AppState.ScopePanel, SCOPEP_TEXTMSG_SCAN_RUNNING, ATTR_VISIBLE, 0);
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_ButtonBreakScan(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpBreak);
    } else if (event == EVENT_COMMIT) {
        SetButtonsDimmed(0, 1);
        BreakDataScan();
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_EditTriggerMode(int panel, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpTriggerMode);
    } else if (event == EVENT_COMMIT) {
        int mode = 0;
        GetCtrlVal(panel, control, &mode);
        const int levelDimmed = (mode == 1 || mode == 2) ? 0 : 1;
        const int preDimmed = mode == 0 ? 1 : 0;
        DimForReason(panel, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL, levelDimmed, kWhyLevelUnused);
        DimForReason(panel, TABP_SCOPE_NUMERIC_PRE_TRIGGER, preDimmed, kWhySingleShot);
    }
    return 0;
}

int CBF_EditTriggerLevel(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpTriggerLevel);
    return 0;
}

int CBF_EditPreTrigVal(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpPreTrigger);
    return 0;
}

int CBF_EditScanRate(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpScanRate);
    else if (event == EVENT_COMMIT)
        calcScopDeltaXY(); // delta X is counted in scan-rate cycles
    return 0;
}

int CBF_DispScanFreq(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpScanFreq);
    return 0;
}

int CBF_EditScopeSignal(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpScopeSignal);
    else if (event == EVENT_COMMIT)
        PlotScopeSignals();
    return 0;
}

void InstallScopeCallbacks()
{
    const int page = AppState.TabScope;
    InstallCtrlCallback(page, TABP_SCOPE_BUTTON_GET_CYCLE_TIME, CBF_ButtonGetCycleTime, nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_BUTTON_SCAN, CBF_ButtonScan, nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_BUTTON_BREAK_SCAN, CBF_ButtonBreakScan, nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_RING_TRIGGER_MODE, CBF_EditTriggerMode, nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL, CBF_EditTriggerLevel, nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_NUMERIC_PRE_TRIGGER, CBF_EditPreTrigVal, nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_NUMERIC_SCAN_RATE, CBF_EditScanRate, nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_NUMERIC_SCAN_FREQ, CBF_DispScanFreq, nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_NUMERIC_CYCLE_TIME, CBF_DispScanFreq, nullptr);
    InstallCtrlCallback(AppState.ScopePanel, SCOPEP_RING_SCOPE_SIGNAL, CBF_EditScopeSignal,
                        nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_BUTTON_SAVE_CAPTURE, CBF_ButtonSaveScopeCapture,
                        nullptr);
    InstallCtrlCallback(page, TABP_SCOPE_BUTTON_LOAD_CAPTURE, CBF_ButtonLoadScopeCapture,
                        nullptr);
    for (int c :
         {TABP_SCOPE_BUTTON_GET_CYCLE_TIME, TABP_SCOPE_BUTTON_SCAN, TABP_SCOPE_BUTTON_BREAK_SCAN})
        RegisterOperationControl(&AppState.TabScope, c);
    ForgetShownScopeCapture();
    InstallScopeReferenceCallbacks();
    InstallScopeDisplayCallbacks();
}
