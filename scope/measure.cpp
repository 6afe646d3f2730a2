#include "scope/measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

const ScopeTrace &AnalogTraceOf(const ScopeTracesRec &traces, int signal)
{
    return signal == 1 ? traces.Ch1Trace : signal == 2 ? traces.SigTrace : traces.Ch0Trace;
}

std::string CursorFrequencyText(double deltaXMs)
{
    const double hz = CursorFrequencyHz(deltaXMs);
    if (hz <= 0 || !std::isfinite(hz))
        return "-";
    const int precision = hz >= 1000 ? 0 : hz >= 10 ? 2 : 4;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f Hz", precision, hz);
    return text;
}

CursorStatsTexts CursorStatsTextsOf(const CursorStats &stats)
{
    CursorStatsTexts t;
    if (!stats.valid)
        return t;
    char mean[32];
    std::snprintf(mean, sizeof mean, "%.1f", stats.mean);
    t.minimum = std::to_string(stats.minimum);
    t.maximum = std::to_string(stats.maximum);
    t.mean = mean;
    return t;
}

int CursorSample(double x)
{
    if (!std::isfinite(x))
        return -1;
    const double k = std::round(x);
    return k >= 0 && k < kScopeSamples ? int(k) : -1;
}

std::string ReferenceDifferenceText(const ScopeTracesRec &current, const ScopeTracesRec &reference,
                                    int sample, int selected)
{
    if (sample < 0 || sample >= kScopeSamples)
        return "-";
    static const char *const kNames[] = {"CH0", "CH1", "SIG"};
    std::string text;
    for (int signal = 0; signal < 3; ++signal) {
        if (selected != 0 && selected != signal + 1)
            continue;
        const size_t k = size_t(sample);
        const int diff =
            int(AnalogTraceOf(current, signal)[k]) - int(AnalogTraceOf(reference, signal)[k]);
        char part[32];
        std::snprintf(part, sizeof part, diff > 0 ? "%s +%d" : "%s %d", kNames[signal], diff);
        if (!text.empty())
            text += "  ";
        text += part;
    }
    return text.empty() ? "-" : text;
}
