// Moving signals of the simulated sensor as functions of time: receiver channels, evaluation
// signal, reference, temperature, inputs, outputs and analog output, and the scope capture that
// samples them. A value at time t depends only on t, the seed and the settings, so tests can
// reproduce any frame; the one piece of history is the output hysteresis, which the caller keeps.
#pragma once

#include "sim/sensor_data.h"

#include <array>
#include <cstdint>

namespace sim {

// Everything besides time that shapes the signals; the pointers must outlive the call.
struct SignalSetup {
    const ParamRecord *params = nullptr;
    const ConvData *conv = nullptr;
    uint16_t offsetCh0 = 0; // offsets stored in the sensor, subtracted from the channels
    uint16_t offsetCh1 = 0;
};

// The payload of a scope start request.
struct ScopeRequest {
    int16_t triggerLevel = 0;
    int16_t triggerMode =
        0; // 0 single shot, 1 rising, 2 falling, 3 OUT0 leaves tolerance, 4 IN0 high
    int16_t preTrigger = 0;
    int16_t scanRate = 1;
    static ScopeRequest Unpack(const uint8_t *bytes); // 8 bytes
};

// What a capture produces: the four 128-sample rings (CH0, CH1, SIG, status word with bit 0
// OUT0, bit 1 OUT1, bit 8 IN0, bit 9 IN1) and the ring position of the trigger sample.
struct ScopeCapture {
    bool triggered = false; // false: no trigger within the search horizon, nothing to send
    double durationS = 0;   // from the start request until the last sample is taken
    uint16_t ringIndex = 0;
    std::array<std::array<int16_t, kScopeSamples>, kScopeBlockCount> rings{};
};

class SignalGenerator {
public:
    // A trigger that has not come after this much sensor time never comes.
    static constexpr double kTriggerHorizonS = 30.0;

    explicit SignalGenerator(uint64_t seed = 1) : seed_(seed) {}

    void setSeed(uint64_t seed) { seed_ = seed; }
    // Length of one sensor cycle (one scan) in microseconds.
    void setCycleUs(double us) { cycleUs_ = us > 1.0 ? us : 1.0; }
    double cycleUs() const { return cycleUs_; }
    // -1: IN0 and IN1 follow their built-in pattern (IN0 high 3..4 s of every 5 s, IN1 high
    // 5..6 s of every 7 s); otherwise bit 0 is IN0 and bit 1 is IN1, held at that level.
    void setInputs(int mask) { inputs_ = mask; }
    int inputs() const { return inputs_; }
    // On (the default), the light on the receivers swings slowly, so the live charts show
    // something alive; off, it holds its mean level and only the noise moves the channels.
    void setMoving(bool moving) { moving_ = moving; }
    bool moving() const { return moving_; }
    // Dark readings of the two receivers, what an offset calculation measures.
    void setDark(uint16_t ch0, uint16_t ch1) { dark_ = {ch0, ch1}; }
    std::array<uint16_t, 2> dark() const { return dark_; }

    // The live frame at time t. `inTolerance` carries the output state from one frame to the
    // next (the switching hysteresis); it is read and updated.
    DataFrame Frame(double t, const SignalSetup &setup, bool *inTolerance) const;

    // What an offset calculation measures at time t: the dark readings with a little noise.
    std::array<uint16_t, 2> MeasureDark(double t) const;

    // A capture started at t0. `inTolerance` is the output state at t0.
    ScopeCapture Capture(double t0, const ScopeRequest &request, const SignalSetup &setup,
                         bool inTolerance) const;

    // Whether SIG counts as within the tolerance of REF, given the previous state.
    static bool InTolerance(int sig, int ref, bool wasIn, const ParamRecord &p);

private:
    struct Sample {
        int ch0 = 0, ch1 = 0, sig = 0, ref = 0, temp = 0;
        bool in0 = false, in1 = false;
    };
    // The last MAX/MIN detection, reused while the window and its end stay the same; only valid
    // for one set of settings (one capture).
    struct WindowCache {
        double start = -1, end = -1;
        int max = 0, min = 0;
    };
    Sample At(double t, const SignalSetup &setup, bool withNoise,
              WindowCache *cache = nullptr) const;
    bool In0(double t) const;
    bool In1(double t) const;
    double Noise(int channel, double t) const; // uniform in -1..1, fixed per cycle
    int CleanSig(double t, const SignalSetup &setup) const;
    bool LastIn0Window(double t, double *start, double *end) const;
    void MaxMin(double t, const SignalSetup &setup, int *max, int *min,
                WindowCache *cache = nullptr) const;
    int AnalogOut(double t, int sig, int max, int min, const SignalSetup &setup) const;

    uint64_t seed_;
    double cycleUs_ = 100.0;
    int inputs_ = -1;
    bool moving_ = true;
    std::array<uint16_t, 2> dark_{42, 57};
};

} // namespace sim
