// The record file's bytes and the record-time arithmetic.
#include "recorder/record_file.h"

#include "common/harness.h"

#include <gtest/gtest.h>

namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second)
{
    return CalendarTime(year, month, day, hour, minute, second);
}

} // namespace

TEST(RecordFileHeader, ExactBytesInBothLanguages)
{
    EXPECT_EQ(RecordFileHeader(1, "ORVANTE2 Scope V1.3", "S-17"),
              "\nRecord results of: ORVANTE2 Scope V1.3\r\nPanel ID: S-17\r\n\r\n"
              "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n");
    EXPECT_EQ(RecordFileHeader(0, "ORVANTE2 Scope V1.3", "S-17"),
              "\nErgebnisse von ... aufzeichnen:ORVANTE2 Scope V1.3\r\nFenster ID:S-17\r\n\r\n"
              "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n");
}

TEST(RecordFileHeader, WithoutIdTheEmptyLineFollowsTheFirst)
{
    EXPECT_EQ(RecordFileHeader(1, "P", ""),
              "\nRecord results of: P\r\n\r\nDATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n");
    EXPECT_EQ(RecordFileHeader(0, "P", nullptr),
              "\nErgebnisse von ... aufzeichnen:P\r\n\r\nDATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n");
}

TEST(RecordLine, SignedValuesDateAndTime)
{
    DataFrameRec f;
    f.Ch0 = 1234;
    f.Ch1 = -16;
    f.Temp = 412;
    f.Sig = 2048;
    f.Ref = 999; // not part of the line
    EXPECT_EQ(RecordLine(f, At(2026, 3, 14, 9, 5, 7)),
              "03-14-2026\t09:05:07\t1234\t-16\t412\t2048\r\n");
    f = {};
    f.Ch0 = -32768;
    f.Sig = 32767;
    EXPECT_EQ(RecordLine(f, At(1999, 12, 31, 23, 59, 59)),
              "12-31-1999\t23:59:59\t-32768\t0\t0\t32767\r\n");
}

TEST(RecordTime, IntervalNeverBelowTheMinimum)
{
    EXPECT_DOUBLE_EQ(ClampedRecInterval(0.1), 0.25);
    EXPECT_DOUBLE_EQ(ClampedRecInterval(-3), 0.25);
    EXPECT_DOUBLE_EQ(ClampedRecInterval(0.0 / 0.0), 0.25);
    EXPECT_DOUBLE_EQ(ClampedRecInterval(0.25), 0.25);
    EXPECT_DOUBLE_EQ(ClampedRecInterval(0.3), 0.3);
}

TEST(RecordTime, SplitIntoDaysHoursMinutesSeconds)
{
    struct Case {
        double interval;
        unsigned values;
        int days, hours, minutes;
        double seconds;
    } cases[] = {
        {0.25, 1000, 0, 0, 4, 10.0},      {3600, 30, 1, 6, 0, 0.0}, {1.5, 65535, 1, 3, 18, 22.5},
        {86400, 65535, 65535, 0, 0, 0.0}, {0.25, 0, 0, 0, 0, 0.0},
    };
    for (const Case &c : cases) {
        const RecordTime t = SplitRecordTime(c.interval, c.values);
        EXPECT_EQ(t.days, c.days) << c.interval << " x " << c.values;
        EXPECT_EQ(t.hours, c.hours) << c.interval << " x " << c.values;
        EXPECT_EQ(t.minutes, c.minutes) << c.interval << " x " << c.values;
        EXPECT_NEAR(t.seconds, c.seconds, 1e-9) << c.interval << " x " << c.values;
    }
}
