// SEND and GET between the pages and the sensor's RAM and EEPROM: the exact frames of orders 1
// to 4, the plausibility reports, connecting, the memory selector and the requests the live
// loop serves.
#include "params_fixture.h"

#include "platform/ui_testing.h"
#include "link/connect.h"
#include "sim/sim_runner.h"

#include <QAbstractButton>
#include <QTest>
#include <QTimer>

namespace {

class Transfer : public ParamsTest {
protected:
    void SetUp() override
    {
        ParamsTest::SetUp();
        OpenTcp(peer.port());
        AppState.SensorConnected = 1;
    }
    static double Hold()
    {
        double ms = -1;
        GetCtrlVal(AppState.TabParam, TABP_PARAM_NUMERIC_HOLD, &ms);
        return ms;
    }
    RawPeer peer;
};

} // namespace

TEST_F(Transfer, SendToRamIsOrder1WithThePages)
{
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_HOLD, 12.5);
    SetCtrlVal(T(), TABP_THRESHOLD_NUMERIC_TT_UP, 60000);
    AppState.SendRequest = 1;
    peer.answerNext({{0, Frame(1, 0)}});
    SendPara();
    ParameterRecord want;
    want.Hold = 125;
    want.TtUp = 60000;
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0], Frame(1, 0, Bytes(want)));
    EXPECT_EQ(peer.requests[0][8 + 34], 0x60);
    EXPECT_EQ(peer.requests[0][8 + 35], 0xEA);
    ExpectRecord(Parameters, want);
    EXPECT_EQ(AppState.SendRequest, 0);
    EXPECT_EQ(MessageBoxText(), "");
}

TEST_F(Transfer, EepromSendStoresOnlyAfterRamAcceptedTheSet)
{
    AppState.MemorySelect = kMemoryEeprom;
    peer.answerNext({{0, Frame(1, 0)}});
    peer.answerNext({{0, Frame(3, 0)}});
    SendPara();
    ASSERT_EQ(peer.requests.size(), 2u);
    EXPECT_EQ(peer.requests[1], Frame(3, 0));

    peer.requests.clear();
    peer.answerNext({{0, Frame(0, 2)}}); // the sensor refuses order 1
    SendPara();
    Pump(100);
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0][1], 1);
    EXPECT_EQ(StatusText(), "TIMEOUT!");
}

TEST_F(Transfer, RamPlausibilityReportIsALinkFailureAndKeepsTheEeprom)
{
    AppState.MemorySelect = kMemoryEeprom;
    AppState.AcquisitionRunning = 1;
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_HOLD, 12.5);
    peer.answerNext({{0, Frame(1, 7)}});
    SendPara();
    Pump(100);
    EXPECT_EQ(MessageBoxText(), "Message!\n7 Parameter in RAM did not pass plausibility check and "
                                "were set to default value!\n\n");
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    EXPECT_EQ(AppState.SensorConnected, 0);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_EQ(ActiveMainPage(), 0);
    // The sensor now holds its defaults; they are not stored over the EEPROM's set.
    EXPECT_EQ(peer.requests.size(), 1u);
    EXPECT_DOUBLE_EQ(Hold(), 12.5) << "the pages keep what was sent";
}

TEST_F(Transfer, GetFromRamShowsTheSensorsSet)
{
    AppState.GetRequest = 1;
    peer.answerNext({{0, Frame(2, 0, Bytes(OddSet()))}});
    GetPara();
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0], Frame(2, 0));
    EXPECT_EQ(AppState.GetRequest, 0);
    ExpectRecord(Parameters, OddSet());
    EXPECT_DOUBLE_EQ(Hold(), 0.7);
    ExpectRecord(Pages(), OddSet()); // and goes out unchanged with the next SEND
    EXPECT_TRUE(Visible(P(), TABP_PARAM_RING_ANALOG_RANGE)) << "the rules ran";
}

TEST_F(Transfer, ShortOrFailedOrder2Answers)
{
    std::vector<uint8_t> payload = Bytes(OddSet());
    payload.resize(40); // fields 0..19 only
    peer.answerNext({{0, Frame(2, 0, payload)}});
    GetPara();
    ParameterRecord want = OddSet();
    for (int i = 20; i < 26; ++i)
        want.*kRecordFields[i] = 0;
    ExpectRecord(Parameters, want);
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_NUMERIC_TEACH_VALUE), 0);

    peer.answerNext({{0, Frame(0, 1)}});
    GetPara();
    ExpectRecord(Parameters, want);
    ExpectRecord(Pages(), want);
    EXPECT_EQ(AppState.SensorConnected, 0);
}

TEST_F(Transfer, EepromGetWithBadEepromReportsThenShowsTheSensorsSet)
{
    AppState.MemorySelect = kMemoryEeprom;
    ParameterRecord defaults;
    defaults.TeachValue = 1234;
    peer.answerNext({{0, Frame(4, 2)}});
    peer.answerNext({{0, Frame(2, 0, Bytes(defaults))}});
    GetPara();
    ASSERT_EQ(peer.requests.size(), 2u);
    EXPECT_EQ(peer.requests[0], Frame(4, 0));
    EXPECT_EQ(peer.requests[1], Frame(2, 0));
    EXPECT_EQ(MessageBoxText(), "Message!\n2 Parameter from EEPROM did not pass plausibility check "
                                "and were set to default value!\n\n");
    EXPECT_EQ(ActiveMainPage(), 0);
    EXPECT_EQ(AppState.SensorConnected, 1) << "not a link failure";
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_NUMERIC_TEACH_VALUE), 1234);

    peer.requests.clear();
    peer.answerNext({{0, Frame(0, 2)}}); // order 4 refused: nothing is read
    GetPara();
    Pump(100);
    EXPECT_EQ(peer.requests.size(), 1u);
}

TEST_F(Transfer, SendButtonDimsTheOperationButtonsWhileItWaits)
{
    int dimmedDuring = -1;
    peer.answerNext({{150, Frame(1, 0)}});
    QTimer::singleShot(50, [&] {
        GetCtrlAttribute(AppState.MainPanel, MAINP_BUTTON_GET, ATTR_DIMMED, &dimmedDuring);
    });
    QTest::mouseClick(CtrlWidget(AppState.MainPanel, MAINP_BUTTON_SEND), Qt::LeftButton);
    EXPECT_EQ(dimmedDuring, 1);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GET));
    EXPECT_EQ(peer.requests.size(), 1u);
}

TEST_F(Transfer, DuringAcquisitionSensorTransfersWaitAndFileTransfersDoNot)
{
    AppState.AcquisitionRunning = 1;
    for (int i = 0; i < 2; ++i) {
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT);
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT);
    }
    Pump(50);
    EXPECT_TRUE(peer.requests.empty());
    EXPECT_EQ(AppState.SendRequest, 1);
    EXPECT_EQ(AppState.GetRequest, 1);
    AppState.MemorySelect = kMemoryFile;
    SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT);
    EXPECT_EQ(responder.countOf(PopupRequest::kFileSelect), 1);
}

TEST_F(Transfer, MemorySelectorActsAsOneChoice)
{
    const auto click = [](int control) {
        QTest::mouseClick(CtrlWidget(AppState.MainPanel, control), Qt::LeftButton);
    };
    const auto pressed = [] {
        std::vector<bool> p;
        for (int c : {MAINP_BUTTON_RAM, MAINP_BUTTON_EEPROM, MAINP_BUTTON_FILE})
            p.push_back(
                qobject_cast<QAbstractButton *>(CtrlWidget(AppState.MainPanel, c))->isChecked());
        return p;
    };
    EXPECT_EQ(pressed(), (std::vector<bool>{true, false, false}));
    click(MAINP_BUTTON_EEPROM);
    EXPECT_EQ(AppState.MemorySelect, kMemoryEeprom);
    EXPECT_EQ(pressed(), (std::vector<bool>{false, true, false}));
    click(MAINP_BUTTON_FILE);
    EXPECT_EQ(AppState.MemorySelect, kMemoryFile);
    click(MAINP_BUTTON_RAM);
    click(MAINP_BUTTON_RAM);
    EXPECT_EQ(AppState.MemorySelect, kMemoryRam);
    EXPECT_EQ(pressed(), (std::vector<bool>{true, false, false}));
    // A right click only explains.
    QTest::mouseClick(CtrlWidget(AppState.MainPanel, MAINP_BUTTON_FILE), Qt::RightButton);
    EXPECT_EQ(AppState.MemorySelect, kMemoryRam);
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].text,
              "Select source respectively the target for the parameter transfer.");
}

// Against the simulated sensor: connecting reads its set, and the live loop serves SEND and GET
// between two data frames.
class TransferSim : public ParamsTest {
protected:
    void SetUp() override
    {
        ParamsTest::SetUp();
        ASSERT_TRUE(sensor.start());
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "127.0.0.1");
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER,
                   std::to_string(sensor.tcpPort()).c_str());
    }
    std::vector<int> Orders()
    {
        std::vector<int> orders;
        for (const auto &f : sensor.receivedFrames())
            orders.push_back(f[1]);
        return orders;
    }
    sim::SimRunner sensor;
};

TEST_F(TransferSim, ConnectingReadsTheSensorsSet)
{
    sim::ParamRecord ram = sim::DefaultParams();
    ram[sim::kTeachValue] = 1500;
    sensor.withModel([ram](sim::SensorModel &m) { m.setRam(ram); });
    TryToConnect();
    EXPECT_EQ(AppState.SensorConnected, 1);
    EXPECT_EQ(Orders(), (std::vector<int>{7, 15, 2}));
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_NUMERIC_TEACH_VALUE), 1500);
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));

    sensor.setFault(2, sim::Fault{0, false, false, false, 1});
    TryToConnect();
    EXPECT_EQ(AppState.SensorConnected, 0);
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
}

TEST_F(TransferSim, LiveLoopSendsOnceForTwoPressesAndSendsBeforeGet)
{
    TryToConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    SetButtonsDimmed(0, 0);
    SetCtrlVal(T(), TABP_THRESHOLD_NUMERIC_TOLERANCE, 77);
    sensor.clearLog();
    // All three presses land in one wait for a data frame.
    QTimer::singleShot(100, [] {
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT);
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT);
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT);
    });
    QTimer::singleShot(400, [] { AppState.AcquisitionRunning = 0; });
    SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT);
    const std::vector<int> orders = Orders();
    ASSERT_EQ(std::count(orders.begin(), orders.end(), 1), 1);
    ASSERT_EQ(std::count(orders.begin(), orders.end(), 2), 1);
    const auto send = std::find(orders.begin(), orders.end(), 1);
    ASSERT_TRUE(send > orders.begin() && send + 2 < orders.end());
    EXPECT_EQ(std::vector<int>(send - 1, send + 3), (std::vector<int>{8, 1, 2, 8}));
    sim::ParamRecord ram;
    sensor.withModel([&ram](const sim::SensorModel &m) { ram = m.ram(); });
    EXPECT_EQ(ram[sim::kTolerance], 77);
}
