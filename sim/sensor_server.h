// The simulated sensor on a real link: a TCP server on 127.0.0.1 and a pseudo-terminal that a
// serial-port client opens like a COM port. Splits the incoming bytes into request frames,
// resynchronises on garbage, hands each request to the SensorModel and sends its answers at the
// exact times the model (and its faults) ask for. Lives in one thread; SimRunner puts it in its
// own.
#pragma once

#include "sim/sensor_model.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;
class QTimer;

namespace sim {

// Over TCP the scope answer leaves as a stream, the way a sensor's network interface passes it
// on: consecutive scope blocks due at the same time are joined and cut into pieces of
// kScopePieceBytes, kScopePieceGapMs apart, across the frame boundaries. Other replies stay whole.
inline constexpr int kScopePieceBytes = 97;
inline constexpr int kScopePieceGapMs = 1;
std::vector<Reply> InScopePieces(const std::vector<Reply> &replies);

class SensorServer : public QObject {
    Q_OBJECT
public:
    // A partial request older than this is dropped when the next bytes come, as a sensor's
    // receiver gives up on a frame that stalls.
    static constexpr int kInterByteTimeoutMs = 500;
    // Oldest entries of the request log are dropped beyond this, so a long run stays bounded.
    static constexpr size_t kLogLimit = 100000;
    // Bytes kept for a pseudo-terminal that nobody reads; beyond that they are lost, as on a line.
    static constexpr int kPtyBacklogLimit = 65536;

    explicit SensorServer(QObject *parent = nullptr);
    ~SensorServer() override;

    SensorModel &model() { return model_; }
    // The sensor's running time in seconds since the server was made.
    double now() const;

    // Listens on 127.0.0.1; port 0 picks a free port. False when the port cannot be bound.
    bool listenTcp(quint16 port = 0);
    quint16 tcpPort() const;
    // Opens a pseudo-terminal in raw mode and returns the device a client opens (/dev/pts/N),
    // or an empty text on failure. A second call returns the same device.
    QString openPty();
    QString ptyPath() const { return ptyPath_; }
    // Stops listening, drops every client and closes the pseudo-terminal.
    void shutdown();

    // Closes every TCP connection now (the sensor going away during an idle period). A
    // pseudo-terminal has no connection to close; its pending input and output are discarded.
    void dropClients();
    // The far end of the serial line goes away: the pseudo-terminal is closed for good, so that
    // the client's device reads as hung up (as when the sensor's adapter is unplugged).
    void hangUpPty();
    int clientCount() const;

    // Every request frame received (header and payload as they came), oldest first.
    std::vector<std::vector<uint8_t>> receivedFrames() const;
    size_t receivedFrameCount() const { return log_.size(); }
    void clearLog() { log_.clear(); }

signals:
    void requestReceived(int order);

private:
    void closePtyFiles(); // both ends of the pseudo-terminal, its name and its queue
    struct Link;
    struct Pending;

    void onNewConnection();
    void onPtyReadable();
    void onPtyWritable();
    void receive(Link *link, const char *data, qint64 size);
    void processRx(Link *link, qint64 arrivalNs);
    void execute(Link *link, const Response &response, qint64 arrivalNs);
    void schedule(Link *link);
    void sendDue(Link *link);
    void write(Link *link, const std::vector<uint8_t> &bytes);
    void closeLink(Link *link);
    void removeLink(Link *link);
    void cancelScope();
    void onAutoSend();
    void stopAutoSend();

    SensorModel model_;
    QElapsedTimer clock_;
    QTcpServer *tcp_ = nullptr;
    std::vector<std::unique_ptr<Link>> links_;
    Link *ptyLink_ = nullptr;
    int ptyMaster_ = -1;
    int ptySlave_ = -1; // held open so the master never reads a hang-up while no client is there
    QString ptyPath_;
    QSocketNotifier *ptyRead_ = nullptr;
    QSocketNotifier *ptyWrite_ = nullptr;
    QByteArray ptyOut_;
    QTimer *autoTimer_ = nullptr;
    Link *autoLink_ = nullptr;
    quint64 seq_ = 0;
    std::deque<std::vector<uint8_t>> log_;
};

} // namespace sim
