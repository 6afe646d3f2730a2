#include "platform/tcp.h"

#include "platform/transport.h"
#include "platform/ui.h"

#include <map>
#include <memory>
#include <string>

namespace {

struct Conversation {
    std::unique_ptr<Transport> transport;
    TcpCallbackPtr callback = nullptr;
    void *data = nullptr;
};

std::map<unsigned, Conversation> &Conversations()
{
    static std::map<unsigned, Conversation> c;
    return c;
}

unsigned gNextHandle = 1;

Transport *Find(unsigned handle)
{
    auto it = Conversations().find(handle);
    return it == Conversations().end() ? nullptr : it->second.transport.get();
}

} // namespace

int ConnectToTCPServerEx(unsigned *handle, unsigned port, const char *server,
                         TcpCallbackPtr callback, void *callbackData, int timeoutMs, unsigned)
{
    int error = 0;
    auto transport = ConnectTcpTransport(server ? server : "", port, timeoutMs, &error);
    if (!transport)
        return error;
    *handle = AdoptTcpTransport(std::move(transport), callback, callbackData);
    return 0;
}

unsigned AdoptTcpTransport(std::unique_ptr<Transport> transport, TcpCallbackPtr callback,
                           void *callbackData)
{
    const unsigned h = gNextHandle++;
    Conversation &c = Conversations()[h];
    c.transport = std::move(transport);
    c.callback = callback;
    c.data = callbackData;
    c.transport->onData = [h] {
        auto it = Conversations().find(h);
        if (it != Conversations().end() && it->second.callback)
            it->second.callback(h, TCP_DATAREADY, 0, it->second.data);
    };
    c.transport->onClosed = [h] {
        auto it = Conversations().find(h);
        if (it == Conversations().end())
            return;
        TcpCallbackPtr cb = it->second.callback;
        void *data = it->second.data;
        if (cb)
            cb(h, TCP_DISCONNECT, 0, data);
    };
    return h;
}

int DisconnectFromTCPServer(unsigned handle)
{
    auto it = Conversations().find(handle);
    if (it == Conversations().end())
        return -14;
    // The transport may be the one whose signal is being delivered: delete it later.
    Transport *t = it->second.transport.release();
    Conversations().erase(it);
    DeleteTransportLater(t);
    return 0;
}

int ClientTCPWrite(unsigned handle, const uint8_t *buffer, int count, int)
{
    Transport *t = Find(handle);
    if (!t)
        return -14;
    const int n = t->write(buffer, count);
    return n < 0 ? -8 : n;
}

int ClientTCPRead(unsigned handle, uint8_t *buffer, int size, int)
{
    Transport *t = Find(handle);
    if (!t)
        return -14;
    return t->read(buffer, size);
}

int ClientTCPDiscardInput(unsigned handle)
{
    Transport *t = Find(handle);
    if (!t)
        return -14;
    t->discardInput();
    return 0;
}

int ClientTCPBytesAvailable(unsigned handle)
{
    Transport *t = Find(handle);
    return t ? t->bytesAvailable() : -14;
}
