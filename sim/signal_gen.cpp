#include "sim/signal_gen.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr double kTwoPi = 6.283185307179586;

uint64_t SplitMix(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

int Clamp12(double v)
{
    if (!(v > 0))
        return 0;
    return v > 4095 ? 4095 : int(std::lround(v));
}

constexpr double kMeanLight = 0.5;

// The light that reaches the receivers, 0.05..0.95 of full scale: a slow swing of the target, a
// faster wobble, a little 25 Hz ripple (so scope traces show structure) and a slow drift.
double Light(double t)
{
    return kMeanLight + 0.28 * std::sin(kTwoPi * t / 8.0) +
           0.08 * std::sin(kTwoPi * t / 1.3 + 1.0) + 0.04 * std::sin(kTwoPi * 25.0 * t) +
           0.05 * std::sin(kTwoPi * t / 170.0 + 2.0);
}

// Amplifier stage 1..8 for a GAIN value; the sets from 9 on are switched by IN0 and IN1.
int Stage(int gain, bool in0, bool in1)
{
    static constexpr int kSets[4][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {1, 3, 5, 7}, {2, 4, 6, 8}};
    if (gain >= 9 && gain <= 12)
        return kSets[gain - 9][(in0 ? 1 : 0) + (in1 ? 2 : 0)];
    return std::clamp(gain, 1, 8);
}

} // namespace

ScopeRequest ScopeRequest::Unpack(const uint8_t *b)
{
    ScopeRequest r;
    r.triggerLevel = GetI16(b);
    r.triggerMode = GetI16(b + 2);
    r.preTrigger = GetI16(b + 4);
    r.scanRate = GetI16(b + 6);
    return r;
}

double SignalGenerator::Noise(int channel, double t) const
{
    const auto cycle = int64_t(std::floor(t * 1e6 / cycleUs_));
    const uint64_t h = SplitMix(SplitMix(seed_) ^ (uint64_t(channel + 1) * 0xD1B54A32D192ED03ull) ^
                                uint64_t(cycle));
    return double(h >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

bool SignalGenerator::In0(double t) const
{
    if (inputs_ >= 0)
        return inputs_ & 1;
    return std::fmod(t, 5.0) >= 3.0 && std::fmod(t, 5.0) < 4.0;
}

bool SignalGenerator::In1(double t) const
{
    if (inputs_ >= 0)
        return inputs_ & 2;
    return std::fmod(t, 7.0) >= 5.0 && std::fmod(t, 7.0) < 6.0;
}

SignalGenerator::Sample SignalGenerator::At(double t, const SignalSetup &setup, bool withNoise,
                                            WindowCache *cache) const
{
    const ParamRecord &p = *setup.params;
    Sample s;
    s.in0 = In0(t);
    s.in1 = In1(t);

    const double full = 8000.0 * (0.6 + 0.1 * (Stage(p[kGain], s.in0, s.in1) - 1));
    const double l0 = moving_ ? Light(t) : kMeanLight;
    const double l1 = 0.9 * (moving_ ? Light(t - 0.35) : kMeanLight);
    const double pw0 = p[kPowerCh0] / 1000.0;
    const double pw1 = p[kPowerCh1] / 1000.0;
    double ch0 = 0, ch1 = 0;
    bool darkCancelled = false; // the alternating modes subtract a reading with both LEDs off
    switch (p[kPowerSource]) {
    case 0:
        ch0 = l0 * pw0;
        ch1 = l1 * pw1;
        break;
    case 1:
    case 3:
        ch0 = l0 * pw0;
        ch1 = l1 * pw1;
        darkCancelled = true;
        break;
    case 2:
        ch0 = l0 * pw1;
        ch1 = l1 * pw0;
        darkCancelled = true;
        break;
    case 4:
        ch0 = l0 * pw0;
        ch1 = l1 * pw0;
        break;
    case 5:
        ch0 = l0 * pw1;
        ch1 = l1 * pw1;
        break;
    default: break; // transmitters off
    }
    ch0 *= full;
    ch1 *= full;
    if (p[kPowerMode] == 1 && p[kPowerSource] != 6) {
        // The power regulation holds the signal inside the window; what is left is the part of
        // the swing the regulation cannot follow.
        const double mid = (p[kDynWinLo] + p[kDynWinHi]) / 2.0;
        const double span = std::max(double(p[kDynWinHi]) - p[kDynWinLo], 20.0);
        ch0 = mid + (l0 - 0.5) * span * 0.9;
        ch1 = mid + (l1 / 0.9 - 0.5) * span * 0.9;
    }
    if (!darkCancelled) {
        ch0 += double(dark_[0]) - setup.offsetCh0;
        ch1 += double(dark_[1]) - setup.offsetCh1;
    }
    if (withNoise) {
        const double amp =
            (p[kLedMode] == 1 ? 3.0 : 6.0) / std::sqrt(std::max<int>(1, p[kAverage]));
        ch0 += amp * Noise(0, t);
        ch1 += amp * Noise(1, t);
    }
    s.ch0 = Clamp12(ch0);
    s.ch1 = Clamp12(ch1);
    switch (p[kEvaluationMode]) {
    case 1: s.sig = s.ch1; break;
    case 2: s.sig = (s.ch0 + s.ch1) / 2; break;
    case 3: s.sig = Clamp12(s.ch0 - s.ch1 + 2048); break;
    default: s.sig = s.ch0; break;
    }

    s.temp = Clamp12(1850.0 + 60.0 * std::sin(kTwoPi * t / 600.0) +
                     20.0 * (1.0 - std::exp(-t / 300.0)) + (withNoise ? 2.0 * Noise(2, t) : 0.0));

    s.ref = p[kTeachValue];
    double ws = 0, we = 0;
    if (p[kThresholdTracing] == 1 || p[kThresholdTracing] == 2) {
        // Tracing follows the signal with a lag that grows with the tracing delays.
        const double lag = (p[kTtUp] + p[kTtDown]) / 2.0 * 1e-3;
        s.ref = CleanSig(t - lag, setup);
    } else if (p[kExternTeach] >= 1 && p[kExternTeach] <= 5 && LastIn0Window(t, &ws, &we)) {
        int max = 0, min = 0;
        MaxMin(t, setup, &max, &min, cache);
        switch (p[kExternTeach]) {
        case 3: s.ref = max; break;
        case 4: s.ref = min; break;
        case 5: s.ref = (max + min) / 2; break;
        default: s.ref = CleanSig(ws, setup); break; // the signal when IN0 went high
        }
    }
    return s;
}

int SignalGenerator::CleanSig(double t, const SignalSetup &setup) const
{
    SignalSetup plain = setup;
    ParamRecord p = *setup.params;
    p[kThresholdTracing] = 0; // the reference is not needed here; keeps At from recursing
    p[kExternTeach] = 0;
    plain.params = &p;
    return At(t, plain, false).sig;
}

bool SignalGenerator::LastIn0Window(double t, double *start, double *end) const
{
    // The detection updates its result every 50 ms.
    constexpr double kStep = 0.05;
    if (inputs_ >= 0) {
        if (!(inputs_ & 1))
            return false;
        *end = std::floor(t / kStep) * kStep;
        *start = std::max(0.0, *end - 1.0);
        return true;
    }
    if (t < 3.0)
        return false;
    *start = std::floor((t - 3.0) / 5.0) * 5.0 + 3.0;
    *end = *start + std::min(1.0, std::floor((t - *start) / kStep) * kStep);
    return true;
}

void SignalGenerator::MaxMin(double t, const SignalSetup &setup, int *max, int *min,
                             WindowCache *cache) const
{
    *max = 0;
    *min = 0;
    double ws = 0, we = 0;
    if (!LastIn0Window(t, &ws, &we))
        return;
    if (cache && cache->start == ws && cache->end == we) {
        *max = cache->max;
        *min = cache->min;
        return;
    }
    constexpr int kPoints = 33;
    *max = 0;
    *min = 4095;
    for (int i = 0; i < kPoints; ++i) {
        const int v = CleanSig(ws + (we - ws) * i / (kPoints - 1), setup);
        *max = std::max(*max, v);
        *min = std::min(*min, v);
    }
    if (cache)
        *cache = WindowCache{ws, we, *max, *min};
}

int SignalGenerator::AnalogOut(double t, int sig, int max, int min, const SignalSetup &setup) const
{
    const ParamRecord &p = *setup.params;
    if (p[kAnalogOutMode] == 0)
        return 0;
    int v = sig;
    if (p[kAnalogOut] == 1) {
        // Held from the last rising edge of IN1.
        double edge = -1;
        if (inputs_ >= 0)
            edge = (inputs_ & 2) ? 0.0 : -1.0;
        else if (t >= 5.0)
            edge = std::floor((t - 5.0) / 7.0) * 7.0 + 5.0;
        if (edge < 0)
            return 0;
        v = CleanSig(edge, setup);
    }
    switch (p[kAnalogRange]) {
    case 1:
        if (max > min)
            return Clamp12((v - min) * 4095.0 / (max - min));
        return v;
    case 2: return setup.conv ? Clamp12((*setup.conv)[std::clamp(v, 0, 4095) >> 2]) : v;
    default: return v;
    }
}

bool SignalGenerator::InTolerance(int sig, int ref, bool wasIn, const ParamRecord &p)
{
    double tol = p[kTolerance];
    double hys = p[kHysteresis];
    if (p[kThresholdCalc] == 1) {
        tol = ref * tol / 100.0;
        hys = ref * hys / 100.0;
    }
    const double lower = ref - tol;
    const double upper = ref + tol;
    switch (p[kThresholdMode]) {
    case 1: return wasIn ? sig <= upper : sig <= upper - hys;
    case 2:
        return wasIn ? (sig >= lower && sig <= upper) : (sig >= lower + hys && sig <= upper - hys);
    default: return wasIn ? sig >= lower : sig >= lower + hys;
    }
}

DataFrame SignalGenerator::Frame(double t, const SignalSetup &setup, bool *inTolerance) const
{
    const ParamRecord &p = *setup.params;
    const Sample s = At(t, setup, true);
    int max = 0, min = 0;
    MaxMin(t, setup, &max, &min);
    *inTolerance = InTolerance(s.sig, s.ref, *inTolerance, p);
    const int mode = p[kDigitalOutMode];
    const bool out0 = mode == 1 ? *inTolerance : mode == 2 ? !*inTolerance : false;
    const bool out1 = mode != 0 && !out0;

    DataFrame f;
    f.ch0 = int16_t(s.ch0);
    f.ch1 = int16_t(s.ch1);
    f.temp = int16_t(s.temp);
    f.ref = int16_t(std::clamp(s.ref, 0, 4095));
    f.sig = int16_t(s.sig);
    f.max = int16_t(max);
    f.min = int16_t(min);
    f.digBits = uint8_t((out0 ? 1 : 0) | (out1 ? 2 : 0));
    f.digState = uint16_t((s.in0 ? 1 : 0) | (s.in1 ? 2 : 0));
    f.anaOut = int16_t(AnalogOut(t, s.sig, max, min, setup));
    return f;
}

std::array<uint16_t, 2> SignalGenerator::MeasureDark(double t) const
{
    return {uint16_t(std::max(0L, std::lround(dark_[0] + 2.0 * Noise(5, t)))),
            uint16_t(std::max(0L, std::lround(dark_[1] + 2.0 * Noise(6, t))))};
}

ScopeCapture SignalGenerator::Capture(double t0, const ScopeRequest &req, const SignalSetup &setup,
                                      bool inTolerance) const
{
    const ParamRecord &p = *setup.params;
    const double dt = std::max<int>(1, req.scanRate) * cycleUs_ * 1e-6;
    // The PC unrolls with the pre-trigger count modulo the ring length; sample the same way.
    const int pre = uint16_t(req.preTrigger) & (kScopeSamples - 1);
    const int mode = req.triggerMode;

    ScopeCapture cap;
    WindowCache cache;
    bool tol = inTolerance;
    bool prevIn0 = In0(t0);
    int prevSig = 0;
    auto take = [&](int64_t k) {
        const double t = t0 + double(k) * dt;
        const Sample s = At(t, setup, true, &cache);
        const bool wasTol = tol;
        tol = InTolerance(s.sig, s.ref, tol, p);
        const int outMode = p[kDigitalOutMode];
        const bool out0 = outMode == 1 ? tol : outMode == 2 ? !tol : false;
        const bool out1 = outMode != 0 && !out0;
        const int slot = int(k & (kScopeSamples - 1));
        cap.rings[0][slot] = int16_t(s.ch0);
        cap.rings[1][slot] = int16_t(s.ch1);
        cap.rings[2][slot] = int16_t(s.sig);
        cap.rings[3][slot] =
            int16_t((out0 ? 1 : 0) | (out1 ? 2 : 0) | (s.in0 ? 0x100 : 0) | (s.in1 ? 0x200 : 0));
        bool fired = false;
        switch (mode) {
        case 1: fired = prevSig < req.triggerLevel && s.sig >= req.triggerLevel; break;
        case 2: fired = prevSig > req.triggerLevel && s.sig <= req.triggerLevel; break;
        case 3: fired = wasTol && !tol; break;
        case 4: fired = !prevIn0 && s.in0; break;
        default: break;
        }
        prevSig = s.sig;
        prevIn0 = s.in0;
        return fired;
    };

    if (mode < 1 || mode > 4) {
        // Single shot: 128 samples from now, in ring order. Unknown modes are taken the same
        // way; the ring index then makes a trigger-mode unrolling come out in order too.
        for (int k = 0; k < kScopeSamples; ++k)
            take(k);
        cap.triggered = true;
        cap.ringIndex = uint16_t(pre);
        cap.durationS = kScopeSamples * dt;
        return cap;
    }

    const int64_t limit =
        std::clamp<int64_t>(int64_t(kTriggerHorizonS / dt), 2 * kScopeSamples, 300000);
    for (int64_t k = 0; k < limit; ++k) {
        // The samples before the trigger must have been taken after the start.
        if (take(k) && k >= std::max(pre, 1)) {
            const int64_t last = k + (kScopeSamples - 1 - pre);
            for (int64_t j = k + 1; j <= last; ++j)
                take(j);
            cap.triggered = true;
            cap.ringIndex = uint16_t(k & (kScopeSamples - 1));
            cap.durationS = double(last + 1) * dt;
            return cap;
        }
    }
    return cap;
}

} // namespace sim
