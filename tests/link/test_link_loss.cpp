// Where the transports themselves fail: a line error or a vanished device under a waiting
// exchange (on a scripted line, so that the moment is exact), and a lost TCP conversation that
// the next request meets.
#include "common/harness.h"

#include "link/exchange.h"
#include "platform/rs232.h"
#include "platform/transport.h"

#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

// A serial line driven by the test: bytes and line errors arrive when the test says so.
class ScriptedLine : public Transport {
public:
    int write(const uint8_t *, int count) override { return count; }
    int bytesAvailable() override { return int(in_.size()); }
    int read(uint8_t *data, int count) override
    {
        const int n = std::min<int>(count, int(in_.size()));
        std::memcpy(data, in_.data(), size_t(n));
        in_.erase(in_.begin(), in_.begin() + n);
        return n;
    }
    void discardInput() override { in_.clear(); }
    void discardOutput() override {}
    void close() override {}
    bool takeLineError() override
    {
        const bool e = lineError_;
        lineError_ = false;
        return e;
    }

    void arrive(const std::vector<uint8_t> &bytes)
    {
        in_.insert(in_.end(), bytes.begin(), bytes.end());
        if (onData)
            onData();
    }
    void raiseLineError() { lineError_ = true; }
    void gone()
    {
        const std::function<void()> closed = onClosed;
        if (closed)
            closed();
    }

private:
    std::vector<uint8_t> in_;
    bool lineError_ = false;
};

int Request(uint8_t order)
{
    FillTxBuf(order, 0, 0);
    return DataExchange(8);
}

class SerialLine : public AppTest {
protected:
    static constexpr int kCom = 1;
    void SetUp() override
    {
        AppTest::SetUp();
        auto l = std::make_unique<ScriptedLine>();
        line = l.get();
        ASSERT_EQ(AdoptComTransport(kCom, std::move(l)), 0);
        InstallComLostCallback(kCom, ComPortLost);
        AppState.ComProtocol = 0;
        AppState.ComPort = kCom;
        // Long enough that a wait which does not end at the event would be seen going on.
        SetAnswerTimeLimit(10);
    }
    void TearDown() override
    {
        SetAnswerTimeLimit(kHeaderTimeLimit);
        CloseCom(kCom);
        AppTest::TearDown();
    }
    ScriptedLine *line = nullptr;
};

} // namespace

TEST_F(SerialLine, LineErrorDuringAWaitFailsTheExchangeAtOnce)
{
    // The whole answer arrives after the error: it must neither save the exchange nor be
    // waited for.
    const std::vector<uint8_t> answer = Frame(15, 0, {'a', 'b', 'c', 'd'});
    const std::vector<uint8_t> header(answer.begin(), answer.begin() + 8);
    const std::vector<uint8_t> rest(answer.begin() + 8, answer.end());
    struct Case {
        const char *wait;
        bool headerFirst;
    } cases[] = {{"header", false}, {"payload", true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.wait);
        ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
        QObject script;
        bool answered = false;
        if (c.headerFirst)
            QTimer::singleShot(10, &script, [&] { line->arrive(header); });
        QTimer::singleShot(40, &script, [&] { line->raiseLineError(); });
        QTimer::singleShot(1500, &script, [&] {
            answered = true;
            line->arrive(c.headerFirst ? rest : answer);
        });
        EXPECT_EQ(Request(15), -1);
        EXPECT_FALSE(answered) << "the wait went on after the line error";
        EXPECT_EQ(MessageBoxText(), std::string(kMsgTimeout.en) + "\n\n");
        EXPECT_EQ(StatusText(), "TIMEOUT!");
        line->discardInput();
    }
}

TEST_F(SerialLine, ErrorOfEarlierTrafficDoesNotFailTheNextExchange)
{
    line->raiseLineError();
    QObject script;
    QTimer::singleShot(10, &script, [&] { line->arrive(Frame(7, 0)); });
    EXPECT_EQ(Request(7), 1) << MessageBoxText();
}

TEST_F(SerialLine, DeviceGoneEndsTheWaitAndIsReportedOnce)
{
    QObject script;
    QTimer::singleShot(30, &script, [&] { line->gone(); });
    EXPECT_EQ(Request(7), -1);
    EXPECT_EQ(IsComOpen(kCom), 0) << "the port is closed";
    const std::string once = std::string(kMsgPortLost.en) + "\n\n";
    EXPECT_EQ(MessageBoxText(), once);
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    Pump(50);
    EXPECT_EQ(MessageBoxText(), once) << "reported once";
    // The next press meets a closed port and says so at once.
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    EXPECT_EQ(Request(7), -1);
    EXPECT_EQ(MessageBoxText(), "Port is not open\n\n");
    EXPECT_EQ(StatusText(), "TIMEOUT!");
}

TEST_F(AppTest, RequestAfterTheServerClosedIsReportedNotDropped)
{
    RawPeer peer;
    OpenTcp(peer.port());
    peer.closeNow();
    for (int i = 0; i < 100 && AppState.TcpConnected; ++i)
        Pump(10);
    ASSERT_EQ(AppState.TcpConnected, 0);
    EXPECT_EQ(MessageBoxText(), "Server has closed connection!\n\n");
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    SetCtrlVal(AppState.DataPanel, DATAP_STRING_STATUS, "");
    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, 1);
    EXPECT_EQ(Request(8), -1);
    EXPECT_EQ(MessageBoxText(), "No connection established\n\n");
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    EXPECT_EQ(ActiveMainPage(), 0);
}
