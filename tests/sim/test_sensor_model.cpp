// The simulated sensor's answers to every order, its memories and the faults it injects, driven
// directly without a link.
#include "link/frame.h"
#include "sim/sensor_model.h"

#include <gtest/gtest.h>

#include <cstring>

using sim::Fault;
using sim::SensorModel;

namespace {

struct Decoded {
    bool headerOk = false;
    bool payloadOk = false;
    frame::Header h;
    std::vector<uint8_t> payload;
};

Decoded Decode(const std::vector<uint8_t> &bytes)
{
    Decoded d;
    if (bytes.size() < 8)
        return d;
    d.headerOk = frame::CheckHeader(bytes.data(), &d.h) == frame::HeaderCheck::kGood;
    d.payload.assign(bytes.begin() + 8, bytes.end());
    d.payloadOk = d.headerOk && d.payload.size() == d.h.length &&
                  frame::crc8Update(d.payload.data(), 0, int(d.payload.size())) == d.h.dataCrc;
    return d;
}

sim::Response Ask(SensorModel &m, uint8_t order, uint16_t arg,
                  const std::vector<uint8_t> &payload = {}, double t = 1.0)
{
    const std::vector<uint8_t> req = frame::Build(order, arg, payload);
    frame::Header h;
    EXPECT_EQ(frame::CheckHeader(req.data(), &h), frame::HeaderCheck::kGood);
    return m.Handle(h, req.data() + 8, t);
}

// The single, intact answer of a request.
Decoded One(SensorModel &m, uint8_t order, uint16_t arg, const std::vector<uint8_t> &payload = {},
            double t = 1.0)
{
    const sim::Response r = Ask(m, order, arg, payload, t);
    EXPECT_EQ(r.replies.size(), 1u) << "order " << int(order);
    if (r.replies.empty())
        return {};
    Decoded d = Decode(r.replies[0].bytes);
    EXPECT_TRUE(d.payloadOk) << "order " << int(order);
    return d;
}

void ExpectError(SensorModel &m, uint8_t order, uint16_t arg, uint16_t error,
                 const std::vector<uint8_t> &payload = {})
{
    const Decoded d = One(m, order, arg, payload);
    EXPECT_EQ(d.h.order, 0) << "order " << int(order) << " arg " << arg;
    EXPECT_EQ(d.h.arg, error) << "order " << int(order) << " arg " << arg;
    EXPECT_EQ(d.h.length, 0);
}

} // namespace

TEST(SensorModel, IdentifiesItselfWithTerminatedTexts)
{
    SensorModel m;
    Decoded d = One(m, 7, 0);
    EXPECT_EQ(d.h.order, 7);
    ASSERT_EQ(d.h.length, 72);
    ASSERT_EQ(d.payload.size(), 72u); // before any byte of it is read
    const std::string id(reinterpret_cast<const char *>(d.payload.data()));
    // What the scope tool accepts: "ORVANTE2 V1.3." + minor number + blank.
    ASSERT_EQ(id.rfind("ORVANTE2 V1.3.", 0), 0u) << id;
    const size_t blank = id.find(' ', 14);
    ASSERT_NE(blank, std::string::npos);
    EXPECT_GT(blank, 14u);
    for (size_t i = 14; i < blank; ++i)
        EXPECT_TRUE(std::isdigit(id[i])) << id;

    m.setFirmwareId(std::string(100, 'F'));
    d = One(m, 7, 0);
    ASSERT_EQ(d.h.length, 72);
    ASSERT_EQ(d.payload.size(), 72u);
    EXPECT_EQ(d.payload[70], 'F');
    EXPECT_EQ(d.payload[71], 0);

    m.setSerialNumber(4711);
    m.setSensorName("Line 3 sensor");
    d = One(m, 15, 0);
    EXPECT_EQ(d.h.arg, 4711);
    EXPECT_EQ(std::string(d.payload.begin(), d.payload.end()), std::string("Line 3 sensor", 14));
}

TEST(SensorModel, ReadsDefaultParametersAsLittleEndianWords)
{
    SensorModel m;
    const Decoded d = One(m, 2, 0);
    ASSERT_EQ(d.h.length, 52);
    ASSERT_EQ(d.payload.size(), 52u);
    // POWER SOURCE 0, POWER CH0 500, POWER CH1 500, POWER MODE 0, DYNWIN LO 3200, DYNWIN HI 3300.
    const std::vector<uint8_t> head = {0x00, 0x00, 0xF4, 0x01, 0xF4, 0x01,
                                       0x00, 0x00, 0x80, 0x0C, 0xE4, 0x0C};
    EXPECT_EQ(std::vector<uint8_t>(d.payload.begin(), d.payload.begin() + 12), head);
    EXPECT_EQ(sim::UnpackParams(d.payload.data(), 52), sim::DefaultParams());
    EXPECT_EQ(frame::GetU16(d.payload.data() + 40), 2000); // TEACH VALUE
}

TEST(SensorModel, ImplausibleSetsFallBackToDefaults)
{
    SensorModel m;
    sim::ParamRecord p = sim::DefaultParams();
    p[sim::kTtUp] = 60000;
    p[sim::kTeachValue] = 1234;
    Decoded d = One(m, 1, 0, sim::PackParams(p));
    EXPECT_EQ(d.h.order, 1);
    EXPECT_EQ(d.h.arg, 0);
    const std::vector<uint8_t> ram = One(m, 2, 0).payload;
    ASSERT_EQ(ram.size(), 52u);
    EXPECT_EQ(sim::UnpackParams(ram.data(), 52), p);

    // The answer names the first offending word (POWER CH1 is word 3), and RAM holds defaults.
    sim::ParamRecord bad = p;
    bad[sim::kPowerCh1] = 1001;
    bad[sim::kDeadTime] = 101;
    EXPECT_EQ(One(m, 1, 0, sim::PackParams(bad)).h.arg, 3);
    EXPECT_EQ(m.ram(), sim::DefaultParams());

    sim::ParamRecord window = sim::DefaultParams();
    window[sim::kDynWinLo] = 3400; // above DYNWIN HI
    EXPECT_EQ(sim::CheckParams(window), sim::kDynWinHi + 1);
    sim::ParamRecord dyn = sim::DefaultParams();
    dyn[sim::kPowerSource] = 6;
    dyn[sim::kExternTeach] = 2;
    EXPECT_EQ(sim::CheckParams(dyn), sim::kExternTeach + 1);

    // A stored set that fails the check is replaced by defaults when loaded.
    sim::ParamRecord broken = p;
    broken[sim::kThresholdMode] = 9;
    m.setEeprom(broken);
    m.setRam(p);
    EXPECT_EQ(One(m, 4, 0).h.arg, sim::kThresholdMode + 1);
    EXPECT_EQ(m.ram(), sim::DefaultParams());

    m.setPlausibilityFailure(2);
    EXPECT_EQ(One(m, 1, 0, sim::PackParams(p)).h.arg, 2);
    EXPECT_EQ(m.ram(), sim::DefaultParams());

    ExpectError(m, 1, 0, 2, std::vector<uint8_t>(50, 0)); // a record must be 52 bytes
}

TEST(SensorModel, BaudRateChangeIsVolatileUntilStored)
{
    SensorModel m;
    EXPECT_EQ(One(m, 190, 6).h.order, 190);
    EXPECT_EQ(m.baudIndex(), 6);
    EXPECT_EQ(m.storedBaudIndex(), 4);
    One(m, 3, 0);
    EXPECT_EQ(m.storedBaudIndex(), 6);
}

TEST(SensorModel, RefusesDamagedAndUnknownRequests)
{
    SensorModel m;
    // Payload check byte wrong: a communication error, and the request is not carried out.
    std::vector<uint8_t> req = frame::Build(100, 2, {1, 0, 2, 0});
    req[6] ^= 0xFF;
    frame::Header h{req[1], frame::GetU16(&req[2]), frame::GetU16(&req[4]), req[6]};
    Decoded d = Decode(m.Handle(h, req.data() + 8, 1.0).replies.at(0).bytes);
    EXPECT_EQ(d.h.order, 0);
    EXPECT_EQ(d.h.arg, 2);
    EXPECT_EQ(m.offsets()[0], 42);
    // An empty request must carry 0xAA.
    h = frame::Header{7, 0, 0, 0x00};
    EXPECT_EQ(Decode(m.Handle(h, nullptr, 1.0).replies.at(0).bytes).h.arg, 2);

    ExpectError(m, 99, 0, 1);
    ExpectError(m, 30, 2, 1);
    ExpectError(m, 100, 4, 1);
    ExpectError(m, 103, 2, 1);
    ExpectError(m, 110, 2, 1);
    ExpectError(m, 194, 0, 1);                                    // wrong access code
    ExpectError(m, 180, 0x1A80, 1);                               // not a block address
    ExpectError(m, 182, 0x1A00, 1, std::vector<uint8_t>(512, 0)); // not announced
}

TEST(SensorModel, OffsetsAndSettingTimeFactor)
{
    SensorModel m;
    Decoded d = One(m, 100, 0);
    const std::vector<uint8_t> initial = {42, 0, 57, 0, 10, 0};
    EXPECT_EQ(d.payload, initial);

    d = One(m, 100, 1); // measures, does not store
    ASSERT_EQ(d.h.length, 4);
    ASSERT_EQ(d.payload.size(), 4u);
    EXPECT_NEAR(frame::GetU16(d.payload.data()), 42, 2);
    EXPECT_NEAR(frame::GetU16(d.payload.data() + 2), 57, 2);

    One(m, 100, 2, {120, 0, 95, 0});
    One(m, 100, 3, {25, 0});
    const std::vector<uint8_t> stored = {120, 0, 95, 0, 25, 0};
    EXPECT_EQ(One(m, 100, 0).payload, stored);
    ExpectError(m, 100, 2, 2, {1, 2, 3});
}

TEST(SensorModel, ConversionTableAndDataBlocks)
{
    SensorModel m;
    Decoded d = One(m, 103, 1);
    ASSERT_EQ(d.h.length, 256);
    ASSERT_EQ(d.payload.size(), 256u);
    EXPECT_EQ(sim::UnpackConvTable(d.payload.data()), sim::DefaultConvTable());
    EXPECT_EQ(frame::GetU16(d.payload.data() + 252), 4095);
    EXPECT_EQ(frame::GetU16(d.payload.data() + 254), 10000);

    sim::ConvTable t = sim::DefaultConvTable();
    t[5] = {1000, -5};
    One(m, 103, 0, sim::PackConvTable(t));
    const std::vector<uint8_t> table = One(m, 103, 1).payload;
    ASSERT_EQ(table.size(), 256u);
    EXPECT_EQ(sim::UnpackConvTable(table.data()), t);
    ExpectError(m, 103, 0, 2, std::vector<uint8_t>(255, 0));

    for (int b = 0; b < 4; ++b) {
        const uint16_t address = uint16_t(0x1A00 + 0x100 * b);
        std::vector<uint8_t> block;
        for (int i = 0; i < 256; ++i)
            sim::AppendU16(block, uint16_t(b * 1000 + i));
        EXPECT_EQ(One(m, 180, address).h.order, 180);
        EXPECT_EQ(One(m, 182, address, block).h.order, 182);
    }
    EXPECT_EQ(m.convData()[0], 0);
    EXPECT_EQ(m.convData()[255], 255);
    EXPECT_EQ(m.convData()[256], 1000);
    EXPECT_EQ(m.convData()[1023], 3255);
    // An announcement is good for one block only.
    ExpectError(m, 182, 0x1D00, 1, std::vector<uint8_t>(512, 0));
}

TEST(SensorModel, CycleTimeAndHardwareInfo)
{
    SensorModel m;
    m.generator().setCycleUs(250);
    // 8 s of running: 32000 cycles in 80000 units of 0.1 ms, i.e. 4 kHz.
    const std::vector<uint8_t> cycles = {0x00, 0x7D, 0, 0, 0x80, 0x38, 0x01, 0};
    EXPECT_EQ(One(m, 105, 0).payload, cycles);
    const Decoded d = One(m, 194, 0x3C5A);
    EXPECT_EQ(d.h.length, 512);
    ASSERT_EQ(d.payload.size(), m.hardwareInfo().size());
    EXPECT_TRUE(std::equal(d.payload.begin(), d.payload.end(), m.hardwareInfo().begin()));
}

TEST(SensorModel, RefusedOrLostRequestsAreNotCarriedOut)
{
    SensorModel m;
    sim::ParamRecord p = sim::DefaultParams();
    p[sim::kGain] = 3;
    m.setFault(1, {.errorArg = 1, .count = 1});
    const Decoded d = Decode(Ask(m, 1, 0, sim::PackParams(p)).replies.at(0).bytes);
    EXPECT_EQ(d.h.order, 0);
    EXPECT_EQ(d.h.arg, 1);
    m.setFault(1, {.noReply = true, .count = 1});
    EXPECT_TRUE(Ask(m, 1, 0, sim::PackParams(p)).replies.empty());

    m.setFault(sim::kAnyOrder, {.delayMs = 40, .closeConnection = true});
    const sim::Response r = Ask(m, 1, 0, sim::PackParams(p));
    EXPECT_TRUE(r.close);
    EXPECT_EQ(r.closeDelayMs, 40);
    EXPECT_TRUE(r.replies.empty());
    EXPECT_EQ(m.ram(), sim::DefaultParams());
}

namespace {

// The PC's unrolling of a scope block into its trace.
std::array<int16_t, 128> Unroll(const std::vector<uint8_t> &block, const sim::ScopeRequest &req)
{
    const uint16_t ring = frame::GetU16(block.data() + 256);
    const int start = req.triggerMode == 0 ? 0 : int(ring) + 128 - req.preTrigger;
    std::array<int16_t, 128> trace{};
    for (int k = 0; k < 128; ++k)
        trace[k] = sim::GetI16(block.data() + 2 * ((start + k) & 127));
    return trace;
}

std::vector<uint8_t> ScopePayload(int16_t level, int16_t mode, int16_t pre, int16_t rate)
{
    std::vector<uint8_t> p;
    for (int16_t v : {level, mode, pre, rate})
        sim::AppendU16(p, uint16_t(v));
    return p;
}

} // namespace

TEST(SensorModel, ScopeCaptureSendsFourBlocksWithTheTriggerAtPreTrigger)
{
    struct Case {
        int16_t level, mode, pre, rate;
    };
    for (const Case c : {Case{0, 0, 10, 5}, Case{2000, 1, 20, 50}, Case{2000, 2, 100, 50},
                         Case{0, 4, 30, 100}, Case{2000, 1, -10, 50}}) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " pre " << c.pre);
        SensorModel m;
        const sim::Response r = Ask(m, 110, 1, ScopePayload(c.level, c.mode, c.pre, c.rate), 2.0);
        ASSERT_EQ(r.replies.size(), 5u);
        EXPECT_EQ(Decode(r.replies[0].bytes).h.length, 0); // the acknowledge
        EXPECT_EQ(r.replies[0].delayMs, 0);
        EXPECT_TRUE(r.cancelScope);
        sim::ScopeRequest req{c.level, c.mode, c.pre, c.rate};
        std::array<std::array<int16_t, 128>, 4> traces;
        for (int b = 0; b < 4; ++b) {
            const sim::Reply &block = r.replies[1 + b];
            EXPECT_TRUE(block.scope);
            EXPECT_EQ(block.bytes.size(), 266u);
            EXPECT_GE(block.delayMs, 128 * c.rate / 10 - 1); // cycle 100 us
            const Decoded d = Decode(block.bytes);
            EXPECT_TRUE(d.payloadOk);
            EXPECT_EQ(d.h.order, 110);
            ASSERT_EQ(d.payload.size(), 258u); // Unroll reads all of it
            traces[b] = Unroll(d.payload, req);
        }
        const int at = c.pre & 127;
        if (c.mode == 1) {
            EXPECT_LT(traces[2][at - 1], c.level);
            EXPECT_GE(traces[2][at], c.level);
        } else if (c.mode == 2) {
            EXPECT_GT(traces[2][at - 1], c.level);
            EXPECT_LE(traces[2][at], c.level);
        } else if (c.mode == 4) {
            EXPECT_EQ(traces[3][at - 1] & 0x100, 0);
            EXPECT_NE(traces[3][at] & 0x100, 0);
        }
        for (int k = 0; k < 128; ++k) {
            EXPECT_EQ(traces[2][k], traces[0][k]); // evaluation mode 0: SIG is CH0
            EXPECT_EQ(traces[3][k] & ~0x303, 0);
        }
        EXPECT_TRUE(m.scopeRunning(2.0));
        EXPECT_FALSE(m.scopeRunning(2.0 + r.replies[1].delayMs / 1000.0 + 0.01));
    }
}

TEST(SensorModel, ScopeWithoutTriggerWaitsUntilBroken)
{
    SensorModel m;
    sim::Response r = Ask(m, 110, 1, ScopePayload(5000, 1, 0, 100), 1.0);
    EXPECT_EQ(r.replies.size(), 1u);
    EXPECT_TRUE(m.scopeRunning(100.0));
    r = Ask(m, 110, 0, {}, 2.0);
    EXPECT_TRUE(r.cancelScope);
    ASSERT_EQ(r.replies.size(), 1u);
    EXPECT_EQ(Decode(r.replies[0].bytes).h.order, 110);
    EXPECT_FALSE(m.scopeRunning(2.0));
    ExpectError(m, 110, 1, 2, {1, 2, 3});
}

TEST(SensorModel, CorruptionHitsTheChosenFrameOfAScopeAnswer)
{
    SensorModel m;
    m.setFault(110, {.delayMs = 100, .badDataCrc = true, .frame = 3}); // the SIG block
    sim::Response r = Ask(m, 110, 1, ScopePayload(0, 0, 0, 1));
    ASSERT_EQ(r.replies.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Decode(r.replies[i].bytes).payloadOk, i != 3) << i;
        EXPECT_GE(r.replies[i].delayMs, 100) << i; // the delay moves the whole answer
    }
    m.setFault(110, {.badHeaderCrc = true, .frame = -1});
    r = Ask(m, 110, 1, ScopePayload(0, 0, 0, 1));
    for (const sim::Reply &reply : r.replies)
        EXPECT_FALSE(Decode(reply.bytes).headerOk);
}

TEST(SensorModel, AutomaticSendingCarriesTheStartingFaultToItsFrames)
{
    SensorModel m;
    m.setFault(30, {.badHeaderCrc = true, .frame = 2});
    const sim::Response r = Ask(m, 30, 1);
    ASSERT_EQ(r.replies.size(), 1u);
    EXPECT_TRUE(Decode(r.replies[0].bytes).headerOk);
    EXPECT_TRUE(m.autoSending());

    const Decoded first = Decode(m.NextAutoFrame(1.1));
    EXPECT_TRUE(first.payloadOk);
    EXPECT_EQ(first.h.order, 8);
    EXPECT_EQ(first.h.length, 20);
    EXPECT_FALSE(Decode(m.NextAutoFrame(1.2)).headerOk);
    EXPECT_TRUE(Decode(m.NextAutoFrame(1.3)).payloadOk);
    EXPECT_EQ(m.autoFramesSent(), 3);

    m.clearFaults();
    One(m, 30, 0);
    EXPECT_FALSE(m.autoSending());
}
