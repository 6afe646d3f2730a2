// The simulated sensor without any I/O: its identity, RAM and EEPROM parameters, conversion
// table and data, offsets, hardware information, automatic sending and scope capture, the
// answers to every order, and the faults injected into them. The server feeds it requests and
// sends what it returns; tests drive it directly.
#pragma once

#include "link/frame.h"
#include "sim/faults.h"
#include "sim/sensor_data.h"
#include "sim/signal_gen.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

// One frame to send and when.
struct Reply {
    std::vector<uint8_t> bytes;
    int delayMs = 0;    // counted from the arrival of the request
    bool scope = false; // a scope block: dropped when its capture is broken off or restarted
};

// Everything one request causes on its connection.
struct Response {
    std::vector<Reply> replies; // in sending order
    bool cancelScope = false;   // drop scope blocks still waiting, before queueing `replies`
    bool close = false;         // close the connection after closeDelayMs (nothing is answered)
    bool hangUp = false;        // with close: a pseudo-terminal is closed for good as well
    int closeDelayMs = 0;
};

class SensorModel {
public:
    static constexpr int kAutoSendIntervalDefaultMs = 100;

    explicit SensorModel(uint64_t seed = 1);

    // Answers one request whose header passed its check; `payload` holds header.length bytes.
    // `t` is the sensor's running time in seconds, which drives the signals.
    Response Handle(const frame::Header &header, const uint8_t *payload, double t);

    // A silent sensor answers nothing at all (requests are still received and logged).
    void setSilent(bool silent) { silent_ = silent; }
    bool silent() const { return silent_; }
    FaultTable &faults() { return faults_; }
    void setFault(int order, const Fault &fault) { faults_.set(order, fault); }
    void clearFaults() { faults_.clearAll(); }

    // Identity. The firmware text goes out in a 72-byte field and is cut to 71 characters so a
    // terminator always follows; the name is cut to 255 characters for the same reason.
    void setFirmwareId(const std::string &text);
    const std::string &firmwareId() const { return firmwareId_; }
    void setSensorName(const std::string &name);
    const std::string &sensorName() const { return sensorName_; }
    void setSerialNumber(uint16_t serial) { serial_ = serial; }
    uint16_t serialNumber() const { return serial_; }

    // The baud-rate index in use (changed by order 190) and the one kept in the EEPROM (taken
    // over by order 3).
    int baudIndex() const { return baudIndex_; }
    int storedBaudIndex() const { return storedBaudIndex_; }

    const ParamRecord &ram() const { return ram_; }
    void setRam(const ParamRecord &p) { ram_ = p; }
    const ParamRecord &eeprom() const { return eeprom_; }
    void setEeprom(const ParamRecord &p) { eeprom_ = p; }
    // 0: orders 1 and 4 run the real plausibility check. Otherwise every check fails and this
    // is the argument of the answer.
    void setPlausibilityFailure(int arg) { forcedPlausibility_ = uint16_t(arg); }
    // Non-zero: order 4 finds the stored set broken whatever it holds (a worn-out EEPROM),
    // answers with this argument and loads the defaults into RAM.
    void setEepromFailure(int arg) { eepromFailure_ = uint16_t(arg); }
    // Called with the new EEPROM set whenever order 3 stores one, so that it can outlive the
    // program (sim/eeprom_file.h).
    void onEepromStored(std::function<void(const ParamRecord &)> fn)
    {
        eepromStored_ = std::move(fn);
    }

    const ConvTable &convTable() const { return convTable_; }
    void setConvTable(const ConvTable &t) { convTable_ = t; }
    const ConvData &convData() const { return convData_; }
    void setConvData(const ConvData &d) { convData_ = d; }

    std::array<uint16_t, 2> offsets() const { return offsets_; }
    void setOffsets(uint16_t ch0, uint16_t ch1) { offsets_ = {ch0, ch1}; }
    uint16_t settingTimeFactor10() const { return settingTimeFactor10_; }
    void setSettingTimeFactor10(uint16_t v) { settingTimeFactor10_ = v; }

    const std::array<uint8_t, kHwInfoBytes> &hardwareInfo() const { return hwInfo_; }
    void setHardwareInfo(const std::array<uint8_t, kHwInfoBytes> &info) { hwInfo_ = info; }

    SignalGenerator &generator() { return signals_; }
    const SignalGenerator &generator() const { return signals_; }
    // The live frame at time t; advances the output hysteresis.
    DataFrame FrameAt(double t);

    // Automatic sending (order 30). The server asks for a frame every interval while it is on.
    bool autoSending() const { return autoSending_; }
    void stopAutoSend() { autoSending_ = false; }
    int autoSendIntervalMs() const { return autoIntervalMs_; }
    void setAutoSendIntervalMs(int ms) { autoIntervalMs_ = ms > 1 ? ms : 1; }
    // The next automatic frame, with the fault of the request that started the sending applied.
    std::vector<uint8_t> NextAutoFrame(double t);
    // Frames sent since automatic sending was last switched on.
    int autoFramesSent() const { return autoIndex_; }

    // A capture waits for its trigger or its last samples.
    bool scopeRunning(double t) const;

private:
    void Execute(const frame::Header &h, const uint8_t *payload, double t, Response *r);
    SignalSetup Setup() const;

    bool silent_ = false;
    FaultTable faults_;
    std::string firmwareId_;
    std::string sensorName_;
    uint16_t serial_ = 12345;
    int baudIndex_ = kBaudIndexDefault;
    int storedBaudIndex_ = kBaudIndexDefault;
    ParamRecord ram_;
    ParamRecord eeprom_;
    uint16_t forcedPlausibility_ = 0;
    uint16_t eepromFailure_ = 0;
    std::function<void(const ParamRecord &)> eepromStored_;
    ConvTable convTable_;
    ConvData convData_;
    std::array<uint16_t, 2> offsets_;
    uint16_t settingTimeFactor10_ = 10;
    std::array<uint8_t, kHwInfoBytes> hwInfo_{};
    int announcedBlock_ = -1; // address of the conversion data block announced by order 180
    SignalGenerator signals_;
    bool inTolerance_ = true;
    bool autoSending_ = false;
    int autoIntervalMs_ = kAutoSendIntervalDefaultMs;
    int autoIndex_ = 0;
    Fault autoFault_;
    bool scopeActive_ = false;
    bool scopeTriggered_ = false;
    double scopeDoneAt_ = 0;
};

} // namespace sim
