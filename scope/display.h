// The scope panel: measuring a capture with the two cursors (delta X in ms, delta Y in digits and
// volts), zooming the analog graph, and the printed report with the panel's image, the sensor's
// identification and the operator's comment.
#pragma once

#include "app/messages.h"
#include "scope/measure.h"

#include <string>

inline constexpr double kScopeFullX = 128.0;    // ZOOM 1:1: x 0..128 samples
inline constexpr double kScopeFullY = 4100.0;   // ZOOM 1:1: y 0..4100 digits
inline constexpr int kScopeCommentChars = 1024; // the longest comment printed
inline constexpr int kPrinterNameSize = 512;

// The cursor distances as the delta displays show them. dx and dy are counted in whole samples
// and digits (each position truncated toward zero); deltaX = dx x cycle time x scan rate in ms,
// shown with 0 digits above 1000 ms, 3 above 1 ms, else 6; volts = dy x 10 / 4096.
struct ScopeDelta {
    int dx = 0;
    int dy = 0;
    double deltaXMs = 0;
    int deltaXPrecision = 6;
    double deltaYVolts = 0;
};
ScopeDelta ScopeDeltaOf(double x1, double y1, double x2, double y2, double cycleTimeMs,
                        int scanRate);

// What the cursors measure beyond the deltas, as the scope panel and the report show it: 1 / delta
// X, the minimum, maximum and mean between the cursors of the signal picked beside them (0 CH0,
// 1 CH1, 2 SIG), and with a reference laid the capture minus the reference at each cursor for
// the traces shown. Texts are "-" where there is nothing to measure (no capture, no time).
struct CursorReadouts {
    std::string frequency = "-";
    int signal = 0;
    CursorStatsTexts stats;
    bool reference = false;
    std::string difference[2] = {"-", "-"};
};
CursorReadouts CursorReadoutsNow();

// Reads the analog graph's cursors, moves the digital graph's cursors to the same x and shows
// the deltas.
void calcScopDeltaXY();
// Back to the whole capture: x 0..128, y 0..4100.
void ZoomScope11();

// The report: title, program name, identification and comment when there are any, and the image
// of the scope panel, printed on the printer the operator picks (or into a PDF file).
void PrintScopeGraph();

struct ScopeCapture;
struct ReportChart;
// What the scope graph shows of a capture: its axes' ranges (x in samples, y in digits) and the
// analog signal its selector picks (0 all, 1 CH0, 2 CH1, 3 SIG).
struct ScopeChartView {
    double xMin = 0, xMax = kScopeFullX, yMin = 0, yMax = kScopeFullY;
    int signal = 0;
    const ScopeCapture *reference = nullptr; // laid under the capture, dashed
};
// The capture as the report draws it: the analog traces of `view` and the four digital lanes
// over the view's ranges, the cursors, x in ms once the cycle time is known (platform/ui.h).
ReportChart ScopeCaptureChart(const ScopeCapture &capture, const ScopeChartView &view);
// The capture on the scope panel as the panel shows it: the chart of the report and of the
// page's pictures.
ReportChart ScopeChart();
// The printout's texts: its failure and success messages, the title, the identification and
// comment labels and the page footer ("<page>" and "<pages>" filled in by the report).
extern const Msg kMsgReportFailed;
extern const Msg kMsgReportTitle;
extern const Msg kMsgPanelId;
extern const Msg kMsgComment;
extern const Msg kMsgPageOf;
extern const Msg kMsgPrintDone;
extern const Msg kMsgPrintFailed;
// The print dialog; on confirmation copies the chosen printer's name (or the PDF file's path)
// into `name` (kPrinterNameSize bytes), on cancel leaves it unchanged.
void SelectPrinter(char *name);

void InstallScopeDisplayCallbacks();

int CBF_SCOPEP(int panel, int event, void *, int, int);
int CBF_GraphScope(int panel, int control, int event, void *, int, int);
int CBF_ButtonZoomScope11(int panel, int control, int event, void *, int, int);
int CBF_DispDeltaX(int panel, int control, int event, void *, int, int);
int CBF_DispDeltaY(int panel, int control, int event, void *, int, int);
int CBF_EditMeasureSignal(int panel, int control, int event, void *, int, int);
int CBF_DispCursorMeasure(int panel, int control, int event, void *, int, int);
int CBF_DispReference(int panel, int control, int event, void *, int, int);
int CBF_ButtonCloseSP(int panel, int control, int event, void *, int, int);
int CBF_EditScopeComment(int panel, int control, int event, void *, int, int);
int CBF_ButtonPrintScopeGraph(int panel, int control, int event, void *, int, int);
