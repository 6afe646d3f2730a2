// The sensor's parameter set: 26 unsigned 16-bit fields, sent and received as they lie in
// memory (52 bytes, little-endian, no gaps), mirrored by one control each on the parameter and
// threshold pages.
#pragma once

#include <cstdint>

struct ParameterRecord {
    uint16_t PowerSource = 0;
    uint16_t PowerCh0 = 500;
    uint16_t PowerCh1 = 500;
    uint16_t PowerMode = 0;
    uint16_t DynWinLo = 3200;
    uint16_t DynWinHi = 3300;
    uint16_t LedMode = 0;
    uint16_t Gain = 5;
    uint16_t Average = 1;
    uint16_t Integral = 1;
    uint16_t AnalogOutmode = 0;
    uint16_t AnalogRange = 0;
    uint16_t AnalogOut = 0;
    uint16_t DigitalOutmode = 1;
    uint16_t Hold = 100; // 0.1 ms units
    uint16_t ThresholdMode = 0;
    uint16_t ThresholdTracing = 0;
    uint16_t TtUp = 100;
    uint16_t TtDown = 100;
    uint16_t ThresholdCalc = 1;
    uint16_t TeachValue = 2000;
    uint16_t Tolerance = 20;
    uint16_t Hysteresis = 10;
    uint16_t ExternTeach = 0;
    uint16_t EvaluationMode = 0;
    uint16_t DeadTime = 0;
};
static_assert(sizeof(ParameterRecord) == 52, "the record travels as 52 bytes");

inline constexpr int kParameterRecordSize = 52;

// The one process-wide record.
extern ParameterRecord Parameters;

// The 52 wire bytes of a record and back (little-endian whatever the host).
void RecordToBytes(const ParameterRecord &r, uint8_t *out);
ParameterRecord RecordFromBytes(const uint8_t *in);
