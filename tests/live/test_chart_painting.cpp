// What the graph and strip chart controls paint of their data: a long series reduced to the
// plot's pixel columns without losing a spike, the data itself read back whole, and the painted
// copy brought up to the last plot even when no further plot comes.
#include "platform/decimate.h"
#include "platform/widgets.h"

#include <QTest>
#include <QValueAxis>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

std::vector<QPointF> Painted(GraphCtrl &g)
{
    std::vector<QPointF> all;
    for (QAbstractSeries *s : g.chart()->series())
        if (auto *xy = qobject_cast<QXYSeries *>(s))
            for (const QPointF &p : xy->points())
                all.push_back(p);
    return all;
}

double MaxY(const std::vector<QPointF> &pts)
{
    double m = -1e300;
    for (const QPointF &p : pts)
        m = std::max(m, p.y());
    return m;
}

double MinY(const std::vector<QPointF> &pts)
{
    double m = 1e300;
    for (const QPointF &p : pts)
        m = std::min(m, p.y());
    return m;
}

// A slowly moving signal of n samples, x = 0 .. n-1.
std::vector<QPointF> Signal(int n)
{
    std::vector<QPointF> pts;
    for (int i = 0; i < n; ++i)
        pts.emplace_back(i, 2000 + std::round(300 * std::sin(i / 500.0)));
    return pts;
}

TEST(Decimation, KeepsEachColumnsExtremesInOrderAndTheNeighboursOfTheRange)
{
    struct Case {
        const char *what;
        int count;
        double lo, hi;
        int columns;
        size_t spikeAt;
    };
    const Case cases[] = {
        {"spike in the middle", 65535, 0, 65534, 600, 32768},
        {"spike on the first sample", 65535, 0, 65534, 600, 0},
        {"spike on the last sample", 65535, 0, 65534, 600, 65534},
        {"one column", 10000, 0, 9999, 1, 1234},
        {"zoomed into part of the series", 65535, 30000, 40000, 300, 35001},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<QPointF> pts = Signal(c.count);
        pts[c.spikeAt].setY(4095);
        pts[(c.spikeAt + 7) % pts.size()].setY(-50); // and a dip near it
        const auto out = DecimateToColumns(
            pts.size(), [&](size_t i) { return pts[i]; }, c.lo, c.hi, c.columns);
        EXPECT_LE(out.size(), size_t(2 * c.columns + 6));
        if (c.spikeAt + 7 < size_t(c.hi)) { // the dip inside the range too
            EXPECT_EQ(MinY(out), -50);
        }
        EXPECT_EQ(MaxY(out), 4095);
        // x never runs back, and the line reaches both edges of the range.
        for (size_t i = 1; i < out.size(); ++i)
            EXPECT_LE(out[i - 1].x(), out[i].x());
        EXPECT_LE(out.front().x(), c.lo);
        EXPECT_GE(out.back().x(), std::min(c.hi, double(c.count - 1)));
    }
    // A short slice comes back whole, neighbours outside the range included.
    const std::vector<QPointF> few = Signal(50);
    const auto out =
        DecimateToColumns(few.size(), [&](size_t i) { return few[i]; }, 10.5, 20.5, 600);
    ASSERT_EQ(out.size(), 12u);
    EXPECT_EQ(out.front(), few[10]);
    EXPECT_EQ(out.back(), few[21]);
}

// A growing series reduced step by step paints what a reduction of the whole would.
TEST(Decimation, AReductionResumedAfterAppendsEqualsAFreshOne)
{
    std::vector<QPointF> all = Signal(30000);
    for (size_t i = 0; i < all.size(); i += 977)
        all[i].setY(i % 2 ? 4095 : -7);
    struct Case {
        const char *what;
        double lo, hi;
        std::vector<size_t> steps; // series length at each reduction
    };
    const Case cases[] = {
        {"appends one by one into a fixed range", 0, 29999, {1500, 1501, 1502, 1503, 2000, 5000}},
        {"appends in big chunks", 0, 29999, {3000, 9000, 20000, 30000}},
        {"appends beyond the range's end", 0, 10000, {9000, 10000, 10001, 10002, 20000}},
        {"a range that starts later", 5000, 25000, {6000, 6001, 12000, 30000}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ColumnReducer reducer;
        for (size_t n : c.steps) {
            SCOPED_TRACE(n);
            auto at = [&](size_t i) { return all[i]; };
            const std::vector<QPointF> resumed = reducer.reduce(n, at, c.lo, c.hi, 500);
            EXPECT_EQ(resumed, DecimateToColumns(n, at, c.lo, c.hi, 500));
        }
    }
}

class ChartPainting : public ::testing::Test {
protected:
    void SetUp() override
    {
        graph.resize(700, 400);
        graph.setXRange(0, 65535);
        graph.setYRange(0, 4096);
        graph.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
    }
    GraphCtrl graph;
};

TEST_F(ChartPainting, LongSeriesIsPaintedReducedWhileItsDataStaysWhole)
{
    std::vector<QPointF> pts = Signal(65535);
    pts[40000].setY(4000);
    pts[12345].setY(5);
    const int h = graph.addPlot(pts, Qt::red, Qt::SolidLine, false);
    graph.redrawNow();
    const auto painted = Painted(graph);
    EXPECT_LE(painted.size(), size_t(2 * 700 * graph.devicePixelRatioF() + 6));
    EXPECT_EQ(MaxY(painted), 4000);
    EXPECT_EQ(MinY(painted), 5);
    EXPECT_EQ(graph.plotPoints(h), pts);
    EXPECT_EQ(graph.pointCount(), pts.size());

    // Zoomed into 200 samples, every one of them is painted.
    graph.setXRange(1000, 1199);
    graph.redrawNow();
    const auto zoomed = Painted(graph);
    EXPECT_EQ(zoomed.size(), 202u);
    EXPECT_EQ(zoomed.front(), pts[999]);
    EXPECT_EQ(zoomed.back(), pts[1200]);
    // The cursors keep their positions in data coordinates.
    graph.setCursorsEnabled(true);
    graph.setCursor(0, QPointF(1100, pts[1100].y()));
    EXPECT_EQ(graph.cursorPos(0), QPointF(1100, pts[1100].y()));
}

// The recorder's way of plotting: one two-point segment per frame, each continuing the last.
TEST_F(ChartPainting, SegmentsReadBackOneByOneAndSurviveADeleteBetweenThem)
{
    const int frames = 20000;
    std::vector<int> handles;
    double prev = 100;
    for (int i = 0; i < frames; ++i) {
        const double y = i == 15000 ? 4000 : 100 + i % 37;
        handles.push_back(graph.addPlot({{double(std::max(i - 1, 0)), prev}, {double(i), y}},
                                        Qt::darkYellow, Qt::SolidLine, false));
        prev = y;
    }
    EXPECT_EQ(graph.plotCount(), frames);
    EXPECT_EQ(graph.plotPoints(handles[15000]),
              (std::vector<QPointF>{{14999, 100 + 14999 % 37}, {15000, 4000}}));
    EXPECT_EQ(graph.plotColor(handles[7]), QColor(Qt::darkYellow));
    graph.redrawNow();
    EXPECT_EQ(MaxY(Painted(graph)), 4000); // one frame's spike among 20,000
    EXPECT_LE(Painted(graph).size(), size_t(2 * 700 * graph.devicePixelRatioF() + 6));

    // Deleting a segment in the middle leaves the others as they were.
    ASSERT_TRUE(graph.deletePlot(handles[15000]));
    EXPECT_EQ(graph.plotCount(), frames - 1);
    EXPECT_TRUE(graph.plotPoints(handles[15000]).empty());
    EXPECT_EQ(graph.plotPoints(handles[14999]),
              (std::vector<QPointF>{{14998, 100 + 14998 % 37}, {14999, 100 + 14999 % 37}}));
    EXPECT_EQ(graph.plotPoints(handles[15001]),
              (std::vector<QPointF>{{15000, 4000}, {15001, 100 + 15001 % 37}}));
    // A new plot after the delete may still continue the newest one.
    const int next = graph.addPlot({{double(frames - 1), prev}, {double(frames), 7}}, Qt::darkYellow,
                                   Qt::SolidLine, false);
    EXPECT_EQ(graph.plotPoints(next).back(), QPointF(frames, 7));
    EXPECT_EQ(graph.chart()->series().size(), 2);
}

TEST_F(ChartPainting, ValuesThatAreNoFloatsReadBackExactly)
{
    const std::vector<QPointF> pts = {{0, 1}, {0.1, 2.000000001}, {1e10 + 1, -3}};
    const int h = graph.addPlot({{0, 1}, {1, 2}}, Qt::blue, Qt::SolidLine, false);
    const int h2 = graph.addPlot({{1, 2}, {1.5, 1e-7}}, Qt::blue, Qt::SolidLine, false);
    const int h3 = graph.addPlot(pts, Qt::blue, Qt::SolidLine, false);
    EXPECT_EQ(graph.plotPoints(h), (std::vector<QPointF>{{0, 1}, {1, 2}}));
    EXPECT_EQ(graph.plotPoints(h2)[1].y(), 1e-7);
    const auto back = graph.plotPoints(h3);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1].x(), 0.1);
    EXPECT_EQ(back[1].y(), 2.000000001);
    EXPECT_EQ(back[2].x(), 1e10 + 1);

    // A long series that turns to doubles on its last point keeps all the earlier ones.
    std::vector<QPointF> longer = Signal(20000);
    longer.back().setY(0.3);
    const int h4 = graph.addPlot(longer, Qt::red, Qt::SolidLine, false);
    EXPECT_EQ(graph.plotPoints(h4), longer);
}

TEST_F(ChartPainting, TheLastPlotIsPaintedWhenNoFurtherPlotComes)
{
    graph.addPlot({{0, 10}, {1, 11}}, Qt::red, Qt::SolidLine, false);
    graph.redrawNow();
    // Plots in a burst: at most one is painted at once, the rest wait for the next refresh.
    for (int i = 1; i < 50; ++i)
        graph.addPlot({{double(i), 10.0 + i}, {double(i + 1), 11.0 + i}}, Qt::red, Qt::SolidLine,
                      false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !graph.redrawPending(); }, 5000));
    const auto painted = Painted(graph);
    ASSERT_FALSE(painted.empty());
    EXPECT_EQ(painted.back(), QPointF(50, 60));
}

TEST_F(ChartPainting, AHiddenGraphCatchesUpWhenShown)
{
    graph.hide();
    const int before = graph.redrawCount();
    for (int i = 0; i < 100; ++i)
        graph.addPlot({{double(i), 0}, {double(i + 1), 1.0 * i}}, Qt::red, Qt::SolidLine, false);
    EXPECT_EQ(graph.redrawCount(), before);
    EXPECT_TRUE(Painted(graph).empty());
    graph.show();
    EXPECT_EQ(Painted(graph).back(), QPointF(100, 99));
}

TEST(StripChartPainting, AScreenWiderThanThePlotKeepsItsSpike)
{
    StripChartCtrl chart;
    chart.resize(300, 200);
    chart.setPointsPerScreen(20000);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    std::vector<double> values(20000, 100);
    values[12345] = 3000;
    chart.plot(values.data(), int(values.size()));
    chart.redrawNow();
    const std::vector<QPointF> &painted = chart.paintedTrace(0);
    EXPECT_LE(painted.size(), size_t(2 * 300 * chart.devicePixelRatioF() + 6));
    EXPECT_EQ(MaxY(painted), 3000);
    EXPECT_EQ(chart.traceValues(0), values);
}

} // namespace

// Ticks on round numbers: a step of 1, 2 or 5 times a power of ten, the first tick the first
// multiple of it in the range, as many labels as asked for or fewer, and no more decimals than
// the step needs, for whole views and for the odd ranges a zoom leaves.
TEST(AxisTicks, RoundStepsForRangesAndZooms)
{
    struct Case {
        double lo, hi;
        int maxTicks;
        double first, step;
        int decimals;
    } cases[] = {
        {0, 4096, 8, 0, 1000, 0},
        {0, 4100, 8, 0, 1000, 0},
        {0, 4095, 10, 0, 500, 0},
        {0, 100, 6, 0, 20, 0},
        {0, 128, 6, 0, 50, 0},
        {3303.13, 3350.77, 6, 3310, 10, 0},    // a Ctrl-drag zoom of the y axis
        {10.1362, 10.9117, 6, 10.2, 0.2, 1},   // a zoom of the x axis
        {10.1362, 10.1987, 5, 10.14, 0.02, 2}, // deeper
        {-512.4, 11873.9, 7, 0, 2000, 0},      // a conversion graph with points beyond 10000
        {-3.7, -1.2, 5, -3.5, 0.5, 1},
        {0, 1, 1, 0, 1, 0},
        {0, 12.8, 4, 0, 5, 0},
    };
    for (const Case &c : cases) {
        const AxisTicks t = NiceTicks(c.lo, c.hi, c.maxTicks);
        SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi << " / " << c.maxTicks);
        EXPECT_NEAR(t.first, c.first, 1e-9);
        EXPECT_NEAR(t.step, c.step, 1e-12);
        EXPECT_EQ(t.decimals, c.decimals);
        // Whatever the case: a round step, ticks inside the range, not too many of them.
        const double mantissa = t.step / std::pow(10.0, std::floor(std::log10(t.step) + 1e-9));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 ||
                    std::abs(mantissa - 5) < 1e-9)
            << mantissa;
        EXPECT_GE(t.first, c.lo - 1e-9);
        EXPECT_LT(t.first - t.step, c.lo);
        EXPECT_LE((c.hi - c.lo) / t.step, c.maxTicks + 1e-9);
    }
    // An empty or broken range gives one step from its start, never a division by zero.
    EXPECT_EQ(NiceTicks(5, 5, 4).step, 1);
    EXPECT_EQ(NiceTicks(std::nan(""), 1, 4).first, 0);
}

TEST_F(ChartPainting, ZoomedAxesKeepRoundTicksAndLabels)
{
    GraphCtrl g;
    g.resize(600, 400);
    g.show();
    QTest::qWait(30);
    g.setXRange(10.1362, 10.9117);
    g.setYRange(3303.13, 3350.77);
    QTest::qWait(30);
    for (QValueAxis *axis : {qobject_cast<QValueAxis *>(g.chart()->axes(Qt::Horizontal).first()),
                             qobject_cast<QValueAxis *>(g.chart()->axes(Qt::Vertical).first())}) {
        ASSERT_TRUE(axis);
        EXPECT_EQ(axis->tickType(), QValueAxis::TicksDynamic);
        const double anchorSteps = axis->tickAnchor() / axis->tickInterval();
        EXPECT_NEAR(anchorSteps, std::round(anchorSteps), 1e-6);
    }
    // Labels such as 10.2, 10.4 and 3310, 3320: one decimal across, none up.
    EXPECT_EQ(g.chart()->axes(Qt::Horizontal).first()->property("labelFormat"), "%.1f");
    EXPECT_EQ(g.chart()->axes(Qt::Vertical).first()->property("labelFormat"), "%.0f");
    EXPECT_GE(g.xTicks().first, 10.1362);
    EXPECT_GE(g.yTicks().first, 3303.13);
}
