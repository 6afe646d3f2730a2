// Fault table and the --fault option text.
#include "sim/faults.h"

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
          "2:cut=10", "110:frame=3", "110:badheader", "30:close", "1:frame=-1"})
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
    EXPECT_EQ(faults[1].frame, -1);
}

TEST(ParseFaultOption, RefusesMalformedSpecsWithoutChangingAnything)
{
    std::map<int, Fault> faults;
    std::string error;
    for (const char *option : {"8", "8:", "256:noreply", "-2:noreply", "x:noreply", "8:delay",
                               "8:delay=abc", "8:delay=-5", "8:noreply=1", "8:error=0", "8:cut=0",
                               "8:count=0", "8:bogus", "8:delay=10x"}) {
        error.clear();
        EXPECT_FALSE(sim::ParseFaultOption(option, &faults, &error)) << option;
        EXPECT_FALSE(error.empty()) << option;
    }
    EXPECT_TRUE(faults.empty());
}
