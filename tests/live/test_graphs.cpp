// The live chart buffers with their threshold and hysteresis lines, the re-plot of both strip
// charts, their shared y scaling, and the graph panel the recorder feeds.
#include "common/harness.h"

#include "app/startup.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"
#include "live/data_frame.h"
#include "live/graphs.h"
#include "params/record.h"

#include <QLegend>
#include <QTest>

namespace {

class Graphs : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ResetLiveGraphs();
        DataFrame = {};
    }
    void Threshold(int mode, int calc, int tolerance, int hysteresis)
    {
        const int page = AppState.TabThreshold;
        SetCtrlVal(page, TABP_THRESHOLD_RING_THRESHOLD_MODE, mode);
        SetCtrlVal(page, TABP_THRESHOLD_RING_THRESHOLD_CALC, calc);
        SetCtrlVal(page, TABP_THRESHOLD_NUMERIC_TOLERANCE, tolerance);
        SetCtrlVal(page, TABP_THRESHOLD_NUMERIC_HYSTERESIS, hysteresis);
    }
    std::vector<double> NewestEvalSample() const
    {
        const double *e = EvalBuffer() + kEvalBufferSize - kEvalTraces;
        return {e, e + kEvalTraces};
    }
    static StripChartCtrl *Chart(int panel, int control)
    {
        return qobject_cast<StripChartCtrl *>(CtrlWidget(panel, control));
    }
    // Scaling mode and range of an axis, as "mode lo..hi".
    static std::string Axis(int panel, int control, int axis = VAL_LEFT_YAXIS)
    {
        int mode = -1;
        double lo = 0, hi = 0;
        GetAxisScalingMode(panel, control, axis, &mode, &lo, &hi);
        return mode == VAL_AUTOSCALE ? "auto"
                                     : "fixed " + QString("%1..%2").arg(lo).arg(hi).toStdString();
    }
    static bool Shown(int control)
    {
        return CtrlWidget(AppState.GraphPanel, control)
            ->isVisibleTo(PanelWidget(AppState.GraphPanel));
    }
};

} // namespace

TEST(ThresholdLines, DistancesLimitsAndModes)
{
    struct Case {
        int16_t ref;
        uint16_t mode, calc, tol, hys;
        int a, b, hysA, hysB;
    } cases[] = {
        {4000, 1, 0, 200, 0, 4095, 4095, 4000, 4000}, // HIGH, upper limit
        {100, 0, 0, 200, 0, 0, 0, 100, 100},          // LOW, lower limit
        {2000, 2, 1, 10, 5, 2200, 1800, 2100, 1900},  // WIN, relative
        {2000, 7, 1, 10, 5, 2200, 1800, 2100, 1900},  // unknown modes draw as WIN
        // Beyond 16 bits: 1000 % of 4000 still puts the lines at the limits, not wrapped.
        {4000, 2, 1, 1000, 1000, 4095, 0, 4095, 0},
    };
    for (const Case &c : cases) {
        const ThresholdLines l = CalcThresholdLines(c.ref, c.mode, c.calc, c.tol, c.hys);
        EXPECT_EQ(l.thresholdA, c.a) << c.ref << " mode " << c.mode;
        EXPECT_EQ(l.thresholdB, c.b) << c.ref << " mode " << c.mode;
        EXPECT_EQ(l.hysteresisA, c.hysA) << c.ref << " mode " << c.mode;
        EXPECT_EQ(l.hysteresisB, c.hysB) << c.ref << " mode " << c.mode;
    }
    // A negative REF gives a negative relative distance, truncated toward zero.
    const ThresholdLines neg = CalcThresholdLines(-50, 1, 1, 10, 15);
    EXPECT_EQ(neg.tol, -5);
    EXPECT_EQ(neg.hys, -7);
    EXPECT_EQ(neg.thresholdA, -55);
    EXPECT_EQ(CalcThresholdLines(-50, 0, 1, 10, 15).thresholdA, 0);
}

TEST_F(Graphs, BuffersShiftAndTakeTheThresholdPageAsItStands)
{
    Threshold(2, 1, 10, 5); // WIN, relative
    for (int i = 1; i <= 3; ++i) {
        DataFrame.Ref = 2000;
        DataFrame.Sig = int16_t(1000 + i);
        DataFrame.Ch0 = int16_t(i);
        DataFrame.Ch1 = int16_t(-i);
        InitGraphBuffers();
    }
    EXPECT_EQ(NewestEvalSample(), (std::vector<double>{2000, 1003, 2200, 1800, 2100, 1900}));
    const double *e = EvalBuffer();
    EXPECT_EQ(e[kEvalBufferSize - 2 * kEvalTraces + 1], 1002); // the sample before
    EXPECT_EQ(e[0], 0) << "the oldest samples are still the zeros of the start";
    const double *a = AnalogBuffer();
    EXPECT_EQ(std::vector<double>(a + kAnalogBufferSize - 6, a + kAnalogBufferSize),
              (std::vector<double>{1, -1, 2, -2, 3, -3}));
    EXPECT_EQ(Parameters.ThresholdMode, 2);
    EXPECT_EQ(Parameters.Tolerance, 10);

    // An edit on the page counts from the next frame on, sent or not.
    Threshold(1, 0, 300, 100);
    InitGraphBuffers();
    EXPECT_EQ(NewestEvalSample(), (std::vector<double>{2000, 1003, 2300, 2300, 2100, 2100}));
}

TEST_F(Graphs, ReplotShowsExactlyTheBufferedSamplesWithThePanelsTraceLooks)
{
    Threshold(0, 0, 20, 10);
    for (int i = 0; i < 250; ++i) {
        DataFrame.Ref = 2000;
        DataFrame.Sig = int16_t(i);
        DataFrame.Ch0 = int16_t(10 * i);
        InitGraphBuffers();
        PlotLiveCharts();
    }
    StripChartCtrl *eval = Chart(AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG);
    StripChartCtrl *ana = Chart(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA);
    ASSERT_TRUE(eval && ana);
    EXPECT_EQ(eval->pointsPerScreen(), kLivePointsPerScreen);
    const std::vector<double> sig = eval->traceValues(1);
    ASSERT_EQ(sig.size(), size_t(kLiveSamples));
    EXPECT_EQ(sig.front(), 150);
    EXPECT_EQ(sig.back(), 249);
    EXPECT_EQ(eval->traceValues(2), std::vector<double>(kLiveSamples, 1980));
    EXPECT_EQ(ana->traceValues(0).back(), 2490);
    EXPECT_EQ(ana->traceValues(0).size(), size_t(kLiveSamples));

    // The looks come from the panel file: REF blue dashed, SIG dark yellow, hysteresis black
    // dashed.
    EXPECT_EQ(eval->traceName(0), "REF");
    EXPECT_EQ(eval->tracePen(0), QPen(QColor(0x00, 0x00, 0xff), 1.5, Qt::DashLine));
    EXPECT_EQ(eval->tracePen(1), QPen(QColor(0x80, 0x80, 0x00), 1.5, Qt::SolidLine));
    EXPECT_EQ(eval->tracePen(5), QPen(QColor(0, 0, 0), 1.5, Qt::DashLine));
}

TEST_F(Graphs, ClickOnEitherChartScalesBoth)
{
    const int evalPage = AppState.DataPage1, anaPage = AppState.DataPage0;
    const int evalChart = TABP_DATA1_STRIPCHART_EVAL_SIG, anaChart = TABP_DATA0_STRIPCHART_ANA_CHA;
    PanelWidget(AppState.MainPanel)->show();
    ShowChildPanelDisp(AppState.DataPanel);
    auto *eval = qobject_cast<QChartView *>(CtrlWidget(evalPage, evalChart));
    auto *ana = qobject_cast<QChartView *>(CtrlWidget(anaPage, anaChart));
    for (QChartView *clicked : {eval, ana}) {
        SetActiveTabPage(AppState.DataPanel, DATAP_TAB_DATA, clicked == eval ? 1 : 0);
        QTest::mouseDClick(clicked->viewport(), Qt::LeftButton);
        EXPECT_EQ(Axis(evalPage, evalChart), "auto");
        EXPECT_EQ(Axis(anaPage, anaChart), "auto");
        QTest::mouseClick(clicked->viewport(), Qt::LeftButton);
        EXPECT_EQ(Axis(evalPage, evalChart), "fixed 0..4096");
        EXPECT_EQ(Axis(anaPage, anaChart), "fixed 0..4096");
    }
    QTest::mouseClick(eval->viewport(), Qt::RightButton);
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].text.rfind("Displays the intensity of the evaluation signal "
                                            "(dark yellow line). \n\n",
                                            0),
              0u);
}

TEST_F(Graphs, SignalSelectorShowsOneGraphAndCh0ForAnUnknownValue)
{
    const int graphs[] = {GRAPHP_GRAPH_CH0, GRAPHP_GRAPH_CH1, GRAPHP_GRAPH_SIG, GRAPHP_GRAPH_TEMP};
    ShowChildPanelDisp(AppState.GraphPanel);
    for (int signal = 3; signal >= 0; --signal) {
        SetCtrlVal(AppState.GraphPanel, GRAPHP_RING_SIGNAL, signal);
        SetGraphVisible();
        for (int g = 0; g < 4; ++g)
            EXPECT_EQ(Shown(graphs[g]), g == signal) << "signal " << signal << " graph " << g;
    }
    SetCtrlVal(AppState.GraphPanel, GRAPHP_RING_SIGNAL, 2);
    SetGraphVisible();
    InsertListItem(AppState.GraphPanel, GRAPHP_RING_SIGNAL, -1, "?", 7);
    SetCtrlVal(AppState.GraphPanel, GRAPHP_RING_SIGNAL, 7);
    SetGraphVisible();
    EXPECT_TRUE(Shown(GRAPHP_GRAPH_CH0));
    EXPECT_FALSE(Shown(GRAPHP_GRAPH_SIG));
}

TEST_F(Graphs, RecordedFramesAccumulateAsSegmentsUntilTheNextInit)
{
    auto *ch0 = qobject_cast<GraphCtrl *>(CtrlWidget(AppState.GraphPanel, GRAPHP_GRAPH_CH0));
    auto *temp = qobject_cast<GraphCtrl *>(CtrlWidget(AppState.GraphPanel, GRAPHP_GRAPH_TEMP));
    DataFrame.Ch0 = 500;
    InitPanelGraph();
    const int16_t values[] = {1000, 1100, -16};
    for (int16_t v : values) {
        DataFrame.Ch0 = v;
        DataFrame.Temp = 1850;
        SetPanelGraphData();
    }
    int shown = 0;
    GetCtrlVal(AppState.GraphPanel, GRAPHP_NUMERIC_CH0, &shown);
    EXPECT_EQ(shown, -16);
    int plots = 0;
    GetNumGraphPlots(AppState.GraphPanel, GRAPHP_GRAPH_CH0, &plots);
    ASSERT_EQ(plots, 3);
    // Plot handles count up from 1 per graph.
    EXPECT_EQ(ch0->plotPoints(1), (std::vector<QPointF>{{0, 1000}, {0, 1000}}))
        << "the first segment is a single point, not a line from the value before";
    EXPECT_EQ(ch0->plotPoints(2), (std::vector<QPointF>{{0, 1000}, {1, 1100}}));
    EXPECT_EQ(ch0->plotPoints(3), (std::vector<QPointF>{{1, 1100}, {2, -16}}));
    EXPECT_EQ(ch0->plotColor(3), QColor(0xFF, 0, 0));
    EXPECT_EQ(temp->plotColor(1), QColor(0x00, 0x80, 0x80));

    // Deleting one segment leaves the others as they were.
    DeleteGraphPlot(AppState.GraphPanel, GRAPHP_GRAPH_CH0, 2);
    GetNumGraphPlots(AppState.GraphPanel, GRAPHP_GRAPH_CH0, &plots);
    EXPECT_EQ(plots, 2);
    EXPECT_EQ(ch0->plotPoints(1), (std::vector<QPointF>{{0, 1000}, {0, 1000}}));
    EXPECT_EQ(ch0->plotPoints(3), (std::vector<QPointF>{{1, 1100}, {2, -16}}));

    for (int i = 3; i <= 150; ++i)
        SetPanelGraphData();
    EXPECT_EQ(Axis(AppState.GraphPanel, GRAPHP_GRAPH_SIG, VAL_BOTTOM_XAXIS), "fixed 0..200")
        << "the x axis grows with the recording";

    InitPanelGraph();
    GetNumGraphPlots(AppState.GraphPanel, GRAPHP_GRAPH_CH0, &plots);
    EXPECT_EQ(plots, 0);
    EXPECT_EQ(Axis(AppState.GraphPanel, GRAPHP_GRAPH_SIG, VAL_BOTTOM_XAXIS), "fixed 0..100");
}

// Each live chart names its traces in a legend, one entry per kind of line, in the current
// language, drawn as the evaluation chart's help text describes them: REF blue dashed, SIG dark
// yellow, the threshold red, the hysteresis black dashed.
TEST_F(Graphs, LiveChartLegendsNameEachKindOfLineOnceInTheCurrentLanguage)
{
    const auto legend = [](StripChartCtrl *c) {
        std::vector<std::string> entries;
        for (const QString &name : c->legendNames())
            entries.push_back(name.toStdString());
        return entries;
    };
    StripChartCtrl *eval = Chart(AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG);
    StripChartCtrl *ana = Chart(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA);
    ASSERT_TRUE(eval && ana);
    for (int german : {0, 1, 0}) {
        AppState.LanguageIndex = german ? 0 : 1;
        SetLiveChartLegends();
        EXPECT_EQ(legend(eval),
                  (std::vector<std::string>{"REF", "SIG", german ? "SCHALTSCHWELLE" : "THRESHOLD",
                                            german ? "SCHALTHYSTERESE" : "HYSTERESIS"}));
        EXPECT_EQ(legend(ana), (std::vector<std::string>{"CH0", "CH1"}));
        EXPECT_TRUE(eval->chart()->legend()->isVisible());
    }
    EXPECT_EQ(eval->tracePen(0).color(), QColor(Qt::blue));
    EXPECT_EQ(eval->tracePen(0).style(), Qt::DashLine);
    EXPECT_EQ(eval->tracePen(2).color(), QColor(Qt::red));
    EXPECT_EQ(eval->tracePen(2).style(), Qt::SolidLine);
    EXPECT_EQ(eval->tracePen(4).color(), QColor(Qt::black));
    EXPECT_EQ(eval->tracePen(4).style(), Qt::DashLine);
    // The TOLERANCE field's hint names the threshold, not REF, as the red line.
    const std::string tip = CtrlWidget(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE)
                                ->toolTip()
                                .toStdString();
    EXPECT_NE(tip.find("threshold (red line)"), std::string::npos) << tip;
    EXPECT_NE(tip.find("REF (blue dashed line)"), std::string::npos) << tip;
}
