// Connecting, identifying, the firmware check, offline mode, the baud-rate change and the
// address history, against the simulated sensor over TCP and a pseudo-terminal.
#include "common/harness.h"

#include "platform/rs232.h"
#include "platform/ui_testing.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "sim/sim_runner.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace {

const char kCouldNot[] =
    "Could not establish connection! \nClose window or work in offline mode!";

class Connect : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(sensor.start());
        SetTcpOnPanel(sensor.tcpPort());
    }
    void TearDown() override
    {
        SetAnswerTimeLimit(kHeaderTimeLimit);
        AppTest::TearDown();
    }
    void SetTcpOnPanel(quint16 port)
    {
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "127.0.0.1");
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER,
                   std::to_string(port).c_str());
    }
    void Firmware(const std::string &id)
    {
        sensor.withModel([id](sim::SensorModel &m) { m.setFirmwareId(id); });
    }
    std::vector<int> OrdersReceived()
    {
        std::vector<int> orders;
        for (const auto &f : sensor.receivedFrames())
            orders.push_back(f.size() > 1 ? f[1] : -1);
        return orders;
    }
    sim::SimRunner sensor;
};

} // namespace

TEST(FirmwareSplit, PartsOfTheIdentification)
{
    struct Case {
        const char *id, *version, *line;
    } cases[] = {
        {"ORVANTE2 V1.3.7 2015", "ORVANTE2 V1.3", "ORVANTE2 V1.32015"},
        {"ORVANTE2 V1.3 2015", "ORVANTE2 V1.3 2015", "ORVANTE2 V1.3 2015"},
        {"ORVANTE2 V1.3", "ORVANTE2 V1.3", "ORVANTE2 V1.3"},
        {"ORVANTE2 V1.4.0 x", "ORVANTE2 V1.4", "ORVANTE2 V1.4x"},
        {"ORVANTE2 V1.3.0", "ORVANTE2 V1.3", "ORVANTE2 V1.3"},
        {"no dots", "no dots.", "no dots."},
        {"", ".", "."},
    };
    for (const Case &c : cases) {
        const FirmwareParts p = SplitFirmwareId(c.id);
        EXPECT_EQ(p.version(), c.version) << c.id;
        EXPECT_EQ(p.versionLine(), c.line) << c.id;
    }
}

TEST(PortNumberText, LeadingDigitsOnly)
{
    EXPECT_EQ(PortNumberOf("5000"), 5000u);
    EXPECT_EQ(PortNumberOf("80a"), 80u);
    EXPECT_EQ(PortNumberOf("5000x"), 5000u);
    EXPECT_EQ(PortNumberOf("abc"), 0u);
    EXPECT_EQ(PortNumberOf(""), 0u);
    EXPECT_EQ(PortNumberOf(" 80"), 0u);
}

TEST(AddressHistory, NewestFirstNoDuplicatesAtMostTen)
{
    std::vector<std::string> h;
    for (int i = 1; i <= 10; ++i)
        h = UpdatedHistory(h, "host" + std::to_string(i));
    EXPECT_EQ(h.front(), "host10");
    EXPECT_EQ(h.back(), "host1");
    h = UpdatedHistory(h, "host5");
    ASSERT_EQ(h.size(), 10u);
    EXPECT_EQ(h[0], "host5");
    EXPECT_EQ(std::count(h.begin(), h.end(), "host5"), 1);
    h = UpdatedHistory(h, "host11");
    ASSERT_EQ(h.size(), 10u);
    EXPECT_EQ(h[0], "host11");
    EXPECT_EQ(std::count(h.begin(), h.end(), "host1"), 0) << "the oldest is dropped";
}

TEST_F(Connect, AcceptedSensorIsIdentified)
{
    Firmware("ORVANTE2 V1.3.7 2015");
    sensor.withModel([](sim::SensorModel &m) {
        m.setSensorName("Line 4 sensor");
        m.setSerialNumber(31337);
    });
    TryToConnect();
    EXPECT_EQ(MessageBoxText(), "Try to connect!\nORVANTE2 V1.32015\nSensor: Line 4 sensor\n"
                                "Serial number: 31337\n\n");
    EXPECT_EQ(StatusText(), "ORVANTE2 V1.32015");
    EXPECT_EQ(AppState.SensorConnected, 1);
    EXPECT_STREQ(AppState.FirmwareId, "ORVANTE2 V1.3.7 2015");
    EXPECT_STREQ(AppState.SensorName, "Line 4 sensor");
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE));
    EXPECT_EQ(responder.shown.size(), 0u);
    const std::vector<int> orders = OrdersReceived();
    ASSERT_GE(orders.size(), 2u);
    EXPECT_EQ(orders[0], 7);
    EXPECT_EQ(orders[1], 15);
}

TEST_F(Connect, ExactVersionIsAccepted)
{
    Firmware("ORVANTE2 V1.3");
    TryToConnect();
    EXPECT_EQ(AppState.SensorConnected, 1);
    EXPECT_EQ(StatusText(), "ORVANTE2 V1.3");
}

TEST_F(Connect, WrongVersionsAreRefusedWithTheSensorsVersion)
{
    struct Case {
        const char *id, *named;
    } cases[] = {{"ORVANTE2 V1.3 2015", "ORVANTE2 V1.3 2015"}, {"ORVANTE2 V1.4.0 x", "ORVANTE2 V1.4"}};
    for (const Case &c : cases) {
        responder.shown.clear();
        sensor.clearLog();
        Firmware(c.id);
        TryToConnect();
        ASSERT_EQ(responder.shown.size(), 1u) << c.id;
        const PopupRequest &p = responder.shown[0];
        EXPECT_EQ(p.kind, PopupRequest::kGeneric);
        EXPECT_EQ(p.text, std::string("Sensor firmware and scope version do not match! \nFirmware of "
                                      "connected sensor is: ") +
                              c.named + "\n\n" + kCouldNot);
        EXPECT_EQ(p.button1, "Close");
        EXPECT_EQ(p.button2, "Offline");
        EXPECT_EQ(AppState.SensorConnected, 0);
        EXPECT_EQ(OrdersReceived(), std::vector<int>{7}) << "nothing else is read from it";
    }
}

TEST_F(Connect, NoSensorThenOfflineLeavesTheFileMode)
{
    sensor.stop();
    TryToConnect();
    EXPECT_EQ(MessageBoxText(),
              "Try to connect!\nUnable to establish connection\n\nNo sensor connected!\n\n");
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].text, kCouldNot);
    EXPECT_EQ(responder.shown[0].title, "Message!");
    EXPECT_EQ(StatusText(), "No sensor connected!\n\n");
    EXPECT_EQ(AppState.MemorySelect, 3);
    EXPECT_EQ(AppState.SensorConnected, 0);
    int file = 0, ram = 1;
    GetCtrlVal(AppState.MainPanel, MAINP_BUTTON_FILE, &file);
    GetCtrlVal(AppState.MainPanel, MAINP_BUTTON_RAM, &ram);
    EXPECT_EQ(file, 1);
    EXPECT_EQ(ram, 0);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_SEND));
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GET));
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT));
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE));
    EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_RAM));
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_DISCONNECT));
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE));
}

TEST_F(Connect, CloseEndsTheProgram)
{
    sensor.setSilent(true);
    responder.push(GENERIC_MSG_BUTTON_1);
    TryToConnect();
    EXPECT_NE(MessageBoxText().find("TIMEOUT!"), std::string::npos);
    const double start = Timer();
    EXPECT_EQ(RunUserInterface(), 0) << "the event loop ends at once";
    EXPECT_LT(Timer() - start, 1.0);
}

TEST_F(Connect, DisconnectButtonGoesOffline)
{
    TryToConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    SetButtonsDimmed(0, 0);
    QTest::mouseClick(CtrlWidget(AppState.TabConnect, TABP_CONNECT_BUTTON_DISCONNECT),
                      Qt::LeftButton);
    EXPECT_EQ(AppState.SensorConnected, 0);
    EXPECT_EQ(AppState.TcpConnected, 0);
    EXPECT_EQ(AppState.MemorySelect, 3);
    Pump(200);
    const std::string box = MessageBoxText();
    EXPECT_EQ(box.substr(box.size() - 22), "No sensor connected!\n\n");
}

TEST_F(Connect, UnreadableParametersAtConnectOfferCloseOrOffline)
{
    // The sensor is identified, but its parameter set cannot be read: a failed connection like
    // any other, not a page on which every control stays dimmed.
    SetAnswerTimeLimit(0.5);
    sim::Fault silent;
    silent.noReply = true;
    sensor.setFault(2, silent);
    CBF_ButtonTryToConnect(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT, EVENT_COMMIT,
                           nullptr, 0, 0);
    EXPECT_EQ(AppState.SensorConnected, 0);
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].text, kCouldNot);
    EXPECT_NE(MessageBoxText().find("TIMEOUT! \nNo data received!"), std::string::npos);
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT));
    EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));

    sensor.clearFaults();
    CBF_ButtonTryToConnect(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT, EVENT_COMMIT,
                           nullptr, 0, 0);
    EXPECT_EQ(AppState.SensorConnected, 1);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
}

TEST_F(Connect, RightClickShowsHelpAndRunsNothing)
{
    sensor.clearLog();
    QTest::mouseClick(CtrlWidget(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT),
                      Qt::RightButton);
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].title, "Message!");
    EXPECT_EQ(responder.shown[0].text, "Try to connect sensor.");
    EXPECT_EQ(MessageBoxText(), "");
    AppState.LanguageIndex = 0;
    QTest::mouseClick(CtrlWidget(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT),
                      Qt::RightButton);
    ASSERT_EQ(responder.shown.size(), 2u);
    EXPECT_EQ(responder.shown[1].title, "Info!");
    EXPECT_EQ(responder.shown[1].text,
              "Verbindungseinstellungen bestaetigen \nund zum Parametrierungs-Reiter wechseln.");
}

TEST_F(Connect, TypedAddressesBuildTheHistory)
{
    auto *combo = qobject_cast<QComboBox *>(
        CtrlWidget(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS));
    ASSERT_NE(combo, nullptr);
    combo->show();
    for (const char *a : {"alpha", "beta", "alpha"}) {
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), a);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    }
    EXPECT_EQ(AddressHistory(), (std::vector<std::string>{"alpha", "beta"}));
    EXPECT_STREQ(AppState.ServerAddress, "alpha");
    EXPECT_EQ(GetCtrlText(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS), "alpha");
    // A pick from the list commits as well.
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(AddressHistory(), (std::vector<std::string>{"beta", "alpha"}));
    EXPECT_STREQ(AppState.ServerAddress, "beta");
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
}

TEST_F(Connect, ProtocolChoiceShowsItsControls)
{
    auto visible = [](int c) {
        int v = 0;
        GetCtrlAttribute(AppState.TabConnect, c, ATTR_VISIBLE, &v);
        return v != 0;
    };
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 0);
    InitConnectPanel();
    EXPECT_TRUE(visible(TABP_CONNECT_NUMERIC_COM_PORT));
    EXPECT_TRUE(visible(TABP_CONNECT_BUTTON_CHANGE_BAUDRATE));
    EXPECT_FALSE(visible(TABP_CONNECT_COMBO_SERVER_ADDRESS));
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
    InitConnectPanel();
    EXPECT_FALSE(visible(TABP_CONNECT_NUMERIC_COM_PORT));
    EXPECT_FALSE(visible(TABP_CONNECT_RING_BAUDRATE));
    EXPECT_TRUE(visible(TABP_CONNECT_COMBO_SERVER_ADDRESS));
    EXPECT_TRUE(visible(TABP_CONNECT_STRING_PORT_NUMBER));
}

TEST_F(Connect, PortTextWithLettersConnectsToItsLeadingNumber)
{
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER,
               (std::to_string(sensor.tcpPort()) + "x").c_str());
    TryToConnect();
    EXPECT_EQ(AppState.PortNumber, sensor.tcpPort());
    EXPECT_EQ(AppState.SensorConnected, 1);
}

class SerialConnect : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(sensor.start(0, true));
        com = ComPortFromDevice(sensor.ptyPath().toStdString());
        ASSERT_GT(com, 0);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 0);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, com);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, 4);
    }
    void TearDown() override
    {
        SetAnswerTimeLimit(kHeaderTimeLimit);
        CloseLink();
        CloseCom(com);
        AppTest::TearDown();
    }
    void PressConnect()
    {
        CBF_ButtonTryToConnect(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT,
                               EVENT_COMMIT, nullptr, 0, 0);
    }
    sim::SimRunner sensor;
    int com = 0;
};

TEST_F(SerialConnect, ConnectsOverThePseudoTerminal)
{
    TryToConnect();
    EXPECT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
    EXPECT_EQ(AppState.ComPort, com);
}

TEST_F(SerialConnect, BaudrateChangeReconnectsAndReminds)
{
    TryToConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    sensor.clearLog();
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, 2);
    ChangeBaudrate();
    const auto frames = sensor.receivedFrames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0], Frame(190, 2));
    int baud = -1;
    sensor.withModel([&](sim::SensorModel &m) { baud = m.baudIndex(); });
    EXPECT_EQ(baud, 2);
    const std::string box = MessageBoxText();
    EXPECT_EQ(box.rfind("Try to change baudrate!\nSuccess!\nTry to connect!\n", 0), 0u) << box;
    EXPECT_NE(box.find("ATTENTION!!!   Confirm new baudrate with EEPROM and SEND!\n\n"),
              std::string::npos);
    EXPECT_EQ(AppState.BaudrateIndex, 2);
}

TEST_F(SerialConnect, NoReminderWhenTheReconnectionFails)
{
    TryToConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    sim::Fault lost;
    lost.noReply = true;
    sensor.setFault(7, lost); // the sensor stops answering after the switch
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, 3);
    ChangeBaudrate();
    const std::string box = MessageBoxText();
    EXPECT_NE(box.find("Success!\n"), std::string::npos);
    EXPECT_EQ(box.find("ATTENTION!!!"), std::string::npos);
    EXPECT_EQ(AppState.SensorConnected, 0);
}

TEST_F(AppTest, ComPortThatDoesNotExistIsReported)
{
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 0);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, 255); // /dev/pts/155
    TryToConnect();
    EXPECT_EQ(MessageBoxText(), "Try to connect!\nInvalid port number\n\nNo sensor connected!\n\n");
    EXPECT_EQ(AppState.SensorConnected, 0);
}

TEST_F(SerialConnect, ConnectingOverOneLinkClosesTheOther)
{
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "127.0.0.1");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER,
               std::to_string(sensor.tcpPort()).c_str());
    PressConnect();
    ASSERT_EQ(AppState.TcpConnected, 1);

    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 0);
    PressConnect();
    ASSERT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
    EXPECT_EQ(AppState.TcpConnected, 0);
    int clients = 1;
    for (int i = 0; i < 100 && clients > 0; ++i) {
        Pump(10);
        sensor.withServer([&clients](sim::SensorServer &s) { clients = s.clientCount(); });
    }
    EXPECT_EQ(clients, 0) << "the TCP conversation was left open";
    // Whatever that server does now is no concern of the serial link.
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    sensor.dropClients();
    Pump(200);
    EXPECT_EQ(AppState.SensorConnected, 1);
    EXPECT_EQ(MessageBoxText(), "");
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));

    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
    PressConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    EXPECT_EQ(IsComOpen(com), 0) << "the COM port was left open";
}

TEST_F(SerialConnect, PeerGoneWhileIdleClosesThePortAndIsReportedOnce)
{
    PressConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    sensor.hangUpPty();
    for (int i = 0; i < 200 && IsComOpen(com); ++i)
        Pump(10);
    EXPECT_EQ(IsComOpen(com), 0);
    Pump(200);
    EXPECT_EQ(MessageBoxText(), std::string(kMsgPortLost.en) + "\n\n");
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    EXPECT_EQ(AppState.SensorConnected, 0);
    EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO)) << "nothing left to press on";
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT));
}

TEST_F(SerialConnect, PeerGoingAwayDuringAnExchangeFailsItOnce)
{
    PressConnect();
    ASSERT_EQ(AppState.SensorConnected, 1);
    SetAnswerTimeLimit(10); // a wait that did not end at the loss would be seen
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    sim::Fault gone;
    gone.hangUp = true;
    sensor.setFault(8, gone);
    FillTxBuf(8, 0, 0);
    EXPECT_EQ(DataExchange(8), -1);
    EXPECT_EQ(MessageBoxText(), std::string(kMsgPortLost.en) + "\n\n");
    EXPECT_EQ(IsComOpen(com), 0);
}

TEST_F(SerialConnect, FailedBaudrateChangeLeavesTheControlsAsAnyLinkFailure)
{
    SetAnswerTimeLimit(0.5);
    struct Case {
        const char *what;
        int silentOrder;
        size_t popups;
    } cases[] = {{"the change is not answered", 190, 0}, {"no sensor at the new rate", 7, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        sensor.clearFaults();
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, 4);
        PressConnect();
        ASSERT_EQ(AppState.SensorConnected, 1);
        responder.shown.clear();
        sim::Fault silent;
        silent.noReply = true;
        sensor.setFault(c.silentOrder, silent);
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, 3);
        CBF_ButtonChangeBaudrate(AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE,
                                 EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(AppState.SensorConnected, 0);
        EXPECT_EQ(responder.shown.size(), c.popups);
        EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
        EXPECT_TRUE(Dimmed(AppState.TabScope, TABP_SCOPE_BUTTON_SCAN));
        EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE));
        EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT));
        EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE));
    }
}
