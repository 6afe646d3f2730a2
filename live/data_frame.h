// The live data frame: the 20 bytes the sensor answers to order 8 (and sends on its own while
// automatic sending is on), decoded into signed fields, and the conversions its displays need.
// Pure values and functions; the one process-wide frame is written by the live loop and the
// recorder and read by the teach and assign buttons.
#pragma once

#include <cstdint>

inline constexpr int kDataFrameSize = 20;

struct DataFrameRec {
    int16_t Ch0 = 0;       // receiver channel CH0
    int16_t Ch1 = 0;       // receiver channel CH1
    int16_t Temp = 0;      // temperature inside the sensor, raw units
    int16_t Ref = 0;       // reference REF of the switching threshold
    int16_t Sig = 0;       // evaluation signal SIG
    int16_t Max = 0;       // word at offset 10: maximum while IN0 was high
    int16_t Min = 0;       // word at offset 12: minimum while IN0 was high
    uint8_t DigBits = 0;   // bits 0 and 1: the two outputs (LED pair A)
    uint8_t Spare = 0;     // offset 15, not used
    uint16_t DigState = 0; // 0..3: the two inputs (LED pair B)
    int16_t AnaOut = 0;    // analog output, 0..4095
};

// The latest frame; all zeros until the first one arrives.
extern DataFrameRec DataFrame;

// Decodes kDataFrameSize little-endian bytes.
DataFrameRec DataFrameFromBytes(const uint8_t *bytes);

// The analog output in volts (0..10 V) and in milliamperes (4..20 mA).
double AnaOutVolts(int16_t anaOut);
double AnaOutMilliamps(int16_t anaOut);

// LED pair B from DigState: false for a value beyond 3, which leaves the LEDs as they are.
bool InputLedsOf(uint16_t digState, bool *first, bool *second);
