// Scope captures kept as files: what is saved is read back exactly, and a file that is not a
// good capture is refused without touching what the caller holds; and what the cursors measure.
#include "common/harness.h"

#include "scope/capture_file.h"
#include "scope/measure.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

ScopeCapture Sample()
{
    ScopeCapture c;
    c.request = {2047, 1, 17, 3};
    c.frequencyHz = 4987.5312;
    c.cycleTimeMs = 0.1;
    c.firmware = "ORV2 FW 1.07 \"beta\"";
    c.sensorName = "Line 4\tgate";
    c.panelId = "A-17";
    c.serial = 4294967295;
    c.comment = "Commissioning,\nbelt stopped; Grüße";
    c.cursorX[0] = 12.5;
    c.cursorX[1] = 101.25;
    c.cursorY[0] = -3;
    c.cursorY[1] = 4099.75;
    c.date = "2026-12-08 21:30:05";
    for (int k = 0; k < kScopeSamples; ++k) {
        const size_t i = size_t(k);
        c.traces.Ch0Trace[i] = int16_t(k * 31);
        c.traces.Ch1Trace[i] = int16_t(-k);
        c.traces.SigTrace[i] = int16_t(k % 2 ? 32767 : -32768);
        c.traces.StatusTrace[i] = int16_t(uint16_t(k == 5 ? 0xFFFF : (k % 4) | ((k % 3) << 8)));
    }
    return c;
}

bool SameCapture(const ScopeCapture &a, const ScopeCapture &b)
{
    return a.request.TriggerLevel == b.request.TriggerLevel &&
           a.request.TriggerMode == b.request.TriggerMode &&
           a.request.PreTrigger == b.request.PreTrigger &&
           a.request.ScanRate == b.request.ScanRate && a.frequencyHz == b.frequencyHz &&
           a.cycleTimeMs == b.cycleTimeMs && a.firmware == b.firmware &&
           a.sensorName == b.sensorName && a.panelId == b.panelId && a.serial == b.serial &&
           a.comment == b.comment && a.cursorX[0] == b.cursorX[0] && a.cursorX[1] == b.cursorX[1] &&
           a.cursorY[0] == b.cursorY[0] && a.cursorY[1] == b.cursorY[1] && a.date == b.date &&
           a.traces.Ch0Trace == b.traces.Ch0Trace && a.traces.Ch1Trace == b.traces.Ch1Trace &&
           a.traces.SigTrace == b.traces.SigTrace && a.traces.StatusTrace == b.traces.StatusTrace;
}

class CaptureFile : public testing::Test {
protected:
    std::string Path(const char *name) const { return dir.filePath(name).toStdString(); }
    QTemporaryDir dir;
};

TEST_F(CaptureFile, RoundTripsExactlyAndByteForByte)
{
    const ScopeCapture saved = Sample();
    ASSERT_EQ(WriteScopeCaptureFile(saved, Path("a.cap")), CaptureFileResult::kOk);
    ScopeCapture loaded;
    ASSERT_EQ(ReadScopeCaptureFile(Path("a.cap"), &loaded), CaptureFileResult::kOk);
    EXPECT_TRUE(SameCapture(saved, loaded));
    ASSERT_EQ(WriteScopeCaptureFile(loaded, Path("b.cap")), CaptureFileResult::kOk);
    EXPECT_EQ(ReadAll(Path("a.cap")), ReadAll(Path("b.cap")));
}

TEST_F(CaptureFile, RefusesWhatIsNoGoodCaptureAndLeavesTheCallersCapture)
{
    ASSERT_EQ(WriteScopeCaptureFile(Sample(), Path("good.cap")), CaptureFileResult::kOk);
    const std::string good = ReadAll(Path("good.cap"));
    auto replaced = [&](const std::string &from, const std::string &to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const struct {
        const char *what;
        std::string text;
        CaptureFileResult result;
    } cases[] = {
        {"a parameter file", replaced("Scope Capture", "Parameter File"),
         CaptureFileResult::kNotACapture},
        {"a newer version", replaced("VERSION = 1", "VERSION = 2"),
         CaptureFileResult::kNotACapture},
        {"a sample missing", replaced("S127 = ", "S128 = "), CaptureFileResult::kDamaged},
        {"a sample with a word short", replaced("S001 = \"31 -1 32767 ", "S001 = \"31 -1 "),
         CaptureFileResult::kDamaged},
        {"a sample beyond a word", replaced("S001 = \"31 ", "S001 = \"40000 "),
         CaptureFileResult::kDamaged},
        {"a trigger mode the sensor lacks", replaced("TRIGGER MODE = 1", "TRIGGER MODE = 9"),
         CaptureFileResult::kDamaged},
        {"a cycle time that is no number", replaced("CYCLE TIME MS = \"0.1", "CYCLE TIME MS = \"x"),
         CaptureFileResult::kDamaged},
        {"no traces", good.substr(0, good.find("[TRACES]")), CaptureFileResult::kDamaged},
        {"a serial number that is no number",
         replaced("SERIAL NUMBER = \"4294967295", "SERIAL NUMBER = \"-4"),
         CaptureFileResult::kDamaged},
    };
    for (const auto &c : cases) {
        WriteAll(Path("bad.cap"), c.text);
        ScopeCapture held;
        held.comment = "untouched";
        EXPECT_EQ(ReadScopeCaptureFile(Path("bad.cap"), &held), c.result) << c.what;
        EXPECT_EQ(held.comment, "untouched") << c.what;
    }
    ScopeCapture held;
    EXPECT_EQ(ReadScopeCaptureFile(Path("missing.cap"), &held), CaptureFileResult::kCannotRead);
}

// Files written before the serial number was kept load with it unknown; unknown is kept empty.
TEST_F(CaptureFile, TheSerialNumberMayBeMissingOrUnknown)
{
    ScopeCapture unknown = Sample();
    unknown.serial = -1;
    ASSERT_EQ(WriteScopeCaptureFile(unknown, Path("u.cap")), CaptureFileResult::kOk);
    std::string text = ReadAll(Path("u.cap"));
    const size_t at = text.find("SERIAL NUMBER = \"\"\r\n");
    ASSERT_NE(at, std::string::npos) << text.substr(0, 400);
    ScopeCapture loaded = Sample();
    ASSERT_EQ(ReadScopeCaptureFile(Path("u.cap"), &loaded), CaptureFileResult::kOk);
    EXPECT_EQ(loaded.serial, -1);
    WriteAll(Path("old.cap"), text.erase(at, std::string("SERIAL NUMBER = \"\"\r\n").size()));
    loaded = Sample();
    ASSERT_EQ(ReadScopeCaptureFile(Path("old.cap"), &loaded), CaptureFileResult::kOk);
    EXPECT_EQ(loaded.serial, -1);
    EXPECT_EQ(loaded.panelId, "A-17");
}

TEST_F(CaptureFile, AFailedWriteLeavesTheOldFile)
{
    ASSERT_EQ(WriteScopeCaptureFile(Sample(), Path("keep.cap")), CaptureFileResult::kOk);
    const std::string before = ReadAll(Path("keep.cap"));
    EXPECT_EQ(WriteScopeCaptureFile(Sample(), Path("no/such/folder/x.cap")),
              CaptureFileResult::kCannotWrite);
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    ScopeCapture other = Sample();
    other.comment = "other";
    const bool refused = WriteScopeCaptureFile(other, Path("keep.cap")) != CaptureFileResult::kOk;
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
    if (refused) { // root may write anyway
        EXPECT_EQ(ReadAll(Path("keep.cap")), before);
    }
}

TEST(CaptureCsv, OneRowPerSampleWithTimeAndDigitalStates)
{
    ScopeCapture c = Sample();
    const std::string csv = ScopeCaptureCsv(c);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "TIME_MS,CH0,CH1,SIG,OUT0,OUT1,IN0,IN1");
    size_t rows = 0;
    for (size_t at = 0; (at = csv.find("\r\n", at)) != std::string::npos; at += 2)
        ++rows;
    EXPECT_EQ(rows, size_t(kScopeSamples) + 1);
    // Sample 5: 5 x scan rate 3 x 0.1 ms; every status bit set.
    EXPECT_NE(csv.find("\r\n1.5000,155,-5,32767,1,1,1,1\r\n"), std::string::npos);
    // Sample 7: status 3 | (1 << 8) -> OUT0, OUT1, IN0.
    EXPECT_NE(csv.find("\r\n2.1000,217,-7,32767,1,1,1,0\r\n"), std::string::npos);
    c.cycleTimeMs = 0; // not measured: sample numbers
    EXPECT_EQ(ScopeCaptureCsv(c).substr(0, 7), "SAMPLE,");
    EXPECT_NE(ScopeCaptureCsv(c).find("\r\n5.0000,155,"), std::string::npos);
}

} // namespace

namespace {

TEST(CursorMeasurements, StatsBetweenTheCursorsAndTheFrequencyOfTheirDistance)
{
    ScopeTrace t{};
    for (int k = 0; k < kScopeSamples; ++k)
        t[size_t(k)] = int16_t(k % 10 == 0 ? -k : k);
    const struct {
        double x1, x2;
        bool valid;
        int first, last, minimum, maximum;
        double mean;
    } cases[] = {
        {2, 5, true, 2, 5, 2, 5, 3.5},            // both ends count
        {5.5, 2.2, true, 3, 5, 3, 5, 4},           // either order, rounded inwards
        {8, 12, true, 8, 12, -10, 12, (8 + 9 - 10 + 11 + 12) / 5.0},
        {-20, 1, true, 0, 1, 0, 1, 0.5},           // clipped to the capture
        {126.5, 400, true, 127, 127, 127, 127, 127},
        {3.2, 3.8, false, 0, 0, 0, 0, 0},          // no sample between them
        {200, 300, false, 0, 0, 0, 0, 0},
    };
    for (const auto &c : cases) {
        const CursorStats s = CursorStatsOf(t, c.x1, c.x2);
        ASSERT_EQ(s.valid, c.valid) << c.x1 << " " << c.x2;
        if (!s.valid)
            continue;
        EXPECT_EQ(s.first, c.first) << c.x1;
        EXPECT_EQ(s.last, c.last) << c.x1;
        EXPECT_EQ(s.minimum, c.minimum) << c.x1;
        EXPECT_EQ(s.maximum, c.maximum) << c.x1;
        EXPECT_DOUBLE_EQ(s.mean, c.mean) << c.x1;
    }
    EXPECT_DOUBLE_EQ(CursorFrequencyHz(2.5), 400.0);
    EXPECT_EQ(CursorFrequencyHz(0), 0.0);
}

TEST(CursorMeasurements, ReadoutTextsAreADashWhereNothingIsDefined)
{
    EXPECT_EQ(CursorFrequencyText(0), "-");
    EXPECT_EQ(CursorFrequencyText(-1), "-");
    EXPECT_EQ(CursorFrequencyText(30), "33.33 Hz");
    EXPECT_EQ(CursorFrequencyText(0.5), "2000 Hz");
    EXPECT_EQ(CursorFrequencyText(400), "2.5000 Hz");
    const CursorStatsTexts none = CursorStatsTextsOf(CursorStats{});
    EXPECT_EQ(none.minimum + none.maximum + none.mean, "---");
    CursorStats s;
    s.valid = true;
    s.minimum = -5;
    s.maximum = 4095;
    s.mean = 1234.26;
    const CursorStatsTexts t = CursorStatsTextsOf(s);
    EXPECT_EQ(t.minimum + " " + t.maximum + " " + t.mean, "-5 4095 1234.3");

    // A cursor stands on the nearest sample; beyond the capture on none.
    EXPECT_EQ(CursorSample(9.49), 9);
    EXPECT_EQ(CursorSample(9.5), 10);
    EXPECT_EQ(CursorSample(-0.4), 0);
    EXPECT_EQ(CursorSample(127.4), 127);
    EXPECT_EQ(CursorSample(127.6), -1);
    EXPECT_EQ(CursorSample(-0.6), -1);
}

TEST(CursorMeasurements, CaptureMinusReferenceForTheTracesShown)
{
    ScopeTracesRec now{}, ref{};
    now.Ch0Trace[10] = 100;
    ref.Ch0Trace[10] = 112;
    now.Ch1Trace[10] = 7;
    ref.Ch1Trace[10] = 4;
    now.SigTrace[10] = -32768; // the widest difference a word gives
    ref.SigTrace[10] = 32767;
    EXPECT_EQ(ReferenceDifferenceText(now, ref, 10, 0), "CH0 -12  CH1 +3  SIG -65535");
    EXPECT_EQ(ReferenceDifferenceText(now, ref, 10, 2), "CH1 +3");
    EXPECT_EQ(ReferenceDifferenceText(now, ref, 11, 3), "SIG 0");
    EXPECT_EQ(ReferenceDifferenceText(now, ref, -1, 0), "-");
    EXPECT_EQ(ReferenceDifferenceText(now, ref, kScopeSamples, 1), "-");
}

} // namespace
