// Fault table and the --fault option text.
#include "sim/faults.h"

#include "link/frame.h"
#include "sim/sensor_model.h"

#include <gtest/gtest.h>

using sim::Fault;

TEST(FaultTable, SpecificOrderWinsOverWildcardAndCountsExpire)
{
    sim::FaultTable t;
    Fault any;
    any.delayMs = 50;
    Fault once;
    once.noReply = true;
    once.count = 2;
    t.set(sim::kAnyOrder, any);
    t.set(8, once);

    EXPECT_TRUE(t.take(8).noReply);
    EXPECT_TRUE(t.take(8).noReply);
    // Used up: order 8 falls back to the wildcard.
    const Fault after = t.take(8);
    EXPECT_FALSE(after.noReply);
    EXPECT_EQ(after.delayMs, 50);
    EXPECT_EQ(t.take(7).delayMs, 50); // -1 never expires
    EXPECT_EQ(t.take(7).delayMs, 50);
    t.clearAll();
    EXPECT_EQ(t.take(7).delayMs, 0);
}

TEST(ParseFaultOption, AcceptsEveryKindAndAddsUpPerOrder)
{
    std::map<int, Fault> faults;
    std::string error;
    for (const char *option :
         {"8:delay=2900", "8:baddata", "7:noreply", "7:count=1", "*:badheader", "15:error=2",
          "2:cut=10", "110:frame=3", "110:badheader", "30:close", "31:hangup", "1:frame=-1"})
        ASSERT_TRUE(sim::ParseFaultOption(option, &faults, &error)) << option << ": " << error;

    EXPECT_EQ(faults[8].delayMs, 2900);
    EXPECT_TRUE(faults[8].badDataCrc);
    EXPECT_TRUE(faults[7].noReply);
    EXPECT_EQ(faults[7].count, 1);
    EXPECT_TRUE(faults[sim::kAnyOrder].badHeaderCrc);
    EXPECT_EQ(faults[15].errorArg, 2);
    EXPECT_EQ(faults[2].cutPayload, 10);
    EXPECT_EQ(faults[110].frame, 3);
    EXPECT_TRUE(faults[110].badHeaderCrc);
    EXPECT_TRUE(faults[30].closeConnection);
    EXPECT_TRUE(faults[31].hangUp);
    EXPECT_EQ(faults[1].frame, -1);
}

TEST(ParseFaultOption, RefusesMalformedSpecsWithoutChangingAnything)
{
    std::map<int, Fault> faults;
    std::string error;
    for (const char *option : {"8", "8:", "256:noreply", "-2:noreply", "x:noreply", "8:delay",
                               "8:delay=abc", "8:delay=-5", "8:noreply=1", "8:hangup=1", "8:error=0",
                               "8:cut=0", "8:count=0", "8:bogus", "8:delay=10x"}) {
        error.clear();
        EXPECT_FALSE(sim::ParseFaultOption(option, &faults, &error)) << option;
        EXPECT_FALSE(error.empty()) << option;
    }
    EXPECT_TRUE(faults.empty());
}

// Line noise, a flood and a connection dropped in the middle of a frame: parsed from the option
// text, and what the sensor then sends for a request that it does carry out.
TEST(NoiseFaults, ParsedAndAppliedToTheAnswer)
{
    std::map<int, Fault> faults;
    std::string error;
    for (const char *option : {"2:garbage=16", "8:flood=100000", "7:dropmid"})
        ASSERT_TRUE(sim::ParseFaultOption(option, &faults, &error)) << option << ": " << error;
    EXPECT_EQ(faults[2].garbage, 16);
    EXPECT_EQ(faults[8].flood, 100000);
    EXPECT_TRUE(faults[7].dropMidFrame);
    for (const char *option : {"2:garbage", "2:garbage=0", "8:flood=x", "7:dropmid=1"})
        EXPECT_FALSE(sim::ParseFaultOption(option, &faults, &error)) << option;

    const std::vector<uint8_t> noise = sim::Noise(64);
    ASSERT_EQ(noise.size(), 64u);
    EXPECT_NE(noise[0], frame::kStartByte);
    EXPECT_EQ(noise, sim::Noise(64)); // the same noise every time, so failures repeat

    sim::SensorModel model;
    auto ask = [&model](uint8_t order) {
        const std::vector<uint8_t> req = frame::Build(order, 0);
        frame::Header h;
        EXPECT_EQ(frame::CheckHeader(req.data(), &h), frame::HeaderCheck::kGood);
        return model.Handle(h, req.data() + 8, 1.0);
    };
    Fault garbage;
    garbage.garbage = 16;
    model.setFault(frame::kOrderReadRam, garbage);
    sim::Response r = ask(frame::kOrderReadRam);
    ASSERT_EQ(r.replies.size(), 1u);
    EXPECT_EQ(r.replies[0].bytes, sim::Noise(16));
    EXPECT_FALSE(r.close);

    Fault flood;
    flood.flood = 100000;
    model.setFault(frame::kOrderDataFrame, flood);
    r = ask(frame::kOrderDataFrame);
    ASSERT_EQ(r.replies.size(), 1u);
    EXPECT_EQ(r.replies[0].bytes.size(), 100000u);

    Fault drop;
    drop.dropMidFrame = true;
    drop.delayMs = 5;
    model.setFault(frame::kOrderFirmwareId, drop);
    r = ask(frame::kOrderFirmwareId);
    ASSERT_EQ(r.replies.size(), 1u);
    EXPECT_EQ(r.replies[0].bytes.size(), (8u + 72u) / 2);
    EXPECT_TRUE(r.close);
    EXPECT_EQ(r.closeDelayMs, 5); // closed right after the half frame has gone out
}
