#include "harness.h"

#include "app/startup.h"
#include "link/exchange.h"

#include <QElapsedTimer>
#include <QTimer>

#include <fstream>
#include <sstream>

void ScriptedResponder::install()
{
    SetPopupResponder([this](const PopupRequest &req) {
        shown.push_back(req);
        if (!answers.empty()) {
            PopupAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        PopupAnswer a;
        a.result = req.kind == PopupRequest::kGeneric ? GENERIC_MSG_BUTTON_2 : 0;
        return a;
    });
}

void ScriptedResponder::uninstall()
{
    SetPopupResponder({});
}

void ScriptedResponder::push(int result, const std::string &path)
{
    answers.push_back({result, path});
}

int ScriptedResponder::countOf(PopupRequest::Kind kind) const
{
    int n = 0;
    for (const auto &r : shown)
        n += r.kind == kind;
    return n;
}

RawPeer::RawPeer()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        client_ = server_.nextPendingConnection();
        connect(client_, &QTcpSocket::readyRead, this, [this] { onData(); });
    });
}

void RawPeer::onData()
{
    const QByteArray data = client_->readAll();
    pending_.insert(pending_.end(), data.begin(), data.end());
    while (pending_.size() >= 8) {
        const size_t length = size_t(pending_[4] | (pending_[5] << 8));
        if (pending_.size() < 8 + length)
            return;
        requests.emplace_back(pending_.begin(), pending_.begin() + long(8 + length));
        pending_.erase(pending_.begin(), pending_.begin() + long(8 + length));
        if (!scripts_.empty()) {
            std::vector<PeerStep> script = std::move(scripts_.front());
            scripts_.pop_front();
            run(std::move(script), 0);
        }
    }
}

void RawPeer::run(std::vector<PeerStep> script, size_t index)
{
    if (index >= script.size())
        return;
    const int delay = script[index].delayMs;
    auto step = [this, script, index] {
        if (!client_)
            return;
        if (script[index].close)
            client_->disconnectFromHost();
        else
            sendNow(script[index].bytes);
        run(script, index + 1);
    };
    if (delay <= 0)
        step();
    else
        QTimer::singleShot(delay, Qt::PreciseTimer, this, step);
}

void RawPeer::sendNow(const std::vector<uint8_t> &bytes)
{
    if (client_) {
        client_->write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
        client_->flush();
    }
}

void RawPeer::closeNow()
{
    if (client_)
        client_->disconnectFromHost();
}

std::vector<uint8_t> Frame(uint8_t order, uint16_t arg, const std::vector<uint8_t> &payload)
{
    return frame::Build(order, arg, payload);
}

void AppTest::SetUp()
{
    ASSERT_EQ(InitUserInterfaceLayer(), 0);
    AppState = AppStateRec{};
    ASSERT_EQ(LoadPanels(), 0);
    ASSERT_TRUE(dir.isValid());
    StartOptions options;
    options.settingsDir = dir.path().toStdString();
    SetStartOptions(options);
    responder.install();
}

void AppTest::TearDown()
{
    responder.uninstall();
    Shutdown();
}

void AppTest::OpenTcp(quint16 port)
{
    AppState.ComProtocol = 1;
    CopyField(AppState.ServerAddress, "127.0.0.1");
    AppState.PortNumber = port;
    InitTCP_IP();
    ASSERT_EQ(AppState.TcpConnected, 1);
}

std::string AppTest::MessageBoxText() const
{
    return GetCtrlText(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES);
}

std::string AppTest::StatusText() const
{
    return GetCtrlText(AppState.DataPanel, DATAP_STRING_STATUS);
}

int AppTest::ActiveMainPage() const
{
    int page = -1;
    GetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, &page);
    return page;
}

bool AppTest::Dimmed(int panel, int control) const
{
    int d = 0;
    GetCtrlAttribute(panel, control, ATTR_DIMMED, &d);
    return d != 0;
}

void AppTest::Pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        WaitForEvents(Timer() + (ms - t.elapsed()) / 1000.0);
}

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}
