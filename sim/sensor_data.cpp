#include "sim/sensor_data.h"

namespace sim {

ParamRecord DefaultParams()
{
    ParamRecord p{};
    p[kPowerSource] = 0;
    p[kPowerCh0] = 500;
    p[kPowerCh1] = 500;
    p[kPowerMode] = 0;
    p[kDynWinLo] = 3200;
    p[kDynWinHi] = 3300;
    p[kLedMode] = 0;
    p[kGain] = 5;
    p[kAverage] = 1;
    p[kIntegral] = 1;
    p[kAnalogOutMode] = 0;
    p[kAnalogRange] = 0;
    p[kAnalogOut] = 0;
    p[kDigitalOutMode] = 1;
    p[kHold] = 100;
    p[kThresholdMode] = 0;
    p[kThresholdTracing] = 0;
    p[kTtUp] = 100;
    p[kTtDown] = 100;
    p[kThresholdCalc] = 1;
    p[kTeachValue] = 2000;
    p[kTolerance] = 20;
    p[kHysteresis] = 10;
    p[kExternTeach] = 0;
    p[kEvaluationMode] = 0;
    p[kDeadTime] = 0;
    return p;
}

std::vector<uint8_t> PackParams(const ParamRecord &params)
{
    std::vector<uint8_t> out;
    out.reserve(kParamBytes);
    for (uint16_t v : params)
        AppendU16(out, v);
    return out;
}

ParamRecord UnpackParams(const uint8_t *bytes, int length)
{
    ParamRecord p{};
    for (int i = 0; i < kParamCount && 2 * i + 1 < length; ++i)
        p[i] = uint16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return p;
}

int CheckParams(const ParamRecord &p)
{
    // Upper limits of the enumerations and ranges the firmware knows. Fields whose meaning is
    // the firmware's own (HOLD, AVERAGE, EVALUATION MODE) are taken as they come.
    struct Limit {
        Param field;
        uint16_t max;
    };
    static constexpr Limit kLimits[] = {
        {kPowerSource, 6},    {kPowerCh0, 1000},   {kPowerCh1, 1000},      {kPowerMode, 1},
        {kDynWinLo, 4095},    {kDynWinHi, 4095},   {kLedMode, 1},          {kGain, 12},
        {kIntegral, 250},     {kAnalogOutMode, 2}, {kAnalogRange, 2},      {kAnalogOut, 1},
        {kDigitalOutMode, 2}, {kThresholdMode, 2}, {kThresholdTracing, 2}, {kTtUp, 60000},
        {kTtDown, 60000},     {kThresholdCalc, 1}, {kTeachValue, 4095},    {kTolerance, 4095},
        {kHysteresis, 4095},  {kExternTeach, 5},   {kDeadTime, 100},
    };
    int bad = kParamCount;
    for (const Limit &l : kLimits) {
        if (p[l.field] > l.max && l.field < bad)
            bad = l.field;
    }
    if (p[kDynWinLo] > p[kDynWinHi] && kDynWinHi < bad)
        bad = kDynWinHi;
    // Dynamic teach needs a transmitter.
    if (p[kPowerSource] == 6 && p[kExternTeach] == 2 && kExternTeach < bad)
        bad = kExternTeach;
    return bad == kParamCount ? 0 : bad + 1;
}

int BaudRateOfIndex(int index)
{
    static constexpr int kRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    return index >= 0 && index < 8 ? kRates[index] : 115200;
}

ConvTable DefaultConvTable()
{
    ConvTable t;
    t.fill(ConvPoint{});
    t.front() = {0, 0};
    t.back() = {4095, 10000};
    return t;
}

ConvData DefaultConvData()
{
    ConvData d{};
    for (int k = 0; k < kConvDataEntries; ++k)
        d[k] = int16_t(4 * k);
    return d;
}

std::vector<uint8_t> PackConvTable(const ConvTable &table)
{
    std::vector<uint8_t> out;
    out.reserve(kConvTableBytes);
    for (const ConvPoint &row : table) {
        AppendU16(out, uint16_t(row.actual));
        AppendU16(out, uint16_t(row.set));
    }
    return out;
}

ConvTable UnpackConvTable(const uint8_t *bytes)
{
    ConvTable t;
    for (int i = 0; i < kConvRows; ++i)
        t[i] = {GetI16(bytes + 4 * i), GetI16(bytes + 4 * i + 2)};
    return t;
}

std::vector<uint8_t> DataFrame::Pack() const
{
    std::vector<uint8_t> out;
    out.reserve(kDataFrameBytes);
    for (int16_t v : {ch0, ch1, temp, ref, sig, max, min})
        AppendU16(out, uint16_t(v));
    out.push_back(digBits);
    out.push_back(spare);
    AppendU16(out, digState);
    AppendU16(out, uint16_t(anaOut));
    return out;
}

DataFrame DataFrame::Unpack(const uint8_t *b)
{
    DataFrame f;
    f.ch0 = GetI16(b);
    f.ch1 = GetI16(b + 2);
    f.temp = GetI16(b + 4);
    f.ref = GetI16(b + 6);
    f.sig = GetI16(b + 8);
    f.max = GetI16(b + 10);
    f.min = GetI16(b + 12);
    f.digBits = b[14];
    f.spare = b[15];
    f.digState = uint16_t(b[16] | (b[17] << 8));
    f.anaOut = GetI16(b + 18);
    return f;
}

void AppendU16(std::vector<uint8_t> &out, uint16_t v)
{
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
}

void AppendU32(std::vector<uint8_t> &out, uint32_t v)
{
    AppendU16(out, uint16_t(v & 0xFFFF));
    AppendU16(out, uint16_t(v >> 16));
}

} // namespace sim
