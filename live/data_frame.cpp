#include "live/data_frame.h"

#include "link/frame.h"

DataFrameRec DataFrame;

DataFrameRec DataFrameFromBytes(const uint8_t *b)
{
    auto s16 = [b](int offset) { return int16_t(frame::GetU16(b + offset)); };
    DataFrameRec f;
    f.Ch0 = s16(0);
    f.Ch1 = s16(2);
    f.Temp = s16(4);
    f.Ref = s16(6);
    f.Sig = s16(8);
    f.Max = s16(10);
    f.Min = s16(12);
    f.DigBits = b[14];
    f.Spare = b[15];
    f.DigState = frame::GetU16(b + 16);
    f.AnaOut = s16(18);
    return f;
}

double AnaOutVolts(int16_t anaOut)
{
    return anaOut * 10.0 / 4095.0;
}

double AnaOutMilliamps(int16_t anaOut)
{
    return anaOut * 16.0 / 4095.0 + 4.0;
}

bool InputLedsOf(uint16_t digState, bool *first, bool *second)
{
    if (digState > 3)
        return false;
    *first = (digState & 1) != 0;
    *second = (digState & 2) != 0;
    return true;
}
