#include "link/frame.h"

#include <algorithm>

namespace frame {

uint8_t crc8Update(const uint8_t *buffer, int offset, int count, const uint8_t *table)
{
    uint8_t crc = kCrcStart;
    for (int i = 0; i < count; ++i)
        crc = table[crc ^ buffer[offset + i]];
    return crc;
}

void WriteHeader(uint8_t *out, uint8_t order, uint16_t arg, uint16_t length, const uint8_t *payload)
{
    out[0] = kStartByte;
    out[1] = order;
    PutU16(out + 2, arg);
    PutU16(out + 4, length);
    out[6] = length == 0 ? kCrcStart : crc8Update(payload, 0, length);
    out[7] = crc8Update(out, 0, 7);
}

std::vector<uint8_t> Build(uint8_t order, uint16_t arg, const std::vector<uint8_t> &payload)
{
    std::vector<uint8_t> f(kHeaderSize + payload.size());
    std::copy(payload.begin(), payload.end(), f.begin() + kHeaderSize);
    WriteHeader(f.data(), order, arg, uint16_t(payload.size()), f.data() + kHeaderSize);
    return f;
}

HeaderCheck CheckHeader(const uint8_t *bytes, Header *out)
{
    if (bytes[0] != kStartByte || crc8Update(bytes, 0, kHeaderSize) != 0)
        return HeaderCheck::kBadCrc;
    const uint16_t length = GetU16(bytes + 4);
    if (length > kMaxRxPayload)
        return HeaderCheck::kTooLong;
    out->order = bytes[1];
    out->arg = GetU16(bytes + 2);
    out->length = length;
    out->dataCrc = bytes[6];
    return HeaderCheck::kGood;
}

} // namespace frame
