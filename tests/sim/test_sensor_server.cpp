// The simulated sensor over a real TCP socket and a real pseudo-terminal, run by SimRunner in
// its own thread while the test blocks on the link. Every wait has a deadline.
#include "link/frame.h"
#include "sim/sim_runner.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using sim::Fault;

namespace {

std::vector<uint8_t> Hex(const char *text)
{
    std::vector<uint8_t> out;
    const QByteArray bytes = QByteArray::fromHex(QByteArray(text));
    out.assign(bytes.begin(), bytes.end());
    return out;
}

bool HeaderGood(const std::vector<uint8_t> &f)
{
    frame::Header h;
    return f.size() >= 8 && frame::CheckHeader(f.data(), &h) == frame::HeaderCheck::kGood;
}

bool PayloadGood(const std::vector<uint8_t> &f)
{
    if (f.size() < 8)
        return false;
    const int len = frame::GetU16(f.data() + 4);
    return int(f.size()) == 8 + len && frame::crc8Update(f.data(), 8, len) == f[6];
}

// A blocking client in the test's thread; the simulator answers from its own.
class Client {
public:
    explicit Client(quint16 port)
    {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        connected_ = socket_.waitForConnected(2000);
    }
    bool connected() const { return connected_; }

    void send(const std::vector<uint8_t> &bytes)
    {
        socket_.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
        socket_.waitForBytesWritten(1000);
    }

    // Exactly `n` bytes, or fewer if the deadline passes or the peer closes first.
    std::vector<uint8_t> read(size_t n, int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (buffer_.size() < n && !deadline.hasExpired()) {
            if (socket_.bytesAvailable() == 0 &&
                !socket_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))) &&
                socket_.state() != QAbstractSocket::ConnectedState) {
                drain();
                break;
            }
            drain();
        }
        const size_t take = std::min(n, buffer_.size());
        std::vector<uint8_t> out(buffer_.begin(), buffer_.begin() + long(take));
        buffer_.erase(buffer_.begin(), buffer_.begin() + long(take));
        return out;
    }

    // A header and as much of its announced payload as arrives.
    std::vector<uint8_t> readFrame(int timeoutMs = 2000)
    {
        std::vector<uint8_t> f = read(8, timeoutMs);
        if (f.size() == 8) {
            const std::vector<uint8_t> payload = read(frame::GetU16(f.data() + 4), timeoutMs);
            f.insert(f.end(), payload.begin(), payload.end());
        }
        return f;
    }

    std::vector<uint8_t> ask(const std::vector<uint8_t> &request)
    {
        send(request);
        return readFrame();
    }

    bool closedWithin(int timeoutMs)
    {
        const QDeadlineTimer deadline(timeoutMs);
        while (socket_.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired())
            socket_.waitForDisconnected(int(std::max<qint64>(1, deadline.remainingTime())));
        return socket_.state() != QAbstractSocket::ConnectedState;
    }

private:
    void drain()
    {
        const QByteArray data = socket_.readAll();
        buffer_.insert(buffer_.end(), data.begin(), data.end());
    }

    QTcpSocket socket_;
    bool connected_ = false;
    std::vector<uint8_t> buffer_;
};

class SensorLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runner.start(0, true));
        ASSERT_NE(runner.tcpPort(), 0);
    }

    // Makes the next request of `order` go wrong.
    void once(int order, Fault f)
    {
        f.count = 1;
        runner.setFault(order, f);
    }

    sim::SimRunner runner;
};

} // namespace

TEST_F(SensorLink, AnswersTheProtocolsLiteralRequests)
{
    Client c(runner.tcpPort());
    ASSERT_TRUE(c.connected());
    struct Case {
        const char *request;
        uint8_t order;
        int length;
    };
    const Case cases[] = {
        {"55070000 0000AA52", 7, 72},  {"550F0000 0000AAF3", 15, 26},
        {"55020000 0000AAB9", 2, 52},  {"55080000 0000AA76", 8, 20},
        {"55BE0400 0000AADC", 190, 0}, {"55640300 02004561 1027", 100, 0},
    };
    for (const Case &cs : cases) {
        SCOPED_TRACE(cs.request);
        const std::vector<uint8_t> reply = c.ask(Hex(cs.request));
        ASSERT_TRUE(HeaderGood(reply));
        EXPECT_TRUE(PayloadGood(reply));
        EXPECT_EQ(reply[1], cs.order);
        EXPECT_EQ(frame::GetU16(reply.data() + 4), cs.length);
    }
    EXPECT_EQ(c.ask(Hex("550700000000AA52")).size(), 80u);
    const auto log = runner.receivedFrames();
    ASSERT_EQ(log.size(), 7u);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(log[i], Hex(cases[i].request));
    uint16_t factor = 0;
    runner.withModel([&](sim::SensorModel &m) { factor = m.settingTimeFactor10(); });
    EXPECT_EQ(factor, 10000); // the last literal request wrote 0x2710
}

TEST_F(SensorLink, ParametersTravelBetweenRamAndEeprom)
{
    Client c(runner.tcpPort());
    sim::ParamRecord p = sim::DefaultParams();
    p[sim::kHold] = 125;
    p[sim::kTtUp] = 60000;
    std::vector<uint8_t> reply = c.ask(frame::Build(1, 0, sim::PackParams(p)));
    ASSERT_TRUE(HeaderGood(reply));
    EXPECT_EQ(frame::GetU16(reply.data() + 2), 0);
    EXPECT_EQ(c.ask(frame::Build(3, 0))[1], 3);

    sim::ParamRecord other = sim::DefaultParams();
    other[sim::kGain] = 2;
    c.ask(frame::Build(1, 0, sim::PackParams(other)));
    reply = c.ask(frame::Build(4, 0));
    EXPECT_EQ(frame::GetU16(reply.data() + 2), 0);
    reply = c.ask(frame::Build(2, 0));
    ASSERT_TRUE(PayloadGood(reply));
    EXPECT_EQ(sim::UnpackParams(reply.data() + 8, 52), p);
    EXPECT_EQ(reply[8 + 34], 0x60); // TT UP 60000 low byte first
    EXPECT_EQ(reply[8 + 35], 0xEA);
}

TEST_F(SensorLink, EachFaultKindReachesTheClient)
{
    Client c(runner.tcpPort());
    const std::vector<uint8_t> id = frame::Build(7, 0);

    once(7, {.noReply = true});
    c.send(id);
    EXPECT_TRUE(c.read(1, 300).empty());
    EXPECT_EQ(c.ask(id).size(), 80u); // the fault was for one request only

    once(7, {.badHeaderCrc = true});
    std::vector<uint8_t> reply = c.ask(id);
    EXPECT_EQ(reply.size(), 80u);
    EXPECT_FALSE(HeaderGood(reply));

    once(7, {.badDataCrc = true});
    reply = c.ask(id);
    EXPECT_TRUE(HeaderGood(reply));
    EXPECT_EQ(reply.size(), 80u);
    EXPECT_FALSE(PayloadGood(reply));

    once(7, {.errorArg = 2});
    EXPECT_EQ(c.ask(id), frame::Build(0, 2));

    once(7, {.cutPayload = 10});
    c.send(id);
    reply = c.read(80, 400);
    EXPECT_EQ(reply.size(), 70u);
    EXPECT_EQ(frame::GetU16(reply.data() + 4), 72);

    once(7, {.closeConnection = true});
    c.send(id);
    EXPECT_TRUE(c.closedWithin(1000));
    EXPECT_TRUE(c.read(1, 100).empty());
    Client again(runner.tcpPort());
    EXPECT_EQ(again.ask(id).size(), 80u);
}

TEST_F(SensorLink, DelaysAnAnswerByTheSetTime)
{
    Client c(runner.tcpPort());
    once(8, {.delayMs = 1000});
    QElapsedTimer clock;
    clock.start();
    c.send(frame::Build(8, 0));
    EXPECT_EQ(c.read(28, 3000).size(), 28u);
    EXPECT_GE(clock.elapsed(), 990);
    EXPECT_LT(clock.elapsed(), 1500);

    clock.restart();
    EXPECT_EQ(c.ask(frame::Build(8, 0)).size(), 28u);
    EXPECT_LT(clock.elapsed(), 400);
}

TEST_F(SensorLink, ResynchronisesOnGarbageAndDropsStalledFrames)
{
    Client c(runner.tcpPort());
    std::vector<uint8_t> bytes = Hex("00FF55135555AA55070000"); // start bytes without a frame
    const std::vector<uint8_t> id = frame::Build(7, 0);
    bytes.insert(bytes.end(), id.begin(), id.end());
    EXPECT_EQ(c.ask(bytes).size(), 80u);

    // One byte at a time still makes one request.
    for (uint8_t b : frame::Build(8, 0))
        c.send({b});
    EXPECT_EQ(c.readFrame().size(), 28u);

    // Half a header that stalls is forgotten; the next request stands on its own.
    c.send({0x55, 0x02, 0x00});
    EXPECT_TRUE(c.read(1, 700).empty());
    EXPECT_EQ(c.ask(frame::Build(2, 0)).size(), 60u);
    EXPECT_TRUE(c.read(1, 200).empty());

    // A damaged request is refused; one announcing more than any request holds too.
    std::vector<uint8_t> damaged = frame::Build(100, 2, {1, 2, 3, 4});
    damaged[9] ^= 0x10;
    EXPECT_EQ(c.ask(damaged), frame::Build(0, 2));
    std::vector<uint8_t> huge = Hex("55670000D00700"); // order 103 announcing 2000 bytes
    huge.push_back(frame::crc8Update(huge.data(), 0, 7));
    EXPECT_EQ(c.ask(huge), frame::Build(0, 2));

    const auto log = runner.receivedFrames();
    ASSERT_EQ(log.size(), 4u); // garbage and the stalled bytes are not requests
    EXPECT_EQ(log[0], id);
    EXPECT_EQ(log[3], damaged);
}

TEST_F(SensorLink, SilentSensorAndDroppedClients)
{
    Client c(runner.tcpPort());
    runner.setSilent(true);
    c.send(frame::Build(7, 0));
    EXPECT_TRUE(runner.waitForFrames(1, 1000));
    EXPECT_TRUE(c.read(1, 300).empty());
    runner.setSilent(false);
    EXPECT_EQ(c.ask(frame::Build(7, 0)).size(), 80u);

    Client second(runner.tcpPort());
    ASSERT_EQ(second.ask(frame::Build(7, 0)).size(), 80u);
    runner.dropClients();
    EXPECT_TRUE(c.closedWithin(1000));
    EXPECT_TRUE(second.closedWithin(1000));
}

TEST_F(SensorLink, AutomaticSendingUntilStopped)
{
    Client c(runner.tcpPort());
    runner.withModel([](sim::SensorModel &m) { m.setAutoSendIntervalMs(50); });
    EXPECT_EQ(c.ask(frame::Build(30, 1)), frame::Build(30, 0));
    for (int i = 0; i < 3; ++i) {
        const std::vector<uint8_t> f = c.readFrame(1000);
        ASSERT_TRUE(PayloadGood(f));
        EXPECT_EQ(f[1], 8);
        EXPECT_EQ(f.size(), 28u);
    }
    c.send(frame::Build(30, 0));
    // Frames already under way may come before the acknowledge, none after it.
    std::vector<uint8_t> f;
    for (int i = 0; i < 5; ++i) {
        f = c.readFrame(1000);
        if (f.size() < 2 || f[1] == 30)
            break;
    }
    EXPECT_EQ(f, frame::Build(30, 0));
    EXPECT_TRUE(c.read(1, 300).empty());
}

TEST_F(SensorLink, ScopeAnswerFillsTheReceiveAreaAndBreakStopsIt)
{
    Client c(runner.tcpPort());
    std::vector<uint8_t> request;
    for (int16_t v : {0, 0, 0, 10}) // single shot, every 10th cycle: about 128 ms
        sim::AppendU16(request, uint16_t(v));
    c.send(frame::Build(110, 1, request));
    const std::vector<uint8_t> all = c.read(1072, 3000);
    ASSERT_EQ(all.size(), 1072u);
    EXPECT_EQ(std::vector<uint8_t>(all.begin(), all.begin() + 8), frame::Build(110, 0));
    for (int i = 0; i < 4; ++i) {
        const std::vector<uint8_t> block(all.begin() + 8 + 266 * i,
                                         all.begin() + 8 + 266 * (i + 1));
        EXPECT_TRUE(PayloadGood(block)) << i;
        EXPECT_EQ(frame::GetU16(block.data() + 4), 258);
    }

    request.clear();
    for (int16_t v : {5000, 1, 0, 1}) // a level the signal never reaches
        sim::AppendU16(request, uint16_t(v));
    runner.withModel([](sim::SensorModel &m) { m.generator().setCycleUs(100000); }); // slow scans
    c.send(frame::Build(110, 1, request));
    EXPECT_EQ(c.readFrame(), frame::Build(110, 0));
    EXPECT_EQ(c.ask(frame::Build(110, 0)), frame::Build(110, 0));
    EXPECT_TRUE(c.read(1, 500).empty());
}

TEST_F(SensorLink, PseudoTerminalAnswersLikeASerialPort)
{
    const QString path = runner.ptyPath();
    ASSERT_TRUE(path.startsWith(QLatin1String("/dev/pts/")));
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);

    auto exchange = [fd](const std::vector<uint8_t> &request, size_t expected) {
        EXPECT_EQ(::write(fd, request.data(), request.size()), ssize_t(request.size()));
        std::vector<uint8_t> got;
        const QDeadlineTimer deadline(2000);
        while (got.size() < expected && !deadline.hasExpired()) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, int(std::max<qint64>(1, deadline.remainingTime()))) <= 0)
                continue;
            uint8_t buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.insert(got.end(), buf, buf + n);
        }
        return got;
    };

    std::vector<uint8_t> reply = exchange(Hex("550700000000AA52"), 80);
    ASSERT_EQ(reply.size(), 80u);
    EXPECT_TRUE(PayloadGood(reply));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(reply.data() + 8), 14), "ORVANTE2 V1.3.");

    sim::ParamRecord p = sim::DefaultParams();
    p[sim::kAverage] = 16;
    EXPECT_EQ(exchange(frame::Build(1, 0, sim::PackParams(p)), 8), frame::Build(1, 0));
    reply = exchange(frame::Build(2, 0), 60);
    ASSERT_TRUE(PayloadGood(reply));
    EXPECT_EQ(sim::UnpackParams(reply.data() + 8, 52), p);
    ::close(fd);

    // Closing the port leaves the simulator able to serve the next client.
    const int again = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(again, 0);
    EXPECT_EQ(::write(again, frame::Build(8, 0).data(), 8), 8);
    EXPECT_TRUE(runner.waitForFrames(4, 1000));
    ::close(again);
}
