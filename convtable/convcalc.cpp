#include "convtable/convcalc.h"

#include <algorithm>
#include <cmath>

ConvRows DefaultConvRows()
{
    ConvRows rows{};
    rows.front() = {0, 0};
    rows.back() = {4095, 10000};
    return rows;
}

void PackConvRows(const ConvRows &rows, uint8_t *image)
{
    for (const ConvRow &r : rows) {
        for (int16_t v : {r.actual, r.set}) {
            const auto u = uint16_t(v);
            *image++ = uint8_t(u & 0xFF);
            *image++ = uint8_t(u >> 8);
        }
    }
}

ConvRows UnpackConvRows(const uint8_t *image)
{
    ConvRows rows{};
    for (ConvRow &r : rows) {
        r.actual = int16_t(uint16_t(image[0] | (image[1] << 8)));
        r.set = int16_t(uint16_t(image[2] | (image[3] << 8)));
        image += 4;
    }
    return rows;
}

ConvRowKind ClassifyConvRow(int actual, int set)
{
    if (actual == kConvDisabled)
        return set >= 0 ? ConvRowKind::kError : ConvRowKind::kDisabled;
    if (actual < kConvDisabled)
        return ConvRowKind::kSkipped;
    // A signal value beyond 4095 has no place in the conversion data.
    if (set == kConvDisabled || actual > kConvMaxActual)
        return ConvRowKind::kError;
    return ConvRowKind::kPoint;
}

int CollectConvPoints(const ConvRows &rows, double *x, double *y)
{
    std::fill(x, x + kConvDataSize, -1.0);
    std::fill(y, y + kConvDataSize, -1.0);
    for (int i = 0; i < kConvTableRows; ++i) {
        const ConvRow &r = rows[size_t(i)];
        switch (ClassifyConvRow(r.actual, r.set)) {
        case ConvRowKind::kError: return i + 1;
        case ConvRowKind::kPoint:
            x[r.actual] = r.actual;
            y[r.actual] = r.set;
            break;
        default: break;
        }
    }
    return 0;
}

void InterpolateConvData(const double *x, const double *y, double *convData)
{
    int m = 0; // the last point seen; entry 0 even when no point lies there
    for (int l = 1; l < kConvDataSize; ++l) {
        if (x[l] == -1.0)
            continue;
        const double d = x[l] - x[m];
        const double slope = (y[l] - y[m]) / d;
        const int n = int(std::trunc(d));
        const int k0 = int(std::trunc(x[m]));
        for (int j = 0; j <= n; ++j) {
            const int k = k0 + j;
            // Without a point at 0 the first segment starts at the unset entry -1.
            if (k >= 0 && k < kConvDataSize)
                convData[k] = slope * j + y[m];
        }
        m = l;
    }
}

bool ScaleConvData(const double *convData, int16_t *entries)
{
    const double max = *std::max_element(convData, convData + kConvDataSize);
    if (!(max > 0.0))
        return false;
    for (int k = 0; k < kConvSentEntries; ++k) {
        const double v = std::trunc(convData[4 * k] * 4095.0 / max);
        entries[k] = int16_t(std::clamp(v, -32768.0, 32767.0));
    }
    return true;
}
