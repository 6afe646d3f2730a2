#include "sim/sim_runner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>

namespace sim {

SimRunner::SimRunner() = default;

SimRunner::~SimRunner()
{
    stop();
}

bool SimRunner::start(quint16 port, bool withPty)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (thread_)
            return false;
        thread_ = new QThread;
        thread_->setObjectName(QStringLiteral("sensor-sim"));
        context_ = new QObject;
        context_->moveToThread(thread_);
        // Deleted on the simulator's thread as it ends.
        QObject::connect(thread_, &QThread::finished, context_, &QObject::deleteLater);
        thread_->start();
    }
    bool ok = false;
    invoke([&] {
        server_ = new SensorServer;
        ok = server_->listenTcp(port);
        if (ok)
            port_ = server_->tcpPort();
        if (ok && withPty) {
            ptyPath_ = server_->openPty();
            ok = !ptyPath_.isEmpty();
        }
    });
    if (!ok)
        stop();
    return ok;
}

void SimRunner::stop()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!thread_)
        return;
    auto drop = [this] {
        delete server_;
        server_ = nullptr;
    };
    if (QThread::currentThread() == thread_)
        drop();
    else
        QMetaObject::invokeMethod(context_, drop, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    context_ = nullptr;
    port_ = 0;
    ptyPath_.clear();
}

bool SimRunner::running() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return server_ != nullptr;
}

quint16 SimRunner::tcpPort() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return port_;
}

QString SimRunner::ptyPath() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return ptyPath_;
}

void SimRunner::invoke(const std::function<void()> &fn) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!thread_)
        return;
    if (QThread::currentThread() == thread_)
        fn();
    else
        QMetaObject::invokeMethod(context_, fn, Qt::BlockingQueuedConnection);
}

void SimRunner::withServer(const std::function<void(SensorServer &)> &fn)
{
    invoke([&] {
        if (server_)
            fn(*server_);
    });
}

void SimRunner::withModel(const std::function<void(SensorModel &)> &fn)
{
    withServer([&](SensorServer &s) { fn(s.model()); });
}

void SimRunner::setFault(int order, const Fault &fault)
{
    withModel([&](SensorModel &m) { m.setFault(order, fault); });
}

void SimRunner::clearFaults()
{
    withModel([](SensorModel &m) { m.clearFaults(); });
}

void SimRunner::setSilent(bool silent)
{
    withModel([&](SensorModel &m) { m.setSilent(silent); });
}

void SimRunner::hangUpPty()
{
    withServer([](SensorServer &s) { s.hangUpPty(); });
}

void SimRunner::dropClients()
{
    withServer([](SensorServer &s) { s.dropClients(); });
}

std::vector<std::vector<uint8_t>> SimRunner::receivedFrames()
{
    std::vector<std::vector<uint8_t>> frames;
    withServer([&](SensorServer &s) { frames = s.receivedFrames(); });
    return frames;
}

void SimRunner::clearLog()
{
    withServer([](SensorServer &s) { s.clearLog(); });
}

bool SimRunner::waitForFrames(size_t count, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    const bool hasEvents = QThread::currentThread()->eventDispatcher() != nullptr;
    for (;;) {
        size_t have = 0;
        withServer([&](SensorServer &s) { have = s.receivedFrameCount(); });
        if (have >= count)
            return true;
        if (deadline.hasExpired())
            return false;
        if (hasEvents)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

} // namespace sim
