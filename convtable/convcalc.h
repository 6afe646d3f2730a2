// The conversion table as values and the arithmetic on it: the 64 rows and their wire image, the
// classification of a row, the piecewise-linear conversion data (one value per signal value
// 0..4095) and its scaling to the 1024 entries the sensor stores. Pure functions only.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kConvTableRows = 64;
inline constexpr int kConvTableImageBytes = 4 * kConvTableRows; // 256
inline constexpr int kConvDataSize = 4096;                      // one value per signal value
inline constexpr int kConvMaxActual = kConvDataSize - 1;        // 4095
inline constexpr int kConvSentEntries = 1024;                   // entry k is for signal 4k
inline constexpr int kConvBlockEntries = 256;
inline constexpr int kConvBlockCount = 4;
inline constexpr uint16_t kConvBlockAddress[kConvBlockCount] = {0x1A00, 0x1B00, 0x1C00, 0x1D00};
inline constexpr int16_t kConvDisabled = -1;

struct ConvRow {
    int16_t actual = kConvDisabled; // ACTUAL VALUE: the signal at this point
    int16_t set = kConvDisabled;    // SETVALUE: the output wanted there
    bool operator==(const ConvRow &) const = default;
};
using ConvRows = std::array<ConvRow, kConvTableRows>;

// Rows 1 (0, 0) and 64 (4095, 10000), all others disabled.
ConvRows DefaultConvRows();

// The wire image: the rows in order, each ACTUAL VALUE then SETVALUE, signed 16-bit
// little-endian.
void PackConvRows(const ConvRows &rows, uint8_t *image);
ConvRows UnpackConvRows(const uint8_t *image);

enum class ConvRowKind {
    kPoint,    // a point of the curve
    kDisabled, // both cells off (ACTUAL VALUE -1, SETVALUE negative)
    kSkipped,  // ACTUAL VALUE below -1: not part of the table
    kError,    // exactly one cell set, or an ACTUAL VALUE beyond the signal range
};
ConvRowKind ClassifyConvRow(int actual, int set);

// Fills the point arrays (kConvDataSize entries each, indexed by ACTUAL VALUE, -1.0 where no
// point lies) from the rows; a later row with the same ACTUAL VALUE replaces an earlier one.
// Returns 0, or the number (1..64) of the first row in error; the arrays are then incomplete.
int CollectConvPoints(const ConvRows &rows, double *x, double *y);

// The straight lines between neighbouring points written into convData (kConvDataSize
// entries), from the point at 0 (or the unset entry before the first point) to the last point.
// Entries outside that span keep their values.
void InterpolateConvData(const double *x, const double *y, double *convData);

// Entry k = convData[4k] scaled so that the curve's maximum becomes 4095, truncated toward zero
// (and held within the signed 16-bit range). False, and nothing written, when the maximum is 0
// or below: such a curve cannot be scaled.
bool ScaleConvData(const double *convData, int16_t *entries);
