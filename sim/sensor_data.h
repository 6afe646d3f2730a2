// Data the simulated sensor keeps and sends: the 26-word parameter record with its defaults and
// plausibility check, the live data frame, the conversion table and data, and the fixed sizes of
// the order payloads. Plain values and pure functions; the orders themselves live in
// sensor_model.h.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

inline constexpr int kParamCount = 26;
inline constexpr int kParamBytes = 2 * kParamCount; // 52
inline constexpr int kFirmwareIdBytes = 72;
inline constexpr int kMaxNameBytes = 256;
inline constexpr int kDataFrameBytes = 20;
inline constexpr int kConvRows = 64;
inline constexpr int kConvTableBytes = 4 * kConvRows; // 256
inline constexpr int kConvDataEntries = 1024;
inline constexpr int kConvBlockEntries = 256;
inline constexpr int kConvBlockBytes = 2 * kConvBlockEntries; // 512
inline constexpr uint16_t kConvBlockFirst = 0x1A00; // block n has address 0x1A00 + n * 0x100
inline constexpr int kConvBlockCount = 4;
inline constexpr int kHwInfoBytes = 512;
inline constexpr uint16_t kHwInfoAccessCode = 0x3C5A;
inline constexpr int kCycleTimeBytes = 8;
inline constexpr int kScopeRequestBytes = 8;
inline constexpr int kScopeSamples = 128;
inline constexpr int kScopeBlockBytes = 2 * kScopeSamples + 2; // 258
inline constexpr int kScopeBlockCount = 4;
inline constexpr int kBaudIndexDefault = 4; // 115200

// Index of each word of the parameter record, in wire order.
enum Param : int {
    kPowerSource,
    kPowerCh0,
    kPowerCh1,
    kPowerMode,
    kDynWinLo,
    kDynWinHi,
    kLedMode,
    kGain,
    kAverage,
    kIntegral,
    kAnalogOutMode,
    kAnalogRange,
    kAnalogOut,
    kDigitalOutMode,
    kHold,
    kThresholdMode,
    kThresholdTracing,
    kTtUp,
    kTtDown,
    kThresholdCalc,
    kTeachValue,
    kTolerance,
    kHysteresis,
    kExternTeach,
    kEvaluationMode,
    kDeadTime,
};

using ParamRecord = std::array<uint16_t, kParamCount>;

// The set a sensor starts with and falls back to when a set fails its plausibility check.
ParamRecord DefaultParams();

// 52 bytes, little-endian words in record order.
std::vector<uint8_t> PackParams(const ParamRecord &params);
// Reads up to 52 bytes of `bytes`; words that `length` does not cover are 0.
ParamRecord UnpackParams(const uint8_t *bytes, int length);

// The sensor's plausibility check: 0 when the set is usable, else the 1-based number of the
// first word that is out of range or contradicts another (the sensor reports it as the answer's
// argument).
int CheckParams(const ParamRecord &params);

// Baud rate of a baud-rate index; indices outside 0..7 mean 115200, as on the PC side.
int BaudRateOfIndex(int index);

// One row of the conversion table: the measured signal and the value to output for it.
struct ConvPoint {
    int16_t actual = -1;
    int16_t set = -1;
    bool operator==(const ConvPoint &) const = default;
};
using ConvTable = std::array<ConvPoint, kConvRows>;
using ConvData = std::array<int16_t, kConvDataEntries>; // entry k is for signal 4k

// (0, 0), 62 disabled rows, (4095, 10000).
ConvTable DefaultConvTable();
// A straight line: entry k = 4k, so the converted output equals the signal.
ConvData DefaultConvData();
std::vector<uint8_t> PackConvTable(const ConvTable &table);
ConvTable UnpackConvTable(const uint8_t *bytes); // 256 bytes

// The live data frame (answer to order 8 and frames of the automatic sending).
struct DataFrame {
    int16_t ch0 = 0;
    int16_t ch1 = 0;
    int16_t temp = 0;
    int16_t ref = 0;
    int16_t sig = 0;
    int16_t max = 0;
    int16_t min = 0;
    uint8_t digBits = 0; // bit 0 OUT0, bit 1 OUT1
    uint8_t spare = 0;
    uint16_t digState = 0; // bit 0 IN0, bit 1 IN1
    int16_t anaOut = 0;

    std::vector<uint8_t> Pack() const; // 20 bytes
    static DataFrame Unpack(const uint8_t *bytes);
};

// Little-endian helpers for payload building.
void AppendU16(std::vector<uint8_t> &out, uint16_t v);
void AppendU32(std::vector<uint8_t> &out, uint32_t v);
inline int16_t GetI16(const uint8_t *p)
{
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

} // namespace sim
