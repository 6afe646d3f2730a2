// Every operation that talks to the sensor, against every fault the link can show: a late reply,
// silence, a bad header or data check byte, both error replies, a payload cut short, the
// connection dropped in the middle of a frame, line noise and a flood of bytes. Each cell checks
// the message the operator gets, that no loop is left running, and that a new connect then works.
// Run the program by itself (not through ctest) to see the whole operations x faults table.
#include "common/harness.h"

#include "app/appstate.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "convtable/convtable.h"
#include "live/live.h"
#include "params/transfer.h"
#include "recorder/recorder.h"
#include "scope/capture.h"
#include "service/service.h"
#include "sim/sim_runner.h"

#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

struct FaultCase {
    const char *name;
    sim::Fault fault;
    const Msg *expected; // the message the exchange reports
};

sim::Fault Make(std::function<void(sim::Fault &)> set)
{
    sim::Fault f;
    f.count = 1; // the following connect meets a healthy sensor
    f.frame = -1;
    set(f);
    return f;
}

const std::vector<FaultCase> &Faults()
{
    static const std::vector<FaultCase> faults = {
        {"late", Make([](sim::Fault &f) { f.delayMs = 3300; }), &kMsgTimeout},
        {"silent", Make([](sim::Fault &f) { f.noReply = true; }), &kMsgTimeout},
        {"badhdr", Make([](sim::Fault &f) { f.badHeaderCrc = true; }), &kMsgBadHeader},
        {"baddata", Make([](sim::Fault &f) { f.badDataCrc = true; }), &kMsgBadData},
        {"error1", Make([](sim::Fault &f) { f.errorArg = 1; }), &kMsgInvalidOrder},
        {"error2", Make([](sim::Fault &f) { f.errorArg = 2; }), &kMsgCommError},
        {"cut", Make([](sim::Fault &f) { f.cutPayload = 3; }), &kMsgTimeout},
        {"dropmid", Make([](sim::Fault &f) { f.dropMidFrame = true; }), &kMsgServerClosed},
        {"garbage", Make([](sim::Fault &f) { f.garbage = 40; }), &kMsgBadHeader},
        {"flood", Make([](sim::Fault &f) { f.flood = 200000; }), &kMsgBadHeader},
    };
    return faults;
}

// The rows collected in this process, printed at its end.
std::map<std::string, std::vector<std::string>> &Table()
{
    static std::map<std::string, std::vector<std::string>> t;
    return t;
}

class PrintTable : public testing::Environment {
public:
    void TearDown() override
    {
        if (Table().empty())
            return;
        std::printf("\n%-14s", "operation");
        for (const FaultCase &f : Faults())
            std::printf(" %-9s", f.name);
        std::printf("\n");
        for (const auto &[op, cells] : Table()) {
            std::printf("%-14s", op.c_str());
            for (const std::string &c : cells)
                std::printf(" %-9s", c.c_str());
            std::printf("\n");
        }
        std::printf("ok = the expected message, nothing left running, the next connect works;\n"
                    "n/a = the answer has nothing the fault can hit (no payload to cut or "
                    "check), and the operation succeeds;\n"
                    "waits = the operation waits without limit by design, until STOP or BREAK\n");
    }
};
const auto *const kPrinter = testing::AddGlobalTestEnvironment(new PrintTable);

class FaultMatrix : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(sensor.start());
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "127.0.0.1");
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER,
                   std::to_string(sensor.tcpPort()).c_str());
        // Every question is answered yes; the connect failure's popup with Offline.
        const std::string hwFile = dir.filePath("hw.ini").toStdString();
        SetPopupResponder([hwFile](const PopupRequest &req) {
            PopupAnswer a;
            a.result = req.kind == PopupRequest::kGeneric ? GENERIC_MSG_BUTTON_2 : 1;
            if (req.kind == PopupRequest::kFileSelect) {
                a.result = VAL_NEW_FILE_SELECTED;
                a.path = hwFile;
            }
            return a;
        });
        CopyField(AppState.RecordFilePath, dir.filePath("rec.dat").toStdString().c_str());
    }
    void TearDown() override
    {
        sensor.stop();
        AppTest::TearDown();
    }

    void Connect()
    {
        TryToConnect();
        SetButtonsDimmed(0, 0);
    }

    // Runs the operation against each fault; `noPayload` lists the faults that cannot hit its
    // answer, for which the operation must simply succeed.
    // `overrides`: faults for which this operation gives another message than the exchange's,
    // or none at all (null: the operation waits without limit by design, until the operator
    // ends it; the guard below then presses its STOP or BREAK).
    void Run(const std::string &name, int order, const std::function<void()> &operation,
             const std::vector<std::string> &noPayload = {},
             const std::map<std::string, const Msg *> &overrides = {},
             const std::function<void()> &stop = {})
    {
        std::vector<std::string> row;
        for (const FaultCase &fc : Faults()) {
            SCOPED_TRACE(name + " x " + fc.name);
            Connect();
            ASSERT_EQ(AppState.SensorConnected, 1);
            sensor.setFault(order, fc.fault);
            ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
            // A loop that outlives every limit of the link is a hang: stop it and say so.
            bool hung = false;
            QTimer guard;
            guard.setSingleShot(true);
            const auto over = overrides.find(fc.name);
            const bool waits = over != overrides.end() && over->second == nullptr;
            QObject::connect(&guard, &QTimer::timeout, [&hung, waits, stop] {
                if (waits && stop) {
                    stop(); // the operator ends a wait that has no limit
                    return;
                }
                hung = true;
                AppState.AcquisitionRunning = 0;
                AppState.ScanRunning = 0;
            });
            guard.start(waits ? 4000 : 12000);
            operation();
            guard.stop();
            const std::string box = MessageBoxText();
            const bool exempt =
                std::find(noPayload.begin(), noPayload.end(), fc.name) != noPayload.end();
            std::string cell;
            const Msg *expected = over != overrides.end() ? over->second : fc.expected;
            if (hung) {
                cell = "HANG";
            } else if (waits) {
                cell = AppState.SensorConnected == 1 && box.empty() ? "waits" : "FAIL";
                EXPECT_EQ(AppState.SensorConnected, 1);
                EXPECT_EQ(box, "");
            } else if (exempt) {
                cell = AppState.SensorConnected == 1 && box.empty() ? "n/a" : "FAIL";
            } else {
                const bool said = box.find(Tr(*expected)) != std::string::npos;
                cell = said && AppState.SensorConnected == 0 ? "ok" : "FAIL";
                EXPECT_TRUE(said) << "message box: " << box;
                EXPECT_EQ(AppState.SensorConnected, 0);
                if (name != "connect") { // the connect page then says why there is no sensor
                    EXPECT_EQ(StatusText(), "TIMEOUT!");
                }
            }
            EXPECT_FALSE(hung);
            EXPECT_EQ(AppState.AcquisitionRunning, 0);
            EXPECT_EQ(AppState.ScanRunning, 0);
            sensor.clearFaults();
            sensor.setSilent(false);
            Connect();
            if (AppState.SensorConnected != 1)
                cell += "/noconn";
            EXPECT_EQ(AppState.SensorConnected, 1) << "no connect after " << fc.name;
            row.push_back(cell);
        }
        Table()[name] = row;
    }

    sim::SimRunner sensor;
};

// Answers without a payload (an acknowledge): a cut or a flipped payload bit has nothing to hit.
const std::vector<std::string> kAckOnly = {"baddata", "cut"};

} // namespace

TEST_F(FaultMatrix, Connect)
{
    Run("connect", frame::kOrderFirmwareId, [] { TryToConnect(); });
}

TEST_F(FaultMatrix, GetRam)
{
    Run("GET RAM", frame::kOrderReadRam, [] {
        AppState.MemorySelect = 1;
        GetPara();
    });
}

TEST_F(FaultMatrix, GetEeprom)
{
    Run("GET EEPROM", frame::kOrderLoadEeprom, [] {
        AppState.MemorySelect = 2;
        GetPara();
    }, kAckOnly);
}

TEST_F(FaultMatrix, SendRam)
{
    Run("SEND RAM", frame::kOrderWriteRam, [] {
        AppState.MemorySelect = 1;
        SendPara();
    }, kAckOnly);
}

TEST_F(FaultMatrix, SendEeprom)
{
    Run("SEND EEPROM", frame::kOrderStoreEeprom, [] {
        AppState.MemorySelect = 2;
        SendPara();
    }, kAckOnly);
}

TEST_F(FaultMatrix, Go)
{
    Run("GO", frame::kOrderDataFrame, [] {
        // The first good frame would keep the loop going: STOP right after it.
        QTimer::singleShot(300, [] { AppState.AcquisitionRunning = 0; });
        CBF_ButtonGo(AppState.MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    });
}

TEST_F(FaultMatrix, ScopeCapture)
{
    // The capture waits for its four blocks without limit (the trigger may never come): a block
    // cut short leaves it waiting until BREAK.
    Run("scope", frame::kOrderScope, [] {
        CBF_ButtonScan(AppState.ScopePanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    }, {}, {{"cut", nullptr}}, [] {
        CBF_ButtonBreakScan(AppState.ScopePanel, 0, EVENT_COMMIT, nullptr, 0, 0);
    });
}

TEST_F(FaultMatrix, TriggeredRecording)
{
    // The frames of a triggered recording come when the sensor sends them: a late start only
    // delays them, and a frame cut short runs into the next one, whose bytes then fail the
    // payload check.
    Run("trig. record", frame::kOrderAutoSend, [] {
        QTimer::singleShot(2000, [] {
            CBF_ButtonStopRecord(AppState.TabRecorder, TABP_RECORDER_BUTTON_STOP_RECORD,
                                 EVENT_COMMIT, nullptr, 0, 0);
        });
        CBF_ButtonStartTrigRec(AppState.TabRecorder, TABP_RECORDER_BUTTON_START_TRIG_REC,
                               EVENT_COMMIT, nullptr, 0, 0);
    }, {}, {{"late", nullptr}, {"cut", &kMsgBadData}});
}

TEST_F(FaultMatrix, ConvTableRead)
{
    Run("conv. table", frame::kOrderConvTable, [] { GetConvTableFromEE(); });
}

TEST_F(FaultMatrix, ConvDataWrite)
{
    Run("conv. data", frame::kOrderConvDataAnnounce, [] {
        for (int i = 0; i < kConvDataSize; ++i)
            ConvData[i] = i; // a rising curve that can be scaled and sent
        SaveConvDataToEE();
    }, kAckOnly);
}

TEST_F(FaultMatrix, Offsets)
{
    Run("offsets", frame::kOrderOffset, [] { GetOffset(); });
}

TEST_F(FaultMatrix, HardwareInfo)
{
    Run("hw info", frame::kOrderHardwareInfo, [] { GenerateHWInfoFile(); });
}
