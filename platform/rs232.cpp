#include "platform/rs232.h"

#include "platform/transport.h"
#include "platform/ui.h"

#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <vector>

#include <map>

namespace {

struct OpenPort {
    std::unique_ptr<Transport> transport;
    double timeLimit = 2.0;
    ComLostCallbackPtr lost = nullptr;
};

std::map<int, OpenPort> &Ports()
{
    static std::map<int, OpenPort> ports;
    return ports;
}

OpenPort *Find(int port)
{
    auto it = Ports().find(port);
    return it == Ports().end() ? nullptr : &it->second;
}

struct Range {
    int firstCom;
    int count;
    const char *prefix;
};
constexpr Range kRanges[] = {
    {1, 32, "/dev/ttyS"},
    {33, 32, "/dev/ttyUSB"},
    {65, 32, "/dev/ttyACM"},
    {100, 156, "/dev/pts/"},
};

std::map<int, std::string> &Bound()
{
    static std::map<int, std::string> bound;
    return bound;
}

} // namespace

void BindComPort(int port, const std::string &device)
{
    if (device.empty())
        Bound().erase(port);
    else
        Bound()[port] = device;
}

std::string ComPortDevice(int port)
{
    if (auto it = Bound().find(port); it != Bound().end())
        return it->second;
    for (const Range &r : kRanges)
        if (port >= r.firstCom && port < r.firstCom + r.count)
            return r.prefix + std::to_string(port - r.firstCom);
    return {};
}

int ComPortFromDevice(const std::string &device)
{
    for (const Range &r : kRanges) {
        const std::string prefix = r.prefix;
        if (device.compare(0, prefix.size(), prefix) != 0 || device.size() == prefix.size())
            continue;
        const std::string rest = device.substr(prefix.size());
        if (rest.find_first_not_of("0123456789") != std::string::npos || rest.size() > 4)
            continue;
        const int n = std::stoi(rest);
        if (n < r.count)
            return r.firstCom + n;
    }
    return 0;
}

int OpenComConfig(int port, const char *, long baud, int, int, int, int, int)
{
    CloseCom(port);
    const std::string device = ComPortDevice(port);
    if (device.empty() || !QFileInfo::exists(QString::fromStdString(device)))
        return -2;
    int error = 0;
    auto transport = OpenSerialTransport(device, int(baud), &error);
    if (!transport)
        return error;
    return AdoptComTransport(port, std::move(transport));
}

int AdoptComTransport(int port, std::unique_ptr<Transport> transport)
{
    if (!transport || ComPortDevice(port).empty())
        return -2;
    CloseCom(port);
    Transport *t = transport.get();
    Ports()[port].transport = std::move(transport);
    t->onClosed = [port, t] {
        OpenPort *p = Find(port);
        if (!p || p->transport.get() != t)
            return;
        const ComLostCallbackPtr lost = p->lost;
        CloseCom(port);
        if (lost)
            lost(port);
    };
    return 0;
}

int InstallComLostCallback(int port, ComLostCallbackPtr callback)
{
    OpenPort *p = Find(port);
    if (!p)
        return -3;
    p->lost = callback;
    return 0;
}

int CloseCom(int port)
{
    auto it = Ports().find(port);
    if (it == Ports().end())
        return 0;
    DeleteTransportLater(it->second.transport.release());
    Ports().erase(it);
    return 0;
}

int SetComTime(int port, double seconds)
{
    OpenPort *p = Find(port);
    if (!p)
        return -3;
    p->timeLimit = seconds;
    return 0;
}

int FlushInQ(int port)
{
    OpenPort *p = Find(port);
    if (!p)
        return -3;
    p->transport->discardInput();
    return 0;
}

int FlushOutQ(int port)
{
    OpenPort *p = Find(port);
    if (!p)
        return -3;
    p->transport->discardOutput();
    return 0;
}

int SetCTSMode(int port, int)
{
    return Find(port) ? 0 : -3;
}

int ComWrt(int port, const uint8_t *buffer, int count)
{
    OpenPort *p = Find(port);
    if (!p)
        return -3;
    return p->transport->write(buffer, count);
}

int GetInQLen(int port)
{
    OpenPort *p = Find(port);
    if (!p)
        return -3;
    return p->transport->bytesAvailable();
}

int GetComStat(int port)
{
    OpenPort *p = Find(port);
    if (!p)
        return 0;
    return p->transport->takeLineError() ? 1 : 0;
}

int SetComWakeCount(int port, int count)
{
    OpenPort *p = Find(port);
    if (!p)
        return -3;
    p->transport->setWakeCount(count);
    return 0;
}

int ComRd(int port, uint8_t *buffer, int count)
{
    OpenPort *p = Find(port);
    if (!p)
        return -3;
    const double deadline = Timer() + p->timeLimit;
    int got = 0;
    bool waited = false;
    while (true) {
        p = Find(port); // event processing may have closed the port
        if (!p)
            return got;
        got += p->transport->read(buffer + got, count - got);
        if (got >= count || Timer() >= deadline) {
            if (waited)
                p->transport->setWakeCount(0);
            return got;
        }
        p->transport->setWakeCount(count - got);
        waited = true;
        WaitForEvents(deadline);
    }
}

int IsComOpen(int port)
{
    return Find(port) ? 1 : 0;
}

int LocateCom(const char *, int *ports, int maxPorts)
{
    // The serial devices the system reports (pseudo-terminals are not among them), by COM number.
    std::vector<int> found;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const int com = ComPortFromDevice(info.systemLocation().toStdString());
        if (com > 0)
            found.push_back(com);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    const int n = std::min(int(found.size()), maxPorts);
    std::copy(found.begin(), found.begin() + n, ports);
    return n;
}
