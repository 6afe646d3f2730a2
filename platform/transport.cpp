#include "platform/transport.h"

#include "platform/system.h"

#include <QEvent>
#include <QEventLoop>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace {

class SerialTransport : public QObject, public Transport {
public:
    explicit SerialTransport(std::unique_ptr<QSerialPort> port) : port_(std::move(port))
    {
        QObject::connect(port_.get(), &QSerialPort::readyRead, this, [this] {
            emptyWake_ = false;
            if (onData)
                onData();
        });
        QObject::connect(port_.get(), &QSerialPort::errorOccurred, this,
                         [this](QSerialPort::SerialPortError e) { OnError(e); });
        // A hung-up line stays readable forever while every read returns nothing, and the port
        // reports no error for it: a read notification that follows one which brought nothing
        // looks at the line first, so that a peer gone ends the port after one empty read and
        // does not keep the event loop spinning. (Not every notification: on a busy line that
        // look would be a system call per wake-up.)
        for (QSocketNotifier *n : port_->findChildren<QSocketNotifier *>())
            if (n->type() == QSocketNotifier::Read)
                n->installEventFilter(this);
    }
    ~SerialTransport() override
    {
        port_->disconnect();
        port_->close();
    }
    int write(const uint8_t *data, int count) override
    {
        if (gone_)
            return -1;
        // Hand the request to the driver now rather than on the next pass of the event loop:
        // on a serial line every frame waits for its request, so that pass would cost each one.
        // Straight to the device while nothing waits before it (no write notifier switched on
        // and off, no wake-up of the event loop for it); what the driver does not take at once,
        // or an error, goes the port's way, which reports errors as it always does.
        int direct = 0;
        if (port_->bytesToWrite() == 0)
            direct = std::max(0, ::WriteSerialNow(port_->handle(), data, count));
        if (direct == count)
            return count;
        const int n = int(port_->write(reinterpret_cast<const char *>(data + direct),
                                       count - direct));
        if (n > 0)
            port_->flush();
        return n < 0 ? (direct > 0 ? direct : -1) : direct + n;
    }
    int bytesAvailable() override { return int(port_->bytesAvailable()); }
    int read(uint8_t *data, int count) override
    {
        return int(port_->read(reinterpret_cast<char *>(data), count));
    }
    // Both discards go to the driver only when it holds something: every request starts with
    // them, and on some lines (a pseudo-terminal) a flush of empty queues costs more than a tenth
    // of a frame at 115200 baud.
    void discardInput() override
    {
        if (port_->bytesAvailable() == 0 &&
            ::DriverQueueLength(port_->handle(), DriverQueue::kReceive) == 0)
            return;
        port_->clear(QSerialPort::Input);
        port_->readAll();
    }
    void discardOutput() override
    {
        if (port_->bytesToWrite() == 0 &&
            ::DriverQueueLength(port_->handle(), DriverQueue::kTransmit) == 0)
            return;
        port_->clear(QSerialPort::Output);
    }
    void close() override
    {
        closed_ = true;
        port_->disconnect();
        port_->close();
    }
    // The count goes to the driver less what the port holds already: 0 or 1 both mean a notice
    // for every byte, so a wait that lacks a single byte changes nothing, nor does one that
    // has its bytes already. A reset waits for the next pass of the event loop: a request sent
    // before then sets the count for its own answer anyway, and a loop of exchanges saves a
    // driver call per frame, between an answer and the next request at that.
    void setWakeCount(int bytes) override
    {
        if (bytes <= 0) {
            if (wakeCount_ == 0 || resetPending_)
                return;
            resetPending_ = true;
            QTimer::singleShot(0, this, [this] {
                if (resetPending_)
                    applyWakeCount(0);
            });
            return;
        }
        const int driver = bytes - int(port_->bytesAvailable());
        if (driver <= 0)
            return; // nothing to wait for: whoever set the count resets it
        applyWakeCount(driver <= 1 ? 0 : std::min(driver, 255));
    }
    bool takeLineError() override
    {
        const bool e = lineError_;
        lineError_ = false;
        if (e)
            port_->clearError();
        return e;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::SockAct)
            return false;
        const bool lookAtLine = emptyWake_;
        emptyWake_ = true; // until the port reports bytes from this notification
        if (!lookAtLine || !SerialDeviceGone(port_->handle()))
            return false;
        static_cast<QSocketNotifier *>(watched)->setEnabled(false);
        Gone();
        return true;
    }

private:
    void applyWakeCount(int driver)
    {
        resetPending_ = false;
        if (driver == wakeCount_ || gone_ || closed_)
            return;
        if (::SetSerialReadThreshold(port_->handle(), driver, &settings_))
            wakeCount_ = driver;
    }
    void OnError(QSerialPort::SerialPortError e)
    {
        if (e == QSerialPort::NoError || closed_)
            return;
        if (e == QSerialPort::ResourceError || e == QSerialPort::DeviceNotFoundError ||
            ((e == QSerialPort::ReadError || e == QSerialPort::WriteError) &&
             SerialDeviceGone(port_->handle()))) {
            Gone();
            return;
        }
        if (e == QSerialPort::ReadError || e == QSerialPort::WriteError)
            lineError_ = true;
    }
    // The device is gone: the port is closed once control is back in the event loop (not inside
    // the port's own notification) and the owner hears of it once.
    void Gone()
    {
        if (gone_)
            return;
        gone_ = true;
        QTimer::singleShot(0, this, [this] {
            if (closed_)
                return;
            close();
            // The owner usually lets go of this transport from inside the call.
            const std::function<void()> closed = onClosed;
            if (closed)
                closed();
        });
    }
    std::unique_ptr<QSerialPort> port_;
    int wakeCount_ = 0; // the port is opened with a notice for every byte
    bool resetPending_ = false;
    SerialSettings settings_;
    bool lineError_ = false;
    bool emptyWake_ = false; // the last read notification brought no bytes
    bool gone_ = false;
    bool closed_ = false;
};

class TcpTransport : public QObject, public Transport {
public:
    explicit TcpTransport(std::unique_ptr<QTcpSocket> socket) : socket_(std::move(socket))
    {
        QObject::connect(socket_.get(), &QTcpSocket::readyRead, this, [this] {
            if (onData)
                onData();
        });
        QObject::connect(socket_.get(), &QTcpSocket::disconnected, this, [this] { Lost(); });
        // A reset or a network failure need not end in `disconnected`: once the socket has
        // left the connected state after an error, the conversation is lost as well.
        QObject::connect(socket_.get(), &QTcpSocket::errorOccurred, this,
                         [this](QAbstractSocket::SocketError e) {
                             if (e == QAbstractSocket::SocketTimeoutError ||
                                 e == QAbstractSocket::TemporaryError)
                                 return;
                             QTimer::singleShot(0, this, [this] {
                                 if (socket_->state() != QAbstractSocket::ConnectedState)
                                     Lost();
                             });
                         });
    }
    ~TcpTransport() override
    {
        // Our own close is no event for the caller.
        socket_->disconnect();
        socket_->abort();
    }
    int write(const uint8_t *data, int count) override
    {
        if (socket_->state() != QAbstractSocket::ConnectedState)
            return -1;
        return int(socket_->write(reinterpret_cast<const char *>(data), count));
    }
    int bytesAvailable() override { return int(socket_->bytesAvailable()); }
    int read(uint8_t *data, int count) override
    {
        return int(socket_->read(reinterpret_cast<char *>(data), count));
    }
    void discardInput() override { socket_->readAll(); }
    void discardOutput() override {}
    void close() override
    {
        closed_ = true;
        socket_->disconnect();
        socket_->abort();
    }

private:
    // The owner hears of the loss once control is back in the event loop, not from inside the
    // socket's own signal: it usually lets go of this transport in the call, and what it does
    // then may process events.
    void Lost()
    {
        if (lost_ || closed_)
            return;
        lost_ = true;
        QTimer::singleShot(0, this, [this] {
            if (closed_)
                return;
            const std::function<void()> closed = onClosed;
            if (closed)
                closed();
        });
    }

    std::unique_ptr<QTcpSocket> socket_;
    bool lost_ = false;
    bool closed_ = false;
};

} // namespace

void DeleteTransportLater(Transport *transport)
{
    if (!transport)
        return;
    transport->onData = nullptr;
    transport->onClosed = nullptr;
    transport->close();
    QTimer::singleShot(0, [transport] { delete transport; });
}

std::unique_ptr<Transport> OpenSerialTransport(const std::string &device, int baud, int *error)
{
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(device));
    if (!port->open(QIODevice::ReadWrite)) {
        switch (port->error()) {
        case QSerialPort::DeviceNotFoundError: *error = -2; break; // invalid port number
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError: *error = -7; break; // cannot open port
        default: *error = -1; break;
        }
        return nullptr;
    }
    if (!port->setBaudRate(baud)) {
        *error = -14;
        return nullptr;
    }
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    port->clear();
    *error = 0;
    return std::make_unique<SerialTransport>(std::move(port));
}

std::unique_ptr<Transport> ConnectTcpTransport(const std::string &host, unsigned port,
                                               int timeoutMs, int *error)
{
    if (port == 0 || port > 65535 || host.empty()) {
        *error = -9; // invalid parameter
        return nullptr;
    }
    auto socket = std::make_unique<QTcpSocket>();
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QEventLoop loop;
    bool timedOut = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(socket.get(), &QTcpSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(socket.get(), &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    socket->connectToHost(QString::fromStdString(host), quint16(port));
    timer.start(timeoutMs);
    // The operator cannot start anything else while the connection is being set up.
    if (socket->state() != QAbstractSocket::ConnectedState &&
        socket->error() == QAbstractSocket::UnknownSocketError)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (socket->state() == QAbstractSocket::ConnectedState) {
        socket->disconnect(&loop);
        *error = 0;
        return std::make_unique<TcpTransport>(std::move(socket));
    }
    if (timedOut)
        *error = -11; // time out error
    else if (socket->error() == QAbstractSocket::ConnectionRefusedError)
        *error = -2; // unable to establish connection
    else if (socket->error() == QAbstractSocket::HostNotFoundError)
        *error = -4; // failed to connect
    else if (socket->error() == QAbstractSocket::NetworkError ||
             socket->error() == QAbstractSocket::SocketAccessError)
        *error = -17; // network subsystem not ready
    else
        *error = -13; // general I/O error
    socket->disconnect();
    socket->abort();
    return nullptr;
}
