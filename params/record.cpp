#include "params/record.h"

#include <cmath>

ParameterRecord Parameters;

void RecordToBytes(const ParameterRecord &r, uint8_t *out)
{
    for (uint16_t ParameterRecord::*field : kRecordFields) {
        const uint16_t v = r.*field;
        *out++ = uint8_t(v & 0xFF);
        *out++ = uint8_t(v >> 8);
    }
}

ParameterRecord RecordFromBytes(const uint8_t *in)
{
    ParameterRecord r;
    for (uint16_t ParameterRecord::*field : kRecordFields) {
        r.*field = uint16_t(in[0] | (in[1] << 8));
        in += 2;
    }
    return r;
}

uint16_t HoldFieldFromMs(double ms)
{
    if (!std::isfinite(ms))
        return 0;
    // Truncated toward zero; the field keeps the low 16 bits, also of values the HOLD control
    // could never hold (it stops at 6553.5 ms).
    const double tenths = std::fmod(std::trunc(ms * 10.0), 65536.0);
    return uint16_t(int32_t(tenths) & 0xFFFF);
}

double HoldMsFromField(uint16_t field)
{
    return field / 10.0;
}
