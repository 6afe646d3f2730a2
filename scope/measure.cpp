#include "scope/measure.h"

#include <algorithm>
#include <cmath>

CursorStats CursorStatsOf(const ScopeTrace &trace, double x1, double x2)
{
    CursorStats s;
    if (!std::isfinite(x1) || !std::isfinite(x2))
        return s;
    const double lo = std::max(0.0, std::ceil(std::min(x1, x2)));
    const double hi = std::min(double(kScopeSamples - 1), std::floor(std::max(x1, x2)));
    if (lo > hi)
        return s;
    s.valid = true;
    s.first = int(lo);
    s.last = int(hi);
    s.minimum = s.maximum = trace[size_t(s.first)];
    double sum = 0;
    for (int k = s.first; k <= s.last; ++k) {
        const int v = trace[size_t(k)];
        s.minimum = std::min(s.minimum, v);
        s.maximum = std::max(s.maximum, v);
        sum += v;
    }
    s.mean = sum / double(s.last - s.first + 1);
    return s;
}

double CursorFrequencyHz(double deltaXMs)
{
    return deltaXMs > 0 && std::isfinite(deltaXMs) ? 1000.0 / deltaXMs : 0.0;
}
