// The arithmetic of the conversion data: row classification, the interpolation and the scaling
// to the 1024 entries the sensor stores.
#include "convtable/convcalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Calc {
    std::vector<double> x = std::vector<double>(kConvDataSize);
    std::vector<double> y = std::vector<double>(kConvDataSize);
    std::vector<double> data = std::vector<double>(kConvDataSize, 0.0);
    int errorRow = 0;
};

Calc Calculate(const ConvRows &rows, double fill = 0.0)
{
    Calc c;
    std::fill(c.data.begin(), c.data.end(), fill);
    c.errorRow = CollectConvPoints(rows, c.x.data(), c.y.data());
    if (c.errorRow == 0)
        InterpolateConvData(c.x.data(), c.y.data(), c.data.data());
    return c;
}

ConvRows Rows(std::initializer_list<ConvRow> list)
{
    ConvRows rows{};
    size_t i = 0;
    for (const ConvRow &r : list)
        rows[i++] = r;
    return rows;
}

} // namespace

TEST(ConvCalc, DefaultTableIsOneStraightLineScaledBackToTheSignal)
{
    const Calc c = Calculate(DefaultConvRows());
    ASSERT_EQ(c.errorRow, 0);
    for (int i = 0; i < kConvDataSize; ++i)
        ASSERT_NEAR(c.data[size_t(i)], i * 10000.0 / 4095.0, 1e-9) << i;
    EXPECT_EQ(c.data[0], 0.0);
    int16_t e[kConvSentEntries];
    ASSERT_TRUE(ScaleConvData(c.data.data(), e));
    for (int k = 0; k < kConvSentEntries; ++k)
        ASSERT_TRUE(e[k] == 4 * k || e[k] == 4 * k - 1) << k << ": " << e[k];
    EXPECT_EQ(e[0], 0);
}

TEST(ConvCalc, RowOrderDoesNotMatterAndTheLowerDuplicateWins)
{
    const ConvRows up = Rows({{0, 100}, {1000, 3000}, {2500, 2000}, {4095, 9000}});
    const ConvRows down = Rows({{4095, 9000}, {2500, 2000}, {1000, 3000}, {0, 100}});
    EXPECT_EQ(Calculate(up).data, Calculate(down).data);

    // Two rows at 1000: the one further down gives the point.
    const ConvRows dup = Rows({{0, 100}, {1000, 7777}, {2500, 2000}, {1000, 3000}, {4095, 9000}});
    const Calc c = Calculate(dup);
    EXPECT_EQ(c.data[1000], 3000.0);
    EXPECT_EQ(c.data, Calculate(up).data);
}

TEST(ConvCalc, RowClassification)
{
    EXPECT_EQ(ClassifyConvRow(-1, 0), ConvRowKind::kError);
    EXPECT_EQ(ClassifyConvRow(-32768, -1), ConvRowKind::kSkipped);
    EXPECT_EQ(ClassifyConvRow(4095, 0), ConvRowKind::kPoint);
    EXPECT_EQ(ClassifyConvRow(4096, 100), ConvRowKind::kError);

    // In a table: the first error row is reported, ignored rows leave no point.
    ConvRows rows = DefaultConvRows();
    rows[4] = {-1, -5};
    rows[5] = {-3, 700};
    rows[6] = {300, -5};
    const Calc c = Calculate(rows);
    ASSERT_EQ(c.errorRow, 0);
    EXPECT_EQ(c.data[300], -5.0);
    rows[9] = {-1, 500};
    rows[20] = {300, -1};
    EXPECT_EQ(Calculate(rows).errorRow, 10);
    rows[9] = {-1, -1};
    EXPECT_EQ(Calculate(rows).errorRow, 21);
    rows[20] = {5000, 10};
    EXPECT_EQ(Calculate(rows).errorRow, 21) << "a signal value beyond 4095 is refused";
}

TEST(ConvCalc, WithoutAPointAtZeroTheFirstSegmentStartsBelowTheRange)
{
    // (-1, -1) to (999, 1999): slope 2, so entry i holds 2i + 1; nothing is written before 0.
    const Calc c = Calculate(Rows({{999, 1999}, {2000, 1999}}), 42.0);
    ASSERT_EQ(c.errorRow, 0);
    EXPECT_EQ(c.data[0], 1.0);
    EXPECT_EQ(c.data[500], 1001.0);
    EXPECT_EQ(c.data[999], 1999.0);
    EXPECT_EQ(c.data[2000], 1999.0);
    EXPECT_EQ(c.data[2001], 42.0) << "entries beyond the last point keep their value";
}

TEST(ConvCalc, ScalingRefusesACurveWithoutPositiveMaximum)
{
    std::vector<double> data(kConvDataSize, 0.0);
    int16_t e[kConvSentEntries] = {7};
    EXPECT_FALSE(ScaleConvData(data.data(), e));
    std::fill(data.begin(), data.end(), -20.0);
    EXPECT_FALSE(ScaleConvData(data.data(), e));
    EXPECT_EQ(e[0], 7);

    // Negative values scale like the rest, truncated toward zero, and never wrap around.
    std::fill(data.begin(), data.end(), 0.0);
    data[4] = 2.0;
    data[8] = -1.5;
    data[12] = -100000.0;
    ASSERT_TRUE(ScaleConvData(data.data(), e));
    EXPECT_EQ(e[1], 4095);
    EXPECT_EQ(e[2], -3071);
    EXPECT_EQ(e[3], -32768);
}
