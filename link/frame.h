// Request and response frames of the sensor protocol: an 8-byte header (start byte 0x55, order,
// 16-bit arg, 16-bit payload length, payload CRC, header CRC) followed by the payload. All
// multi-byte fields are little-endian. Pure functions only; the exchange lives in exchange.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace frame {

inline constexpr uint8_t kStartByte = 0x55;
inline constexpr uint8_t kCrcStart = 0xAA;
inline constexpr int kHeaderSize = 8;
inline constexpr int kTxBufferSize = 1024; // header + largest request payload
inline constexpr int kMaxTxPayload = kTxBufferSize - kHeaderSize; // 1016
inline constexpr int kRxBufferSize = 1072; // scope acknowledge + four scope frames
inline constexpr int kMaxRxPayload = kRxBufferSize - kHeaderSize; // 1064

// Order numbers the program sends.
enum Order : uint8_t {
    kOrderWriteRam = 1,
    kOrderReadRam = 2,
    kOrderStoreEeprom = 3,
    kOrderLoadEeprom = 4,
    kOrderFirmwareId = 7,
    kOrderDataFrame = 8,
    kOrderNameSerial = 15,
    kOrderAutoSend = 30,
    kOrderOffset = 100,
    kOrderConvTable = 103,
    kOrderCycleTime = 105,
    kOrderScope = 110,
    kOrderConvDataAnnounce = 180,
    kOrderConvDataWrite = 182,
    kOrderBaudrate = 190,
    kOrderHardwareInfo = 194,
    kOrderErrorReply = 0,
};

// The CRC-8 table of the reflected polynomial x^8 + x^5 + x^4 + 1 (0x8C).
constexpr std::array<uint8_t, 256> MakeCrc8Table()
{
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint8_t v = uint8_t(i);
        for (int bit = 0; bit < 8; ++bit)
            v = (v & 1) ? uint8_t((v >> 1) ^ 0x8C) : uint8_t(v >> 1);
        t[i] = v;
    }
    return t;
}
inline constexpr std::array<uint8_t, 256> kCrc8Table = MakeCrc8Table();

// CRC8 (start value 0xAA, no final XOR) of `count` bytes of `buffer` from `offset`.
uint8_t crc8Update(const uint8_t *buffer, int offset, int count,
                   const uint8_t *table = kCrc8Table.data());

struct Header {
    uint8_t order = 0;
    uint16_t arg = 0;
    uint16_t length = 0;
    uint8_t dataCrc = 0;
};

// Writes the 8 header bytes for `payload` (which must hold `length` bytes) into `out`.
void WriteHeader(uint8_t *out, uint8_t order, uint16_t arg, uint16_t length,
                 const uint8_t *payload);

// A complete frame as bytes: header followed by the payload.
std::vector<uint8_t> Build(uint8_t order, uint16_t arg, const std::vector<uint8_t> &payload = {});

enum class HeaderCheck { kGood, kBadCrc, kTooLong };

// Checks 8 received header bytes: start byte, header CRC, and that the announced payload fits the
// receive area. Fills `out` only when the header is good.
HeaderCheck CheckHeader(const uint8_t *bytes, Header *out);

inline uint16_t GetU16(const uint8_t *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
inline void PutU16(uint8_t *p, uint16_t v)
{
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t(v >> 8);
}

} // namespace frame
