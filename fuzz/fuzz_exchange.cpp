// The receive path of an exchange over TCP/IP: the request goes out through DataExchange, and a
// fake conversation hands the fuzz bytes to the link's receive callback in pieces, as a socket
// would, then closes. Covers the header check, the error replies, the length limit, the payload
// check, the accumulation in RxBuffer and the scope answer's split into four 266-byte frames.
//
// Input: byte 0 = piece size (1..256), byte 1 bit 0 = also receive a frame that follows without
// a request (automatic sending, scope blocks over RS-232 do the same), byte 1 bits 1..3 = trigger
// mode and byte 2 = pre-trigger for unrolling the scope blocks; the rest is what the sensor sends.
#include "fuzz/fuzz_app.h"

#include "platform/tcp.h"
#include "platform/transport.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "scope/capture.h"

#include <QObject>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

class FakeConversation : public QObject, public Transport {
public:
    FakeConversation(std::vector<uint8_t> bytes, size_t piece) : bytes_(std::move(bytes)), piece_(piece) {}

    int write(const uint8_t *, int count) override
    {
        if (!sent_) {
            sent_ = true;
            // The answer arrives in pieces once the event loop runs, and the peer closes after it.
            for (size_t at = 0; at < bytes_.size(); at += piece_) {
                QTimer::singleShot(0, this, [this, at] {
                    const size_t n = std::min(piece_, bytes_.size() - at);
                    pending_.insert(pending_.end(), bytes_.begin() + long(at),
                                    bytes_.begin() + long(at + n));
                    if (onData)
                        onData();
                });
            }
            QTimer::singleShot(1, this, [this] {
                if (onClosed)
                    onClosed();
            });
        }
        return count;
    }
    int bytesAvailable() override { return int(pending_.size()); }
    int read(uint8_t *data, int count) override
    {
        const int n = std::min(count, int(pending_.size()));
        std::memcpy(data, pending_.data(), size_t(n));
        pending_.erase(pending_.begin(), pending_.begin() + n);
        return n;
    }
    void discardInput() override { pending_.clear(); }
    void discardOutput() override {}
    void close() override {}

private:
    std::vector<uint8_t> bytes_;
    size_t piece_;
    std::vector<uint8_t> pending_;
    bool sent_ = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzapp::Start();
    if (size < 3)
        return 0;
    const size_t piece = size_t(data[0]) + 1;
    const bool follow = data[1] & 1;
    const int triggerMode = (data[1] >> 1) & 7;
    const int preTrigger = data[2];
    std::vector<uint8_t> bytes(data + 3, data + size);

    AppState.ComProtocol = 1;
    auto conversation = std::make_unique<FakeConversation>(std::move(bytes), piece);
    AppState.TcpHandle = AdoptTcpTransport(std::move(conversation), ClientTCPCB, nullptr);
    AppState.TcpConnected = 1;
    AppState.SensorConnected = 1;

    AppState.OrderNumber = frame::kOrderScope;
    FillTxBuf(AppState.OrderNumber, 1, 0);
    int result = DataExchange(frame::kHeaderSize);
    if (result == 1 && follow && AppState.TcpConnected)
        result = GetHeaderFrame() == 1 && (AppState.RxHeader.length == 0 || GetDataFrame() == 1);
    // After an acknowledge without payload the scope's blocks keep coming into RxBuffer until
    // the peer closes, as the capture waits for them.
    if (result == 1 && AppState.RxHeader.length == 0) {
        const double until = Timer() + 0.5;
        while (AppState.TcpConnected && AppState.RxCount < kScopeAnswerBytes && Timer() < until)
            WaitForEvents(until);
    }
    // The scope answer: the acknowledge header, then four frames of one block each.
    if (AppState.RxCount >= kScopeAnswerBytes) {
        for (int i = 0; i < kScopeBlockCount; ++i) {
            const uint8_t *f = AppState.RxBuffer + frame::kHeaderSize + i * kScopeFrameBytes;
            if (CheckScopeFrame(f) != ScopeFrameCheck::kGood)
                break;
            const ScopeTrace t = UnrollScopeBlock(f + frame::kHeaderSize, triggerMode, preTrigger);
            (void)DigitalLinesOf(t);
        }
    }
    if (AppState.RxCount < 0 || AppState.RxCount > frame::kRxBufferSize)
        std::abort(); // the callback wrote past the receive area
    if (result == 1 && AppState.RxHeader.length > frame::kMaxRxPayload)
        std::abort();

    if (AppState.TcpConnected)
        DisconnectFromTCPServer(AppState.TcpHandle);
    AppState.TcpConnected = 0;
    AppState.TcpHandle = 0;
    ProcessSystemEvents(); // deletes the conversation
    fuzzapp::ClearMessages();
    return 0;
}
