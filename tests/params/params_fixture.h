// What the parameter tests share: a set with every field off its default, the record
// comparison, and the real panels with a fresh record.
#pragma once

#include "common/harness.h"

#include "live/data_frame.h"
#include "params/record.h"
#include "params/transfer.h"

// Every field off its default, within the ranges of the controls, and left alone by the rules.
inline ParameterRecord OddSet()
{
    ParameterRecord r;
    const uint16_t values[] = {0, 700, 800, 1, 1000,  2000, 1, 7,    4,  9,  2, 2,  1,
                               2, 7,   2,   2, 60000, 333,  0, 1500, 44, 33, 5, 17, 50};
    for (int i = 0; i < kParameterRecordSize / 2; ++i)
        r.*kRecordFields[i] = values[i];
    return r;
}

inline void ExpectRecord(const ParameterRecord &got, const ParameterRecord &want)
{
    for (int i = 0; i < kParameterRecordSize / 2; ++i)
        EXPECT_EQ(got.*kRecordFields[i], want.*kRecordFields[i]) << "field " << i;
}

inline std::vector<uint8_t> Bytes(const ParameterRecord &r)
{
    std::vector<uint8_t> b(kParameterRecordSize);
    RecordToBytes(r, b.data());
    return b;
}

class ParamsTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        Parameters = ParameterRecord{};
        DataFrame = DataFrameRec{};
    }
    static int P() { return AppState.TabParam; }
    static int T() { return AppState.TabThreshold; }
    static int Val(int panel, int control)
    {
        int v = -1;
        GetCtrlVal(panel, control, &v);
        return v;
    }
    static bool Visible(int panel, int control)
    {
        int v = 0;
        GetCtrlAttribute(panel, control, ATTR_VISIBLE, &v);
        return v != 0;
    }
    // What the pages hold, leaving the record alone.
    static ParameterRecord Pages()
    {
        const ParameterRecord kept = Parameters;
        GetPanelValues();
        const ParameterRecord shown = Parameters;
        Parameters = kept;
        return shown;
    }
};
