// The exchange over real sockets and a real pseudo-terminal: good answers, every way an answer
// can go wrong, the time limits and the link-failure handler.
#include "common/harness.h"

#include "platform/rs232.h"
#include "link/exchange.h"
#include "sim/sim_runner.h"

#include <cstring>

namespace {

int Request(uint8_t order, uint16_t arg = 0)
{
    FillTxBuf(order, arg, 0);
    return DataExchange(8);
}

std::string En(const Msg &m)
{
    return m.en;
}

class Exchange : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        OpenTcp(peer.port());
    }
    RawPeer peer;
};

} // namespace

TEST_F(Exchange, GoodAnswerWithPayloadLandsInRxBuffer)
{
    peer.answerNext({{0, Frame(15, 4711, {'S', 'e', 'n', 's', 'o', 'r'})}});
    ASSERT_EQ(Request(15), 1);
    EXPECT_EQ(AppState.RxHeader.order, 15);
    EXPECT_EQ(AppState.RxHeader.arg, 4711);
    EXPECT_EQ(AppState.RxHeader.length, 6);
    EXPECT_EQ(std::memcmp(AppState.RxBuffer + 8, "Sensor", 6), 0);
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0], Frame(15, 0));
    EXPECT_EQ(AppState.SensorConnected, 0) << "an exchange alone connects nothing";
    EXPECT_EQ(MessageBoxText(), "");
}

TEST_F(Exchange, RequestWithPayloadIsSentWhole)
{
    peer.answerNext({{0, Frame(100, 0)}});
    AppState.TxFrame[8] = 0x10;
    AppState.TxFrame[9] = 0x27;
    FillTxBuf(100, 3, 2);
    ASSERT_EQ(DataExchange(10), 1);
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0],
              (std::vector<uint8_t>{0x55, 0x64, 0x03, 0x00, 0x02, 0x00, 0x45, 0x61, 0x10, 0x27}));
}

TEST_F(Exchange, LengthZeroEndsWithoutPayloadWait)
{
    peer.answerNext({{0, Frame(3, 0)}});
    const double start = Timer();
    EXPECT_EQ(Request(3), 1);
    EXPECT_LT(Timer() - start, 2.0);
    EXPECT_EQ(AppState.RxHeader.length, 0);
}

TEST_F(Exchange, PayloadWaitCountsTheHeaderBytes)
{
    const std::vector<uint8_t> f = Frame(2, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    // 17 bytes now, the 18th a little later: the exchange completes only with the 18th.
    peer.answerNext({{0, std::vector<uint8_t>(f.begin(), f.begin() + 17)},
                     {300, std::vector<uint8_t>(f.begin() + 17, f.end())}});
    const double start = Timer();
    ASSERT_EQ(Request(2), 1);
    EXPECT_GE(Timer() - start, 0.25);
    EXPECT_EQ(AppState.RxCount, 18);
    EXPECT_EQ(AppState.RxBuffer[8 + 9], 10);
}

TEST_F(Exchange, AnswerJustInsideTheLimitIsAccepted)
{
    peer.answerNext({{2900, Frame(7, 0, {'O', 'K'})}});
    EXPECT_EQ(Request(7), 1);
    EXPECT_EQ(MessageBoxText(), "");
}

TEST_F(Exchange, AnswerAfterTheLimitTimesOut)
{
    peer.answerNext({{3100, Frame(7, 0, {'O', 'K'})}});
    AppState.SensorConnected = 1;
    EXPECT_EQ(Request(7), -1);
    EXPECT_EQ(MessageBoxText(), En(kMsgTimeout) + "\n\n");
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    EXPECT_EQ(AppState.SensorConnected, 0);
}

TEST_F(Exchange, PayloadCutShortTimesOut)
{
    const std::vector<uint8_t> f = Frame(8, 0, std::vector<uint8_t>(20, 7));
    peer.answerNext({{0, std::vector<uint8_t>(f.begin(), f.end() - 5)}});
    const double start = Timer();
    EXPECT_EQ(Request(8), -1);
    EXPECT_GE(Timer() - start, 2.9);
    EXPECT_EQ(MessageBoxText(), En(kMsgTimeout) + "\n\n");
}

TEST_F(Exchange, HeaderWrongOnlyInItsCrcIsRejected)
{
    std::vector<uint8_t> f = Frame(8, 0, std::vector<uint8_t>(20, 7));
    f[7] ^= 0x40;
    peer.answerNext({{0, f}});
    EXPECT_EQ(Request(8), -1);
    EXPECT_EQ(MessageBoxText(), En(kMsgBadHeader) + "\n\n");
}

TEST_F(Exchange, PayloadWithAFlippedBitIsRejected)
{
    std::vector<uint8_t> f = Frame(8, 0, std::vector<uint8_t>(20, 7));
    f[12] ^= 0x01;
    peer.answerNext({{0, f}});
    EXPECT_EQ(Request(8), -1);
    EXPECT_EQ(MessageBoxText(), En(kMsgBadData) + "\n\n");
}

TEST_F(Exchange, ErrorRepliesAndAnOrdinaryOrderZero)
{
    peer.answerNext({{0, Frame(0, 1)}});
    EXPECT_EQ(Request(8), -1);
    EXPECT_EQ(MessageBoxText(), En(kMsgInvalidOrder) + "\n\n");

    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    peer.answerNext({{0, Frame(0, 2)}});
    EXPECT_EQ(Request(8), -1);
    EXPECT_EQ(MessageBoxText(), En(kMsgCommError) + "\n\n");

    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    peer.answerNext({{0, Frame(0, 5, {9, 9})}});
    EXPECT_EQ(Request(8), 1);
    EXPECT_EQ(AppState.RxHeader.arg, 5);
    EXPECT_EQ(MessageBoxText(), "");
}

TEST_F(Exchange, OversizedLengthIsRefusedWithoutReadingPastTheBuffer)
{
    std::vector<uint8_t> h = {0x55, 2, 0, 0, 0, 0, 0x12, 0};
    frame::PutU16(h.data() + 4, 0xFFFF);
    h[7] = frame::crc8Update(h.data(), 0, 7);
    std::vector<uint8_t> flood = h;
    flood.resize(3000, 0xAB); // more than the receive area can hold
    peer.answerNext({{0, flood}});
    EXPECT_EQ(Request(2), -1);
    EXPECT_EQ(MessageBoxText(), En(kMsgBadHeader) + "\n\n");
    EXPECT_LE(AppState.RxCount, frame::kRxBufferSize);
}

TEST_F(Exchange, LateAnswerToAnEarlierRequestIsNotTakenForTheNextOne)
{
    // The first answer comes too late; it arrives while nothing waits and must be dropped.
    peer.answerNext({{3300, Frame(7, 1, {'o', 'l', 'd'})}});
    EXPECT_EQ(Request(7), -1);
    Pump(500);
    peer.answerNext({{100, Frame(15, 2, {'n', 'e', 'w'})}});
    ASSERT_EQ(Request(15), 1);
    EXPECT_EQ(AppState.RxHeader.arg, 2);
    EXPECT_EQ(std::memcmp(AppState.RxBuffer + 8, "new", 3), 0);
}

TEST_F(Exchange, ServerClosingWhileIdleIsALinkFailure)
{
    AppState.SensorConnected = 1;
    AppState.AcquisitionRunning = 1;
    peer.closeNow();
    Pump(300);
    EXPECT_EQ(MessageBoxText(), En(kMsgServerClosed) + "\n\n");
    EXPECT_EQ(AppState.TcpConnected, 0);
    EXPECT_EQ(AppState.SensorConnected, 0);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
}

TEST_F(Exchange, ServerClosingDuringAWaitEndsItAtOnceWithOneMessage)
{
    peer.answerNext({{200, {}, true}});
    const double start = Timer();
    EXPECT_EQ(Request(7), -1);
    EXPECT_LT(Timer() - start, 2.0);
    EXPECT_EQ(MessageBoxText(), En(kMsgServerClosed) + "\n\n");
}

TEST_F(Exchange, MessagesFollowTheLanguage)
{
    AppState.LanguageIndex = 0;
    std::vector<uint8_t> f = Frame(8, 0);
    f[7] ^= 1;
    peer.answerNext({{0, f}});
    EXPECT_EQ(Request(8), -1);
    EXPECT_EQ(MessageBoxText(), std::string(kMsgBadHeader.de) + "\n\n");
    EXPECT_EQ(StatusText(), "TIMEOUT!");
}

TEST_F(AppTest, SetTimeoutClearsFlagsShowsAndReports)
{
    AppState.AcquisitionRunning = 1;
    AppState.SensorConnected = 1;
    AppState.ScanRunning = 1;
    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, 2);
    for (int c : {TABP_CONNECT_BUTTON_ACCEPT, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE,
                  TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE})
        SetCtrlAttribute(AppState.TabConnect, c, ATTR_DIMMED, 0);
    CopyField(AppState.ErrorText, "Something failed");
    SetTimeout();
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_EQ(AppState.SensorConnected, 0);
    EXPECT_EQ(AppState.ScanRunning, 0);
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    EXPECT_EQ(MessageBoxText(), "Something failed\n\n");
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE));
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE));
    EXPECT_EQ(ActiveMainPage(), 0);
}

TEST_F(AppTest, OpenFailuresReportTheirCodesText)
{
    AppState.ComPort = 97; // maps to no device
    InitRS232();
    EXPECT_EQ(AppState.OpenResult, -2);
    EXPECT_EQ(MessageBoxText(), "Invalid port number\n\n");

    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    const quint16 port = closed.serverPort();
    closed.close(); // nothing listens there now: the connect is refused
    AppState.ComProtocol = 1;
    CopyField(AppState.ServerAddress, "127.0.0.1");
    AppState.PortNumber = port;
    InitTCP_IP();
    EXPECT_LT(AppState.OpenResult, 0);
    EXPECT_EQ(AppState.TcpConnected, 0);
    EXPECT_EQ(MessageBoxText(), "Unable to establish connection\n\n");
}

TEST(Baudrate, IndexTable)
{
    const long expected[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(BaudrateOfIndex(i), expected[i]);
    EXPECT_EQ(BaudrateOfIndex(8), 115200);
    EXPECT_EQ(BaudrateOfIndex(-1), 115200);
}

TEST(ComPorts, NumbersMapToDevicesBothWays)
{
    EXPECT_EQ(ComPortDevice(1), "/dev/ttyS0");
    EXPECT_EQ(ComPortDevice(33), "/dev/ttyUSB0");
    EXPECT_EQ(ComPortDevice(66), "/dev/ttyACM1");
    EXPECT_EQ(ComPortDevice(103), "/dev/pts/3");
    EXPECT_EQ(ComPortDevice(0), "");
    EXPECT_EQ(ComPortDevice(97), "");
    EXPECT_EQ(ComPortDevice(256), "");
    for (int com : {1, 32, 33, 64, 65, 96, 100, 255})
        EXPECT_EQ(ComPortFromDevice(ComPortDevice(com)), com);
    EXPECT_EQ(ComPortFromDevice("/dev/ttyS32"), 0);
    EXPECT_EQ(ComPortFromDevice("/dev/pts/x"), 0);
}

// Over a pseudo-terminal, as over a serial cable, against the simulated sensor.
TEST_F(AppTest, ExchangeOverAPseudoTerminal)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start(0, true));
    const int com = ComPortFromDevice(sensor.ptyPath().toStdString());
    ASSERT_GT(com, 0) << sensor.ptyPath().toStdString();
    AppState.ComProtocol = 0;
    AppState.ComPort = uint16_t(com);
    AppState.BaudrateIndex = 4;
    InitRS232();
    ASSERT_EQ(AppState.OpenResult, 0) << MessageBoxText();
    ASSERT_EQ(Request(7), 1) << MessageBoxText();
    EXPECT_EQ(std::string(reinterpret_cast<char *>(AppState.RxBuffer + 8), 13), "ORVANTE2 V1.3");
    ASSERT_EQ(Request(8), 1);
    EXPECT_EQ(AppState.RxHeader.length, 20);

    sensor.setSilent(true);
    EXPECT_EQ(Request(8), -1);
    EXPECT_EQ(MessageBoxText(), En(kMsgTimeout) + "\n\n");
    CloseCom(com);
}

// An answer that comes after its wait has given up lies in the port's queue when the next request
// goes out: it is thrown away, and the next answer is read, not the late one. The answer limit is
// shortened for this case and set back afterwards.
TEST_F(AppTest, LateAnswerOnASerialLineDoesNotStartTheNextOne)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start(0, true));
    const int com = ComPortFromDevice(sensor.ptyPath().toStdString());
    AppState.ComProtocol = 0;
    AppState.ComPort = uint16_t(com);
    AppState.BaudrateIndex = 4;
    InitRS232();
    ASSERT_EQ(AppState.OpenResult, 0) << MessageBoxText();
    // The range, both ends included; the limit in force stays when a value is refused.
    for (double refused : {0.01, 0.0499, 60.001, 61.0})
        EXPECT_FALSE(SetAnswerTimeLimit(refused)) << refused;
    for (double taken : {0.05, 60.0})
        EXPECT_TRUE(SetAnswerTimeLimit(taken)) << taken;
    EXPECT_EQ(AnswerTimeLimit(), 60.0);
    ASSERT_TRUE(SetAnswerTimeLimit(0.3));
    sim::Fault late;
    late.delayMs = 600;
    late.count = 1;
    sensor.setFault(8, late);
    EXPECT_EQ(Request(8), -1);
    Pump(600); // the late data frame arrives and waits in the queue
    const int answered = Request(7);
    SetAnswerTimeLimit(kHeaderTimeLimit);
    ASSERT_EQ(answered, 1) << MessageBoxText();
    EXPECT_EQ(AppState.RxHeader.order, 7);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(AppState.RxBuffer + 8), 13), "ORVANTE2 V1.3");
    CloseCom(com);
}
