#include "scope/display.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "scope/capture.h"
#include "scope/capture_doc.h"
#include "scope/reference.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

// Where the cursors stand before the operator moves them: a quarter and three quarters in.
constexpr double kCursor1X = 32, kCursor1Y = 1000;
constexpr double kCursor2X = 96, kCursor2Y = 3000;

const Msg kHelpGraphScope{
    "Zeigt Aufzeichnungs-Ergebnisse an. \n\nAktualisiere deltaX und deltaY durch Bewegen des "
    "Cursors. \nZoom in: <Strg>+Linke Maustaste (Ziehen zum Auswaehlen). \nZoom out: ZOOM 1:1 "
    "klicken.",
    "Displays record results.\n\nUpdate display deltaX and deltaY by moving the cursors. \nZoom "
    "in: <Ctrl>+Left Mouse Button (drag to select). \nZoom out: Press ZOOM 1:1."};
const Msg kHelpZoom11{"Zoom in: <Strg>+Linke Maustaste (ziehen zum auswaehlen).\nZoom out: ZOOM "
                      "1:1 klicken.",
                      "Zoom in: <Ctrl>+Left Mouse Button (drag to select).\nZoom out: Press ZOOM "
                      "1:1."};
const Msg kHelpDeltaX{"Zeigt delta X in [ms] an. \nDie Berechnung basiert auf der im Fenster [ms] "
                      "angezeigten Zykluszeit und der Scan Rate.",
                      "Show delta X in [ms]. \nThe calculation is based on the cycle time "
                      "shown\nin the display [ms] and the value of ScanRate."};
const Msg kHelpDeltaY{"Zeigt delta Y in [digit] und [V].", "Show delta Y in [digit] and [V]."};
const Msg kHelpMeasureSignal{
    "Signal, dessen Minimum, Maximum und Mittelwert zwischen den Cursorn gezeigt werden.",
    "Signal whose minimum, maximum and mean between the cursors are shown."};
const Msg kHelpMeasure{
    "1/DELTA X: die Frequenz in Hz einer Periode so lang wie der Cursor-Abstand (nur bei "
    "gemessener Zykluszeit).\nMIN, MAX, MITTEL: das gewaehlte Signal zwischen den Cursorn, "
    "beide Abtastwerte eingeschlossen.",
    "1/DELTA X: the frequency in Hz of a period as long as the cursors' distance (only with the "
    "cycle time measured).\nMIN, MAX, MEAN: the selected signal between the cursors, both "
    "samples included."};
const Msg kHelpReference{
    "Die unterlegte Referenz (Datei und Datum) und an jedem Cursor die Aufnahme minus die "
    "Referenz fuer die gezeigten Signale in Digit.",
    "The reference laid under the capture (file and date), and at each cursor the capture minus "
    "the reference for the signals shown, in digits."};
const Msg kHelpCloseSP{"Schliesst PANEL und kehrt zu HAUPT PANEL zurueck.",
                       "Close PANEL and return to MAIN PANEL."};
const Msg kHelpPrint{"Einstellungen, Scope Graph und Kommentare drucken.",
                     "Print settings,scope graph and comment."};

// A cursor position as a whole number, truncated toward zero and kept inside int.
int Truncated(double v)
{
    if (!std::isfinite(v))
        return 0;
    const double t = std::trunc(v);
    if (t >= double(INT_MAX))
        return INT_MAX;
    if (t <= double(INT_MIN))
        return INT_MIN;
    return int(t);
}

// The digital graph has no cursors of its own to move: they stay with the analog graph's.
int DigitalGraphFollows(int, int, int event, void *, int, int)
{
    if (event == EVENT_VAL_CHANGED)
        calcScopDeltaXY();
    return 0;
}

} // namespace

ScopeDelta ScopeDeltaOf(double x1, double y1, double x2, double y2, double cycleTimeMs,
                        int scanRate)
{
    ScopeDelta d;
    const double span = std::abs(x1 - x2);
    d.dx = Truncated(std::isfinite(span) ? span : 0);
    d.dy = int(std::min<long long>(std::llabs((long long)Truncated(y1) - Truncated(y2)), INT_MAX));
    d.deltaXMs = double(d.dx) * cycleTimeMs * double(scanRate);
    d.deltaXPrecision = d.deltaXMs > 1000 ? 0 : d.deltaXMs > 1 ? 3 : 6;
    d.deltaYVolts = double(d.dy) * 10.0 * 0.000244140625;
    return d;
}

CursorReadouts CursorReadoutsNow()
{
    const int panel = AppState.ScopePanel;
    CursorReadouts r;
    GetCtrlVal(panel, SCOPEP_RING_MEASURE_SIGNAL, &r.signal);
    const ScopeCapture *reference = ScopeReference();
    r.reference = reference != nullptr;
    if (!ScopeCaptureShown())
        return r;
    int rate = 0, selected = 0;
    GetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE, &rate);
    GetCtrlVal(panel, SCOPEP_RING_SCOPE_SIGNAL, &selected);
    double x[2] = {}, y[2] = {};
    for (int i = 0; i < 2; ++i)
        GetGraphCursor(panel, SCOPEP_GRAPH_SCOPE, i + 1, &x[i], &y[i]);
    const ScopeDelta d = ScopeDeltaOf(x[0], y[0], x[1], y[1], CycleTimeMs, int16_t(rate));
    r.frequency = CursorFrequencyText(d.deltaXMs);
    r.stats = CursorStatsTextsOf(CursorStatsOf(AnalogTraceOf(ScopeTraces, r.signal), x[0], x[1]));
    if (reference != nullptr)
        for (int i = 0; i < 2; ++i)
            r.difference[i] = ReferenceDifferenceText(ScopeTraces, reference->traces,
                                                      CursorSample(x[i]), selected);
    return r;
}

namespace {

void ShowCursorReadouts()
{
    const int panel = AppState.ScopePanel;
    const CursorReadouts r = CursorReadoutsNow();
    SetCtrlVal(panel, SCOPEP_STRING_CURSOR_FREQUENCY, r.frequency.c_str());
    SetCtrlVal(panel, SCOPEP_STRING_CURSOR_MIN, r.stats.minimum.c_str());
    SetCtrlVal(panel, SCOPEP_STRING_CURSOR_MAX, r.stats.maximum.c_str());
    SetCtrlVal(panel, SCOPEP_STRING_CURSOR_MEAN, r.stats.mean.c_str());
    SetCtrlVal(panel, SCOPEP_STRING_REF_DIFF_1, r.difference[0].c_str());
    SetCtrlVal(panel, SCOPEP_STRING_REF_DIFF_2, r.difference[1].c_str());
}

} // namespace

void calcScopDeltaXY()
{
    int rate = 0;
    GetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE, &rate);
    const int16_t scanRate = int16_t(rate);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 1, &x1, &y1);
    GetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 2, &x2, &y2);
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE_DIGITAL, 1, x1, 0);
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE_DIGITAL, 2, x2, 0);
    const ScopeDelta d = ScopeDeltaOf(x1, y1, x2, y2, CycleTimeMs, scanRate);
    SetCtrlAttribute(AppState.ScopePanel, SCOPEP_NUMERIC_DELTA_X, ATTR_PRECISION,
                     d.deltaXPrecision);
    SetCtrlVal(AppState.ScopePanel, SCOPEP_NUMERIC_DELTA_X, d.deltaXMs);
    SetCtrlVal(AppState.ScopePanel, SCOPEP_NUMERIC_DELTA_Y, d.dy);
    SetCtrlVal(AppState.ScopePanel, SCOPEP_NUMERIC_DELTA_Y_VOLT, d.deltaYVolts);
    ShowCursorReadouts();
}

void ZoomScope11()
{
    SetAxisScalingMode(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, VAL_BOTTOM_XAXIS, VAL_MANUAL, 0,
                       kScopeFullX);
    SetAxisScalingMode(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, VAL_LEFT_YAXIS, VAL_MANUAL, 0,
                       kScopeFullY);
    calcScopDeltaXY();
}

int CBF_SCOPEP(int, int, void *, int, int)
{
    return 0;
}

int CBF_GraphScope(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpGraphScope);
    else if (event == EVENT_VAL_CHANGED || event == EVENT_ZOOM)
        calcScopDeltaXY();
    return 0;
}

int CBF_ButtonZoomScope11(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpZoom11);
    else if (event == EVENT_COMMIT)
        ZoomScope11();
    return 0;
}

int CBF_DispDeltaX(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpDeltaX);
    return 0;
}

int CBF_DispDeltaY(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpDeltaY);
    return 0;
}

int CBF_EditMeasureSignal(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpMeasureSignal);
    else if (event == EVENT_COMMIT)
        ShowCursorReadouts();
    return 0;
}

int CBF_DispCursorMeasure(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpMeasure);
    return 0;
}

int CBF_DispReference(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpReference);
    return 0;
}

int CBF_ButtonCloseSP(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpCloseSP);
    else if (event == EVENT_COMMIT)
        ShowChildPanelDisp(AppState.DataPanel);
    return 0;
}

int CBF_EditScopeComment(int panel, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_DOUBLE_CLICK)
        ResetTextBox(panel, control, "");
    return 0;
}

int CBF_ButtonPrintScopeGraph(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpPrint);
    else if (event == EVENT_COMMIT)
        PrintScopeGraph();
    return 0;
}

void InstallScopeDisplayCallbacks()
{
    const int p = AppState.ScopePanel;
    InstallPanelCallback(p, CBF_SCOPEP, nullptr);
    InstallCtrlCallback(p, SCOPEP_GRAPH_SCOPE, CBF_GraphScope, nullptr);
    InstallCtrlCallback(p, SCOPEP_GRAPH_SCOPE_DIGITAL, DigitalGraphFollows, nullptr);
    InstallCtrlCallback(p, SCOPEP_BUTTON_ZOOM_SCOPE11, CBF_ButtonZoomScope11, nullptr);
    InstallCtrlCallback(p, SCOPEP_NUMERIC_DELTA_X, CBF_DispDeltaX, nullptr);
    InstallCtrlCallback(p, SCOPEP_NUMERIC_DELTA_Y, CBF_DispDeltaY, nullptr);
    InstallCtrlCallback(p, SCOPEP_NUMERIC_DELTA_Y_VOLT, CBF_DispDeltaY, nullptr);
    InstallCtrlCallback(p, SCOPEP_RING_MEASURE_SIGNAL, CBF_EditMeasureSignal, nullptr);
    for (int c : {SCOPEP_STRING_CURSOR_FREQUENCY, SCOPEP_STRING_CURSOR_MIN,
                  SCOPEP_STRING_CURSOR_MAX, SCOPEP_STRING_CURSOR_MEAN})
        InstallCtrlCallback(p, c, CBF_DispCursorMeasure, nullptr);
    for (int c : {SCOPEP_STRING_REFERENCE, SCOPEP_STRING_REF_DIFF_1, SCOPEP_STRING_REF_DIFF_2})
        InstallCtrlCallback(p, c, CBF_DispReference, nullptr);
    InstallCtrlCallback(p, SCOPEP_BUTTON_CLOSE, CBF_ButtonCloseSP, nullptr);
    InstallCtrlCallback(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT, CBF_EditScopeComment,
                        nullptr);
    InstallCtrlCallback(AppState.TabScope, TABP_SCOPE_BUTTON_PRINT_SCOPE_GRAPH,
                        CBF_ButtonPrintScopeGraph, nullptr);

    // The digital lines share the analog graph's x on screen (a cursor is one line through
    // both) and hold each state until the next sample.
    LinkGraphX(p, SCOPEP_GRAPH_SCOPE, SCOPEP_GRAPH_SCOPE_DIGITAL);
    SetGraphStepLines(p, SCOPEP_GRAPH_SCOPE_DIGITAL, 1);
    SetGraphCursor(p, SCOPEP_GRAPH_SCOPE, 1, kCursor1X, kCursor1Y);
    SetGraphCursor(p, SCOPEP_GRAPH_SCOPE, 2, kCursor2X, kCursor2Y);
    calcScopDeltaXY();
}
