// What the operator meets after a link failure: each failure class is brought about once, then
// every operation is pressed once more. Each press must either end in the failure handler (its
// message, "TIMEOUT!", the connect page) or find its control dimmed; none may send something
// and say nothing. CONNECT then brings every control back. The answer limit is short here, so
// that a class costs about a second.
#include "common/harness.h"

#include "app/appstate.h"
#include "app/startup.h"
#include "convtable/convtable.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "live/live.h"
#include "params/transfer.h"
#include "platform/rs232.h"
#include "platform/ui_testing.h"
#include "recorder/recorder.h"
#include "scope/capture.h"
#include "service/service.h"
#include "sim/sim_runner.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kShortLimit = 0.5; // as the command-line tests use: robust on a busy machine

using Callback = int (*)(int, int, int, void *, int, int);

struct Operation {
    const char *name;
    const int *panel; // the AppState field holding the panel
    int control;
    Callback press;
};

const std::vector<Operation> &Operations()
{
    static const std::vector<Operation> ops = {
        {"GO", &AppState.MainPanel, MAINP_BUTTON_GO, CBF_ButtonGo},
        {"SEND", &AppState.MainPanel, MAINP_BUTTON_SEND, CBF_ButtonSend},
        {"GET", &AppState.MainPanel, MAINP_BUTTON_GET, CBF_ButtonGet},
        {"cycle time", &AppState.TabScope, TABP_SCOPE_BUTTON_GET_CYCLE_TIME,
         CBF_ButtonGetCycleTime},
        {"SCAN", &AppState.TabScope, TABP_SCOPE_BUTTON_SCAN, CBF_ButtonScan},
        {"START RECORD", &AppState.TabRecorder, TABP_RECORDER_BUTTON_START_RECORD,
         CBF_ButtonStartRecord},
        {"START TRIG", &AppState.TabRecorder, TABP_RECORDER_BUTTON_START_TRIG_REC,
         CBF_ButtonStartTrigRec},
        {"table from EE", &AppState.TabConvTable, TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_EE,
         CBF_ButtonGetConvTableFromEE},
        {"table to EE", &AppState.TabConvTable, TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_EE,
         CBF_ButtonSaveConvTableToEE},
        {"data to EE", &AppState.ConvPanel, CONVP_BUTTON_SAVE_CONV_DATA_TO_EE,
         CBF_ButtonSaveConvDataToEE},
        {"GET OFFSET", &AppState.TabService, TABP_SERVICE_BUTTON_GET_OFFSET, CBF_ButtonGetOffset},
        {"SEND OFFSET", &AppState.TabService, TABP_SERVICE_BUTTON_SEND_OFFSET,
         CBF_ButtonSendOffset},
        {"CALC OFFSET", &AppState.TabService, TABP_SERVICE_BUTTON_CALC_OFFSET,
         CBF_ButtonCalcOffset},
        {"SEND FACTOR", &AppState.TabService, TABP_SERVICE_BUTTON_SEND_SETTING_TIME_FACTOR,
         CBF_ButtonSendSettingTimeFactor},
        {"hw info", &AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE,
         CBF_ButtonGenHwInfoFile},
        {"baud rate", &AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE,
         CBF_ButtonChangeBaudrate},
        {"DISCONNECT", &AppState.TabConnect, TABP_CONNECT_BUTTON_DISCONNECT,
         CBF_ButtonDisconnect},
    };
    return ops;
}

sim::Fault Always(std::function<void(sim::Fault &)> set)
{
    sim::Fault f; // every request, every frame: the sensor keeps misbehaving
    f.frame = -1;
    set(f);
    return f;
}

class FaultSequence : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(sensor.start(0, true));
        com = ComPortFromDevice(sensor.ptyPath().toStdString());
        ASSERT_GT(com, 0);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, com);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, 4);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "127.0.0.1");
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER,
                   std::to_string(sensor.tcpPort()).c_str());
        UseProtocol(1);
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
        SetAnswerTimeLimit(kShortLimit);
    }
    void TearDown() override
    {
        SetAnswerTimeLimit(kHeaderTimeLimit);
        CloseLink();
        sensor.stop();
        AppTest::TearDown();
    }

    void UseProtocol(int protocol)
    {
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, protocol);
        CBF_EditCommunicationProtocol(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL,
                                      EVENT_COMMIT, nullptr, 0, 0);
    }
    void PressConnect()
    {
        CBF_ButtonTryToConnect(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT,
                               EVENT_COMMIT, nullptr, 0, 0);
    }
    // Runs the live loop until `during` has brought the failure about (or 2 s have passed).
    void GoWhile(const std::function<void()> &during)
    {
        QObject timers; // neither timer outlives this run
        QTimer::singleShot(200, &timers, during);
        QTimer::singleShot(2000, &timers, [] { AppState.AcquisitionRunning = 0; });
        CBF_ButtonGo(AppState.MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    }

    // After the failure: every operation once more, then CONNECT.
    void EveryOperationThenConnect(const std::string &expectedFirst)
    {
        ASSERT_EQ(AppState.SensorConnected, 0) << "the failure was not reported";
        ASSERT_NE(MessageBoxText().find(expectedFirst), std::string::npos) << MessageBoxText();
        EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT));
        // F11 can do no more than the GO button it stands for.
        if (Dimmed(AppState.MainPanel, MAINP_BUTTON_GO)) {
            QWidget *main = PanelWidget(AppState.MainPanel);
            DisplayPanel(AppState.MainPanel);
            QApplication::setActiveWindow(main);
            const size_t sent = sensor.receivedFrames().size();
            QTest::keyClick(main, Qt::Key_F11);
            Pump(400); // longer than the moment a shortcut shows its button pressed
            EXPECT_EQ(sensor.receivedFrames().size(), sent) << "F11 sent something";
        }
        std::string pressed;
        for (const Operation &op : Operations()) {
            SCOPED_TRACE(op.name);
            if (Dimmed(*op.panel, op.control))
                continue;
            pressed += std::string(op.name) + " ";
            ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
            SetCtrlVal(AppState.DataPanel, DATAP_STRING_STATUS, "");
            SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);
            const size_t sent = sensor.receivedFrames().size();
            // A loop that would run on is stopped, and counts as a press that said nothing.
            QTimer guard;
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, [] {
                AppState.AcquisitionRunning = 0;
                AppState.ScanRunning = 0;
            });
            guard.start(3000);
            op.press(*op.panel, op.control, EVENT_COMMIT, nullptr, 0, 0);
            const bool stopped = !guard.isActive();
            guard.stop();
            const std::string box = MessageBoxText();
            const bool offline = box.find("No sensor connected!") != std::string::npos;
            if (offline) // DISCONNECT: offline mode, said so
                continue;
            EXPECT_FALSE(stopped) << "still running after the failure";
            EXPECT_FALSE(box.empty()) << "pressed, sent " << sensor.receivedFrames().size() - sent
                                      << " requests and said nothing";
            EXPECT_EQ(StatusText(), "TIMEOUT!");
            EXPECT_EQ(ActiveMainPage(), kPageConnect);
            EXPECT_EQ(AppState.SensorConnected, 0);
        }
        RecordProperty("pressed", pressed);

        sensor.clearFaults();
        sensor.setSilent(false);
        ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
        PressConnect();
        ASSERT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
        if (AppState.MemorySelect == 3) { // offline chosen above: back to the sensor's RAM
            SetCtrlVal(AppState.MainPanel, MAINP_BUTTON_RAM, 1);
            AppState.MemorySelect = 1;
        }
        for (const Operation &op : Operations())
            EXPECT_FALSE(Dimmed(*op.panel, op.control)) << op.name << " after CONNECT";
        EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
        // And the link works: F11 runs the live loop again.
        sensor.clearLog();
        QWidget *main = PanelWidget(AppState.MainPanel);
        DisplayPanel(AppState.MainPanel);
        QApplication::setActiveWindow(main);
        QTimer stopAfterAFrame; // the loop runs inside the event processing below
        QObject::connect(&stopAfterAFrame, &QTimer::timeout, [this] {
            if (!sensor.receivedFrames().empty())
                AppState.AcquisitionRunning = 0;
        });
        stopAfterAFrame.start(10);
        QTest::keyClick(main, Qt::Key_F11); // the button shows pressed for a moment first
        for (int i = 0; i < 200 && !(sensor.receivedFrames().size() >= 1 &&
                                     !Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
             ++i)
            Pump(10);
        stopAfterAFrame.stop();
        EXPECT_GE(sensor.receivedFrames().size(), 1u);
        EXPECT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
    }

    // Connects, sets the fault on every order and lets the live loop meet it.
    void Class(const sim::Fault &fault, const Msg &expected)
    {
        PressConnect();
        ASSERT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
        sensor.setFault(sim::kAnyOrder, fault);
        ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
        GoWhile([] {});
        EveryOperationThenConnect(Tr(expected));
    }

    sim::SimRunner sensor;
    int com = 0;
};

} // namespace

TEST_F(FaultSequence, AfterALateAnswer)
{
    Class(Always([](sim::Fault &f) { f.delayMs = 900; }), kMsgTimeout);
}

TEST_F(FaultSequence, AfterSilence)
{
    Class(Always([](sim::Fault &f) { f.noReply = true; }), kMsgTimeout);
}

TEST_F(FaultSequence, AfterABadHeaderCheckByte)
{
    Class(Always([](sim::Fault &f) { f.badHeaderCrc = true; }), kMsgBadHeader);
}

TEST_F(FaultSequence, AfterABadDataCheckByte)
{
    Class(Always([](sim::Fault &f) { f.badDataCrc = true; }), kMsgBadData);
}

TEST_F(FaultSequence, AfterAnErrorReply)
{
    Class(Always([](sim::Fault &f) { f.errorArg = 2; }), kMsgCommError);
}

TEST_F(FaultSequence, AfterACutPayload)
{
    Class(Always([](sim::Fault &f) { f.cutPayload = 3; }), kMsgTimeout);
}

TEST_F(FaultSequence, AfterTheServerClosedTheConversation)
{
    PressConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    GoWhile([this] { sensor.dropClients(); });
    EXPECT_EQ(AppState.TcpConnected, 0);
    EveryOperationThenConnect(Tr(kMsgServerClosed));
}

TEST_F(FaultSequence, AfterTheSerialPeerWentAway)
{
    UseProtocol(0);
    PressConnect();
    ASSERT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    GoWhile([this] { sensor.hangUpPty(); });
    EXPECT_EQ(IsComOpen(com), 0);
    // The pseudo-terminal is gone for good: the next CONNECT meets a new one.
    sensor.withServer([](sim::SensorServer &s) { s.openPty(); });
    QString path;
    sensor.withServer([&path](sim::SensorServer &s) { path = s.ptyPath(); });
    com = ComPortFromDevice(path.toStdString());
    ASSERT_GT(com, 0);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, com);
    EveryOperationThenConnect(Tr(kMsgPortLost));
}

TEST_F(FaultSequence, AfterTheProtocolWasSwitched)
{
    // Connected over TCP; the connect page now says RS-232, which nobody has connected yet.
    PressConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    SetButtonsDimmed(0, 0);
    UseProtocol(0);
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    CBF_ButtonGo(AppState.MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    EveryOperationThenConnect(Tr(Rs232ErrorText(-3)));
    EXPECT_EQ(AppState.ComProtocol, 0) << "CONNECT used the protocol now chosen";
    EXPECT_EQ(AppState.TcpConnected, 0);
}
