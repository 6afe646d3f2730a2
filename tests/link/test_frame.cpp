#include "link/frame.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

std::string Hex(const std::vector<uint8_t> &bytes)
{
    std::string s;
    char b[4];
    for (uint8_t v : bytes) {
        snprintf(b, sizeof b, "%s%02X", s.empty() ? "" : " ", v);
        s += b;
    }
    return s;
}

uint8_t Crc(const std::string &text)
{
    return frame::crc8Update(reinterpret_cast<const uint8_t *>(text.data()), 0, int(text.size()));
}

} // namespace

TEST(Crc8, CheckValuesAndTable)
{
    EXPECT_EQ(Crc("123456789"), 0x6D);
    EXPECT_EQ(Crc("abc"), 0xDE);
    EXPECT_EQ(Crc(""), 0xAA);
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    uint8_t crc = 0; // the published check value of this table starts from 0
    for (uint8_t b : digits)
        crc = frame::kCrc8Table[crc ^ b];
    EXPECT_EQ(crc, 0xA1);
    const uint8_t head[] = {0x00, 0x5E, 0xBC, 0xE2, 0x61, 0x3F, 0xDD, 0x83};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(frame::kCrc8Table[i], head[i]);
}

TEST(Crc8, OffsetAndEverySingleBitFlipDetected)
{
    const std::vector<uint8_t> payload = {0x10, 0x27, 0x00, 0xFF, 0x55, 0xAA, 0x01, 0x80};
    const uint8_t good = frame::crc8Update(payload.data(), 0, int(payload.size()));
    std::vector<uint8_t> shifted = {0xEE, 0xEE};
    shifted.insert(shifted.end(), payload.begin(), payload.end());
    EXPECT_EQ(frame::crc8Update(shifted.data(), 2, int(payload.size())), good);
    for (size_t byte = 0; byte < payload.size(); ++byte)
        for (int bit = 0; bit < 8; ++bit) {
            std::vector<uint8_t> p = payload;
            p[byte] ^= uint8_t(1 << bit);
            EXPECT_NE(frame::crc8Update(p.data(), 0, int(p.size())), good) << byte << ":" << bit;
        }
}

struct RequestCase {
    uint8_t order;
    uint16_t arg;
    std::vector<uint8_t> payload;
    const char *bytes;
};

// Printed as the frame it builds, so that test lists show no byte dumps.
void PrintTo(const RequestCase &c, std::ostream *os)
{
    *os << c.bytes;
}

class RequestFrames : public testing::TestWithParam<RequestCase> {};

TEST_P(RequestFrames, BuildsTheExactBytes)
{
    const RequestCase &c = GetParam();
    EXPECT_EQ(Hex(frame::Build(c.order, c.arg, c.payload)), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    KnownRequests, RequestFrames,
    testing::Values(RequestCase{7, 0, {}, "55 07 00 00 00 00 AA 52"},
                    RequestCase{15, 0, {}, "55 0F 00 00 00 00 AA F3"},
                    RequestCase{2, 0, {}, "55 02 00 00 00 00 AA B9"},
                    RequestCase{8, 0, {}, "55 08 00 00 00 00 AA 76"},
                    RequestCase{190, 4, {}, "55 BE 04 00 00 00 AA DC"},
                    RequestCase{100, 3, {0x10, 0x27}, "55 64 03 00 02 00 45 61 10 27"}),
    [](const testing::TestParamInfo<RequestCase> &info) {
        return "Order" + std::to_string(info.param.order) + "Arg" + std::to_string(info.param.arg);
    });

TEST(ResponseHeader, GoodHeaderDecodesAndCrcOverAllEightIsZero)
{
    const std::vector<uint8_t> f = frame::Build(15, 0x1234, {'a', 'b', 'c'});
    EXPECT_EQ(frame::crc8Update(f.data(), 0, 8), 0);
    frame::Header h;
    ASSERT_EQ(frame::CheckHeader(f.data(), &h), frame::HeaderCheck::kGood);
    EXPECT_EQ(h.order, 15);
    EXPECT_EQ(h.arg, 0x1234);
    EXPECT_EQ(h.length, 3);
    EXPECT_EQ(h.dataCrc, 0xDE);
}

TEST(ResponseHeader, RejectsBadStartByteBadCrcAndOversizedLength)
{
    frame::Header h;
    h.order = 99;
    std::vector<uint8_t> f = frame::Build(8, 0, std::vector<uint8_t>(20, 1));
    f[7] ^= 0x01; // only the header CRC is wrong
    EXPECT_EQ(frame::CheckHeader(f.data(), &h), frame::HeaderCheck::kBadCrc);

    std::vector<uint8_t> g = frame::Build(8, 0);
    g[0] = 0x56;
    g[7] = frame::crc8Update(g.data(), 0, 7); // CRC right, start byte wrong
    EXPECT_EQ(frame::CheckHeader(g.data(), &h), frame::HeaderCheck::kBadCrc);

    uint8_t big[8] = {0x55, 2, 0, 0, 0, 0, 0x00, 0};
    frame::PutU16(big + 4, 1065);
    big[7] = frame::crc8Update(big, 0, 7);
    EXPECT_EQ(frame::CheckHeader(big, &h), frame::HeaderCheck::kTooLong);
    EXPECT_EQ(h.order, 99) << "a refused header leaves the decoded fields alone";

    frame::PutU16(big + 4, 1064);
    big[7] = frame::crc8Update(big, 0, 7);
    EXPECT_EQ(frame::CheckHeader(big, &h), frame::HeaderCheck::kGood);
}
