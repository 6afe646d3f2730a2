// Runs a SensorServer in a thread of its own, so the simulated sensor answers while the caller's
// thread is busy (the program's synchronous exchanges, a test that blocks on a socket). Every
// accessor may be called from any thread: it runs on the simulator's thread and waits for it.
#pragma once

#include "sim/sensor_server.h"

#include <QString>
#include <QThread>

#include <functional>
#include <mutex>
#include <vector>

namespace sim {

class SimRunner {
public:
    SimRunner();
    ~SimRunner(); // stops
    SimRunner(const SimRunner &) = delete;
    SimRunner &operator=(const SimRunner &) = delete;

    // Starts the thread, listens on 127.0.0.1:port (0 = a free port) and, if asked, opens a
    // pseudo-terminal. False, with nothing left running, when either fails.
    bool start(quint16 port = 0, bool withPty = false);
    void stop();
    bool running() const;
    quint16 tcpPort() const;
    QString ptyPath() const; // empty without a pseudo-terminal

    // Runs `fn` on the simulator's thread and returns when it is done. Nothing happens when the
    // simulator is not running. `fn` must not call back into this runner.
    void withServer(const std::function<void(SensorServer &)> &fn);
    void withModel(const std::function<void(SensorModel &)> &fn);

    // Shorthands for what tests and the demo mode change most.
    void setFault(int order, const Fault &fault);
    void clearFaults();
    void setSilent(bool silent);
    void dropClients();
    void hangUpPty(); // the serial peer goes away for good
    std::vector<std::vector<uint8_t>> receivedFrames();
    void clearLog();
    // Waits until at least `count` requests have been received or `timeoutMs` have passed;
    // keeps the calling thread's events going meanwhile. True when they came.
    bool waitForFrames(size_t count, int timeoutMs);

private:
    void invoke(const std::function<void()> &fn) const;

    mutable std::mutex mutex_; // guards the start/stop state below
    QThread *thread_ = nullptr;
    QObject *context_ = nullptr; // lives in thread_; queued calls are delivered through it
    SensorServer *server_ = nullptr;
    quint16 port_ = 0;
    QString ptyPath_;
};

} // namespace sim
