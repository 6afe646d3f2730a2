// The strip chart's traces, painted by the chart over its plot area: they follow the data and
// the axes, keep the panel file's colours and the legend, lie on the chart's current grid and
// under the stale veil.
#include "platform/widgets.h"

#include <QImage>
#include <QLegend>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class StripTraces : public testing::Test {
protected:
    void SetUp() override
    {
        chart.resize(500, 320);
        chart.setPointsPerScreen(101);
        chart.setTraceCount(2);
        chart.setTraceNames("SIG;REF");
        chart.setTraceColors("#808000;#0000ff");
        chart.setTraceStyles("solid;dash");
        chart.setYScaling(false, 0, 4096);
        chart.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
    }
    // Plots `n` samples per trace: SIG at `sig`, REF at `ref`.
    void Plot(double sig, double ref, int n = 101)
    {
        std::vector<double> v;
        for (int i = 0; i < n; ++i)
            v.insert(v.end(), {sig, ref});
        chart.plot(v.data(), int(v.size()));
        chart.redrawNow();
    }
    // Where the value y at x would be painted, in the chart widget's pixels.
    QPoint At(double x, double y) const
    {
        const QRectF area = chart.chart()->mapRectToScene(chart.chart()->plotArea());
        const double px = area.left() + (x - chart.xMin()) / (chart.xMax() - chart.xMin()) *
                                            area.width();
        const double py = area.top() + (chart.yMax() - y) / (chart.yMax() - chart.yMin()) *
                                           area.height();
        return chart.viewport()->mapTo(&chart, chart.mapFromScene(QPointF(px, py)));
    }
    // How many pixels of `color` lie within 2 pixels of p.
    int Near(const QImage &img, QPoint p, QColor color) const
    {
        int n = 0;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const QPoint q = p + QPoint(dx, dy);
                n += img.rect().contains(q) && img.pixelColor(q) == color;
            }
        return n;
    }
    QImage Shot() { return chart.grab().toImage(); }

    StripChartCtrl chart;
    const QColor sigColor{0x80, 0x80, 0x00};
    const QColor refColor{0x00, 0x00, 0xff};
};

} // namespace

TEST_F(StripTraces, TracesFollowTheDataAndTheAxisInTheirOwnColours)
{
    Plot(1000, 3000);
    QImage img = Shot();
    EXPECT_GT(Near(img, At(50, 1000), sigColor), 0);
    EXPECT_GT(Near(img, At(25, 3000), refColor) + Near(img, At(30, 3000), refColor), 0);
    EXPECT_EQ(Near(img, At(50, 2000), sigColor), 0);
    EXPECT_EQ(chart.paintedTrace(0).back(), QPointF(100, 1000));

    // New samples move the trace; the old place is clear again.
    Plot(2000, 3000);
    img = Shot();
    EXPECT_GT(Near(img, At(50, 2000), sigColor), 0);
    EXPECT_EQ(Near(img, At(50, 1000), sigColor), 0);

    // A new y range moves it as well, with no new data.
    chart.setYRange(0, 8192);
    img = Shot();
    EXPECT_GT(Near(img, At(50, 2000), sigColor), 0);
    EXPECT_EQ(Near(img, At(50, 4000), sigColor), 0) << "where 2000 was on the old axis";

    // Autoscale fits the axis around the data, and the trace stays inside the plot.
    chart.setYScaling(true, 0, 0);
    Plot(20000, 20500);
    EXPECT_LE(chart.yMin(), 20000);
    EXPECT_GE(chart.yMax(), 20500);
    img = Shot();
    EXPECT_GT(Near(img, At(50, 20000), sigColor), 0);

    // A value far beyond a fixed axis is cut at the plot's edge, not drawn across the chart.
    chart.setYScaling(false, 0, 4096);
    std::vector<double> spike;
    for (int i = 0; i < 101; ++i)
        spike.insert(spike.end(), {i == 50 ? 1e30 : 1000.0, std::nan("")});
    chart.plot(spike.data(), int(spike.size()));
    chart.redrawNow();
    img = Shot();
    EXPECT_GT(Near(img, At(20, 1000), sigColor), 0);
    const QPoint above = At(50, 4096) - QPoint(0, 6);
    EXPECT_EQ(Near(img, above, sigColor), 0);
}

TEST_F(StripTraces, TheGridUnderTheTracesFollowsANewAxisRange)
{
    // The colour a pixel row next to p is painted in other than white (white if none is).
    const auto lineAt = [](const QImage &img, QPoint p) {
        for (int dy = -1; dy <= 1; ++dy)
            if (img.pixelColor(p + QPoint(0, dy)) != QColor(Qt::white))
                return img.pixelColor(p + QPoint(0, dy));
        return QColor(Qt::white);
    };
    Plot(500, 3000);
    QTest::qWait(30);
    QImage img = Shot();
    const QPoint oldRow = At(30, 2000); // beside the vertical grid lines
    const QColor grid = lineAt(img, oldRow);
    ASSERT_NE(grid, QColor(Qt::white)) << "a grid line at 2000";

    // The chart moves its grid lines; what is kept of the plot area follows them.
    chart.setYRange(0, 5000);
    QTest::qWait(30);
    img = Shot();
    EXPECT_EQ(lineAt(img, oldRow), QColor(Qt::white)) << "no line left where 2000 was";
    EXPECT_EQ(lineAt(img, At(30, 2000)), grid);
    EXPECT_GT(Near(img, At(30, 500), sigColor), 0);
}

TEST_F(StripTraces, TheLegendAndTheSeriesKeepTheTracesLooks)
{
    Plot(1000, 3000);
    EXPECT_EQ(chart.legendNames(), (QStringList{"SIG", "REF"}));
    EXPECT_TRUE(chart.chart()->legend()->isVisible());
    const QList<QAbstractSeries *> series = chart.chart()->series();
    ASSERT_EQ(series.size(), 2);
    const auto *ref = qobject_cast<QLineSeries *>(series[1]);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->pen(), QPen(refColor, 1.5, Qt::DashLine));
    EXPECT_EQ(ref->count(), 0) << "the chart paints the traces; the series only name them";
    EXPECT_EQ(chart.tracePen(1), ref->pen());
}

TEST_F(StripTraces, StaleTracesAreVeiledAndShownAgainByTheNextData)
{
    Plot(1000, 3000);
    chart.setStale(true);
    QImage img = Shot();
    EXPECT_EQ(Near(img, At(50, 1000), sigColor), 0) << "under the grey veil";
    chart.setStale(false);
    img = Shot();
    EXPECT_GT(Near(img, At(50, 1000), sigColor), 0);
}

// The traces' pens are 1.5 wide: a level trace lies two pixels thick, and a dashed one keeps the
// wide pen's dashes (six pixels, three apart), however the rasteriser is asked to draw them.
TEST_F(StripTraces, AWidePenIsTwoPixelsThickWithItsOwnDashes)
{
    Plot(1000, 3000);
    const QImage img = Shot();
    const QPoint sig = At(50, 1000);
    int thick = 0;
    for (int dy = -4; dy <= 4; ++dy)
        thick += img.pixelColor(sig + QPoint(0, dy)) == sigColor;
    EXPECT_EQ(thick, 2);

    // Along REF's row (either of its two), the runs of its colour and of what lies between.
    const QPoint ref = At(50, 3000);
    int row = ref.y() - 2;
    while (row <= ref.y() + 2 && img.pixelColor(ref.x() - 3, row) != refColor &&
           img.pixelColor(ref.x(), row) != refColor && img.pixelColor(ref.x() + 3, row) != refColor)
        ++row;
    ASSERT_LE(row, ref.y() + 2) << "REF is drawn near its value";
    std::vector<int> dashes, gaps;
    int run = 0;
    bool inDash = false;
    for (int x = At(10, 0).x(); x < At(90, 0).x(); ++x) {
        const bool on = img.pixelColor(x, row) == refColor;
        if (on != inDash && run > 0)
            (inDash ? dashes : gaps).push_back(run), run = 0;
        inDash = on;
        ++run;
    }
    ASSERT_GT(dashes.size(), 10u);
    dashes.erase(dashes.begin()); // the runs cut by where the count starts
    gaps.erase(gaps.begin());
    for (int d : dashes)
        EXPECT_NEAR(d, 6, 1);
    for (int g : gaps)
        EXPECT_NEAR(g, 3, 1);
}
