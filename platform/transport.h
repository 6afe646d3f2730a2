// One small byte-stream interface for the two links to the sensor: a serial port (QSerialPort)
// and a TCP conversation (QTcpSocket). Bytes arrive while the event loop runs; onData and
// onClosed are called on the user-interface thread from inside event processing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class Transport {
public:
    virtual ~Transport() = default;
    virtual int write(const uint8_t *data, int count) = 0; // bytes queued, or -1
    virtual int bytesAvailable() = 0;
    virtual int read(uint8_t *data, int count) = 0; // bytes read now, never waits
    virtual void discardInput() = 0;
    virtual void discardOutput() = 0;
    // Releases the device or connection now; the object itself may live on a little.
    virtual void close() = 0;
    // The waits ahead need `bytes` in all (what bytesAvailable counts): a link that can, tells
    // the event loop of new bytes only once that many are there, not for every few; 0 restores
    // the notice for every byte (by the next pass of the event loop). Bytes are never held back from read or bytesAvailable by it
    // beyond the next notice, and a device gone is noticed as before.
    virtual void setWakeCount(int bytes) { (void)bytes; }
    // Serial only: a line error since the last call (cleared by reading it).
    virtual bool takeLineError() { return false; }

    std::function<void()> onData;
    // The peer closed the conversation, or the device or the far end of the line went away
    // (a fatal port error). Called once; the transport then no longer watches its device.
    std::function<void()> onClosed;
};

// Deletes a transport once control is back in the event loop: it may be the one whose signal
// is being delivered right now.
void DeleteTransportLater(Transport *transport);

// Error codes of the openers follow the RS-232 and TCP code tables of the link module.
std::unique_ptr<Transport> OpenSerialTransport(const std::string &device, int baud, int *error);
std::unique_ptr<Transport> ConnectTcpTransport(const std::string &host, unsigned port,
                                               int timeoutMs, int *error);
