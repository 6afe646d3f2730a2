// The printed scope report: built item by item on the layer's report facility, the capture drawn
// as lines (sharp on paper) with the settings it was taken with, the sensor it came from and the
// cursor readings.
#include "scope/display.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "scope/capture.h"
#include "scope/capture_doc.h"
#include "scope/capture_file.h"
#include "scope/reference.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

const Msg kMsgReportFailed{"Report konnte nicht initialisiert werden...",
                           "Could not initialize Reports..."};
const Msg kMsgReportTitle{"Screenshot des Scope-Bildschirms.", "Scope Screen Shot"};
const Msg kMsgPanelId{"Fenster ID:", "Panel ID: "};
const Msg kMsgComment{"Kommentar:", "Comment:"};
const Msg kMsgPageOf{"Seite <page> von <pages>", "Page <page> of <pages>"};
const Msg kMsgPrintDone{"Ausdruck erfolgreich!", "Print successful!"};
const Msg kMsgPrintFailed{"Druckfehler!", "Print error!"};
const Msg kMsgReportSettings{"Einstellungen", "Settings"};
const Msg kMsgReportMeasure{"Cursor-Messung", "Cursor measurement"};
const Msg kMsgTriggerMode{"TRIGGER-MODUS", "TRIGGER MODE"};
const Msg kMsgFrequency{"FREQUENZ", "FREQUENCY"};
const Msg kMsgCycleTime{"ZYKLUSZEIT", "CYCLE TIME"};
const Msg kMsgFirmware{"Firmware", "Firmware"};
const Msg kMsgSensorName{"Sensor", "Sensor"};
const Msg kMsgSerialNumber{"Seriennummer", "Serial number"};
const Msg kMsgPanelIdLabel{"Fenster ID", "Panel ID"};
const Msg kMsgCaptureDate{"Aufgenommen", "Captured"};
const Msg kMsgReportMeasureSignal{"MIN / MAX / MITTEL", "MIN / MAX / MEAN"};
const Msg kMsgReportDifference{"AKTUELL - REF (CURSOR ", "CURRENT - REF (CURSOR "};
const Msg kMsgNotMeasured{"nicht gemessen", "not measured"};
const Msg kMsgUnknown{"unbekannt", "unknown"};
const Msg kMsgTimeAxis{"Zeit [ms]", "Time [ms]"};
const Msg kMsgSampleAxis{"ABTASTWERT (Zykluszeit nicht gemessen)",
                         "SAMPLE (cycle time not measured)"};

namespace {

constexpr const char *kReportFont = "Arial";
constexpr int kTitlePoints = 20;
constexpr int kTextPoints = 10;

// At most `chars` characters of UTF-8 text, never cut inside a character.
std::string FirstChars(const std::string &text, int chars)
{
    size_t i = 0;
    for (int n = 0; i < text.size(); ++i) {
        if ((uint8_t(text[i]) & 0xC0) != 0x80 && n++ == chars)
            break;
    }
    return text.substr(0, i);
}

std::string Format(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

int ReadInt(int panel, int control)
{
    int v = 0;
    GetCtrlVal(panel, control, &v);
    return v;
}

// The sensor the capture shown came from: the file's for a loaded capture, the sensor's at the
// time for one taken; the connected sensor's while no capture is shown.
struct Identity {
    std::string firmware, name, panelId, date;
    long serial = -1;
};
Identity ShownIdentity()
{
    if (!ScopeCaptureShown())
        return {AppState.FirmwareId, AppState.SensorName, AppState.SensorId, "",
                AppState.SensorSerial};
    const ScopeCapture c = ShownScopeCapture();
    return {c.firmware, c.sensorName, c.panelId, c.date, c.serial};
}

// The capture's settings and the sensor's identity, as label and value pairs.
std::vector<std::pair<std::string, std::string>> SettingsPairs()
{
    const int page = AppState.TabScope;
    int mode = 0;
    std::string modeLabel;
    GetCtrlIndex(page, TABP_SCOPE_RING_TRIGGER_MODE, &mode);
    GetLabelFromIndex(page, TABP_SCOPE_RING_TRIGGER_MODE, mode, &modeLabel);
    const double frequency = CycleTimeMs > 0 ? 1000.0 / CycleTimeMs : 0.0;
    // The precisions of the page's displays.
    const int fPrecision = frequency > 1000 ? 0 : frequency > 1 ? 1 : 2;
    const int tPrecision = frequency > 10000 ? 6 : frequency > 1 ? 3 : 0;
    const std::string unknown = Tr(kMsgUnknown);
    const auto orUnknown = [&](const std::string &text) { return text.empty() ? unknown : text; };
    const Identity id = ShownIdentity();
    std::vector<std::pair<std::string, std::string>> pairs = {
        {Tr(kMsgTriggerMode), modeLabel},
        {"TRIGGER LEVEL", std::to_string(int16_t(ReadInt(page, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL)))},
        {"PRE-TRIGGER", std::to_string(int16_t(ReadInt(page, TABP_SCOPE_NUMERIC_PRE_TRIGGER)))},
        {"SCAN RATE", std::to_string(int16_t(ReadInt(page, TABP_SCOPE_NUMERIC_SCAN_RATE)))},
        {Tr(kMsgFrequency),
         CycleTimeMs > 0 ? Format(("%." + std::to_string(fPrecision) + "f Hz").c_str(), frequency)
                         : std::string(Tr(kMsgNotMeasured))},
        {Tr(kMsgCycleTime),
         CycleTimeMs > 0 ? Format(("%." + std::to_string(tPrecision) + "f ms").c_str(), CycleTimeMs)
                         : std::string(Tr(kMsgNotMeasured))},
        {Tr(kMsgFirmware), orUnknown(id.firmware)},
        {Tr(kMsgSensorName), orUnknown(id.name)},
        {Tr(kMsgSerialNumber), id.serial >= 0 ? std::to_string(id.serial) : unknown},
    };
    if (!id.panelId.empty())
        pairs.push_back({Tr(kMsgPanelIdLabel), id.panelId});
    if (!id.date.empty())
        pairs.push_back({Tr(kMsgCaptureDate), id.date});
    return pairs;
}

// Where each cursor stands and how far apart they are, as the panel's displays show it.
std::vector<std::pair<std::string, std::string>> CursorPairs()
{
    const int panel = AppState.ScopePanel;
    const int16_t scanRate = int16_t(ReadInt(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE));
    const double msPerSample = CycleTimeMs * scanRate;
    std::vector<std::pair<std::string, std::string>> pairs;
    double x[2] = {}, y[2] = {};
    for (int i = 0; i < 2; ++i) {
        GetGraphCursor(panel, SCOPEP_GRAPH_SCOPE, i + 1, &x[i], &y[i]);
        std::string where = Format("%.1f", x[i]);
        if (msPerSample > 0)
            where = Format("%.3f ms", x[i] * msPerSample) + " (" + where + ")";
        pairs.push_back(
            {"Cursor " + std::to_string(i + 1), where + ", " + Format("%.0f digit", y[i])});
    }
    const ScopeDelta d = ScopeDeltaOf(x[0], y[0], x[1], y[1], CycleTimeMs, scanRate);
    pairs.push_back({"DELTA X", Format(("%." + std::to_string(d.deltaXPrecision) + "f ms").c_str(),
                                       d.deltaXMs)});
    pairs.push_back(
        {"DELTA Y", std::to_string(d.dy) + " digit, " + Format("%.4f V", d.deltaYVolts)});
    const CursorReadouts r = CursorReadoutsNow();
    static const char *const kSignals[] = {"CH0", "CH1", "SIG"};
    pairs.push_back({"1/DELTA X", r.frequency});
    pairs.push_back({std::string(Tr(kMsgReportMeasureSignal)) + " " + kSignals[r.signal % 3],
                     r.stats.minimum + " / " + r.stats.maximum + " / " + r.stats.mean});
    if (r.reference) {
        pairs.push_back({Tr(kMsgReportReference), ScopeReferenceTitle()});
        for (int i = 0; i < 2; ++i)
            pairs.push_back(
                {Tr(kMsgReportDifference) + std::to_string(i + 1) + ")", r.difference[i]});
    }
    return pairs;
}

} // namespace

// The capture as the scope graph shows it in `view`: the analog traces the selector shows in
// their colours over the x range shown, the four digital lines as lanes, both cursors; x in
// milliseconds once the cycle time is known.
ReportChart ScopeCaptureChart(const ScopeCapture &capture, const ScopeChartView &view)
{
    ReportChart c;
    const double msPerSample = capture.cycleTimeMs * capture.request.ScanRate;
    c.xPerSample = msPerSample > 0 ? msPerSample : 1;
    c.xName = msPerSample > 0 ? Tr(kMsgTimeAxis) : Tr(kMsgSampleAxis);
    c.yName = "DIGIT";
    c.xMin = view.xMin;
    c.xMax = view.xMax;
    c.yMin = view.yMin;
    c.yMax = view.yMax;
    const ScopeTracesRec &traces = capture.traces;
    const struct {
        const char *name;
        int color;
        const ScopeTrace *trace;
        int selector;
    } analog[] = {{"CH0", 0xFF0000, &traces.Ch0Trace, 1},
                  {"CH1", 0x00C000, &traces.Ch1Trace, 2},
                  {"SIG", 0x808000, &traces.SigTrace, 3}};
    // A reference laid is drawn first, under the capture, dashed as on the panel.
    if (const ScopeCapture *reference = view.reference) {
        const ScopeTrace *refTraces[] = {&reference->traces.Ch0Trace, &reference->traces.Ch1Trace,
                                         &reference->traces.SigTrace};
        for (int signal = 0; signal < 3; ++signal) {
            if (view.signal != 0 && view.signal != signal + 1)
                continue;
            const ReferenceLook look = ReferenceLookOf(signal);
            ReportTrace t;
            t.name = look.name;
            t.color = look.color;
            t.lineStyle = VAL_DASH;
            t.y.assign(refTraces[signal]->begin(), refTraces[signal]->end());
            c.traces.push_back(std::move(t));
        }
    }
    for (const auto &a : analog) {
        if (view.signal != 0 && view.signal != a.selector)
            continue;
        ReportTrace t;
        t.name = a.name;
        t.color = a.color;
        t.y.assign(a.trace->begin(), a.trace->end());
        c.traces.push_back(std::move(t));
    }
    // Top to bottom as on the panel: IN0 (bit 8), IN1 (bit 9), OUT0 (bit 0), OUT1 (bit 1).
    const struct {
        const char *name;
        int bit;
    } lanes[] = {{"IN0", 8}, {"IN1", 9}, {"OUT0", 0}, {"OUT1", 1}};
    for (const auto &l : lanes) {
        ReportLane lane;
        lane.name = l.name;
        for (int16_t word : traces.StatusTrace)
            lane.high.push_back((uint16_t(word) >> l.bit) & 1);
        c.lanes.push_back(std::move(lane));
    }
    for (int i = 0; i < 2; ++i)
        c.cursors.push_back({"Cursor " + std::to_string(i + 1), capture.cursorX[i]});
    c.heightMm = 125;
    return c;
}

// The capture on the scope panel as the panel shows it, read with the page's scan rate and the
// graph's axes, selector and cursors.
ReportChart ScopeChart()
{
    const int panel = AppState.ScopePanel;
    ScopeCapture capture;
    capture.cycleTimeMs = CycleTimeMs;
    capture.request.ScanRate = int16_t(ReadInt(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE));
    capture.traces = ScopeTraces;
    for (int i = 0; i < 2; ++i)
        GetGraphCursor(panel, SCOPEP_GRAPH_SCOPE, i + 1, &capture.cursorX[i], &capture.cursorY[i]);
    ScopeChartView view;
    int mode = 0;
    GetAxisScalingMode(panel, SCOPEP_GRAPH_SCOPE, VAL_BOTTOM_XAXIS, &mode, &view.xMin, &view.xMax);
    GetAxisScalingMode(panel, SCOPEP_GRAPH_SCOPE, VAL_LEFT_YAXIS, &mode, &view.yMin, &view.yMax);
    GetCtrlVal(panel, SCOPEP_RING_SCOPE_SIGNAL, &view.signal);
    view.reference = ScopeReference();
    return ScopeCaptureChart(capture, view);
}

void SelectPrinter(char *name)
{
    PrinterSelectPopup(name, kPrinterNameSize);
}

void PrintScopeGraph()
{
    const int report = NewReport();
    if (report < 0) {
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgReportFailed));
        return;
    }
    SetReportField(report, REPORT_HEADER_LEFT, "<date>");
    SetReportField(report, REPORT_HEADER_RIGHT, "<time>");
    SetReportField(report, REPORT_FOOTER_CENTER, Tr(kMsgPageOf));

    AppendReportText(report, Tr(kMsgReportTitle), kReportFont, kTitlePoints);
    AppendReportText(report, kScopeTitle, kReportFont, kTextPoints);
    if (const std::string panelId = ShownIdentity().panelId; !panelId.empty())
        AppendReportText(report, (std::string(Tr(kMsgPanelId)) + panelId).c_str(), kReportFont,
                         kTextPoints);
    AppendReportText(report, "", kReportFont, kTextPoints);
    const std::string comment = FirstChars(
        GetCtrlText(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT), kScopeCommentChars);
    if (!comment.empty()) {
        AppendReportText(report, Tr(kMsgComment), kReportFont, kTextPoints);
        AppendReportText(report, comment.c_str(), kReportFont, kTextPoints);
        AppendReportText(report, "", kReportFont, kTextPoints);
    }

    // The capture drawn as lines rather than the panel's picture: sharp at the printer's
    // resolution, with a time axis, and without the panel's buttons.
    AppendReportText(report, Tr(kMsgReportSettings), kReportFont, kTextPoints);
    AppendReportPairs(report, SettingsPairs(), 2, kTextPoints - 1);
    AppendReportText(report, "", kReportFont, kTextPoints);
    AppendReportChart(report, ScopeChart());
    AppendReportText(report, Tr(kMsgReportMeasure), kReportFont, kTextPoints);
    AppendReportPairs(report, CursorPairs(), 2, kTextPoints - 1);

    char printer[kPrinterNameSize] = "";
    SelectPrinter(printer);
    if (printer[0] == '\0') {
        DiscardReport(report);
        return;
    }
    const int result = PrintReport(report, printer);
    ShowStatus(result == 0 ? kMsgPrintDone : kMsgPrintFailed, printer);
    MessagePopup(Tr(kMsgInfoTitle), Tr(result == 0 ? kMsgPrintDone : kMsgPrintFailed));
    DiscardReport(report);
}
