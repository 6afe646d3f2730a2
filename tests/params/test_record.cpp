// The parameter record's wire layout and the HOLD conversion, without a window.
#include "params/record.h"

#include <gtest/gtest.h>

#include <array>

TEST(HoldConversion, PageMillisecondsToTenthsTruncated)
{
    struct Case {
        double ms;
        uint16_t field;
    } cases[] = {
        {12.5, 125}, {12.55, 125},    {12.59, 125}, {0.7, 7},  {10.0, 100},
        {0.0, 0},    {6553.5, 65535}, {0.09, 0},    {8.2, 82}, {6553.6, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(HoldFieldFromMs(c.ms), c.field) << c.ms;
}

TEST(HoldConversion, EveryFieldSurvivesThePageUnchanged)
{
    // Whatever the sensor holds comes back unchanged when the page is sent again.
    for (int field = 0; field <= 0xFFFF; ++field)
        ASSERT_EQ(HoldFieldFromMs(HoldMsFromField(uint16_t(field))), field);
    EXPECT_DOUBLE_EQ(HoldMsFromField(7), 0.7);
}

TEST(RecordWire, FieldsLieLittleEndianInRecordOrder)
{
    ParameterRecord r;
    for (int i = 0; i < kParameterRecordSize / 2; ++i)
        r.*kRecordFields[i] = uint16_t(0x0100 * (i + 1) + i); // high byte i + 1, low byte i
    std::array<uint8_t, kParameterRecordSize> bytes{};
    RecordToBytes(r, bytes.data());
    for (int k = 0; k < kParameterRecordSize / 2; ++k) {
        EXPECT_EQ(bytes[2 * k], k) << "field " << k;
        EXPECT_EQ(bytes[2 * k + 1], k + 1) << "field " << k;
    }
    // The named fields where the layout is easy to get wrong: the tail order and HOLD.
    EXPECT_EQ(kRecordFields[14], &ParameterRecord::Hold);
    EXPECT_EQ(kRecordFields[24], &ParameterRecord::EvaluationMode);
    EXPECT_EQ(kRecordFields[25], &ParameterRecord::DeadTime);

    const ParameterRecord back = RecordFromBytes(bytes.data());
    for (uint16_t ParameterRecord::*field : kRecordFields)
        EXPECT_EQ(back.*field, r.*field);
}

TEST(RecordWire, TtUp60000TravelsAs60EAAtOffset34)
{
    ParameterRecord r;
    r.TtUp = 60000;
    std::array<uint8_t, kParameterRecordSize> bytes{};
    RecordToBytes(r, bytes.data());
    EXPECT_EQ(bytes[34], 0x60);
    EXPECT_EQ(bytes[35], 0xEA);
    // The defaults, as a sensor would see them.
    EXPECT_EQ(bytes[2], 0xF4); // POWER CH0 500
    EXPECT_EQ(bytes[3], 0x01);
    EXPECT_EQ(bytes[28], 100); // HOLD 10.0 ms
    EXPECT_EQ(bytes[29], 0);
}
