// Moving signals of the simulated sensor: range, movement, reproducibility, and the outputs that
// follow them.
#include "sim/signal_gen.h"

#include <gtest/gtest.h>

#include <cmath>

using sim::DataFrame;
using sim::ParamRecord;
using sim::SignalGenerator;

namespace {

struct Bench {
    ParamRecord params = sim::DefaultParams();
    sim::ConvData conv = sim::DefaultConvData();
    SignalGenerator gen{7};
    bool inTol = true;

    DataFrame At(double t)
    {
        return gen.Frame(t, sim::SignalSetup{&params, &conv, 42, 57}, &inTol);
    }
};

void ExpectInRange(const DataFrame &f)
{
    for (int v : {f.ch0, f.ch1, f.temp, f.ref, f.sig, f.max, f.min, f.anaOut}) {
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 4095);
    }
    EXPECT_EQ(f.digBits & ~3, 0);
    EXPECT_EQ(f.digState & ~3, 0);
}

} // namespace

TEST(SignalGenerator, SignalsMoveAndStayInRangeUnderAnySettings)
{
    // Full power with the highest gain saturates; power off sits at the dark level.
    for (int variant = 0; variant < 5; ++variant) {
        SCOPED_TRACE(variant);
        Bench b;
        if (variant == 1) {
            b.params[sim::kPowerCh0] = b.params[sim::kPowerCh1] = 1000;
            b.params[sim::kGain] = 8;
            b.params[sim::kEvaluationMode] = 2;
        } else if (variant == 2) {
            b.params[sim::kPowerSource] = 6;
            b.params[sim::kEvaluationMode] = 3;
        } else if (variant == 3) {
            b.params[sim::kPowerMode] = 1;
            b.params[sim::kThresholdTracing] = 2;
            b.params[sim::kAnalogOutMode] = 1;
            b.params[sim::kAnalogRange] = 1;
        } else if (variant == 4) {
            b.params[sim::kGain] = 10; // AMP5678, switched by the inputs
            b.params[sim::kExternTeach] = 5;
            b.params[sim::kAnalogOutMode] = 2;
            b.params[sim::kAnalogOut] = 1;
        }
        double sum = 0, sumSq = 0;
        int n = 0;
        for (double t = 0; t < 40.0; t += 0.037) {
            const DataFrame f = b.At(t);
            ExpectInRange(f);
            sum += f.sig;
            sumSq += double(f.sig) * f.sig;
            ++n;
        }
        const double mean = sum / n;
        const double sd = std::sqrt(sumSq / n - mean * mean);
        if (variant == 2) {
            EXPECT_LT(sd, 10.0); // nothing but noise on the dark channels
        } else if (variant == 3) {
            // The power regulation keeps the signal moving inside DYNWIN LO..HI.
            EXPECT_NEAR(mean, 3250, 20);
            EXPECT_GT(sd, 5.0);
            EXPECT_LT(sd, 50.0);
        } else {
            EXPECT_GT(sd, 50.0); // a visibly moving signal
        }
    }
}

TEST(SignalGenerator, SameSeedAndTimeGiveTheSameFrame)
{
    Bench a, b, c;
    c.gen.setSeed(8);
    bool noiseDiffers = false;
    for (double t = 0.5; t < 5.0; t += 0.25) {
        const DataFrame fa = a.At(t), fb = b.At(t), fc = c.At(t);
        EXPECT_EQ(fa.Pack(), fb.Pack());
        noiseDiffers = noiseDiffers || fa.ch0 != fc.ch0;
        EXPECT_NEAR(fa.ch0, fc.ch0, 15); // only the noise differs
    }
    EXPECT_TRUE(noiseDiffers);
}

TEST(SignalGenerator, OutputsFollowTheSignalAgainstTheThreshold)
{
    Bench b;
    b.params[sim::kThresholdCalc] = 0; // absolute digits
    b.params[sim::kTolerance] = 0;
    b.params[sim::kHysteresis] = 0;
    b.params[sim::kTeachValue] = 2000;
    int in = 0, out = 0;
    for (double t = 0; t < 16.0; t += 0.05) {
        DataFrame f = b.At(t);
        EXPECT_EQ(f.ref, 2000);
        EXPECT_EQ(f.digBits, f.sig >= 2000 ? 1 : 2) << "t " << t << " sig " << f.sig;
        (f.sig >= 2000 ? in : out)++;
    }
    EXPECT_GT(in, 20);
    EXPECT_GT(out, 20);

    b.params[sim::kDigitalOutMode] = 2; // inverse
    DataFrame f = b.At(3.3);
    EXPECT_EQ(f.digBits, f.sig >= 2000 ? 2 : 1);
    b.params[sim::kDigitalOutMode] = 0;
    EXPECT_EQ(b.At(3.3).digBits, 0);
}

TEST(SignalGenerator, ToleranceHysteresisPerThresholdMode)
{
    ParamRecord p = sim::DefaultParams();
    p[sim::kThresholdCalc] = 0;
    p[sim::kTolerance] = 100;
    p[sim::kHysteresis] = 20;
    struct Case {
        int mode, sig;
        bool wasIn, expected;
    };
    // REF 1000: LOW leaves below 900 and returns above 920; HIGH mirrors it; WIN uses both.
    for (const Case c :
         {Case{0, 900, true, true}, Case{0, 899, true, false}, Case{0, 910, false, false},
          Case{0, 920, false, true}, Case{1, 1100, true, true}, Case{1, 1101, true, false},
          Case{1, 1090, false, false}, Case{1, 1080, false, true}, Case{2, 899, true, false},
          Case{2, 1101, true, false}, Case{2, 1085, false, false}, Case{2, 1000, false, true}}) {
        p[sim::kThresholdMode] = uint16_t(c.mode);
        EXPECT_EQ(SignalGenerator::InTolerance(c.sig, 1000, c.wasIn, p), c.expected)
            << "mode " << c.mode << " sig " << c.sig << " wasIn " << c.wasIn;
    }
    p[sim::kThresholdMode] = 0;
    p[sim::kThresholdCalc] = 1; // percent of REF: 10 % of 2000
    p[sim::kTolerance] = 10;
    EXPECT_TRUE(SignalGenerator::InTolerance(1800, 2000, true, p));
    EXPECT_FALSE(SignalGenerator::InTolerance(1799, 2000, true, p));
}

TEST(SignalGenerator, InputsAnalogOutputAndOffsets)
{
    Bench b;
    EXPECT_EQ(b.At(3.5).digState & 1, 1); // built-in pattern: IN0 high 3..4 s
    EXPECT_EQ(b.At(2.5).digState & 1, 0);
    b.gen.setInputs(2);
    EXPECT_EQ(b.At(3.5).digState, 2);

    EXPECT_EQ(b.At(1.0).anaOut, 0); // analog output off
    b.params[sim::kAnalogOutMode] = 1;
    DataFrame f = b.At(1.0);
    EXPECT_EQ(f.anaOut, f.sig);
    b.params[sim::kAnalogRange] = 2;
    b.conv.fill(1234);
    EXPECT_EQ(b.At(1.0).anaOut, 1234);

    // With no stored offsets the dark readings show on the channels.
    b.params[sim::kPowerSource] = 6;
    bool tol = true;
    f = b.gen.Frame(1.0, sim::SignalSetup{&b.params, &b.conv, 0, 0}, &tol);
    EXPECT_NEAR(f.ch0, 42, 7);
    EXPECT_NEAR(f.ch1, 57, 7);
    const auto dark = b.gen.MeasureDark(1.0);
    EXPECT_NEAR(dark[0], 42, 2);
    EXPECT_NEAR(dark[1], 57, 2);
}

TEST(SignalGenerator, HeldStillOnlyTheNoiseMoves)
{
    Bench moving, still;
    still.gen.setMoving(false);
    int lo = 4095, hi = 0, movingLo = 4095, movingHi = 0;
    for (double t = 0; t < 20.0; t += 0.05) {
        const DataFrame f = still.At(t);
        lo = std::min<int>(lo, f.ch0);
        hi = std::max<int>(hi, f.ch0);
        movingLo = std::min<int>(movingLo, moving.At(t).ch0);
        movingHi = std::max<int>(movingHi, moving.At(t).ch0);
    }
    EXPECT_LE(hi - lo, 12) << "the noise of DC mode is +-6 digits";
    EXPECT_GT(hi, 0);
    EXPECT_GT(movingHi - movingLo, 500);
}
