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

// The fields in record (wire) order.
inline constexpr uint16_t ParameterRecord::*kRecordFields[kParameterRecordSize / 2] = {
    &ParameterRecord::PowerSource,
    &ParameterRecord::PowerCh0,
    &ParameterRecord::PowerCh1,
    &ParameterRecord::PowerMode,
    &ParameterRecord::DynWinLo,
    &ParameterRecord::DynWinHi,
    &ParameterRecord::LedMode,
    &ParameterRecord::Gain,
    &ParameterRecord::Average,
    &ParameterRecord::Integral,
    &ParameterRecord::AnalogOutmode,
    &ParameterRecord::AnalogRange,
    &ParameterRecord::AnalogOut,
    &ParameterRecord::DigitalOutmode,
    &ParameterRecord::Hold,
    &ParameterRecord::ThresholdMode,
    &ParameterRecord::ThresholdTracing,
    &ParameterRecord::TtUp,
    &ParameterRecord::TtDown,
    &ParameterRecord::ThresholdCalc,
    &ParameterRecord::TeachValue,
    &ParameterRecord::Tolerance,
    &ParameterRecord::Hysteresis,
    &ParameterRecord::ExternTeach,
    &ParameterRecord::EvaluationMode,
    &ParameterRecord::DeadTime,
};

// The 52 wire bytes of a record and back (little-endian whatever the host).
void RecordToBytes(const ParameterRecord &r, uint8_t *out);
ParameterRecord RecordFromBytes(const uint8_t *in);

// HOLD is shown in milliseconds: the field counts 0.1 ms. A page value becomes a field by
// truncation toward zero (12.55 ms -> 125), keeping the low 16 bits of the result.
uint16_t HoldFieldFromMs(double ms);
double HoldMsFromField(uint16_t field);
