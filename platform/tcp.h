// TCP conversations by handle, in the manner of a classic TCP client library: connect with a
// time limit and a callback, write, read, disconnect. The callback runs on the user-interface
// thread during event processing: TCP_DATAREADY when bytes arrive, TCP_DISCONNECT when the
// server closes the conversation (never for our own DisconnectFromTCPServer).
#pragma once

#include <cstdint>
#include <memory>

enum { TCP_DISCONNECT = 1, TCP_DATAREADY = 2 };

using TcpCallbackPtr = int (*)(unsigned handle, int event, int error, void *callbackData);

// Returns 0 and sets *handle, or a negative code of the TCP code table (-2 unable to establish
// connection, -4 failed to connect, -9 invalid parameter, -11 time out, -13 general I/O error).
int ConnectToTCPServerEx(unsigned *handle, unsigned port, const char *server,
                         TcpCallbackPtr callback, void *callbackData, int timeoutMs,
                         unsigned localPort);
int DisconnectFromTCPServer(unsigned handle);
// Makes an already open byte stream a conversation with a handle, as ConnectToTCPServerEx does
// for its socket (also how the fuzz targets feed the receive path without a network).
class Transport;
unsigned AdoptTcpTransport(std::unique_ptr<Transport> transport, TcpCallbackPtr callback,
                           void *callbackData);
int ClientTCPWrite(unsigned handle, const uint8_t *buffer, int count, int timeoutMs);
// Reads what has arrived, at most `size` bytes; returns the count (0 if nothing) or -14 when
// the conversation does not exist.
int ClientTCPRead(unsigned handle, uint8_t *buffer, int size, int timeoutMs);
// Drops bytes that arrived and were not read (a late answer to an earlier request).
int ClientTCPDiscardInput(unsigned handle);
int ClientTCPBytesAvailable(unsigned handle);
