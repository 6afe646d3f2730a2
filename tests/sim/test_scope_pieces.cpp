// The scope answer over TCP leaves in pieces that cut across its frames.
#include "link/frame.h"
#include "sim/sensor_server.h"

#include <gtest/gtest.h>

TEST(ScopePieces, BlocksDueTogetherLeaveAsOneStreamInPieces)
{
    std::vector<sim::Reply> replies = {{frame::Build(110, 0), 0, false}};
    std::vector<uint8_t> stream;
    for (uint16_t b = 0; b < 4; ++b) {
        replies.push_back({frame::Build(110, b, std::vector<uint8_t>(258, uint8_t(b))), 40, true});
        stream.insert(stream.end(), replies.back().bytes.begin(), replies.back().bytes.end());
    }
    replies.push_back({std::vector<uint8_t>(9, 1), 40, true}); // due later: a stream of its own
    replies.back().delayMs = 90;

    const std::vector<sim::Reply> out = sim::InScopePieces(replies);
    ASSERT_EQ(out.size(), 1u + 11u + 1u); // 1064 bytes in pieces of 97, then the late one
    EXPECT_EQ(out.front().bytes, replies.front().bytes);
    EXPECT_EQ(out.back().bytes, replies.back().bytes);
    EXPECT_EQ(out.back().delayMs, 90);
    std::vector<uint8_t> joined;
    for (size_t i = 1; i <= 11; ++i) {
        EXPECT_TRUE(out[i].scope);
        EXPECT_EQ(out[i].delayMs, 40 + int(i - 1) * sim::kScopePieceGapMs);
        joined.insert(joined.end(), out[i].bytes.begin(), out[i].bytes.end());
    }
    EXPECT_EQ(out[3].bytes.size(), 97u); // bytes 194..290: across the first frame's end
    EXPECT_EQ(joined, stream);
}
