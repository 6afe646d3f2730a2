#include "sim/sensor_server.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

struct SensorServer::Pending {
    qint64 dueNs = 0;
    quint64 seq = 0; // keeps frames of one due time in the order they were made
    std::vector<uint8_t> bytes;
    bool scope = false;
    bool close = false;
    bool hangUp = false;
};

struct SensorServer::Link {
    QTcpSocket *socket = nullptr; // null for the pseudo-terminal
    QByteArray rx;
    qint64 lastRxNs = 0;
    std::vector<Pending> queue; // sorted by (dueNs, seq)
    QTimer *timer = nullptr;
};

SensorServer::SensorServer(QObject *parent) : QObject(parent)
{
    clock_.start();
    autoTimer_ = new QTimer(this);
    autoTimer_->setTimerType(Qt::PreciseTimer);
    connect(autoTimer_, &QTimer::timeout, this, &SensorServer::onAutoSend);
}

SensorServer::~SensorServer()
{
    shutdown();
}

double SensorServer::now() const
{
    return double(clock_.nsecsElapsed()) * 1e-9;
}

bool SensorServer::listenTcp(quint16 port)
{
    if (!tcp_) {
        tcp_ = new QTcpServer(this);
        connect(tcp_, &QTcpServer::newConnection, this, &SensorServer::onNewConnection);
    }
    if (tcp_->isListening())
        tcp_->close();
    return tcp_->listen(QHostAddress::LocalHost, port);
}

quint16 SensorServer::tcpPort() const
{
    return tcp_ && tcp_->isListening() ? tcp_->serverPort() : 0;
}

QString SensorServer::openPty()
{
    if (ptyMaster_ >= 0)
        return ptyPath_;
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return {};
    char name[128] = {};
    if (grantpt(master) != 0 || unlockpt(master) != 0 ||
        ptsname_r(master, name, sizeof name) != 0) {
        ::close(master);
        return {};
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        if (slave >= 0)
            ::close(slave);
        ::close(master);
        return {};
    }
    // Raw: no echo of the requests back to us, no line editing, no CR/LF translation.
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    ptyMaster_ = master;
    ptySlave_ = slave;
    ptyPath_ = QString::fromLocal8Bit(name);
    auto link = std::make_unique<Link>();
    link->timer = new QTimer(this);
    link->timer->setSingleShot(true);
    link->timer->setTimerType(Qt::PreciseTimer);
    Link *raw = link.get();
    connect(link->timer, &QTimer::timeout, this, [this, raw] { sendDue(raw); });
    ptyLink_ = raw;
    links_.push_back(std::move(link));

    ptyRead_ = new QSocketNotifier(master, QSocketNotifier::Read, this);
    connect(ptyRead_, &QSocketNotifier::activated, this, &SensorServer::onPtyReadable);
    ptyWrite_ = new QSocketNotifier(master, QSocketNotifier::Write, this);
    ptyWrite_->setEnabled(false);
    connect(ptyWrite_, &QSocketNotifier::activated, this, &SensorServer::onPtyWritable);
    return ptyPath_;
}

void SensorServer::shutdown()
{
    stopAutoSend();
    if (tcp_)
        tcp_->close();
    while (!links_.empty()) {
        Link *l = links_.back().get();
        if (l->socket) {
            l->socket->disconnect(this);
            l->socket->abort();
            l->socket->deleteLater();
        }
        removeLink(l);
    }
    delete ptyRead_;
    delete ptyWrite_;
    ptyRead_ = ptyWrite_ = nullptr;
    closePtyFiles();
}

void SensorServer::closePtyFiles()
{
    if (ptyMaster_ >= 0)
        ::close(ptyMaster_);
    if (ptySlave_ >= 0)
        ::close(ptySlave_);
    ptyMaster_ = ptySlave_ = -1;
    ptyPath_.clear();
    ptyOut_.clear();
}

void SensorServer::hangUpPty()
{
    if (ptyLink_) {
        closeLink(ptyLink_);
        removeLink(ptyLink_);
    }
    // This may run inside the read notifier's own signal: let the notifiers go later.
    for (QSocketNotifier *n : {ptyRead_, ptyWrite_})
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    ptyRead_ = ptyWrite_ = nullptr;
    closePtyFiles();
}

void SensorServer::dropClients()
{
    std::vector<Link *> tcpLinks;
    for (auto &l : links_) {
        if (l->socket)
            tcpLinks.push_back(l.get());
    }
    for (Link *l : tcpLinks)
        closeLink(l);
    if (ptyLink_)
        closeLink(ptyLink_);
}

int SensorServer::clientCount() const
{
    return int(
        std::count_if(links_.begin(), links_.end(), [](const auto &l) { return l->socket; }));
}

std::vector<std::vector<uint8_t>> SensorServer::receivedFrames() const
{
    return {log_.begin(), log_.end()};
}

void SensorServer::onNewConnection()
{
    while (QTcpSocket *s = tcp_->nextPendingConnection()) {
        // Small frames must leave at once, or the delays the tests measure would drift.
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto link = std::make_unique<Link>();
        link->socket = s;
        link->timer = new QTimer(this);
        link->timer->setSingleShot(true);
        link->timer->setTimerType(Qt::PreciseTimer);
        Link *raw = link.get();
        links_.push_back(std::move(link));
        connect(raw->timer, &QTimer::timeout, this, [this, raw] { sendDue(raw); });
        connect(s, &QTcpSocket::readyRead, this, [this, raw] {
            const QByteArray data = raw->socket->readAll();
            receive(raw, data.constData(), data.size());
        });
        connect(s, &QTcpSocket::disconnected, this, [this, raw] {
            raw->socket->deleteLater();
            removeLink(raw);
        });
    }
}

void SensorServer::onPtyReadable()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(ptyMaster_, buf, sizeof buf);
        if (n > 0) {
            receive(ptyLink_, buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: drained
    }
}

void SensorServer::onPtyWritable()
{
    while (!ptyOut_.isEmpty()) {
        const ssize_t n = ::write(ptyMaster_, ptyOut_.constData(), size_t(ptyOut_.size()));
        if (n > 0) {
            ptyOut_.remove(0, qsizetype(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    ptyWrite_->setEnabled(!ptyOut_.isEmpty());
}

void SensorServer::receive(Link *link, const char *data, qint64 size)
{
    const qint64 nowNs = clock_.nsecsElapsed();
    if (!link->rx.isEmpty() && nowNs - link->lastRxNs > qint64(kInterByteTimeoutMs) * 1000000)
        link->rx.clear();
    link->lastRxNs = nowNs;
    link->rx.append(data, qsizetype(size));
    processRx(link, nowNs);
}

void SensorServer::processRx(Link *link, qint64 arrivalNs)
{
    QByteArray &rx = link->rx;
    for (;;) {
        const qsizetype start = rx.indexOf(char(frame::kStartByte));
        if (start < 0) {
            rx.clear();
            return;
        }
        rx.remove(0, start);
        if (rx.size() < frame::kHeaderSize)
            return;
        const auto *bytes = reinterpret_cast<const uint8_t *>(rx.constData());
        frame::Header h;
        const frame::HeaderCheck check = frame::CheckHeader(bytes, &h);
        if (check == frame::HeaderCheck::kBadCrc) {
            rx.remove(0, 1); // not a frame start after all
            continue;
        }
        if (check == frame::HeaderCheck::kTooLong || h.length > frame::kMaxTxPayload) {
            // No request is that long; refuse it instead of waiting for bytes that never come.
            rx.remove(0, frame::kHeaderSize);
            if (!model_.silent()) {
                Response r;
                r.replies.push_back(Reply{frame::Build(frame::kOrderErrorReply, 2), 0, false});
                execute(link, r, arrivalNs);
            }
            continue;
        }
        const int total = frame::kHeaderSize + h.length;
        if (rx.size() < total)
            return;
        std::vector<uint8_t> request(bytes, bytes + total);
        rx.remove(0, total);
        log_.push_back(request);
        if (log_.size() > kLogLimit)
            log_.pop_front();
        const Response r = model_.Handle(h, request.data() + frame::kHeaderSize, now());
        execute(link, r, arrivalNs);
        // A close without delay has already removed the link.
        const bool alive = std::any_of(links_.begin(), links_.end(),
                                       [link](const auto &l) { return l.get() == link; });
        if (alive && h.order == frame::kOrderAutoSend && model_.autoSending()) {
            autoLink_ = link;
            autoTimer_->start(model_.autoSendIntervalMs());
        } else if (!model_.autoSending()) {
            stopAutoSend();
        }
        emit requestReceived(h.order);
        if (!alive)
            return;
    }
}

std::vector<Reply> InScopePieces(const std::vector<Reply> &replies)
{
    std::vector<Reply> out;
    std::vector<uint8_t> run;
    int runDelayMs = 0;
    auto flush = [&] {
        for (size_t at = 0, k = 0; at < run.size(); at += kScopePieceBytes, ++k) {
            const size_t end = std::min(run.size(), at + size_t(kScopePieceBytes));
            std::vector<uint8_t> piece(run.begin() + long(at), run.begin() + long(end));
            out.push_back(Reply{std::move(piece), runDelayMs + int(k) * kScopePieceGapMs, true});
        }
        run.clear();
    };
    for (const Reply &reply : replies) {
        if (!reply.scope) {
            flush();
            out.push_back(reply);
            continue;
        }
        if (!run.empty() && reply.delayMs != runDelayMs)
            flush();
        runDelayMs = reply.delayMs;
        run.insert(run.end(), reply.bytes.begin(), reply.bytes.end());
    }
    flush();
    return out;
}

void SensorServer::execute(Link *link, const Response &r, qint64 arrivalNs)
{
    if (r.cancelScope)
        cancelScope();
    const std::vector<Reply> replies = link->socket ? InScopePieces(r.replies) : r.replies;
    for (const Reply &reply : replies) {
        Pending p;
        p.dueNs = arrivalNs + qint64(reply.delayMs) * 1000000;
        p.seq = seq_++;
        p.bytes = reply.bytes;
        p.scope = reply.scope;
        link->queue.push_back(std::move(p));
    }
    if (r.close) {
        Pending p;
        p.dueNs = arrivalNs + qint64(r.closeDelayMs) * 1000000;
        p.seq = seq_++;
        p.close = true;
        p.hangUp = r.hangUp;
        link->queue.push_back(std::move(p));
    }
    std::stable_sort(link->queue.begin(), link->queue.end(),
                     [](const Pending &a, const Pending &b) {
                         return a.dueNs != b.dueNs ? a.dueNs < b.dueNs : a.seq < b.seq;
                     });
    sendDue(link);
}

void SensorServer::schedule(Link *link)
{
    if (link->queue.empty()) {
        link->timer->stop();
        return;
    }
    const qint64 waitNs = link->queue.front().dueNs - clock_.nsecsElapsed();
    link->timer->start(int(std::max<qint64>(0, (waitNs + 999999) / 1000000)));
}

void SensorServer::sendDue(Link *link)
{
    // Timers may fire a fraction of a millisecond early; that counts as due.
    while (!link->queue.empty() && link->queue.front().dueNs <= clock_.nsecsElapsed() + 500000) {
        Pending p = std::move(link->queue.front());
        link->queue.erase(link->queue.begin());
        if (p.close) {
            if (p.hangUp && link == ptyLink_)
                hangUpPty();
            else
                closeLink(link);
            return;
        }
        write(link, p.bytes);
    }
    schedule(link);
}

void SensorServer::write(Link *link, const std::vector<uint8_t> &bytes)
{
    if (bytes.empty())
        return;
    if (link->socket) {
        link->socket->write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
        return;
    }
    if (ptyOut_.size() + qsizetype(bytes.size()) > kPtyBacklogLimit)
        return;
    ptyOut_.append(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    onPtyWritable();
}

void SensorServer::closeLink(Link *link)
{
    if (link == autoLink_)
        stopAutoSend();
    link->queue.clear();
    link->timer->stop();
    link->rx.clear();
    if (!link->socket) {
        // A serial line cannot be hung up from this end; forget what was under way instead.
        ptyOut_.clear();
        if (ptyMaster_ >= 0)
            tcflush(ptyMaster_, TCIOFLUSH);
        return;
    }
    QTcpSocket *s = link->socket;
    s->disconnect(this);
    removeLink(link);
    s->disconnectFromHost();
    s->deleteLater();
}

void SensorServer::removeLink(Link *link)
{
    if (link == autoLink_)
        stopAutoSend();
    if (link == ptyLink_)
        ptyLink_ = nullptr;
    link->timer->stop();
    link->timer->deleteLater();
    links_.erase(std::remove_if(links_.begin(), links_.end(),
                                [link](const auto &l) { return l.get() == link; }),
                 links_.end());
}

void SensorServer::cancelScope()
{
    for (auto &l : links_) {
        auto &q = l->queue;
        q.erase(std::remove_if(q.begin(), q.end(), [](const Pending &p) { return p.scope; }),
                q.end());
    }
}

void SensorServer::onAutoSend()
{
    if (!autoLink_ || !model_.autoSending()) {
        stopAutoSend();
        return;
    }
    write(autoLink_, model_.NextAutoFrame(now()));
}

void SensorServer::stopAutoSend()
{
    autoTimer_->stop();
    autoLink_ = nullptr;
    model_.stopAutoSend();
}

} // namespace sim
