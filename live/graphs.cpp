#include "live/graphs.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "live/data_frame.h"
#include "params/record.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const Msg kHelpGraphAnaCha{
    "Zeigt die Intensitaeten der Analogkanaele \ndie momentan an den Empfaengern detektiert "
    "werden.",
    "Displays the intensity of the analog \nchannels currently arriving at the receiver."};
const Msg kHelpGraphEvalSig{
    "Zeigt das aus den Analogkanaelen \nberechnete Signal (dunkelgelbe Linie). \n\nZeigt "
    "zusaetzlich den Referenzwert zur Kalkulation der Schaltschwelle (blaue gestrichelte Linie), "
    "\ndie Schaltschwelle (rote Linie) und die Schalthysterese (schwarz gestrichelte Linie) an, "
    "wenn DIGITALE AUSWERTUNG aktiv ist. \n\nDoppelklick linke Maustaste auf die Y-Achse startet "
    "einen Auto-Zoom. \nLinksklick skaliert die Y-Achse fest.",
    "Displays the intensity of the evaluation signal (dark yellow line). \n\nDisplays also the "
    "reference value for switching threshold calculation (blue dashed line), \nthe switching "
    "threshold (red line) and the switching hysteresis (black dashed line) if \nDIGITAL OUTMOE "
    "is enable. \n\nLeft mouse double click on the Y-AXIS starts an auto zoom. \nLeft mouse click "
    "scales the Y-AXIS fix."};
const Msg kHelpShowGraph{"Wechselt zu einer graphischen Ansicht fuer jedes Signal.",
                         "Switch to a graphical display for each signal."};
const Msg kHelpCloseGP{"Schliesst PANEL und kehrt zu HAUPT PANEL zurueck.",
                       "Close PANEL and return to MAIN PANEL."};
const Msg kHelpEditSignal{"Signal das im Graph angezeigt werden soll auswaehlen.",
                          "Select Signal to be displayed in the graph."};
const Msg kHelpPanelGraph{"Zeigt die ausgewaehlten Signale mit SIGNAL an.",
                          "Displays the signals selected with SIGNAL."};

constexpr double kFixedYMax = 4096.0;
constexpr double kGraphXSpan = 100.0; // the graph panel's x axis shows at least this many frames

// Oldest sample first; never reallocated.
double gEval[kEvalBufferSize];
double gAnalog[kAnalogBufferSize];

// The graph panel: one polyline per signal, continued by every recorded frame.
struct SignalGraph {
    int control;
    int color;
    int16_t DataFrameRec::*field;
    const char *name;
};
constexpr SignalGraph kSignalGraphs[] = {
    {GRAPHP_GRAPH_CH0, VAL_RED, &DataFrameRec::Ch0, "CH0"},
    {GRAPHP_GRAPH_CH1, VAL_GREEN, &DataFrameRec::Ch1, "CH1"},
    {GRAPHP_GRAPH_SIG, VAL_DK_YELLOW, &DataFrameRec::Sig, "SIG"},
    {GRAPHP_GRAPH_TEMP, VAL_DK_CYAN, &DataFrameRec::Temp, "TEMP"},
};

// The live charts' legends, in the words of the evaluation chart's help text: the two threshold
// traces are one red line, the two hysteresis traces one black dashed line.
const Msg kLegendThreshold{"SCHALTSCHWELLE", "THRESHOLD"};
const Msg kLegendHysteresis{"SCHALTHYSTERESE", "HYSTERESIS"};
constexpr int kSignalGraphCount = 4;
constexpr int kSignalDisplays[kSignalGraphCount] = {GRAPHP_NUMERIC_CH0, GRAPHP_NUMERIC_CH1,
                                                    GRAPHP_NUMERIC_SIG, GRAPHP_NUMERIC_TEMP};

// x of the previous and the current segment end, and each signal's previous and current value.
// The count is wider than 16 bits so that a long recording never folds back onto x = 0.
uint32_t gGraphX[2] = {};
int16_t gGraphValue[kSignalGraphCount][2] = {};
uint32_t gGraphCount = 0;

void Replot(int panel, int control, const double *buffer, int count)
{
    // A fresh screen of 101 points holds exactly the 100 buffered samples.
    SetCtrlAttribute(panel, control, ATTR_POINTS_PER_SCREEN, kLivePointsPerScreen);
    ClearStripChart(panel, control);
    PlotStripChart(panel, control, buffer, count);
}

void SetBothChartsScaling(int mode)
{
    SetAxisScalingMode(AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG, VAL_LEFT_YAXIS, mode,
                       0.0, kFixedYMax);
    SetAxisScalingMode(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA, VAL_LEFT_YAXIS, mode, 0.0,
                       kFixedYMax);
}

int ChartCallback(int event, const Msg &help)
{
    switch (event) {
    case EVENT_LEFT_CLICK: SetBothChartsScaling(VAL_MANUAL); break;
    case EVENT_LEFT_DOUBLE_CLICK: SetBothChartsScaling(VAL_AUTOSCALE); break;
    case EVENT_RIGHT_CLICK: ShowHelp(help); break;
    default: break;
    }
    return 0;
}

int HelpOnly(int event, const Msg &help)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(help);
    return 0;
}

} // namespace

ThresholdLines CalcThresholdLines(int16_t ref, uint16_t mode, uint16_t calc, uint16_t tolerance,
                                  uint16_t hysteresis)
{
    // Plain int arithmetic: a relative tolerance of some hundred percent of REF must not wrap
    // around 16 bits and put the lines on the wrong side of the signal.
    ThresholdLines l;
    const int r = ref;
    l.tol = calc == 1 ? tolerance * r / 100 : tolerance;
    l.hys = calc == 1 ? hysteresis * r / 100 : hysteresis;
    const int upperTol = std::min(r + l.tol, kSignalLimit);
    const int upperHys = std::min(r + l.hys, kSignalLimit);
    const int lowerTol = std::max(r - l.tol, 0);
    const int lowerHys = std::max(r - l.hys, 0);
    l.thresholdA = mode != 0 ? upperTol : lowerTol;
    l.thresholdB = mode == 1 ? upperTol : lowerTol;
    l.hysteresisA = mode != 0 ? upperHys : lowerHys;
    l.hysteresisB = mode == 1 ? upperHys : lowerHys;
    return l;
}

void ReadThresholdParameters()
{
    const int page = AppState.TabThreshold;
    GetCtrlVal(page, TABP_THRESHOLD_RING_THRESHOLD_MODE, &Parameters.ThresholdMode);
    GetCtrlVal(page, TABP_THRESHOLD_RING_THRESHOLD_CALC, &Parameters.ThresholdCalc);
    GetCtrlVal(page, TABP_THRESHOLD_NUMERIC_TOLERANCE, &Parameters.Tolerance);
    GetCtrlVal(page, TABP_THRESHOLD_NUMERIC_HYSTERESIS, &Parameters.Hysteresis);
}

void InitGraphBuffers()
{
    ReadThresholdParameters();
    AddFrameToGraphBuffers();
}

void AddFrameToGraphBuffers()
{
    const ThresholdLines l =
        CalcThresholdLines(DataFrame.Ref, Parameters.ThresholdMode, Parameters.ThresholdCalc,
                           Parameters.Tolerance, Parameters.Hysteresis);

    std::memmove(gEval, gEval + kEvalTraces, sizeof(double) * (kEvalBufferSize - kEvalTraces));
    double *e = gEval + kEvalBufferSize - kEvalTraces;
    e[0] = DataFrame.Ref;
    e[1] = DataFrame.Sig;
    e[2] = l.thresholdA;
    e[3] = l.thresholdB;
    e[4] = l.hysteresisA;
    e[5] = l.hysteresisB;

    std::memmove(gAnalog, gAnalog + kAnalogTraces,
                 sizeof(double) * (kAnalogBufferSize - kAnalogTraces));
    gAnalog[kAnalogBufferSize - 2] = DataFrame.Ch0;
    gAnalog[kAnalogBufferSize - 1] = DataFrame.Ch1;
}

void PlotLiveCharts()
{
    Replot(AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG, gEval, kEvalBufferSize);
    Replot(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA, gAnalog, kAnalogBufferSize);
}

const double *EvalBuffer()
{
    return gEval;
}

const double *AnalogBuffer()
{
    return gAnalog;
}

void InitPanelGraph()
{
    gGraphCount = 0;
    for (const SignalGraph &g : kSignalGraphs) {
        DeleteGraphPlot(AppState.GraphPanel, g.control, -1);
        SetAxisScalingMode(AppState.GraphPanel, g.control, VAL_BOTTOM_XAXIS, VAL_MANUAL, 0.0,
                           kGraphXSpan);
    }
    gGraphX[0] = gGraphX[1] = 0;
    for (int i = 0; i < kSignalGraphCount; ++i)
        gGraphValue[i][0] = gGraphValue[i][1] = DataFrame.*kSignalGraphs[i].field;
}

void SetSignalGraphsStale(bool stale)
{
    int shown = 0; // all of them change together: the first tells
    GetCtrlAttribute(AppState.GraphPanel, kSignalDisplays[0], ATTR_STALE, &shown);
    if ((shown != 0) == stale)
        return;
    for (int i = 0; i < kSignalGraphCount; ++i) {
        SetCtrlAttribute(AppState.GraphPanel, kSignalDisplays[i], ATTR_STALE, stale ? 1 : 0);
        SetCtrlAttribute(AppState.GraphPanel, kSignalGraphs[i].control, ATTR_STALE, stale ? 1 : 0);
    }
}

void SetPanelGraphData()
{
    SetSignalGraphsStale(false);
    for (int i = 0; i < kSignalGraphCount; ++i)
        SetCtrlVal(AppState.GraphPanel, kSignalDisplays[i], int(DataFrame.*kSignalGraphs[i].field));
    gGraphX[0] = gGraphX[1];
    gGraphX[1] = gGraphCount;
    for (int i = 0; i < kSignalGraphCount; ++i) {
        const int16_t now = DataFrame.*kSignalGraphs[i].field;
        gGraphValue[i][0] = gGraphCount == 0 ? now : gGraphValue[i][1];
        gGraphValue[i][1] = now;
        const double x[2] = {double(gGraphX[0]), double(gGraphX[1])};
        const double y[2] = {double(gGraphValue[i][0]), double(gGraphValue[i][1])};
        const int plot =
            PlotXY(AppState.GraphPanel, kSignalGraphs[i].control, x, y, 2, kSignalGraphs[i].color);
        SetPlotName(AppState.GraphPanel, kSignalGraphs[i].control, plot, kSignalGraphs[i].name);
    }
    // The x axis grows with the recording, 100 frames at a time, from frame 0 on.
    const double xMax = std::ceil(std::max(1.0, double(gGraphX[1])) / kGraphXSpan) * kGraphXSpan;
    for (const SignalGraph &g : kSignalGraphs) {
        int mode = 0;
        double lo = 0, hi = 0;
        GetAxisScalingMode(AppState.GraphPanel, g.control, VAL_BOTTOM_XAXIS, &mode, &lo, &hi);
        if (lo != 0.0 || hi != xMax)
            SetAxisScalingMode(AppState.GraphPanel, g.control, VAL_BOTTOM_XAXIS, VAL_MANUAL, 0.0,
                               xMax);
    }
    ++gGraphCount;
}

void SetGraphVisible()
{
    int signal = 0;
    GetCtrlVal(AppState.GraphPanel, GRAPHP_RING_SIGNAL, &signal);
    if (signal < 0 || signal >= kSignalGraphCount)
        signal = 0;
    for (const SignalGraph &g : kSignalGraphs)
        SetCtrlAttribute(AppState.GraphPanel, g.control, ATTR_VISIBLE, 0);
    SetCtrlAttribute(AppState.GraphPanel, kSignalGraphs[signal].control, ATTR_VISIBLE, 1);
}

void ResetLiveGraphs()
{
    std::fill(std::begin(gEval), std::end(gEval), 0.0);
    std::fill(std::begin(gAnalog), std::end(gAnalog), 0.0);
    gGraphCount = 0;
    gGraphX[0] = gGraphX[1] = 0;
    for (auto &pair : gGraphValue)
        pair[0] = pair[1] = 0;
}

int CBF_GraphAnaCha(int, int, int event, void *, int, int)
{
    return ChartCallback(event, kHelpGraphAnaCha);
}

int CBF_GraphEvalSig(int, int, int event, void *, int, int)
{
    return ChartCallback(event, kHelpGraphEvalSig);
}

int CBF_ButtonShowGraph(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        ShowChildPanelDisp(AppState.GraphPanel);
    return HelpOnly(event, kHelpShowGraph);
}

int CBF_ButtonCloseGP(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        ShowChildPanelDisp(AppState.DataPanel);
    return HelpOnly(event, kHelpCloseGP);
}

int CBF_EditSignal(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        SetGraphVisible();
    return HelpOnly(event, kHelpEditSignal);
}

int CBF_PanelGraphGraph(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpPanelGraph);
}

int CBF_GRAPHP(int, int, void *, int, int)
{
    return 0;
}

void SetLiveChartLegends()
{
    const int eval = TABP_DATA1_STRIPCHART_EVAL_SIG;
    const char *names[kEvalTraces] = {"REF",
                                      "SIG",
                                      Tr(kLegendThreshold),
                                      Tr(kLegendThreshold),
                                      Tr(kLegendHysteresis),
                                      Tr(kLegendHysteresis)};
    for (int t = 0; t < kEvalTraces; ++t)
        SetTraceName(AppState.DataPage1, eval, t, names[t]);
    SetTraceName(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA, 0, "CH0");
    SetTraceName(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA, 1, "CH1");
}

void InstallGraphCallbacks()
{
    InstallCtrlCallback(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA, CBF_GraphAnaCha,
                        nullptr);
    InstallCtrlCallback(AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG, CBF_GraphEvalSig,
                        nullptr);
    InstallCtrlCallback(AppState.TabRecorder, TABP_RECORDER_BUTTON_SHOW_GRAPH, CBF_ButtonShowGraph,
                        nullptr);
    InstallPanelCallback(AppState.GraphPanel, CBF_GRAPHP, nullptr);
    InstallCtrlCallback(AppState.GraphPanel, GRAPHP_BUTTON_CLOSE, CBF_ButtonCloseGP, nullptr);
    InstallCtrlCallback(AppState.GraphPanel, GRAPHP_RING_SIGNAL, CBF_EditSignal, nullptr);
    for (const SignalGraph &g : kSignalGraphs)
        InstallCtrlCallback(AppState.GraphPanel, g.control, CBF_PanelGraphGraph, nullptr);
    SetLiveChartLegends();
}
