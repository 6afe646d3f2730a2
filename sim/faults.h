// Fault injection of the simulated sensor: what can go wrong on a link (late, missing, corrupted,
// cut or refused answers, a dropped connection), chosen per order number, and the text form of
// the program's --fault option. Pure values and functions.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sim {

inline constexpr int kAnyOrder = -1; // a fault for every order that has none of its own

struct Fault {
    int delayMs = 0;           // the whole answer leaves this much later
    bool noReply = false;      // the request is lost: not carried out, nothing answered
    bool badHeaderCrc = false; // the header check byte is wrong
    bool badDataCrc = false;   // one payload bit is flipped (the header stays valid)
    int errorArg = 0;          // non-zero: refuse with an error reply (order 0) carrying this arg
    int cutPayload =
        0; // the header announces the full length, this many bytes are left off the end
    bool closeConnection = false; // the connection is closed (after delayMs), nothing answered
    // The far end goes away (after delayMs), nothing answered: a TCP connection is closed, a
    // pseudo-terminal is closed for good, so that its device reads as hung up.
    bool hangUp = false;
    // Noise instead of the answer (the request is carried out): `garbage` bytes of line noise,
    // or a flood of `flood` bytes, far more than any answer holds.
    int garbage = 0;
    int flood = 0;
    // The direct reply stops in the middle of its frame and the connection is dropped there.
    bool dropMidFrame = false;
    // Which frame of the answer badHeaderCrc, badDataCrc and cutPayload hit: 0 the direct reply,
    // n the n-th frame that follows it (scope blocks, automatic data frames), -1 every frame.
    int frame = 0;
    int count = -1; // requests it applies to before it expires; -1 = every request

    bool corrupts() const { return badHeaderCrc || badDataCrc || cutPayload > 0; }
    bool hitsFrame(int index) const { return frame == -1 || frame == index; }
};

// Faults by order number, with kAnyOrder as the fallback.
class FaultTable {
public:
    void set(int order, const Fault &fault) { faults_[order] = fault; }
    void clear(int order) { faults_.erase(order); }
    void clearAll() { faults_.clear(); }
    bool empty() const { return faults_.empty(); }
    // Whether a fault is set for `order` (exactly; kAnyOrder for the wildcard).
    bool has(int order) const { return faults_.count(order) != 0; }

    // The fault that applies to one request of `order`, counted down and dropped when used up;
    // a default Fault when none applies.
    Fault take(int order);

private:
    std::map<int, Fault> faults_;
};

// Line noise: `count` bytes of a fixed pseudo-random sequence whose first byte is no start byte.
std::vector<uint8_t> Noise(int count);

// Applies the corruptions of `fault` to one complete frame (header and payload).
void Corrupt(const Fault &fault, std::vector<uint8_t> *frameBytes);

// Parses "ORDER:KIND[=VALUE]" and amends the fault of that order in `faults`, so several
// options for one order add up. ORDER is a number 0..255 or * for every order. KIND is delay=MS,
// noreply, badheader, baddata, error=ARG (1 invalid order, 2 communication error; other values
// reach the PC as an ordinary answer), cut=N, close, hangup, garbage=N, flood=N, dropmid,
// frame=N or count=N. Returns false with a
// message in `error` and leaves `faults` unchanged.
bool ParseFaultOption(const std::string &option, std::map<int, Fault> *faults, std::string *error);

} // namespace sim
