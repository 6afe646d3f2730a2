// The few services of the operating system that Qt does not give the program: a termination
// request delivered to the event loop, the length of a serial driver's queues, and files that are
// replaced whole or read whole. This header is the same everywhere; system_posix.cpp implements
// it for Linux and other POSIX systems, and a port to another system adds its own implementation.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Calls `handler` from the event loop, never from inside a signal handler, whenever the process is
// asked to end (SIGTERM or SIGINT). The first call installs it; later calls are ignored. Needs a
// running Qt application.
void OnTerminationRequest(std::function<void()> handler);

// A write to a connection whose reader has gone fails with an error instead of ending the process.
void IgnoreBrokenPipe();

// Bytes waiting in the driver's receive or transmit queue of an open serial device (`handle` as
// QSerialPort::handle() gives it); -1 when the system cannot tell.
enum class DriverQueue { kReceive, kTransmit };
int DriverQueueLength(intptr_t handle, DriverQueue queue);

// Whether the far end of an open serial device is gone for good: a pseudo-terminal whose other
// side was closed, an adapter that was unplugged. The driver then reports a hang-up or an error,
// and every read returns nothing or fails.
bool SerialDeviceGone(intptr_t handle);

// How many received bytes an open serial device gathers before it reports itself readable (and
// wakes a wait on it): 0 or 1 for every byte, at most 255. A line's bytes trickle in a few at a
// time, so a reader that knows how many it needs is woken once instead of for every few. Reads
// still return whatever is there. `settings` keeps the device's settings between calls (read
// from the device at the first), so that a change costs one call into the driver; it belongs
// to one open device. Returns false when the device refuses.
struct SerialSettings {
    bool read = false;
    alignas(8) unsigned char data[64];
};
bool SetSerialReadThreshold(intptr_t handle, int bytes, SerialSettings *settings);

// Writes to an open serial device (opened non-blocking) straight away: the bytes the driver
// took, 0 when it took none now, -1 on an error of the device.
int WriteSerialNow(intptr_t handle, const uint8_t *data, int count);

// What a whole-file operation came to.
enum class FileStatus {
    kOk,
    kAccessDenied,      // the target is not a writable regular file, or the system refused
    kPathNotExaminable, // the target path cannot be examined
    kDiskFull,          // no space left, or a quota or file size limit reached
    kIoError,           // any other input/output error
    kNoTempName,        // every temporary file name beside the target is taken
    kCannotCreateTemp,  // the temporary file cannot be created
    kCannotOpen,        // the file to read cannot be opened (missing, a folder, no access)
    kReadError,         // reading failed part way; what was read is kept
};

// Replaces the file at `path` with `text` so that the path always holds either the old file or
// the whole new one, also when the process is killed or the power fails in between: the text
// goes to a locked temporary file beside the target, is synced, and is renamed over it. An
// existing target keeps its permissions. A failure removes the temporary file and leaves the
// target as it was.
FileStatus ReplaceFileContents(const char *path, std::string_view text);

// Reads the whole file at `path` into `text` (appended). On kReadError `text` holds what was read
// before the error.
FileStatus ReadFileContents(const char *path, std::string &text);
