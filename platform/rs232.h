// Serial ports by COM number, in the manner of a classic RS-232 library: open, write, bytes
// waiting, read with the port's time limit, flush, line status, close.
//
// COM numbers map to Linux devices deterministically:
//   COM1..COM32    /dev/ttyS0..31
//   COM33..COM64   /dev/ttyUSB0..31
//   COM65..COM96   /dev/ttyACM0..31
//   COM100..COM255 /dev/pts/0..155 (pseudo-terminals, e.g. the sensor simulator)
// Any other number is not a port ("Invalid port number").
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class Transport;

inline constexpr int kMaxComPort = 255;

// The device path of COM `port`, or "" when the number maps to no device.
std::string ComPortDevice(int port);
// The COM number of a device path, or 0.
int ComPortFromDevice(const std::string &device);
// Lets COM `port` stand for `device` for the rest of the process: a serial device outside the
// ranges above (the command-line tool opens any device path so). An empty device drops it.
void BindComPort(int port, const std::string &device);

// Returns 0 or a negative code: -2 invalid port number, -7 cannot open port, -14 invalid baud
// rate, -1 unknown system error.
int OpenComConfig(int port, const char *deviceName, long baud, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize);
int CloseCom(int port);                   // closing a port that is not open is no error
int SetComTime(int port, double seconds); // time limit of ComRd
int FlushInQ(int port);
int FlushOutQ(int port);
int SetCTSMode(int port, int mode);
int ComWrt(int port, const uint8_t *buffer, int count);
int GetInQLen(int port);  // bytes waiting, or -3 when the port is not open
int GetComStat(int port); // > 0: a line or device error since the last call
// The waits ahead on `port` need `count` bytes in its queue (as GetInQLen counts them): the port
// then wakes the program once they are there, not for every few bytes of a frame; 0 wakes it for
// every byte again (what a port starts with). A caller sets it before waiting and resets it after.
int SetComWakeCount(int port, int count);
// Reads `count` bytes, waiting (with event processing) at most the port's time limit; returns
// the number of bytes read.
int ComRd(int port, uint8_t *buffer, int count);
int IsComOpen(int port);

// Called once, from event processing, when the device of an open port goes away for good (the
// far end of a pseudo-terminal closed, an adapter unplugged: a fatal port error). The port is
// closed by then, so GetInQLen and ComRd report it as not open.
using ComLostCallbackPtr = void (*)(int port);
int InstallComLostCallback(int port, ComLostCallbackPtr callback);
// Makes an already open byte stream COM port `port`, as OpenComConfig does for its device (also
// how tests put a line with scripted errors under the exchange). Returns 0, or -2.
int AdoptComTransport(int port, std::unique_ptr<Transport> transport);

// Fills `ports` with the COM numbers of the devices present, in ascending order; returns the count.
int LocateCom(const char *unused, int *ports, int maxPorts);
