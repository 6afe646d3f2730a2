#include "sim/faults.h"

#include "link/frame.h"

#include <algorithm>
#include <charconv>

namespace sim {

Fault FaultTable::take(int order)
{
    auto it = faults_.find(order);
    if (it == faults_.end())
        it = faults_.find(kAnyOrder);
    if (it == faults_.end())
        return Fault{};
    const Fault f = it->second;
    if (it->second.count > 0 && --it->second.count == 0)
        faults_.erase(it);
    return f;
}

std::vector<uint8_t> Noise(int count)
{
    std::vector<uint8_t> bytes(size_t(std::max(0, count)));
    uint32_t x = 0x2545F491u;
    for (uint8_t &b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x);
    }
    if (!bytes.empty() && bytes[0] == frame::kStartByte)
        bytes[0] = 0; // noise never starts like a frame
    return bytes;
}

void Corrupt(const Fault &fault, std::vector<uint8_t> *bytes)
{
    if (int(bytes->size()) < frame::kHeaderSize)
        return;
    uint8_t *h = bytes->data();
    const int length = int(bytes->size()) - frame::kHeaderSize;
    if (fault.badDataCrc) {
        if (length > 0) {
            (*bytes)[frame::kHeaderSize] ^= 0x01;
        } else {
            // Nothing to flip: announce a wrong check byte instead, with a header that holds.
            h[6] ^= 0x01;
            h[7] = frame::crc8Update(h, 0, 7);
        }
    }
    if (fault.badHeaderCrc)
        h[7] ^= 0x5A;
    if (fault.cutPayload > 0)
        bytes->resize(frame::kHeaderSize + std::max(0, length - fault.cutPayload));
}

namespace {

bool ParseInt(const std::string &text, int min, int max, int *out)
{
    int v = 0;
    const char *end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || v < min || v > max)
        return false;
    *out = v;
    return true;
}

} // namespace

bool ParseFaultOption(const std::string &option, std::map<int, Fault> *faults, std::string *error)
{
    const size_t colon = option.find(':');
    if (colon == std::string::npos) {
        *error = "expected ORDER:KIND[=VALUE]: " + option;
        return false;
    }
    const std::string orderText = option.substr(0, colon);
    int order = kAnyOrder;
    if (orderText != "*" && !ParseInt(orderText, 0, 255, &order)) {
        *error = "order must be 0..255 or *: " + orderText;
        return false;
    }
    std::string kind = option.substr(colon + 1);
    std::string value;
    const size_t eq = kind.find('=');
    const bool hasValue = eq != std::string::npos;
    if (hasValue) {
        value = kind.substr(eq + 1);
        kind.resize(eq);
    }

    Fault f = faults->count(order) ? faults->at(order) : Fault{};
    const bool isFlag =
        kind == "noreply" || kind == "badheader" || kind == "baddata" || kind == "close" ||
        kind == "hangup" || kind == "dropmid";
    bool ok = isFlag != hasValue;
    if (kind == "noreply")
        f.noReply = true;
    else if (kind == "badheader")
        f.badHeaderCrc = true;
    else if (kind == "baddata")
        f.badDataCrc = true;
    else if (kind == "close")
        f.closeConnection = true;
    else if (kind == "hangup")
        f.hangUp = true;
    else if (kind == "dropmid")
        f.dropMidFrame = true;
    else if (kind == "garbage")
        ok = ok && ParseInt(value, 1, 65535, &f.garbage);
    else if (kind == "flood")
        ok = ok && ParseInt(value, 1, 16 * 1024 * 1024, &f.flood);
    else if (kind == "delay")
        ok = ok && ParseInt(value, 0, 600000, &f.delayMs);
    else if (kind == "error")
        ok = ok && ParseInt(value, 1, 65535, &f.errorArg);
    else if (kind == "cut")
        ok = ok && ParseInt(value, 1, 65535, &f.cutPayload);
    else if (kind == "frame")
        ok = ok && ParseInt(value, -1, 65535, &f.frame);
    else if (kind == "count")
        ok = ok && ParseInt(value, -1, 65535, &f.count) && f.count != 0;
    else {
        *error = "unknown fault kind: " + kind;
        return false;
    }
    if (!ok) {
        *error =
            isFlag ? kind + " takes no value: " + option : "bad or missing value in: " + option;
        return false;
    }
    (*faults)[order] = f;
    return true;
}

} // namespace sim
