// Fault table, frame corruption and the --fault option text.
#include "link/frame.h"
#include "sim/faults.h"

#include <gtest/gtest.h>

using sim::Fault;

namespace {

bool HeaderGood(const std::vector<uint8_t> &f)
{
    frame::Header h;
    return frame::CheckHeader(f.data(), &h) == frame::HeaderCheck::kGood;
}

bool PayloadGood(const std::vector<uint8_t> &f)
{
    const int len = frame::GetU16(f.data() + 4);
    return int(f.size()) == frame::kHeaderSize + len
           && frame::crc8Update(f.data(), frame::kHeaderSize, len) == f[6];
}

} // namespace

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
    EXPECT_EQ(t.take(7).delayMs, 50);  // -1 never expires
    EXPECT_EQ(t.take(7).delayMs, 50);
    t.clearAll();
    EXPECT_EQ(t.take(7).delayMs, 0);
}

TEST(Corrupt, EachKindBreaksExactlyWhatItNames)
{
    const std::vector<uint8_t> good = frame::Build(7, 0, std::vector<uint8_t>(72, 'x'));
    ASSERT_TRUE(HeaderGood(good));
    ASSERT_TRUE(PayloadGood(good));

    Fault f;
    f.badHeaderCrc = true;
    auto bytes = good;
    sim::Corrupt(f, &bytes);
    EXPECT_FALSE(HeaderGood(bytes));
    EXPECT_EQ(bytes.size(), good.size());

    f = Fault{};
    f.badDataCrc = true;
    bytes = good;
    sim::Corrupt(f, &bytes);
    EXPECT_TRUE(HeaderGood(bytes));
    EXPECT_FALSE(PayloadGood(bytes));

    f = Fault{};
    f.cutPayload = 10;
    bytes = good;
    sim::Corrupt(f, &bytes);
    EXPECT_TRUE(HeaderGood(bytes));
    EXPECT_EQ(frame::GetU16(bytes.data() + 4), 72);  // still announces everything
    EXPECT_EQ(bytes.size(), size_t(8 + 62));
    f.cutPayload = 500;
    bytes = good;
    sim::Corrupt(f, &bytes);
    EXPECT_EQ(bytes.size(), size_t(8));

    // Without a payload a bad data check byte still leaves a valid header.
    f = Fault{};
    f.badDataCrc = true;
    bytes = frame::Build(3, 0);
    sim::Corrupt(f, &bytes);
    EXPECT_TRUE(HeaderGood(bytes));
    EXPECT_NE(bytes[6], frame::kCrcStart);
}

TEST(ParseFaultSpec, AcceptsEveryKindAndAddsUpPerOrder)
{
    std::map<int, Fault> faults;
    std::string error;
    for (const char *spec : {"8:delay=2900", "8:baddata", "7:noreply", "7:count=1", "*:badheader",
                             "15:error=2", "2:cut=10", "110:frame=3", "110:badheader", "30:close",
                             "1:frame=-1"})
        ASSERT_TRUE(sim::ParseFaultSpec(spec, &faults, &error)) << spec << ": " << error;

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
    EXPECT_EQ(faults[1].frame, -1);
}

TEST(ParseFaultSpec, RefusesMalformedSpecsWithoutChangingAnything)
{
    std::map<int, Fault> faults;
    std::string error;
    for (const char *spec : {"8", "8:", "256:noreply", "-2:noreply", "x:noreply", "8:delay",
                             "8:delay=abc", "8:delay=-5", "8:noreply=1", "8:error=0", "8:cut=0",
                             "8:count=0", "8:bogus", "8:delay=10x"}) {
        error.clear();
        EXPECT_FALSE(sim::ParseFaultSpec(spec, &faults, &error)) << spec;
        EXPECT_FALSE(error.empty()) << spec;
    }
    EXPECT_TRUE(faults.empty());
}
