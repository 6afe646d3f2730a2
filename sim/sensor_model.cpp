#include "sim/sensor_model.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr uint16_t kErrorInvalidOrder = 1;
constexpr uint16_t kErrorCommunication = 2;

Reply Plain(uint8_t order, uint16_t arg, const std::vector<uint8_t> &payload = {})
{
    return Reply{frame::Build(order, arg, payload), 0, false};
}

Reply Error(uint16_t arg)
{
    return Plain(frame::kOrderErrorReply, arg);
}

} // namespace

SensorModel::SensorModel(uint64_t seed)
    : ram_(DefaultParams()), eeprom_(DefaultParams()), convTable_(DefaultConvTable()),
      convData_(DefaultConvData()), signals_(seed)
{
    setFirmwareId("ORVANTE2 V1.3.0 sim");
    setSensorName("ORVANTE2 simulated sensor");
    // The stored offsets match the receivers' dark readings, so the channels start clean.
    offsets_ = signals_.dark();

    // Hardware information: a small header the support staff could read, then a board-specific
    // but reproducible fill.
    std::vector<uint8_t> info;
    AppendU16(info, 0x0001); // layout version
    AppendU16(info, serial_);
    AppendU16(info, 0x0103); // board revision
    AppendU16(info, uint16_t(signals_.cycleUs()));
    for (char c : std::string("ORVANTE2 receiver board"))
        info.push_back(uint8_t(c));
    info.resize(64, 0);
    uint32_t x = uint32_t(seed * 2654435761u + 12345u);
    while (info.size() < size_t(kHwInfoBytes)) {
        x = x * 1103515245u + 12345u;
        info.push_back(uint8_t(x >> 16));
    }
    std::copy(info.begin(), info.end(), hwInfo_.begin());
}

void SensorModel::setFirmwareId(const std::string &text)
{
    firmwareId_ = text.substr(0, kFirmwareIdBytes - 1);
}

void SensorModel::setSensorName(const std::string &name)
{
    sensorName_ = name.substr(0, kMaxNameBytes - 1);
}

SignalSetup SensorModel::Setup() const
{
    return SignalSetup{&ram_, &convData_, offsets_[0], offsets_[1]};
}

DataFrame SensorModel::FrameAt(double t)
{
    return signals_.Frame(t, Setup(), &inTolerance_);
}

bool SensorModel::scopeRunning(double t) const
{
    return scopeActive_ && (!scopeTriggered_ || t < scopeDoneAt_);
}

std::vector<uint8_t> SensorModel::NextAutoFrame(double t)
{
    ++autoIndex_;
    std::vector<uint8_t> bytes = frame::Build(frame::kOrderDataFrame, 0, FrameAt(t).Pack());
    if (autoFault_.corrupts() && autoFault_.hitsFrame(autoIndex_))
        Corrupt(autoFault_, &bytes);
    return bytes;
}

Response SensorModel::Handle(const frame::Header &header, const uint8_t *payload, double t)
{
    Response r;
    if (silent_)
        return r;
    const Fault f = faults_.take(header.order);
    if (f.noReply)
        return r;
    if (f.closeConnection || f.hangUp) {
        r.close = true;
        r.hangUp = f.hangUp;
        r.closeDelayMs = f.delayMs;
        return r;
    }
    if (f.errorArg != 0)
        r.replies.push_back(Error(uint16_t(f.errorArg)));
    else
        Execute(header, payload, t, &r);

    for (size_t i = 0; i < r.replies.size(); ++i) {
        r.replies[i].delayMs += f.delayMs;
        if (f.corrupts() && f.hitsFrame(int(i)))
            Corrupt(f, &r.replies[i].bytes);
    }
    if (f.garbage > 0 || f.flood > 0) {
        r.replies.clear();
        r.replies.push_back({Noise(f.flood > 0 ? f.flood : f.garbage), f.delayMs});
    }
    if (f.dropMidFrame && !r.replies.empty()) {
        r.replies.resize(1);
        std::vector<uint8_t> &b = r.replies[0].bytes;
        b.resize(std::max<size_t>(1, b.size() / 2));
        r.close = true;
        r.closeDelayMs = r.replies[0].delayMs;
    }
    if (header.order == frame::kOrderAutoSend && autoSending_ && f.errorArg == 0) {
        autoFault_ = f;
        autoIndex_ = 0;
    }
    return r;
}

void SensorModel::Execute(const frame::Header &h, const uint8_t *payload, double t, Response *r)
{
    auto &out = r->replies;
    // A request the line has damaged is refused like on a real link.
    if (frame::crc8Update(payload, 0, h.length) != h.dataCrc) {
        out.push_back(Error(kErrorCommunication));
        return;
    }
    const int len = h.length;

    switch (h.order) {
    case frame::kOrderWriteRam: {
        if (len != kParamBytes) {
            out.push_back(Error(kErrorCommunication));
            return;
        }
        const ParamRecord p = UnpackParams(payload, len);
        const int bad = forcedPlausibility_ ? forcedPlausibility_ : CheckParams(p);
        ram_ = bad ? DefaultParams() : p;
        out.push_back(Plain(h.order, uint16_t(bad)));
        return;
    }
    case frame::kOrderReadRam: out.push_back(Plain(h.order, 0, PackParams(ram_))); return;
    case frame::kOrderStoreEeprom:
        eeprom_ = ram_;
        storedBaudIndex_ = baudIndex_;
        if (eepromStored_)
            eepromStored_(eeprom_);
        out.push_back(Plain(h.order, 0));
        return;
    case frame::kOrderLoadEeprom: {
        const int bad = forcedPlausibility_ ? forcedPlausibility_
                        : eepromFailure_    ? eepromFailure_
                                            : CheckParams(eeprom_);
        ram_ = bad ? DefaultParams() : eeprom_;
        out.push_back(Plain(h.order, uint16_t(bad)));
        return;
    }
    case frame::kOrderFirmwareId: {
        std::vector<uint8_t> text(firmwareId_.begin(), firmwareId_.end());
        text.resize(kFirmwareIdBytes, 0);
        out.push_back(Plain(h.order, 0, text));
        return;
    }
    case frame::kOrderDataFrame: out.push_back(Plain(h.order, 0, FrameAt(t).Pack())); return;
    case frame::kOrderNameSerial: {
        std::vector<uint8_t> text(sensorName_.begin(), sensorName_.end());
        text.push_back(0);
        out.push_back(Plain(h.order, serial_, text));
        return;
    }
    case frame::kOrderAutoSend:
        if (h.arg > 1) {
            out.push_back(Error(kErrorInvalidOrder));
            return;
        }
        autoSending_ = h.arg == 1;
        out.push_back(Plain(h.order, 0));
        return;
    case frame::kOrderOffset: {
        std::vector<uint8_t> p;
        switch (h.arg) {
        case 0:
            AppendU16(p, offsets_[0]);
            AppendU16(p, offsets_[1]);
            AppendU16(p, settingTimeFactor10_);
            out.push_back(Plain(h.order, 0, p));
            return;
        case 1: {
            // Measured, not stored: the PC writes the values back with argument 2.
            const auto dark = signals_.MeasureDark(t);
            AppendU16(p, dark[0]);
            AppendU16(p, dark[1]);
            out.push_back(Plain(h.order, 0, p));
            return;
        }
        case 2:
            if (len != 4)
                break;
            offsets_ = {frame::GetU16(payload), frame::GetU16(payload + 2)};
            out.push_back(Plain(h.order, 0));
            return;
        case 3:
            if (len != 2)
                break;
            settingTimeFactor10_ = frame::GetU16(payload);
            out.push_back(Plain(h.order, 0));
            return;
        default: out.push_back(Error(kErrorInvalidOrder)); return;
        }
        out.push_back(Error(kErrorCommunication));
        return;
    }
    case frame::kOrderConvTable:
        if (h.arg == 1) {
            out.push_back(Plain(h.order, 0, PackConvTable(convTable_)));
        } else if (h.arg == 0) {
            if (len != kConvTableBytes) {
                out.push_back(Error(kErrorCommunication));
                return;
            }
            convTable_ = UnpackConvTable(payload);
            out.push_back(Plain(h.order, 0));
        } else {
            out.push_back(Error(kErrorInvalidOrder));
        }
        return;
    case frame::kOrderCycleTime: {
        // What the sensor counted over its last 8 s of undisturbed running.
        std::vector<uint8_t> p;
        constexpr int32_t kWindow = 80000; // 0.1 ms units
        AppendU32(p, uint32_t(std::lround(kWindow * 100.0 / signals_.cycleUs())));
        AppendU32(p, uint32_t(kWindow));
        out.push_back(Plain(h.order, 0, p));
        return;
    }
    case frame::kOrderScope:
        if (h.arg == 0) {
            r->cancelScope = true;
            scopeActive_ = false;
            out.push_back(Plain(h.order, 0));
        } else if (h.arg == 1) {
            if (len != kScopeRequestBytes) {
                out.push_back(Error(kErrorCommunication));
                return;
            }
            r->cancelScope = true; // a new capture replaces a running one
            const ScopeCapture cap =
                signals_.Capture(t, ScopeRequest::Unpack(payload), Setup(), inTolerance_);
            scopeActive_ = true;
            scopeTriggered_ = cap.triggered;
            scopeDoneAt_ = t + cap.durationS;
            out.push_back(Plain(h.order, 0));
            if (!cap.triggered)
                return;
            const int delayMs = std::max(1, int(std::ceil(cap.durationS * 1000.0)));
            for (int b = 0; b < kScopeBlockCount; ++b) {
                std::vector<uint8_t> block;
                block.reserve(kScopeBlockBytes);
                for (int16_t v : cap.rings[b])
                    AppendU16(block, uint16_t(v));
                AppendU16(block, cap.ringIndex);
                out.push_back(Reply{frame::Build(h.order, uint16_t(b), block), delayMs, true});
            }
        } else {
            out.push_back(Error(kErrorInvalidOrder));
        }
        return;
    case frame::kOrderConvDataAnnounce:
        if (h.arg < kConvBlockFirst || h.arg >= kConvBlockFirst + kConvBlockCount * 0x100 ||
            (h.arg & 0xFF) != 0) {
            out.push_back(Error(kErrorInvalidOrder));
            return;
        }
        announcedBlock_ = h.arg;
        out.push_back(Plain(h.order, 0));
        return;
    case frame::kOrderConvDataWrite: {
        // Only the block just announced may be written.
        if (h.arg != announcedBlock_) {
            out.push_back(Error(kErrorInvalidOrder));
            return;
        }
        if (len != kConvBlockBytes) {
            out.push_back(Error(kErrorCommunication));
            return;
        }
        const int base = (h.arg - kConvBlockFirst) / 0x100 * kConvBlockEntries;
        for (int i = 0; i < kConvBlockEntries; ++i)
            convData_[base + i] = GetI16(payload + 2 * i);
        announcedBlock_ = -1;
        out.push_back(Plain(h.order, 0));
        return;
    }
    case frame::kOrderBaudrate:
        baudIndex_ = h.arg; // the answer still goes out at the old rate
        out.push_back(Plain(h.order, 0));
        return;
    case frame::kOrderHardwareInfo:
        if (h.arg != kHwInfoAccessCode) {
            out.push_back(Error(kErrorInvalidOrder));
            return;
        }
        out.push_back(Plain(h.order, 0, std::vector<uint8_t>(hwInfo_.begin(), hwInfo_.end())));
        return;
    default: out.push_back(Error(kErrorInvalidOrder)); return;
    }
}

} // namespace sim
