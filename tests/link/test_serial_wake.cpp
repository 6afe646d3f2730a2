// A serial port that wakes the program only once a frame's bytes can all be there: an answer
// that comes in pieces is still read whole and on time, and no byte is held back afterwards.
#include "common/harness.h"

#include "app/appstate.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "platform/rs232.h"
#include "platform/ui.h"

#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The program's side of a pseudo-terminal as COM port kCom; the test writes the sensor's
// bytes into the other side.
class PtyLine : public AppTest {
protected:
    static constexpr int kCom = 101;
    void SetUp() override
    {
        AppTest::SetUp();
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        BindComPort(kCom, ptsname(master_));
        AppState.ComProtocol = 0;
        AppState.ComPort = kCom;
        AppState.BaudrateIndex = 4;
        InitRS232();
        ASSERT_GE(AppState.OpenResult, 0);
        SetComTime(kCom, 2.0);
    }
    void TearDown() override
    {
        CloseCom(kCom);
        BindComPort(kCom, {});
        ProcessSystemEvents();
        if (master_ >= 0)
            ::close(master_);
        AppTest::TearDown();
    }
    // Writes `bytes` into the line `ms` milliseconds from now, from the event loop.
    void sendLater(int ms, std::vector<uint8_t> bytes)
    {
        QTimer::singleShot(ms, [fd = master_, bytes] {
            ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        });
    }
    static std::vector<uint8_t> Slice(const std::vector<uint8_t> &v, size_t from, size_t to)
    {
        return {v.begin() + long(from), v.begin() + long(to)};
    }
    int master_ = -1;
};

TEST_F(PtyLine, AnAnswerInPiecesIsReadWholeAndLaterSingleBytesStillWake)
{
    std::vector<uint8_t> payload(20);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = uint8_t(3 * i + 1);
    const std::vector<uint8_t> answer = frame::Build(frame::kOrderDataFrame, 0, payload);
    ASSERT_EQ(answer.size(), 28u);
    // The header split inside itself, the payload split twice, one piece carrying the header's
    // end and the payload's start.
    sendLater(10, Slice(answer, 0, 3));
    sendLater(25, Slice(answer, 3, 12));
    sendLater(40, Slice(answer, 12, 19));
    sendLater(55, Slice(answer, 19, 28));
    FillTxBuf(frame::kOrderDataFrame, 0, 0);
    const double t0 = Timer();
    ASSERT_EQ(DataExchange(frame::kHeaderSize), 1) << AppState.ErrorText;
    EXPECT_LT(Timer() - t0, 1.0);
    EXPECT_EQ(AppState.RxHeader.length, 20);
    EXPECT_EQ(std::vector<uint8_t>(AppState.RxBuffer, AppState.RxBuffer + 28), answer);

    // After the exchange a single byte wakes a wait on the queue again (as the recorder waits
    // for the sensor's own frames), well before the wait's deadline.
    sendLater(20, {0x42});
    const double t1 = Timer();
    while (GetInQLen(kCom) < 1 && Timer() - t1 < 3.0)
        WaitForEvents(Timer() + 1.0);
    EXPECT_EQ(GetInQLen(kCom), 1);
    EXPECT_LT(Timer() - t1, 0.5);
}

TEST_F(PtyLine, BytesShortOfTheWakeCountAreNotLost)
{
    SetComWakeCount(kCom, 20);
    const std::vector<uint8_t> ten{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(::write(master_, ten.data(), ten.size()), ssize_t(ten.size()));
    WaitForEvents(Timer() + 0.05);
    SetComWakeCount(kCom, 0);
    // A read of fewer bytes than were asked for before gets them at once.
    uint8_t got[10] = {};
    const double t0 = Timer();
    EXPECT_EQ(ComRd(kCom, got, 10), 10);
    EXPECT_LT(Timer() - t0, 1.0);
    EXPECT_EQ(std::vector<uint8_t>(got, got + 10), ten);

    // A wait for more bytes than the driver takes at once (a long frame) still ends when they
    // are all there.
    std::vector<uint8_t> many(600);
    for (size_t i = 0; i < many.size(); ++i)
        many[i] = uint8_t(i);
    sendLater(10, Slice(many, 0, 250));
    sendLater(30, Slice(many, 250, 600));
    std::vector<uint8_t> in(600);
    const double t1 = Timer();
    EXPECT_EQ(ComRd(kCom, in.data(), 600), 600);
    EXPECT_LT(Timer() - t1, 1.0);
    EXPECT_EQ(in, many);
}

} // namespace
