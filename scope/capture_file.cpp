#include "scope/capture_file.h"

#include "support/ini.h"

#include <QDateTime>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr const char *kGeneral = "GENERAL INFO";
constexpr const char *kSensor = "SENSOR";
constexpr const char *kSettings = "SETTINGS";
constexpr const char *kCursors = "CURSORS";
constexpr const char *kTraces = "TRACES";

using Store = std::unique_ptr<IniStore, void (*)(IniText)>;

std::string Number(double v)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// Sample k of the four traces as one line: "CH0 CH1 SIG STATUS", the status as an unsigned word.
std::string SampleItem(int k)
{
    char name[8];
    std::snprintf(name, sizeof name, "S%03d", k);
    return name;
}

std::string SampleText(const ScopeTracesRec &t, int k)
{
    const size_t i = size_t(k);
    char text[48];
    std::snprintf(text, sizeof text, "%d %d %d %u", t.Ch0Trace[i], t.Ch1Trace[i], t.SigTrace[i],
                  unsigned(uint16_t(t.StatusTrace[i])));
    return text;
}

bool PutAll(IniText ini, const ScopeCapture &c)
{
    bool ok = Ini_PutString(ini, kGeneral, "FILE TYPE", kCaptureFileType) >= 0 &&
              Ini_PutInt(ini, kGeneral, "VERSION", kCaptureFileVersion) >= 0 &&
              Ini_PutString(ini, kGeneral, "DATE", c.date.c_str()) >= 0 &&
              Ini_PutString(ini, kGeneral, "COMMENT", c.comment.c_str()) >= 0;
    ok = ok && Ini_PutString(ini, kSensor, "FIRMWARE", c.firmware.c_str()) >= 0 &&
         Ini_PutString(ini, kSensor, "NAME", c.sensorName.c_str()) >= 0 &&
         Ini_PutString(ini, kSensor, "SERIAL NUMBER",
                       c.serial >= 0 ? std::to_string(c.serial).c_str() : "") >= 0 &&
         Ini_PutString(ini, kSensor, "PANEL ID", c.panelId.c_str()) >= 0;
    ok = ok && Ini_PutInt(ini, kSettings, "TRIGGER MODE", c.request.TriggerMode) >= 0 &&
         Ini_PutInt(ini, kSettings, "TRIGGER LEVEL", c.request.TriggerLevel) >= 0 &&
         Ini_PutInt(ini, kSettings, "PRE TRIGGER", c.request.PreTrigger) >= 0 &&
         Ini_PutInt(ini, kSettings, "SCAN RATE", c.request.ScanRate) >= 0 &&
         Ini_PutString(ini, kSettings, "FREQUENCY HZ", Number(c.frequencyHz).c_str()) >= 0 &&
         Ini_PutString(ini, kSettings, "CYCLE TIME MS", Number(c.cycleTimeMs).c_str()) >= 0;
    ok = ok && Ini_PutString(ini, kCursors, "X1", Number(c.cursorX[0]).c_str()) >= 0 &&
         Ini_PutString(ini, kCursors, "Y1", Number(c.cursorY[0]).c_str()) >= 0 &&
         Ini_PutString(ini, kCursors, "X2", Number(c.cursorX[1]).c_str()) >= 0 &&
         Ini_PutString(ini, kCursors, "Y2", Number(c.cursorY[1]).c_str()) >= 0;
    ok = ok && Ini_PutString(ini, kTraces, "COLUMNS", "CH0 CH1 SIG STATUS") >= 0;
    for (int k = 0; ok && k < kScopeSamples; ++k)
        ok = Ini_PutString(ini, kTraces, SampleItem(k).c_str(), SampleText(c.traces, k).c_str()) >=
             0;
    return ok;
}

bool GetText(IniText ini, const char *section, const char *item, std::string *text)
{
    std::vector<char> buffer(4096);
    if (Ini_GetStringIntoBuffer(ini, section, item, buffer.data(), buffer.size()) != 1)
        return false;
    *text = buffer.data();
    return true;
}

bool GetNumber(IniText ini, const char *section, const char *item, double *value)
{
    std::string text;
    if (!GetText(ini, section, item, &text) || text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

bool GetInt(IniText ini, const char *section, const char *item, int lo, int hi, int16_t *value)
{
    int v = 0;
    if (Ini_GetInt(ini, section, item, &v) != 1 || v < lo || v > hi)
        return false;
    *value = int16_t(v);
    return true;
}

// The serial number: not there (files written before it was kept) or empty when not known,
// else a number of at most ten digits.
bool GetSerial(IniText ini, long *serial)
{
    std::string text;
    *serial = -1;
    if (!GetText(ini, kSensor, "SERIAL NUMBER", &text) || text.empty())
        return true;
    if (text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *serial = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

// Reads sample k into `traces`: three signed words and the unsigned status word, nothing else.
bool GetSample(IniText ini, int k, ScopeTracesRec *traces)
{
    std::string text;
    if (!GetText(ini, kTraces, SampleItem(k).c_str(), &text))
        return false;
    const char *p = text.c_str();
    long v[4] = {};
    for (int j = 0; j < 4; ++j) {
        char *end = nullptr;
        errno = 0;
        v[j] = std::strtol(p, &end, 10);
        const long lo = j == 3 ? 0 : -32768, hi = j == 3 ? 65535 : 32767;
        if (end == p || errno != 0 || v[j] < lo || v[j] > hi)
            return false;
        p = end;
    }
    while (*p == ' ')
        ++p;
    if (*p != '\0')
        return false;
    const size_t i = size_t(k);
    traces->Ch0Trace[i] = int16_t(v[0]);
    traces->Ch1Trace[i] = int16_t(v[1]);
    traces->SigTrace[i] = int16_t(v[2]);
    traces->StatusTrace[i] = int16_t(uint16_t(v[3]));
    return true;
}

} // namespace

CaptureFileResult WriteScopeCaptureFile(const ScopeCapture &capture, const std::string &path)
{
    Store ini(Ini_New(0), Ini_Dispose);
    if (!ini || !PutAll(ini.get(), capture))
        return CaptureFileResult::kCannotWrite;
    return Ini_WriteToFile(ini.get(), path.c_str()) == 0 ? CaptureFileResult::kOk
                                                          : CaptureFileResult::kCannotWrite;
}

CaptureFileResult ReadScopeCaptureFile(const std::string &path, ScopeCapture *capture)
{
    Store ini(Ini_New(0), Ini_Dispose);
    if (!ini)
        return CaptureFileResult::kCannotRead;
    if (Ini_ReadFromFile(ini.get(), path.c_str()) < 0)
        return CaptureFileResult::kCannotRead;
    std::string type;
    int version = 0;
    if (!GetText(ini.get(), kGeneral, "FILE TYPE", &type) || type != kCaptureFileType ||
        Ini_GetInt(ini.get(), kGeneral, "VERSION", &version) != 1 || version < 1 ||
        version > kCaptureFileVersion)
        return CaptureFileResult::kNotACapture;

    ScopeCapture c;
    bool ok = GetText(ini.get(), kGeneral, "DATE", &c.date) &&
              GetText(ini.get(), kGeneral, "COMMENT", &c.comment) &&
              GetText(ini.get(), kSensor, "FIRMWARE", &c.firmware) &&
              GetText(ini.get(), kSensor, "NAME", &c.sensorName) &&
              GetText(ini.get(), kSensor, "PANEL ID", &c.panelId) &&
              GetSerial(ini.get(), &c.serial);
    ok = ok && GetInt(ini.get(), kSettings, "TRIGGER MODE", 0, 4, &c.request.TriggerMode) &&
         GetInt(ini.get(), kSettings, "TRIGGER LEVEL", -32768, 32767, &c.request.TriggerLevel) &&
         GetInt(ini.get(), kSettings, "PRE TRIGGER", 0, kScopeSamples - 1,
                &c.request.PreTrigger) &&
         GetInt(ini.get(), kSettings, "SCAN RATE", 1, 32767, &c.request.ScanRate) &&
         GetNumber(ini.get(), kSettings, "FREQUENCY HZ", &c.frequencyHz) &&
         GetNumber(ini.get(), kSettings, "CYCLE TIME MS", &c.cycleTimeMs) && c.frequencyHz >= 0 &&
         c.cycleTimeMs >= 0;
    ok = ok && GetNumber(ini.get(), kCursors, "X1", &c.cursorX[0]) &&
         GetNumber(ini.get(), kCursors, "Y1", &c.cursorY[0]) &&
         GetNumber(ini.get(), kCursors, "X2", &c.cursorX[1]) &&
         GetNumber(ini.get(), kCursors, "Y2", &c.cursorY[1]);
    for (int k = 0; ok && k < kScopeSamples; ++k)
        ok = GetSample(ini.get(), k, &c.traces);
    if (!ok)
        return CaptureFileResult::kDamaged;
    *capture = c;
    return CaptureFileResult::kOk;
}

std::string CaptureDateNow()
{
    return QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
}

double ScopeSampleTimeMs(const ScopeCapture &capture, int k)
{
    if (capture.cycleTimeMs <= 0)
        return k;
    return double(k) * capture.request.ScanRate * capture.cycleTimeMs;
}

std::string ScopeCaptureCsv(const ScopeCapture &capture)
{
    const bool timed = capture.cycleTimeMs > 0;
    std::string csv = timed ? "TIME_MS" : "SAMPLE";
    csv += ",CH0,CH1,SIG,OUT0,OUT1,IN0,IN1\r\n";
    const ScopeTracesRec &t = capture.traces;
    for (int k = 0; k < kScopeSamples; ++k) {
        const size_t i = size_t(k);
        const unsigned status = uint16_t(t.StatusTrace[i]);
        char row[160];
        std::snprintf(row, sizeof row, "%.4f,%d,%d,%d,%u,%u,%u,%u\r\n",
                      ScopeSampleTimeMs(capture, k), t.Ch0Trace[i], t.Ch1Trace[i], t.SigTrace[i],
                      status & 1u, (status >> 1) & 1u, (status >> 8) & 1u, (status >> 9) & 1u);
        csv += row;
    }
    return csv;
}
