// One case per operator workflow, each from the real start-up against the simulated sensor with
// real clicks and keys: what the window shows afterwards and what the sensor received.
#include "e2e_fixture.h"

#include "app/settings.h"
#include "app/startup.h"
#include "platform/ui_testing.h"
#include "live/data_frame.h"
#include "scope/capture.h"

#include <QApplication>
#include <QFile>
#include <QTableWidget>
#include <QTest>

namespace {

const char kCouldNot[] = "Could not establish connection! \nClose window or work in offline mode!";

class Workflow : public ConnectedEndToEnd {
protected:
    // GO, then STOP once `enough` holds; waits until the loop has ended.
    void GoUntil(const std::function<bool()> &enough)
    {
        bool stopped = false;
        During([&] {
            if (AppState.AcquisitionRunning != 1 || !enough())
                return false;
            Key(Qt::Key_F12);
            stopped = true;
            return true;
        });
        Key(Qt::Key_F11);
        ASSERT_TRUE(WaitUntil([&] { return stopped && !Dimmed(AppState.MainPanel, MAINP_BUTTON_GO); }));
    }
};

} // namespace

TEST_F(EndToEnd, StartUpConnectsAndShowsTheVersionLine)
{
    WriteSettings();
    StartProgram();
    EXPECT_EQ(AppState.SensorConnected, 1);
    EXPECT_EQ(MessageBox().rfind("Try to connect!\nORVANTE2 V1.3", 0), 0u) << MessageBox();
    EXPECT_TRUE(responder.shown.empty());
    EXPECT_EQ(Orders(), (std::vector<int>{7, 15, 2})) << "identity, name, then the RAM set";
    EXPECT_EQ(PanelWidget(AppState.MainPanel)->windowTitle().toStdString(), "ORVANTE2 Scope V1.3");
    EXPECT_EQ(ActivePage(), kPageParam);
    EXPECT_TRUE(PanelShown(AppState.DataPanel));
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    EXPECT_EQ(Text(AppState.DataPanel, DATAP_STRING_SERVER_ADDRESS), "127.0.0.1");
    EXPECT_EQ(Text(AppState.TabConnect, TABP_CONNECT_STRING_ID), "LINE-7");
    // The pages show the sensor's RAM set.
    EXPECT_EQ(Int(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TEACH_VALUE),
              SensorRam()[sim::kTeachValue]);
}

TEST_F(EndToEnd, OfflineStartWithClose)
{
    sensor.setSilent(true);
    WriteSettings();
    responder.push(GENERIC_MSG_BUTTON_1); // "Close"
    StartProgram();
    ASSERT_EQ(responder.countOf(PopupRequest::kGeneric), 1);
    EXPECT_EQ(responder.shown.back().button1, "Close");
    EXPECT_NE(MessageBox().find("TIMEOUT!"), std::string::npos) << MessageBox();
    EXPECT_EQ(Orders(), std::vector<int>{7}) << "one try, no retry";
    const double start = Timer();
    EXPECT_EQ(RunUserInterface(), 0) << "the program ends";
    EXPECT_LT(Timer() - start, 2.0);
    closed = true;
    EXPECT_FALSE(QFile::exists(QString::fromUtf8(AppState.SettingsPath)) &&
                 ReadFile(AppState.SettingsPath).find("MAINPANEL") != std::string::npos)
        << "Close does not store the settings";
}

TEST_F(EndToEnd, OfflineStartWithOfflineWorksOnParameterFiles)
{
    sensor.stop();
    WriteSettings();
    responder.push(GENERIC_MSG_BUTTON_2); // "Offline"
    StartProgram();
    ASSERT_EQ(responder.countOf(PopupRequest::kGeneric), 1);
    EXPECT_EQ(responder.shown.back().text, kCouldNot);
    EXPECT_EQ(AppState.SensorConnected, 0);
    EXPECT_EQ(AppState.MemorySelect, 3);
    EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_RAM));
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_SEND));
    EXPECT_EQ(Status(), "No sensor connected!\n\n");

    // SEND writes the pages to a file, GET reads it back.
    Type(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE, "55");
    responder.push(VAL_NEW_FILE_SELECTED, Path("offline.ini"));
    Click(AppState.MainPanel, MAINP_BUTTON_SEND);
    EXPECT_NE(ReadFile(Path("offline.ini")).find("\r\nTOLERANCE = 55\r\n"), std::string::npos);
    Type(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE, "20");
    responder.push(VAL_EXISTING_FILE_SELECTED, Path("offline.ini"));
    Click(AppState.MainPanel, MAINP_BUTTON_GET);
    EXPECT_EQ(Int(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE), 55);
    EXPECT_EQ(responder.countOf(PopupRequest::kMessage), 0);
}

TEST_F(Workflow, ChangeProtocolAndReconnect)
{
    ShowPage(kPageConnect);
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
    // To RS232: the serial controls come, the server's go.
    Choose(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 0);
    EXPECT_TRUE(Shown(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT));
    EXPECT_FALSE(Shown(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS));
    // Back to TCP/IP with a typed address and port, and connect again.
    Choose(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
    EXPECT_TRUE(Shown(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS));
    Type(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "127.0.0.1");
    Type(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER, std::to_string(sensor.tcpPort()));
    sensor.clearLog();
    Click(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT);
    EXPECT_EQ(AppState.SensorConnected, 1) << MessageBox();
    EXPECT_EQ(Orders(), (std::vector<int>{7, 15, 2}));
    const std::string box = MessageBox();
    EXPECT_NE(box.rfind("Try to connect!\nORVANTE2 V1.3"), 0u) << "a second version line: " << box;
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
    Click(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT);
    EXPECT_EQ(ActivePage(), kPageParam);
    EXPECT_NE(ReadFile(AppState.SettingsPath).find("COMPROTOCOL = 1"), std::string::npos)
        << "ACCEPT stores the link settings";
}

TEST_F(Workflow, ParameterSetFromEepromEditedSentToRamSavedAndLoaded)
{
    sim::ParamRecord stored = sim::DefaultParams();
    stored[sim::kTolerance] = 33;
    stored[sim::kTeachValue] = 1700;
    sensor.withModel([stored](sim::SensorModel &m) { m.setEeprom(stored); });
    sensor.clearLog();

    Click(AppState.MainPanel, MAINP_BUTTON_EEPROM);
    Click(AppState.MainPanel, MAINP_BUTTON_GET);
    EXPECT_EQ(Orders(), (std::vector<int>{4, 2})) << "load the EEPROM set, then read it";
    EXPECT_EQ(Int(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE), 33);
    EXPECT_EQ(Int(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TEACH_VALUE), 1700);

    ShowPage(kPageThreshold);
    Type(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE, "44");
    ShowPage(kPageParam);
    Type(AppState.TabParam, TABP_PARAM_NUMERIC_HOLD, "12.5");
    Click(AppState.MainPanel, MAINP_BUTTON_RAM);
    sensor.clearLog();
    Click(AppState.MainPanel, MAINP_BUTTON_SEND);
    EXPECT_EQ(Orders(), std::vector<int>{1});
    EXPECT_EQ(SensorRam()[sim::kTolerance], 44);
    EXPECT_EQ(SensorRam()[sim::kHold], 125);
    EXPECT_EQ(SensorEeprom()[sim::kTolerance], 33) << "RAM only";
    EXPECT_EQ(MessageBox().find("TIMEOUT"), std::string::npos) << MessageBox();

    // Saved to a file, changed, and loaded back.
    Click(AppState.MainPanel, MAINP_BUTTON_FILE);
    responder.push(VAL_NEW_FILE_SELECTED, Path("set.ini"));
    Click(AppState.MainPanel, MAINP_BUTTON_SEND);
    const std::string file = ReadFile(Path("set.ini"));
    EXPECT_NE(file.find("\r\nTOLERANCE = 44\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\r\nHOLD = 125\r\n"), std::string::npos);
    Type(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE, "9");
    responder.push(VAL_EXISTING_FILE_SELECTED, Path("set.ini"));
    sensor.clearLog();
    Click(AppState.MainPanel, MAINP_BUTTON_GET);
    EXPECT_EQ(Int(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE), 44);
    EXPECT_DOUBLE_EQ(Real(AppState.TabParam, TABP_PARAM_NUMERIC_HOLD), 12.5);
    EXPECT_TRUE(Orders().empty()) << "files need no sensor";
    EXPECT_EQ(responder.countOf(PopupRequest::kMessage), 0);
}

TEST_F(Workflow, GoWatchAndStopWithF11AndF12)
{
    sensor.clearLog();
    bool runningShown = false;
    GoUntil([&] {
        runningShown = Dimmed(AppState.MainPanel, MAINP_BUTTON_GO) &&
                       !Dimmed(AppState.MainPanel, MAINP_BUTTON_STOP);
        return CountOf(8) >= 5;
    });
    EXPECT_TRUE(runningShown);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    const size_t requests = CountOf(8);
    EXPECT_GE(requests, 5u);
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(CountOf(8), requests) << "nothing more after STOP";
    EXPECT_NE(Int(AppState.DataPanel, DATAP_NUMERIC_CH0), 0);
    EXPECT_NE(Int(AppState.DataPanel, DATAP_NUMERIC_SIG), 0);
    EXPECT_EQ(Int(AppState.DataPanel, DATAP_NUMERIC_SIG), DataFrame.Sig);
    EXPECT_GT(PointsOn(AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA), 0u);
    EXPECT_GT(PointsOn(AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG), 0u);
    EXPECT_EQ(Int(AppState.DataPanel, DATAP_LED_OUT0), DataFrame.DigBits & 1);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_SEND));
}

TEST_F(Workflow, SendDuringGoGoesOutBetweenTwoFrames)
{
    ShowPage(kPageThreshold);
    Type(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE, "61");
    sensor.clearLog();
    size_t sentAt = 0;
    GoUntil([&] {
        if (sentAt == 0 && CountOf(8) >= 3) {
            Click(AppState.MainPanel, MAINP_BUTTON_SEND);
            sentAt = Orders().size();
        }
        return sentAt > 0 && CountOf(1) == 1 && CountOf(8) >= 6;
    });
    const std::vector<int> o = Orders();
    const auto send = std::find(o.begin(), o.end(), 1);
    ASSERT_NE(send, o.end());
    ASSERT_TRUE(send > o.begin() && send + 1 < o.end());
    EXPECT_EQ(*(send - 1), 8);
    EXPECT_EQ(*(send + 1), 8) << "the loop goes on after the SEND";
    EXPECT_EQ(SensorRam()[sim::kTolerance], 61);
    EXPECT_EQ(AppState.SendRequest, 0);
}

TEST_F(Workflow, ScopeCaptureInEveryTriggerModeAndBreak)
{
    ShowPage(kPageScope);
    EXPECT_TRUE(PanelShown(AppState.ScopePanel));
    Click(AppState.TabScope, TABP_SCOPE_BUTTON_GET_CYCLE_TIME);
    EXPECT_GT(Real(AppState.TabScope, TABP_SCOPE_NUMERIC_CYCLE_TIME), 0.0);
    EXPECT_EQ(CountOf(105), 1u);

    // Single shot needs no level; the edges use one the signal crosses; OUT0 and IN0 come by
    // themselves (IN0 once every 5 s: a scan rate of 10 makes the capture wait for it).
    for (int mode = 0; mode <= 4; ++mode) {
        Choose(AppState.TabScope, TABP_SCOPE_RING_TRIGGER_MODE, mode);
        EXPECT_EQ(Dimmed(AppState.TabScope, TABP_SCOPE_NUMERIC_PRE_TRIGGER), mode == 0);
        if (mode == 1 || mode == 2) {
            long sum = 0;
            for (int16_t v : ScopeTraces.SigTrace)
                sum += v;
            Type(AppState.TabScope, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL,
                 std::to_string(sum / kScopeSamples));
        }
        if (mode > 0)
            Type(AppState.TabScope, TABP_SCOPE_NUMERIC_PRE_TRIGGER, "20");
        Type(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE, mode == 4 ? "10" : "1");
        DeleteGraphPlot(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, -1);
        sensor.clearLog();
        During([] { return false; }, 20000); // a guard only
        Click(AppState.TabScope, TABP_SCOPE_BUTTON_SCAN);
        poll.reset();
        EXPECT_EQ(AppState.ScanRunning, 0) << "mode " << mode;
        EXPECT_EQ(MessageBox().find("TIMEOUT"), std::string::npos) << "mode " << mode;
        ASSERT_FALSE(Orders().empty());
        EXPECT_EQ(Orders().front(), 110);
        EXPECT_EQ(sensor.receivedFrames().front()[10], mode) << "the trigger mode goes out";
        EXPECT_EQ(PointsOn(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE), 3u * kScopeSamples)
            << "CH0, CH1 and SIG, mode " << mode;
        EXPECT_GT(PointsOn(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE_DIGITAL), 0u);
    }

    // BREAK ends a capture whose trigger never comes and keeps the last traces.
    Choose(AppState.TabScope, TABP_SCOPE_RING_TRIGGER_MODE, 1);
    Type(AppState.TabScope, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL, "4095");
    const ScopeTrace before = ScopeTraces.Ch0Trace;
    bool indicatorShown = false;
    During([&] {
        if (AppState.ScanRunning != 1 || !PanelWidget(AppState.MainPanel)->isVisible())
            return false;
        indicatorShown = Shown(AppState.ScopePanel, SCOPEP_TEXTMSG_SCAN_RUNNING);
        Click(AppState.TabScope, TABP_SCOPE_BUTTON_BREAK_SCAN);
        return true;
    });
    sensor.clearLog();
    Click(AppState.TabScope, TABP_SCOPE_BUTTON_SCAN);
    EXPECT_TRUE(indicatorShown);
    EXPECT_EQ(AppState.ScanRunning, 0);
    EXPECT_FALSE(Shown(AppState.ScopePanel, SCOPEP_TEXTMSG_SCAN_RUNNING));
    EXPECT_EQ(ScopeTraces.Ch0Trace, before);
    ASSERT_FALSE(sensor.receivedFrames().empty());
    EXPECT_EQ(sensor.receivedFrames().back(), Frame(110, 0)) << "the break order";
}

TEST_F(Workflow, FunctionKeysHoldThroughEveryLanguageSwitch)
{
    // Relabelling a button must not take its key with it: F10 (GET) and F9 (SEND) reach the
    // sensor after each switch, in both languages.
    for (int language : {0, 1, 0}) {
        ShowPage(kPageConnect);
        Choose(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, language);
        ASSERT_EQ(AppState.LanguageIndex, language);
        ShowPage(kPageParam);
        sensor.clearLog();
        Key(Qt::Key_F10);
        ASSERT_TRUE(WaitUntil([this] { return CountOf(2) == 1; })) << "F10, language " << language;
        Key(Qt::Key_F9);
        ASSERT_TRUE(WaitUntil([this] { return CountOf(1) == 1; })) << "F9, language " << language;
    }
}

TEST_F(Workflow, ANumberTypedBeyondItsRangeTakesTheLimitAndSaysSo)
{
    struct Case {
        int control;
        const char *typed;
        double expected;
        bool limited;
    };
    const Case cases[] = {
        {TABP_PARAM_NUMERIC_POWER_CH0, "1500", 1000, true}, // not 150: every key counts
        {TABP_PARAM_NUMERIC_POWER_CH0, "750", 750, false},
        {TABP_PARAM_NUMERIC_HOLD, "99999", 6553.5, true},
        {TABP_PARAM_NUMERIC_HOLD, "12.5", 12.5, false},
    };
    ShowPage(kPageParam);
    for (const Case &c : cases) {
        Type(AppState.TabParam, c.control, c.typed);
        EXPECT_DOUBLE_EQ(Real(AppState.TabParam, c.control), c.expected) << c.typed;
        EXPECT_EQ(CtrlWidget(AppState.TabParam, c.control)->property("limitFlash").toBool(),
                  c.limited)
            << c.typed;
        WaitUntil([] { return false; }, 1000); // the mark fades
    }
}

TEST_F(Workflow, FocusStaysOnTheButtonThatWasPressed)
{
    // SEND is dimmed while it works, which takes the focus away; afterwards it is back on SEND,
    // so that the next Space sends again instead of pressing whatever Qt moved the focus to.
    ShowPage(kPageParam);
    QWidget *send = CtrlWidget(AppState.MainPanel, MAINP_BUTTON_SEND);
    PanelWidget(AppState.MainPanel)->activateWindow();
    send->setFocus();
    ASSERT_TRUE(send->hasFocus());
    for (int press = 1; press <= 2; ++press) {
        sensor.clearLog();
        QTest::keyClick(send, Qt::Key_Space);
        ASSERT_TRUE(WaitUntil([this] { return CountOf(1) == 1; })) << "press " << press;
        ASSERT_TRUE(WaitUntil([send] { return send->isEnabled(); }));
        EXPECT_EQ(QApplication::focusWidget(), send) << "press " << press;
    }
}
