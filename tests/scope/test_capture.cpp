// The capture: unrolling the sensor's rings, the status lines and the cycle time; whole captures
// against a scripted peer (odd pieces, bad frames, BREAK) and against the simulated sensor in
// every trigger mode over TCP and over a pseudo-terminal.
#include "scope_fixture.h"

#include "platform/rs232.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "sim/sim_runner.h"

TEST(ScopeUnroll, SingleShotFromTheStartTriggerModesFromPreTriggerBack)
{
    const Ring ring = CountingRing(1000);
    auto unroll = [&](uint16_t index, int mode, int pre) {
        return UnrollScopeBlock(BlockPayload(ring, index).data(), mode, pre);
    };
    for (int pre : {0, 10, 200, -5})
        EXPECT_EQ(unroll(100, 0, pre), ring) << pre;
    const ScopeTrace t = unroll(100, 1, 10);
    EXPECT_EQ(t[0], ring[90]);
    EXPECT_EQ(t[10], ring[100]);
    EXPECT_EQ(t[38], ring[0]);
    // Any pre-trigger or ring index gives a start inside the ring (modulo 128).
    const std::pair<std::array<int, 3>, int> cases[] = {
        {{100, 4, 200}, 28}, {{100, 2, -5}, 105}, {{0, 3, 127}, 1}, {{300, 1, 0}, 44}};
    for (const auto &[c, first] : cases) {
        const ScopeTrace u = unroll(uint16_t(c[0]), c[1], c[2]);
        for (size_t k = 0; k < u.size(); ++k)
            ASSERT_EQ(u[k], ring[(size_t(first) + k) % 128]) << c[0] << " " << c[2];
    }
}

TEST(ScopeUnroll, StatusBitsLieOnTheirOwnLevels)
{
    const ScopeTrace status = {0x0301, 0x0202, int16_t(0xFFFF), 0x00FC};
    const DigitalLines d = DigitalLinesOf(status);
    const double expected[4][4] = {{3, 0, 7, 5}, {2, 1, 6, 5}, {3, 1, 7, 5}, {2, 0, 6, 4}};
    for (size_t k = 0; k < 4; ++k)
        EXPECT_EQ(
            (std::array<double, 4>{d.level2[k], d.level0[k], d.level6[k], d.level4[k]}),
            (std::array<double, 4>{expected[k][0], expected[k][1], expected[k][2], expected[k][3]}))
            << k;
}

TEST(ScopeCycleTime, FrequencyCycleTimeAndTheirPrecisions)
{
    struct Case {
        bool answered;
        int32_t cycles, time;
        double hz, ms;
        int hzDigits, msDigits;
    } cases[] = {
        {true, 80000, 80000, 10000, 0.1, 0, 3}, {true, 160000, 80000, 20000, 0.05, 0, 6},
        {true, 16, 80000, 2, 500, 1, 3},        {true, 4, 80000, 0.5, 2000, 2, 0},
        {false, 80000, 80000, 0, 0, 2, 0},      {true, 80000, 0, 0, 0, 2, 0}, // no time measured
        {true, -5, 80000, 0, 0, 2, 0},
        // Each switch at its boundary: exactly 1000, 10000 and 1 Hz keep the finer precision.
        {true, 8000, 80000, 1000, 1, 1, 3},     {true, 8001, 80000, 1000.125, 1000.0 / 1000.125, 0, 3},
        {true, 80001, 80000, 10000.125, 1000.0 / 10000.125, 0, 6},
        {true, 8, 80000, 1, 1000, 2, 0},        {true, 9, 80000, 1.125, 1000.0 / 1.125, 1, 3},
    };
    for (const Case &c : cases) {
        const CycleTimeDisplay d = CycleTimeOf(c.answered, c.cycles, c.time);
        EXPECT_DOUBLE_EQ(d.frequencyHz, c.hz) << c.cycles << "/" << c.time;
        EXPECT_DOUBLE_EQ(d.cycleTimeMs, c.ms) << c.cycles << "/" << c.time;
        EXPECT_EQ(d.frequencyPrecision, c.hzDigits) << c.cycles << "/" << c.time;
        EXPECT_EQ(d.cycleTimePrecision, c.msDigits) << c.cycles << "/" << c.time;
    }
}

namespace {

// Captures over TCP against a peer that answers with exactly the bytes a test gives it.
class ScopePeer : public ScopeOnPeer {
protected:
    // A complete first capture that later ones must not disturb.
    void CaptureA()
    {
        SetTrigger(0, 0, 0, 1);
        peer.answerNext({{0, ScopeAnswer(ringsA, 0)}});
        ASSERT_TRUE(Scan());
        ASSERT_EQ(ScopeTraces.SigTrace, ringsA[2]);
        peer.requests.clear();
    }
    const std::array<Ring, 4> ringsA = {CountingRing(100), CountingRing(300), CountingRing(500)};
    const std::array<Ring, 4> ringsB = {CountingRing(1000), CountingRing(2000), CountingRing(3000)};
};

} // namespace

TEST_F(ScopePeer, AnswerInOddPiecesIsUnrolledAndPlotted)
{
    std::array<Ring, 4> rings = ringsB;
    rings[3].fill(0x0301);
    SetTrigger(1, 1234, 10, 7);
    // The pieces cut the acknowledge, the headers and the payloads anywhere.
    peer.answerNext(InPieces(ScopeAnswer(rings, 100), {3, 6, 1, 261, 2, 300, 266, 1, 97}));
    ASSERT_TRUE(Scan());
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0], Frame(110, 1, {0xD2, 0x04, 0x01, 0x00, 0x0A, 0x00, 0x07, 0x00}));
    EXPECT_EQ(ScopeTraces.Ch0Trace[0], rings[0][90]);
    EXPECT_EQ(ScopeTraces.SigTrace[10], rings[2][100]);

    const auto analog = PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE);
    ASSERT_EQ(analog.size(), 3u);
    EXPECT_EQ(analog[0].color, QColor(0xFF, 0, 0));
    EXPECT_EQ(analog[1].color, QColor(0, 0xFF, 0));
    EXPECT_EQ(analog[2].color, QColor(0x80, 0x80, 0));
    EXPECT_EQ(analog[1].y, AsDoubles(ScopeTraces.Ch1Trace));
    const auto digital = PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE_DIGITAL);
    ASSERT_EQ(digital.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(digital[i].color, QColor(0x80, 0x80, 0x80));
        EXPECT_EQ(digital[i].y[0], (std::array<double, 4>{3, 0, 7, 5})[i]);
    }
    EXPECT_EQ(AppState.ScanRunning, 0);
    EXPECT_FALSE(Dimmed(AppState.TabScope, TABP_SCOPE_BUTTON_SCAN));
    EXPECT_EQ(MessageBoxText(), "");
}

TEST_F(ScopePeer, BadThirdBlockEndsTheCaptureWithNothingPlotted)
{
    ASSERT_NO_FATAL_FAILURE(CaptureA());
    const size_t sig = 8 + 2 * 266; // where the SIG frame starts
    const std::pair<size_t, std::string> cases[] = {
        {sig + 7, "ATTENTION! \nReceived header frame is incorrect!"}, // header check byte
        {sig + 4, "ATTENTION! \nReceived header frame is incorrect!"}, // length, header still good
        {sig + 50, "ATTENTION! \nReceived data frame is incorrect!"},
    };
    for (const auto &[byte, message] : cases) {
        ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
        OpenTcp(peer.port());
        SetButtonsDimmed(0, 0); // as a connect does: after a failure SCAN waits for one
        std::vector<uint8_t> answer = ScopeAnswer(ringsB, 0);
        answer[byte] ^= 0x10;
        if (byte == sig + 4)
            answer[sig + 7] = frame::crc8Update(answer.data(), int(sig), 7);
        peer.answerNext(InPieces(answer, {500}));
        ASSERT_TRUE(Scan());
        EXPECT_EQ(MessageBoxText(), message + "\n\n") << byte;
        EXPECT_EQ(StatusText(), "TIMEOUT!");
        EXPECT_EQ(AppState.ScanRunning, 0);
        EXPECT_EQ(ScopeTraces.Ch0Trace, ringsA[0]) << "the good blocks before are not taken";
        const auto analog = PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE);
        ASSERT_EQ(analog.size(), 3u);
        EXPECT_EQ(analog[0].y, AsDoubles(ringsA[0]));
    }
}

TEST_F(ScopePeer, BreakBeforeAnyBlockKeepsTheOldTracesForTheSelector)
{
    ASSERT_NO_FATAL_FAILURE(CaptureA());
    SetTrigger(1, 4000, 10, 1);
    peer.answerNext({{0, Frame(110, 0)}}); // acknowledged; the trigger never comes
    peer.answerNext({{0, Frame(110, 0)}}); // the break
    bool waited = false;
    Later operatorBreaks(300, [&] {
        // While the capture waits only BREAK is open to the operator; ClickBreak needs it.
        waited = AppState.ScanRunning == 1;
        EXPECT_TRUE(Dimmed(AppState.TabScope, TABP_SCOPE_BUTTON_SCAN));
        EXPECT_TRUE(Dimmed(AppState.TabScope, TABP_SCOPE_BUTTON_GET_CYCLE_TIME));
        int visible = 0;
        GetCtrlAttribute(AppState.ScopePanel, SCOPEP_TEXTMSG_SCAN_RUNNING, ATTR_VISIBLE, &visible);
        EXPECT_EQ(visible, 1);
        EXPECT_TRUE(IsPanelVisible(AppState.ScopePanel));
        ClickBreak();
    });
    ASSERT_TRUE(Scan());
    EXPECT_TRUE(waited);
    ASSERT_EQ(peer.requests.size(), 2u);
    EXPECT_EQ(peer.requests[1], Frame(110, 0));
    EXPECT_EQ(MessageBoxText(), "");
    EXPECT_EQ(ScopeTraces.Ch1Trace, ringsA[1]);
    int visible = 1;
    GetCtrlAttribute(AppState.ScopePanel, SCOPEP_TEXTMSG_SCAN_RUNNING, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);

    for (int selector : {2, 0}) {
        SetCtrlVal(AppState.ScopePanel, SCOPEP_RING_SCOPE_SIGNAL, selector);
        SimulateCtrlEvent(AppState.ScopePanel, SCOPEP_RING_SCOPE_SIGNAL, EVENT_COMMIT);
        const auto plots = PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE);
        ASSERT_EQ(plots.size(), selector == 2 ? 1u : 3u);
        EXPECT_EQ(plots[0].y, AsDoubles(ringsA[selector == 2 ? 1 : 0]));
    }
}

TEST_F(ScopePeer, CycleTimeAndTriggerModeDimming)
{
    std::vector<uint8_t> answer(8);
    for (int i : {0, 4}) {
        frame::PutU16(answer.data() + i, 0x3880);
        frame::PutU16(answer.data() + i + 2, 1);
    }
    peer.answerNext({{0, Frame(105, 0, answer)}}); // 80000 cycles in 80000 x 0.1 ms
    SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_GET_CYCLE_TIME, EVENT_COMMIT);
    EXPECT_EQ(peer.requests.at(0), Frame(105, 0));
    EXPECT_DOUBLE_EQ(CycleTimeMs, 0.1);
    EXPECT_EQ(SpinText(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_FREQ), "10000 Hz");
    EXPECT_EQ(SpinText(AppState.TabScope, TABP_SCOPE_NUMERIC_CYCLE_TIME), "0.100 ms");
    peer.answerNext({{0, Frame(0, 2)}}); // a failed measurement clears both
    SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_GET_CYCLE_TIME, EVENT_COMMIT);
    EXPECT_EQ(CycleTimeMs, 0.0);
    EXPECT_EQ(SpinText(AppState.TabScope, TABP_SCOPE_NUMERIC_CYCLE_TIME), "0 ms");

    const std::array<int, 3> modes[] = {{1, 0, 0}, {0, 1, 1}, {2, 0, 0}, {3, 1, 0}, {4, 1, 0}};
    for (const auto &[mode, level, pre] : modes) {
        SetCtrlVal(AppState.TabScope, TABP_SCOPE_RING_TRIGGER_MODE, mode);
        SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_RING_TRIGGER_MODE, EVENT_COMMIT);
        EXPECT_EQ(Dimmed(AppState.TabScope, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL), level) << mode;
        EXPECT_EQ(Dimmed(AppState.TabScope, TABP_SCOPE_NUMERIC_PRE_TRIGGER), pre) << mode;
    }
}

namespace {

class ScopeSensor : public ScopePeer {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(sensor.start(0, true));
        DisplayPanel(AppState.MainPanel);
    }
    void TearDown() override
    {
        CloseCom(AppState.ComPort);
        AppTest::TearDown();
    }
    sim::SimRunner sensor;
};

} // namespace

TEST_F(ScopeSensor, EveryTriggerModeOverTcp)
{
    OpenTcp(sensor.tcpPort());
    SetTrigger(0, 0, 0, 1);
    ASSERT_TRUE(Scan() && MessageBoxText().empty()) << MessageBoxText();
    long sum = 0;
    for (int16_t v : ScopeTraces.SigTrace)
        sum += v;
    const int level = int(sum / kScopeSamples); // a level the signal crosses often
    const int pre = 20;
    SetTrigger(1, level, pre, 1);
    ASSERT_TRUE(Scan() && MessageBoxText().empty()) << MessageBoxText();
    EXPECT_LT(ScopeTraces.SigTrace[pre - 1], level);
    EXPECT_GE(ScopeTraces.SigTrace[pre], level);
    SetTrigger(2, level, pre, 1);
    ASSERT_TRUE(Scan() && MessageBoxText().empty()) << MessageBoxText();
    EXPECT_GT(ScopeTraces.SigTrace[pre - 1], level);
    EXPECT_LE(ScopeTraces.SigTrace[pre], level);
    SetTrigger(3, 0, pre, 1); // OUT0 follows the tolerance (DIGITAL OUTMODE DIRECT)
    ASSERT_TRUE(Scan() && MessageBoxText().empty()) << MessageBoxText();
    EXPECT_EQ(ScopeTraces.StatusTrace[pre - 1] & 1, 1);
    EXPECT_EQ(ScopeTraces.StatusTrace[pre] & 1, 0);
    SetTrigger(4, 0, pre, 10); // IN0 goes high once every 5 s
    ASSERT_TRUE(Scan() && MessageBoxText().empty()) << MessageBoxText();
    EXPECT_EQ(ScopeTraces.StatusTrace[pre - 1] & 0x100, 0);
    EXPECT_EQ(ScopeTraces.StatusTrace[pre] & 0x100, 0x100);
    EXPECT_EQ(sensor.receivedFrames().back(), Frame(110, 1, {0, 0, 4, 0, 20, 0, 10, 0}));
}

TEST_F(ScopeSensor, CaptureAndBreakOverThePseudoTerminal)
{
    AppState.ComProtocol = 0;
    AppState.ComPort = uint16_t(ComPortFromDevice(sensor.ptyPath().toStdString()));
    InitRS232();
    ASSERT_GE(AppState.OpenResult, 0);
    SetTrigger(0, 0, 0, 2);
    ASSERT_TRUE(Scan() && MessageBoxText().empty()) << MessageBoxText();
    EXPECT_EQ(PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE).size(), 3u);
    const ScopeTrace first = ScopeTraces.Ch0Trace;
    EXPECT_NE(first, ScopeTrace{});

    SetTrigger(1, 4095, 0, 1); // a level the signal never reaches
    Later operatorBreaks(300, [] { ClickBreak(); });
    ASSERT_TRUE(Scan() && MessageBoxText().empty()) << MessageBoxText();
    EXPECT_EQ(ScopeTraces.Ch0Trace, first);
    EXPECT_EQ(sensor.receivedFrames().back(), Frame(110, 0));
}
