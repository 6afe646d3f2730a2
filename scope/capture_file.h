// A scope capture as a document: the four traces with everything needed to read them again
// without a sensor (trigger settings, scan frequency and cycle time, the sensor's identity, the
// comment, the cursors, the date), kept in an INI-style capture file and exported as CSV.
#pragma once

#include "scope/capture.h"

#include <string>

struct ScopeCapture {
    ScopeRequest request;
    double frequencyHz = 0;
    double cycleTimeMs = 0; // 0: not measured; the time axis then counts samples
    std::string firmware, sensorName, panelId;
    long serial = -1; // the sensor's serial number; -1 not known
    std::string comment;
    double cursorX[2] = {0, 0}, cursorY[2] = {0, 0};
    std::string date; // local date and time of the capture, "YYYY-MM-DD HH:MM:SS"
    ScopeTracesRec traces;
};

inline constexpr const char *kCaptureFileType = "Scope Capture";
inline constexpr int kCaptureFileVersion = 1;

enum class CaptureFileResult {
    kOk,
    kCannotRead,  // missing or unreadable
    kNotACapture, // another kind of file, or a newer version
    kDamaged,     // a capture file with a trace or setting missing or out of range
    kCannotWrite, // the file could not be written; an existing file is left as it was
};

// Writes `capture` to `path` in one step: a failed write leaves an existing file untouched.
CaptureFileResult WriteScopeCaptureFile(const ScopeCapture &capture, const std::string &path);
// Reads a capture file; `capture` is changed only when the whole file is good.
CaptureFileResult ReadScopeCaptureFile(const std::string &path, ScopeCapture *capture);

// The traces as CSV, one row per sample: time in ms after the first sample (the sample number
// when no cycle time was measured), CH0, CH1, SIG and the four digital states 0/1.
std::string ScopeCaptureCsv(const ScopeCapture &capture);

// The local date and time now, as a capture file keeps it.
std::string CaptureDateNow();

// The time of sample `k` in ms (one sample every ScanRate cycles).
double ScopeSampleTimeMs(const ScopeCapture &capture, int k);
