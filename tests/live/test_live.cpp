// The live data frame, its displays, and the live loop driven by the operator's buttons and keys
// against a scripted peer and the simulated sensor over TCP.
#include "common/harness.h"

#include "app/startup.h"
#include "app/ui_testing.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "live/graphs.h"
#include "live/live.h"
#include "sim/sim_runner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

std::vector<uint8_t> FrameBytes(const DataFrameRec &f)
{
    std::vector<uint8_t> b(kDataFrameSize);
    auto put = [&](int at, uint16_t v) { frame::PutU16(&b[size_t(at)], v); };
    put(0, uint16_t(f.Ch0));
    put(2, uint16_t(f.Ch1));
    put(4, uint16_t(f.Temp));
    put(6, uint16_t(f.Ref));
    put(8, uint16_t(f.Sig));
    put(10, uint16_t(f.Max));
    put(12, uint16_t(f.Min));
    b[14] = f.DigBits;
    b[15] = f.Spare;
    put(16, f.DigState);
    put(18, uint16_t(f.AnaOut));
    return b;
}

class Live : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ResetLiveGraphs();
        DataFrame = {};
        PanelWidget(AppState.MainPanel)->show();
    }
    int Val(int panel, int control) const
    {
        int v = -99999;
        GetCtrlVal(panel, control, &v);
        return v;
    }
    double Real(int panel, int control) const
    {
        double v = -1;
        GetCtrlVal(panel, control, &v);
        return v;
    }
    bool Visible(int panel) const
    {
        return PanelWidget(panel)->isVisibleTo(PanelWidget(AppState.MainPanel));
    }
    static void Click(int panel, int control, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(CtrlWidget(panel, control), button);
    }
    // Presses GO and, from inside the running loop, calls `during` every millisecond until it
    // returns true (at most 10 s). Returns when the loop has ended.
    void Go(const std::function<bool()> &during)
    {
        QTimer poll;
        bool done = false;
        QElapsedTimer since;
        since.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (done || AppState.AcquisitionRunning != 1) // QTest's click may pump events first
                return;
            if (since.elapsed() > 10000) {
                ADD_FAILURE() << "the loop did not end";
                Click(AppState.MainPanel, MAINP_BUTTON_STOP);
                done = true;
            } else {
                done = during();
            }
        });
        poll.start(1);
        Click(AppState.MainPanel, MAINP_BUTTON_GO);
        poll.stop();
    }
    void StopWhen(const std::function<bool()> &condition)
    {
        Go([&] {
            if (!condition())
                return false;
            Click(AppState.MainPanel, MAINP_BUTTON_STOP);
            return true;
        });
    }
};

class LivePeer : public Live {
protected:
    void SetUp() override
    {
        Live::SetUp();
        OpenTcp(peer.port());
        AppState.SensorConnected = 1;
    }
    void Answer(const DataFrameRec &f, int delayMs = 0)
    {
        peer.answerNext({{delayMs, Frame(8, 0, FrameBytes(f))}});
    }
    RawPeer peer;
};

class LiveSensor : public Live {
protected:
    void SetUp() override
    {
        Live::SetUp();
        ASSERT_TRUE(sensor.start());
        OpenTcp(sensor.tcpPort());
        AppState.SensorConnected = 1;
    }
    std::vector<int> Orders()
    {
        std::vector<int> orders;
        for (const auto &f : sensor.receivedFrames())
            orders.push_back(f.size() > 1 ? f[1] : -1);
        return orders;
    }
    size_t DataRequests()
    {
        const auto o = Orders();
        return size_t(std::count(o.begin(), o.end(), 8));
    }
    sim::SimRunner sensor;
};

} // namespace

TEST(DataFrameLayout, SignedWordsLittleEndian)
{
    const uint8_t bytes[kDataFrameSize] = {0xF0, 0xFF, 0x34, 0x12, 0x3A, 0x07, 0xD0, 0x07, 0x00,
                                           0x08, 0xFF, 0x0F, 0x00, 0x80, 0xFE, 0xAA, 0x05, 0x00,
                                           0xFF, 0x0F};
    const DataFrameRec f = DataFrameFromBytes(bytes);
    EXPECT_EQ(f.Ch0, -16);
    EXPECT_EQ(f.Ch1, 0x1234);
    EXPECT_EQ(f.Temp, 1850);
    EXPECT_EQ(f.Ref, 2000);
    EXPECT_EQ(f.Sig, 2048);
    EXPECT_EQ(f.Max, 4095);
    EXPECT_EQ(f.Min, -32768);
    EXPECT_EQ(f.DigBits, 0xFE);
    EXPECT_EQ(f.DigState, 5);
    EXPECT_EQ(f.AnaOut, 4095);
}

TEST_F(Live, AnalogOutputInVoltsAndMilliamperes)
{
    struct Case {
        int16_t anaOut;
        double volts, milliamps;
    } cases[] = {{4095, 10.0, 20.0}, {0, 0.0, 4.0}, {2048, 5.0012, 12.0020}};
    for (const Case &c : cases) {
        DataFrame.AnaOut = c.anaOut;
        SetPanelData();
        EXPECT_DOUBLE_EQ(Real(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE), c.volts);
        EXPECT_DOUBLE_EQ(Real(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_CURRENT),
                         c.milliamps);
    }
    EXPECT_NEAR(AnaOutVolts(2048), 5.001221, 1e-6);
    EXPECT_NEAR(AnaOutMilliamps(2048), 12.001954, 1e-6);
}

TEST_F(Live, LedPairs)
{
    auto leds = [&](int a, int b) {
        return std::make_pair(Val(AppState.DataPanel, a), Val(AppState.DataPanel, b));
    };
    DataFrame.DigState = 2;
    DataFrame.DigBits = 0xFE;
    SetPanelData();
    EXPECT_EQ(leds(DATAP_LED_IN0, DATAP_LED_IN1), std::make_pair(0, 1));
    EXPECT_EQ(leds(DATAP_LED_OUT0, DATAP_LED_OUT1), std::make_pair(0, 1)) << "only bit 1 counts";

    DataFrame.DigState = 5; // no state of the pair: left as it is
    DataFrame.DigBits = 0x01;
    SetPanelData();
    EXPECT_EQ(leds(DATAP_LED_IN0, DATAP_LED_IN1), std::make_pair(0, 1));
    EXPECT_EQ(leds(DATAP_LED_OUT0, DATAP_LED_OUT1), std::make_pair(1, 0));

    DataFrame.DigState = 3;
    SetPanelData();
    EXPECT_EQ(leds(DATAP_LED_IN0, DATAP_LED_IN1), std::make_pair(1, 1));
    DataFrame.DigState = 0;
    SetPanelData();
    EXPECT_EQ(leds(DATAP_LED_IN0, DATAP_LED_IN1), std::make_pair(0, 0));
}

TEST_F(LivePeer, FramesFromTheWireReachEveryDisplay)
{
    DataFrameRec f{};
    f.Ch0 = 1000;
    Answer(f);
    f = {};
    f.Ch0 = int16_t(0xFFF0);
    f.Ch1 = 1234;
    f.Temp = 1850;
    f.Ref = 2000;
    f.Sig = 2048;
    f.Max = 3000;
    f.Min = 100;
    f.DigBits = 1;
    f.DigState = 3;
    f.AnaOut = 4095;
    Answer(f, 200); // STOP comes while this one is awaited
    bool dimmedWhileRunning = false;
    StopWhen([&] {
        if (peer.requests.size() < 2)
            return false;
        dimmedWhileRunning = Dimmed(AppState.MainPanel, MAINP_BUTTON_GO) &&
                             !Dimmed(AppState.MainPanel, MAINP_BUTTON_SEND) &&
                             !Dimmed(AppState.MainPanel, MAINP_BUTTON_STOP);
        return true;
    });
    ASSERT_EQ(peer.requests.size(), 2u) << "STOP lets the frame in flight finish, no more";
    for (const auto &r : peer.requests)
        EXPECT_EQ(r, Frame(8, 0));
    EXPECT_TRUE(dimmedWhileRunning);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    EXPECT_EQ(AppState.AcquisitionRunning, 0);

    const int d = AppState.DataPanel;
    EXPECT_EQ(Val(d, DATAP_NUMERIC_CH0), -16);
    EXPECT_EQ(Val(d, DATAP_NUMERIC_CH1), 1234);
    EXPECT_EQ(Val(d, DATAP_NUMERIC_TEMP), 1850);
    EXPECT_EQ(Val(d, DATAP_NUMERIC_REF), 2000);
    EXPECT_EQ(Val(d, DATAP_NUMERIC_SIG), 2048);
    EXPECT_EQ(Val(d, DATAP_NUMERIC_MAX), 3000);
    EXPECT_EQ(Val(d, DATAP_NUMERIC_MIN), 100);
    EXPECT_EQ(Val(AppState.TabConvTable, TABP_CONVTABLE_NUMERIC_SIG), 2048);
    EXPECT_DOUBLE_EQ(Real(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE), 10.0);
    EXPECT_EQ(Val(d, DATAP_LED_OUT0), 1);
    EXPECT_EQ(Val(d, DATAP_LED_IN1), 1);
    // Both frames went into the charts, in order.
    const double *a = AnalogBuffer();
    EXPECT_EQ(a[kAnalogBufferSize - 4], 1000);
    EXPECT_EQ(a[kAnalogBufferSize - 2], -16);
    EXPECT_TRUE(Visible(AppState.DataPanel));
}

TEST_F(LivePeer, FailedFirstRequestLeavesTheDisplaysAtZero)
{
    peer.answerNext({{0, Frame(0, 1)}}); // the sensor refuses the order
    Go([] { return false; });
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    for (int c : {DATAP_NUMERIC_CH0, DATAP_NUMERIC_CH1, DATAP_NUMERIC_SIG, DATAP_NUMERIC_TEMP,
                  DATAP_NUMERIC_REF})
        EXPECT_EQ(Val(AppState.DataPanel, c), 0);
    EXPECT_EQ(AnalogBuffer()[kAnalogBufferSize - 2], 0);
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    EXPECT_EQ(MessageBoxText(), "Invalid order number! \nVerify PC and sensor software!\n\n");
    EXPECT_EQ(ActiveMainPage(), kPageConnect);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
}

TEST_F(LivePeer, ConversationLostWhileIdleEndsTheLoopAtOnce)
{
    peer.closeNow();
    for (int i = 0; i < 200 && AppState.TcpConnected; ++i)
        Pump(5);
    ASSERT_EQ(AppState.TcpConnected, 0);
    const double t0 = Timer();
    Go([] { return false; });
    EXPECT_LT(Timer() - t0, 2.0) << "no request waited for";
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_TRUE(peer.requests.empty());
}

TEST_F(LivePeer, StopAutoSendIsOrder30WithArgumentZero)
{
    peer.answerNext({{0, Frame(30, 0)}});
    StopAutoSend();
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0], Frame(30, 0));
}

TEST_F(LiveSensor, SendAndGetAskedForInOneWaitAreServedSendFirst)
{
    size_t askedAt = 0;
    StopWhen([&] {
        const size_t n = DataRequests();
        if (askedAt == 0 && n >= 3) {
            askedAt = Orders().size();
            Click(AppState.MainPanel, MAINP_BUTTON_GET);
            Click(AppState.MainPanel, MAINP_BUTTON_SEND);
            Click(AppState.MainPanel, MAINP_BUTTON_SEND);
        }
        return askedAt != 0 && n >= 6;
    });
    const std::vector<int> o = Orders();
    ASSERT_GT(askedAt, 0u);
    const auto send = std::find(o.begin(), o.end(), 1);
    ASSERT_NE(send, o.end());
    ASSERT_LT(send + 2, o.end());
    EXPECT_EQ(*(send - 1), 8);
    EXPECT_EQ(*(send + 1), 2) << "GET after SEND";
    EXPECT_EQ(*(send + 2), 8) << "then the frames again";
    EXPECT_EQ(std::count(o.begin(), o.end(), 1), 1) << "SEND twice in one wait sends once";
    EXPECT_EQ(std::count(o.begin(), o.end(), 2), 1);
    EXPECT_EQ(AppState.SendRequest, 0);
    EXPECT_EQ(AppState.GetRequest, 0);
}

TEST_F(LiveSensor, GoOnTheConversionTablePageKeepsTheConversionGraph)
{
    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageConvTable);
    ShowChildPanelDisp(AppState.ConvPanel);
    StopWhen([&] { return DataRequests() >= 3; });
    EXPECT_TRUE(Visible(AppState.ConvPanel));
    EXPECT_FALSE(Visible(AppState.DataPanel));
    EXPECT_NE(DataFrame.Sig, 0);
    EXPECT_EQ(Val(AppState.TabConvTable, TABP_CONVTABLE_NUMERIC_SIG), DataFrame.Sig);

    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageRecorder);
    ShowChildPanelDisp(AppState.GraphPanel);
    StopWhen([&] { return true; });
    EXPECT_TRUE(Visible(AppState.DataPanel)) << "any other page brings the data panel";
}

TEST_F(LiveSensor, KeysAndPageChangesStartAndStopTheLoop)
{
    QWidget *main = PanelWidget(AppState.MainPanel);
    QApplication::setActiveWindow(main);
    bool stopped = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!stopped && DataRequests() >= 3) {
            stopped = true;
            QTest::keyClick(main, Qt::Key_F12);
        }
    });
    poll.start(1);
    QTest::keyClick(main, Qt::Key_F11);
    for (int i = 0; i < 1000 && !(stopped && !Dimmed(AppState.MainPanel, MAINP_BUTTON_GO)); ++i)
        Pump(10);
    poll.stop();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));

    auto *tabs = qobject_cast<QTabWidget *>(CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN));
    QTabBar *bar = tabs->findChild<QTabBar *>();
    sensor.clearLog();
    for (int page : {kPageScope, kPageConnect}) {
        SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);
        size_t atClick = 0;
        Go([&] {
            if ((atClick = DataRequests()) < 2)
                return false;
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page).center());
            return true;
        });
        EXPECT_EQ(ActiveMainPage(), page);
        EXPECT_EQ(AppState.AcquisitionRunning, 0);
        EXPECT_LE(DataRequests(), atClick + 1) << "page " << page;
        sensor.clearLog();
    }
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
}

TEST_F(Live, HelpTextsAndTheStatusDisplay)
{
    AppState.LanguageIndex = 0;
    Click(AppState.DataPanel, DATAP_LED_IN0, Qt::RightButton);
    Click(AppState.MainPanel, MAINP_BUTTON_GO, Qt::RightButton);
    AppState.LanguageIndex = 1;
    Click(AppState.DataPanel, DATAP_NUMERIC_SIG, Qt::RightButton);
    ASSERT_EQ(responder.shown.size(), 3u);
    EXPECT_EQ(responder.shown[0].title, "Info!");
    EXPECT_EQ(responder.shown[0].text, "Zeigt den Status des Eingangs an. \nLED AUS (schwarz): "
                                       "Ausgang ist 0V. \nLED AN (orange): Ausgang ist +24V.");
    EXPECT_EQ(responder.shown[1].text,
              "Startet Datenaustausch zwischen Sensor und PC. \n\nFunktionstaste: F11");
    EXPECT_EQ(responder.shown[2].title, "Message!");
    EXPECT_EQ(responder.shown[2].text,
              "Displays the intensity of the \nevaluation signal (dark yellow line).");
    EXPECT_EQ(AppState.AcquisitionRunning, 0) << "a right click starts nothing";

    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "Try to connect!\n");
    QWidget *status = CtrlWidget(AppState.DataPanel, DATAP_STRING_STATUS);
    QTest::mouseClick(status, Qt::RightButton);
    EXPECT_EQ(MessageBoxText(), "Try to connect!\n");
    QTest::mouseDClick(status, Qt::RightButton);
    EXPECT_EQ(MessageBoxText(), "");
    EXPECT_EQ(responder.shown.size(), 3u);
}
