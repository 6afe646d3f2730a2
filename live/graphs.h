// The signal graphs: the two live strip charts of the data panel (REF, SIG, switching thresholds
// and hysteresis; CH0 and CH1) fed from buffers of the last 100 frames, and the graph panel with
// one XY graph per signal that the recorder adds a segment to for every recorded frame.
#pragma once

#include <cstdint>

inline constexpr int kLiveSamples = 100;
inline constexpr int kEvalTraces = 6;   // REF, SIG, threshold A, threshold B, hysteresis A, B
inline constexpr int kAnalogTraces = 2; // CH0, CH1
inline constexpr int kEvalBufferSize = kLiveSamples * kEvalTraces;     // 600
inline constexpr int kAnalogBufferSize = kLiveSamples * kAnalogTraces; // 200
inline constexpr int kLivePointsPerScreen = kLiveSamples + 1;
inline constexpr int kSignalLimit = 4095;

// The switching threshold and hysteresis lines drawn around REF. `tol` and `hys` are the
// distances (digits, or percent of REF truncated toward zero when `calc` is 1); the lines are
// R + distance limited to 4095 and R - distance limited to 0, assigned by the threshold mode:
// LOW both lines of a pair at the lower value, HIGH both at the upper, WIN (and above) upper as A
// and lower as B.
struct ThresholdLines {
    int tol = 0, hys = 0;
    int thresholdA = 0, thresholdB = 0;
    int hysteresisA = 0, hysteresisB = 0;
};
ThresholdLines CalcThresholdLines(int16_t ref, uint16_t mode, uint16_t calc, uint16_t tolerance,
                                  uint16_t hysteresis);

// Pushes the current DataFrame into both live buffers, with the threshold parameters read from
// the threshold page into the parameter record.
void InitGraphBuffers();
// The same in two steps, for a loop that adds frames faster than the operator can change the
// threshold page: reads the page into the parameter record, and adds the current DataFrame with
// the parameters as last read.
void ReadThresholdParameters();
void AddFrameToGraphBuffers();
// Redraws the evaluation-signal chart and then the analog-channel chart from their buffers.
void PlotLiveCharts();
// The buffers, oldest sample first, traces interleaved.
const double *EvalBuffer();
const double *AnalogBuffer();

// The graph panel.
void InitPanelGraph();    // clears the four graphs and restarts the frame count
void SetPanelGraphData(); // adds the current DataFrame as the next segment of each graph
// Shows the graph panel's numbers and graphs as stale (greyed) or live; SetPanelGraphData makes
// them live again.
void SetSignalGraphsStale(bool stale);
void SetGraphVisible();   // shows the graph chosen by SIGNAL (CH0 for an unknown value)

// Back to the state of a fresh start (zero buffers, graph panel counter 0), for tests.
void ResetLiveGraphs();

int CBF_GraphAnaCha(int panel, int control, int event, void *, int, int);
int CBF_GraphEvalSig(int panel, int control, int event, void *, int, int);
int CBF_ButtonShowGraph(int panel, int control, int event, void *, int, int);
int CBF_ButtonCloseGP(int panel, int control, int event, void *, int, int);
int CBF_EditSignal(int panel, int control, int event, void *, int, int);
int CBF_PanelGraphGraph(int panel, int control, int event, void *, int, int);
int CBF_GRAPHP(int panel, int event, void *, int, int);

void InstallGraphCallbacks();
// Names the live charts' traces in their legends in the current language.
void SetLiveChartLegends();
