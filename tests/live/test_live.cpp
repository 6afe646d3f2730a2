// The live loop driven by the operator's buttons and keys against a scripted peer and the
// simulated sensor over TCP, and what the data panel shows of each frame.
#include "common/harness.h"

#include "app/startup.h"
#include "link/connect.h"
#include "platform/spinbox.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"
#include "live/data_frame.h"
#include "live/graphs.h"
#include "live/live.h"
#include "params/record.h"
#include "sim/sim_runner.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

std::vector<uint8_t> FrameBytes(std::initializer_list<int> words, uint8_t digBits,
                                uint16_t digState, int16_t anaOut)
{
    std::vector<uint8_t> b(kDataFrameSize);
    int at = 0;
    for (int w : words) // CH0, CH1, TEMP, REF, SIG, MAX, MIN
        frame::PutU16(&b[size_t(2 * at++)], uint16_t(w));
    b[14] = digBits;
    frame::PutU16(&b[16], digState);
    frame::PutU16(&b[18], uint16_t(anaOut));
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
    template <typename T = int> T Val(int panel, int control) const
    {
        T v{};
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
    // Presses GO and calls `during` every millisecond from inside the running loop until it
    // returns true. Returns when the loop has ended (STOP after 10 s as a safety net).
    void Go(const std::function<bool()> &during)
    {
        QTimer poll;
        bool done = false;
        QElapsedTimer since;
        since.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (done || AppState.AcquisitionRunning != 1) // QTest's click may pump events first
                return;
            done = since.elapsed() > 10000 || during();
            if (since.elapsed() > 10000) {
                ADD_FAILURE() << "the loop did not end";
                Click(AppState.MainPanel, MAINP_BUTTON_STOP);
            }
        });
        poll.start(1);
        Click(AppState.MainPanel, MAINP_BUTTON_GO);
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

TEST_F(Live, AnalogOutputAndLedPairs)
{
    struct Case {
        int16_t anaOut;
        double volts, milliamps;
    } cases[] = {{4095, 10.0, 20.0}, {0, 0.0, 4.0}, {2048, 5.0012, 12.0020}};
    for (const Case &c : cases) {
        DataFrame.AnaOut = c.anaOut;
        SetPanelData();
        EXPECT_DOUBLE_EQ(Val<double>(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE),
                         c.volts);
        EXPECT_DOUBLE_EQ(Val<double>(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_CURRENT),
                         c.milliamps);
    }

    const int d = AppState.DataPanel;
    auto pair = [&](int a, int b) { return std::make_pair(Val(d, a), Val(d, b)); };
    DataFrame.DigState = 2;
    DataFrame.DigBits = 0xFE;
    SetPanelData();
    EXPECT_EQ(pair(DATAP_LED_IN0, DATAP_LED_IN1), std::make_pair(0, 1));
    EXPECT_EQ(pair(DATAP_LED_OUT0, DATAP_LED_OUT1), std::make_pair(0, 1)) << "only bits 0, 1";
    DataFrame.DigState = 5; // no state of the pair: left as it is
    DataFrame.DigBits = 0x01;
    SetPanelData();
    EXPECT_EQ(pair(DATAP_LED_IN0, DATAP_LED_IN1), std::make_pair(0, 1));
    EXPECT_EQ(pair(DATAP_LED_OUT0, DATAP_LED_OUT1), std::make_pair(1, 0));
    DataFrame.DigState = 3;
    SetPanelData();
    EXPECT_EQ(pair(DATAP_LED_IN0, DATAP_LED_IN1), std::make_pair(1, 1));
}

// A display written faster than a screen refreshes: its value counts at once, its text (what is
// laid out and painted) catches up at most once per refresh, and the displays of one frame are
// painted together. A display out of sight catches up when it is shown. An editable field takes
// every value at once.
TEST_F(Live, DisplaysPaintAtMostOncePerRefreshAndEndOnTheLastValue)
{
    const int d = AppState.DataPanel;
    auto *sig = qobject_cast<QSpinBox *>(CtrlWidget(d, DATAP_NUMERIC_SIG));
    auto *ch0 = qobject_cast<QSpinBox *>(CtrlWidget(d, DATAP_NUMERIC_CH0));
    ASSERT_TRUE(sig && ch0 && sig->isReadOnly());
    ASSERT_FALSE(sig->isVisible());
    SetCtrlVal(d, DATAP_NUMERIC_SIG, 5);
    EXPECT_EQ(Val(d, DATAP_NUMERIC_SIG), 5);
    DisplayPanel(AppState.MainPanel);
    ShowChildPanelDisp(d);
    ASSERT_TRUE(sig->isVisible());
    EXPECT_EQ(sig->text(), "5") << "laid out when shown";

    int textChanges = 0;
    QObject::connect(sig->findChild<QLineEdit *>(), &QLineEdit::textChanged,
                     [&] { ++textChanges; });
    Pump(kDisplayRefreshMs + 10); // no refresh in the last one

    SetCtrlVal(d, DATAP_NUMERIC_SIG, 1); // a lone write shows at once
    SetCtrlVal(d, DATAP_NUMERIC_CH0, 2); // and so does the next display of the same frame
    EXPECT_EQ(sig->text(), "1");
    EXPECT_EQ(ch0->text(), "2");

    for (int v = 100; v < 300; ++v) {
        SetCtrlVal(d, DATAP_NUMERIC_SIG, v);
        ASSERT_EQ(Val(d, DATAP_NUMERIC_SIG), v);
    }
    EXPECT_LE(textChanges, 3);
    Pump(kDisplayRefreshMs + 10);
    EXPECT_EQ(sig->text(), "299");
    EXPECT_EQ(Val(d, DATAP_NUMERIC_SIG), 299);

    // An image of the panel taken at once shows the last value too.
    SetCtrlVal(d, DATAP_NUMERIC_SIG, 7);
    SetCtrlVal(d, DATAP_NUMERIC_SIG, 8);
    const QString image = dir.filePath("panel.png");
    ASSERT_EQ(SavePanelDisplayToFile(d, image.toUtf8().constData()), 0);
    EXPECT_EQ(sig->text(), "8");

    // Frames written a screen refresh apart, as the live loop writes them: the frame whose
    // writes find the refresh due is shown whole, none of its displays left at the frame before.
    SetCtrlVal(d, DATAP_NUMERIC_CH0, 0);
    SetCtrlVal(d, DATAP_NUMERIC_SIG, 1);
    Pump(kDisplayRefreshMs + 10);
    ASSERT_EQ(ch0->text().toInt() + 1, sig->text().toInt());
    for (int frame = 1; frame <= 4; ++frame) {
        SetCtrlVal(d, DATAP_NUMERIC_CH0, frame * 10);
        SetCtrlVal(d, DATAP_NUMERIC_SIG, frame * 10 + 1);
        Pump(5); // the end of the burst
        EXPECT_EQ(ch0->text().toInt() + 1, sig->text().toInt()) << "frame " << frame;
        Pump(11);
    }

    auto *power = qobject_cast<QSpinBox *>(CtrlWidget(AppState.TabParam, TABP_PARAM_NUMERIC_POWER_CH0));
    ASSERT_TRUE(power && !power->isReadOnly());
    for (int v = 10; v < 20; ++v) {
        SetCtrlVal(AppState.TabParam, TABP_PARAM_NUMERIC_POWER_CH0, v);
        ASSERT_EQ(power->value(), v);
    }
}

TEST_F(LivePeer, FramesFromTheWireReachEveryDisplay)
{
    peer.answerNext({{0, Frame(8, 0, FrameBytes({1000}, 0, 0, 0))}});
    // STOP comes while this one is awaited.
    peer.answerNext(
        {{200, Frame(8, 0, FrameBytes({0xFFF0, 1234, 1850, 2000, 2048, 3000, 100}, 1, 3, 4095))}});
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
    EXPECT_EQ(peer.requests[1], Frame(8, 0));
    EXPECT_TRUE(dimmedWhileRunning);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    EXPECT_EQ(AppState.AcquisitionRunning, 0);

    const int d = AppState.DataPanel;
    const int shown[] = {Val(d, DATAP_NUMERIC_CH0),  Val(d, DATAP_NUMERIC_CH1),
                         Val(d, DATAP_NUMERIC_TEMP), Val(d, DATAP_NUMERIC_REF),
                         Val(d, DATAP_NUMERIC_SIG),  Val(d, DATAP_NUMERIC_MAX),
                         Val(d, DATAP_NUMERIC_MIN)};
    EXPECT_EQ(std::vector<int>(std::begin(shown), std::end(shown)),
              (std::vector<int>{-16, 1234, 1850, 2000, 2048, 3000, 100}));
    EXPECT_EQ(Val(AppState.TabConvTable, TABP_CONVTABLE_NUMERIC_SIG), 2048);
    EXPECT_DOUBLE_EQ(Val<double>(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE), 10.0);
    EXPECT_EQ(Val(d, DATAP_LED_OUT0), 1);
    EXPECT_EQ(Val(d, DATAP_LED_IN1), 1);
    const double *a = AnalogBuffer(); // both frames went into the charts, in order
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
    for (int c : {DATAP_NUMERIC_CH0, DATAP_NUMERIC_CH1, DATAP_NUMERIC_SIG, DATAP_NUMERIC_TEMP})
        EXPECT_EQ(Val(AppState.DataPanel, c), 0);
    EXPECT_EQ(AnalogBuffer()[kAnalogBufferSize - 2], 0);
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    EXPECT_EQ(MessageBoxText(), "Invalid order number! \nVerify PC and sensor software!\n\n");
    EXPECT_EQ(ActiveMainPage(), kPageConnect);
    EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO)) << "until the next connect";
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT));
}

TEST_F(LivePeer, ConversationLostWhileIdleEndsTheLoopAtOnce)
{
    peer.closeNow();
    for (int i = 0; i < 200 && AppState.TcpConnected; ++i)
        Pump(5);
    ASSERT_EQ(AppState.TcpConnected, 0);
    Go([] { return false; }); // would spin without end if the failed request left it running
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_TRUE(peer.requests.empty());
}

TEST_F(LiveSensor, SendAndGetAskedForInOneWaitAreServedSendFirst)
{
    size_t askedAt = 0;
    StopWhen([&] {
        if (askedAt == 0) {
            if (DataRequests() < 3)
                return false;
            askedAt = Orders().size();
            Click(AppState.MainPanel, MAINP_BUTTON_GET);
            Click(AppState.MainPanel, MAINP_BUTTON_SEND);
            Click(AppState.MainPanel, MAINP_BUTTON_SEND);
            return false;
        }
        const std::vector<int> o = Orders();
        const auto get = std::find(o.begin(), o.end(), 2);
        return get != o.end() && std::find(get, o.end(), 8) != o.end();
    });
    const std::vector<int> o = Orders();
    const auto send = std::find(o.begin(), o.end(), 1);
    ASSERT_NE(send, o.end());
    ASSERT_LT(send + 2, o.end());
    EXPECT_EQ(*(send - 1), 8);
    EXPECT_EQ(*(send + 1), 2) << "GET after SEND";
    EXPECT_EQ(*(send + 2), 8) << "then the frames again";
    EXPECT_EQ(std::count(o.begin(), o.end(), 1), 1) << "SEND twice in one wait sends once";
    EXPECT_EQ(std::count(o.begin(), o.end(), 2), 1);
    EXPECT_EQ(AppState.SendRequest + AppState.GetRequest, 0);
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
    EXPECT_TRUE(stopped);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);

    auto *bar = CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN)->findChild<QTabBar *>();
    for (int page : {kPageScope, kPageConnect}) {
        SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);
        sensor.clearLog();
        size_t atClick = 0;
        Go([&] {
            if ((atClick = DataRequests()) < 2)
                return false;
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page).center());
            return true;
        });
        EXPECT_EQ(ActiveMainPage(), page);
        EXPECT_LE(DataRequests(), atClick + 1) << "page " << page;
    }
}

TEST_F(Live, HelpTextsAndTheStatusDisplay)
{
    AppState.LanguageIndex = 0;
    Click(AppState.DataPanel, DATAP_LED_IN0, Qt::RightButton);
    AppState.LanguageIndex = 1;
    Click(AppState.MainPanel, MAINP_BUTTON_GO, Qt::RightButton);
    ASSERT_EQ(responder.shown.size(), 2u);
    EXPECT_EQ(responder.shown[0].title, "Info!");
    EXPECT_EQ(responder.shown[0].text, "Zeigt den Status des Eingangs an. \nLED AUS (schwarz): "
                                       "Ausgang ist 0V. \nLED AN (orange): Ausgang ist +24V.");
    EXPECT_EQ(responder.shown[1].text, "Starts data transfer from sensor to PC. \n\nShortcut Key: "
                                       "F11.");
    EXPECT_EQ(AppState.AcquisitionRunning, 0) << "a right click starts nothing";

    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "Try to connect!\n");
    QWidget *status = CtrlWidget(AppState.DataPanel, DATAP_STRING_STATUS);
    QTest::mouseClick(status, Qt::RightButton);
    EXPECT_EQ(MessageBoxText(), "Try to connect!\n");
    QTest::mouseDClick(status, Qt::RightButton);
    EXPECT_EQ(MessageBoxText(), "");
    EXPECT_EQ(responder.shown.size(), 2u) << "the status display has no help";
}

TEST_F(LivePeer, AFrameShownAfterTheFailureIsStaleToo)
{
    // The conversation ends right behind the frame: the frame is shown, but not as live.
    peer.answerNext({{0, Frame(8, 0, FrameBytes({1234}, 1, 0, 0))}, {0, {}, true}});
    Go([] { return false; });
    ASSERT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_EQ(Val(AppState.DataPanel, DATAP_NUMERIC_CH0), 1234);
    int stale = 0;
    GetCtrlAttribute(AppState.DataPanel, DATAP_NUMERIC_CH0, ATTR_STALE, &stale);
    EXPECT_EQ(stale, 1);
    GetCtrlAttribute(AppState.DataPanel, DATAP_LED_OUT0, ATTR_STALE, &stale);
    EXPECT_EQ(stale, 1);
}

TEST_F(LiveSensor, ALinkFailureLeavesTheLastFrameStaleUntilTheNextFrame)
{
    const int d = AppState.DataPanel;
    const auto stale = [](int panel, int control) {
        int s = 0;
        GetCtrlAttribute(panel, control, ATTR_STALE, &s);
        return s != 0;
    };
    const std::pair<const int *, int> shown[] = {
        {&AppState.DataPanel, DATAP_NUMERIC_CH0},
        {&AppState.DataPanel, DATAP_NUMERIC_SIG},
        {&AppState.DataPanel, DATAP_LED_IN0},
        {&AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA},
        {&AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG},
        {&AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE},
        {&AppState.TabConvTable, TABP_CONVTABLE_NUMERIC_SIG},
    };
    const QColor liveText = CtrlWidget(d, DATAP_NUMERIC_CH0)->palette().color(QPalette::Text);
    SetPanelGraphData(); // the graph panel shows a frame, as the recorder leaves it

    Go([&] {
        if (DataRequests() < 3)
            return false;
        sim::Fault bad;
        bad.badHeaderCrc = true;
        sensor.setFault(frame::kOrderDataFrame, bad);
        return true;
    });
    ASSERT_EQ(AppState.AcquisitionRunning, 0);
    ASSERT_EQ(StatusText(), "TIMEOUT!");
    EXPECT_EQ(Val(d, DATAP_NUMERIC_CH0), DataFrame.Ch0) << "the last frame stays on view";
    for (const auto &[panel, control] : shown)
        EXPECT_TRUE(stale(*panel, control)) << control;
    EXPECT_TRUE(stale(AppState.GraphPanel, GRAPHP_GRAPH_SIG));
    EXPECT_FALSE(stale(d, DATAP_NUMERIC_COM_PORT)) << "not a value of the frame";
    EXPECT_NE(CtrlWidget(d, DATAP_NUMERIC_CH0)->palette().color(QPalette::Text), liveText);
    EXPECT_TRUE(qobject_cast<LedCtrl *>(CtrlWidget(d, DATAP_LED_IN0))->isStale());
    EXPECT_TRUE(qobject_cast<ChartCtrlBase *>(
                    CtrlWidget(AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG))
                    ->isStale());

    // CONNECT shows no frame yet; the first frame of the next run does.
    sensor.clearFaults();
    UseDemoLink(sensor.tcpPort());
    CBF_ButtonTryToConnect(AppState.TabConnect, 0, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(AppState.SensorConnected, 1);
    EXPECT_TRUE(stale(d, DATAP_NUMERIC_CH0));
    StopWhen([&] { return !stale(d, DATAP_NUMERIC_CH0); });
    for (const auto &[panel, control] : shown)
        EXPECT_FALSE(stale(*panel, control)) << control;
    EXPECT_EQ(CtrlWidget(d, DATAP_NUMERIC_CH0)->palette().color(QPalette::Text), liveText);
    EXPECT_TRUE(stale(AppState.GraphPanel, GRAPHP_GRAPH_SIG)) << "until the recorder's next frame";
    SetPanelGraphData();
    EXPECT_FALSE(stale(AppState.GraphPanel, GRAPHP_GRAPH_SIG));

    Disconnect();
    EXPECT_TRUE(stale(d, DATAP_NUMERIC_CH0)) << "disconnected, the values are not live either";
}

// The threshold page is read once per refresh, not per frame: a change the operator makes while
// the loop runs is in the threshold lines of the frames after the next refresh.
TEST_F(LiveSensor, AThresholdChangedWhileRunningMovesTheLinesOfTheNextFrames)
{
    const int page = AppState.TabThreshold;
    SetCtrlVal(page, TABP_THRESHOLD_NUMERIC_TOLERANCE, 100);
    size_t changedAt = 0;
    QElapsedTimer since;
    StopWhen([&] {
        if (changedAt == 0) {
            if (DataRequests() < 3)
                return false;
            SetCtrlVal(page, TABP_THRESHOLD_NUMERIC_TOLERANCE, 300);
            changedAt = DataRequests();
            since.start();
            return false;
        }
        return DataRequests() > changedAt + 2 && since.elapsed() > 3 * 16;
    });
    const double *last = EvalBuffer() + kEvalBufferSize - kEvalTraces;
    const ThresholdLines expected =
        CalcThresholdLines(DataFrame.Ref, Parameters.ThresholdMode, Parameters.ThresholdCalc, 300,
                           Parameters.Hysteresis);
    EXPECT_EQ(Parameters.Tolerance, 300);
    EXPECT_EQ(last[2], expected.thresholdA);
    EXPECT_EQ(last[3], expected.thresholdB);
}
