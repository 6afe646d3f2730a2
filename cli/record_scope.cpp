// record and scope: data frames at an interval into the app's record file (or as TSV or JSON),
// and one scope capture as TSV or JSON. Both drive the recorder's and the scope's own functions;
// what they would show on panels goes to standard output instead, and only after the last frame
// or block has arrived. The record file grows beside its target and replaces it only when
// complete; a recording broken off keeps the frames received in that partial file.
#include "cli/cli.h"

#include "app/appstate.h"
#include "app/startup.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "live/data_frame.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "recorder/record_file.h"
#include "scope/capture.h"
#include "scope/capture_doc.h"
#include "scope/capture_file.h"
#include "scope/display.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

constexpr double kMaxRecInterval = 86400.0; // the INTERVAL control's limit: one day
constexpr int kMaxRecValues = 65535;        // the VALUES control's limit
// How long scope waits for the trigger and the four blocks unless --timeout says otherwise.
constexpr double kScopeWaitS = 30.0;

// The scope page's limits and initial values.
constexpr int kMaxTriggerLevel = 4095, kDefaultTriggerLevel = 2000;
constexpr int kMaxPreTrigger = kScopeSamples - 1;
constexpr int kMaxScanRate = 32767;

const Msg kMsgNoTrigger{"Kein Trigger! \nAufzeichnung abgebrochen nach ",
                        "No trigger! \nCapture broken off after "};

// ---- Option values ---------------------------------------------------------------------------

// A whole decimal number from lo to hi.
bool ParseInt(const std::string &text, int lo, int hi, int *value)
{
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < lo || v > hi)
        return false;
    *value = int(v);
    return true;
}

// 0 (back to back) or kMinRecInterval .. kMaxRecInterval seconds.
bool ParseInterval(const std::string &text, double *seconds)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end || !std::isfinite(v))
        return false;
    if (v != 0 && !(v >= kMinRecInterval && v <= kMaxRecInterval))
        return false;
    *seconds = v;
    return true;
}

// The trigger modes by the names of the TRIGGER MODE items (short or whole, any case, blank,
// hyphen or underscore between the words) or by their values 0..4.
bool ParseTriggerMode(const std::string &text, int *mode)
{
    if (ParseInt(text, 0, 4, mode))
        return true;
    std::string name;
    for (char c : text)
        name += (c == ' ' || c == '_') ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
    static const char *const kNames[][2] = {{"single", "single-shot"},
                                            {"rising", "rising-edge"},
                                            {"falling", "falling-edge"},
                                            {"out0", "internal-out0"},
                                            {"in0", "external-in0"}};
    for (int m = 0; m < 5; ++m)
        if (name == kNames[m][0] || name == kNames[m][1]) {
            *mode = m;
            return true;
        }
    return false;
}

// ---- The record file, written as it grows ----------------------------------------------------

// The recording grows in TARGET.partial beside the target, one flushed line per frame, and is
// renamed over the target once the last frame is in: the target is never half-written, and a
// recording broken off by a link failure or a signal keeps every frame received.

const Msg kMsgRecordBrokenOff{"Aufzeichnung abgebrochen: ", "Recording broken off: "};
const Msg kMsgFramesKeptIn{" Messwerte stehen in ", " frames are kept in "};
const Msg kMsgNoFrameRecorded{"Aufzeichnung abgebrochen: kein Messwert aufgezeichnet",
                              "Recording broken off: no frame recorded"};

// What the signal handler needs, prepared beforehand: it may only write and end.
struct PartialRecording {
    volatile std::sig_atomic_t frames = 0;
    std::string path;           // the partial file
    std::string before, middle; // the message around the frame count
    std::string jsonBefore, jsonMiddle, jsonAfter;
    std::string nothing, jsonNothing; // without a frame: the file goes, and this is said
    bool json = false;
};
PartialRecording gPartial;

// The decimal digits of n, into `out` (at least 12 chars); returns their count.
int Digits(long n, char *out)
{
    char rev[12];
    int k = 0;
    do {
        rev[k++] = char('0' + n % 10);
        n /= 10;
    } while (n > 0 && k < 11);
    for (int i = 0; i < k; ++i)
        out[i] = rev[k - 1 - i];
    return k;
}

extern "C" void KeepPartialAndExit(int signal)
{
    char n[12];
    const int length = Digits(gPartial.frames, n);
    const int out = gPartial.json ? 1 : 2;
    if (gPartial.frames == 0) {
        RemoveFile(gPartial.path);
        const std::string &text = gPartial.json ? gPartial.jsonNothing : gPartial.nothing;
        WriteAll(out, text.data(), text.size());
    } else if (gPartial.json) {
        WriteAll(out, gPartial.jsonBefore.data(), gPartial.jsonBefore.size());
        WriteAll(out, n, unsigned(length));
        WriteAll(out, gPartial.jsonMiddle.data(), gPartial.jsonMiddle.size());
        WriteAll(out, n, unsigned(length));
        WriteAll(out, gPartial.jsonAfter.data(), gPartial.jsonAfter.size());
    } else {
        WriteAll(out, gPartial.before.data(), gPartial.before.size());
        WriteAll(out, n, unsigned(length));
        WriteAll(out, gPartial.middle.data(), gPartial.middle.size());
    }
    ExitNow(128 + signal); // 130 for SIGINT, 143 for SIGTERM, as a shell reports them
}

std::string JsonString(const std::string &text)
{
    const QByteArray a = QJsonDocument(QJsonArray{QString::fromStdString(text)})
                             .toJson(QJsonDocument::Compact);
    return a.mid(1, a.size() - 2).toStdString(); // the quoted, escaped string
}

class RecordTarget {
public:
    // Checks the target and creates the partial file, before anything is asked of the sensor:
    // a place that cannot be written costs no recording.
    bool open(const std::string &path)
    {
        path_ = path;
        partial_ = path + ".partial";
        const PathKind kind = KindOfPath(path);
        if (kind != PathKind::kMissing && (kind != PathKind::kRegularFile || !MayWrite(path)))
            return false;
        const PathKind partialKind = KindOfPath(partial_);
        if (partialKind != PathKind::kMissing && partialKind != PathKind::kRegularFile)
            return false;
        if (!file_.open(partial_, path))
            return false;
        gPartial.frames = 0;
        gPartial.path = partial_;
        gPartial.json = JsonOutput();
        const std::string kept = std::string(Tr(kMsgFramesKeptIn)) + partial_;
        gPartial.before = std::string(Tr(kMsgRecordBrokenOff));
        gPartial.middle = kept + "\n";
        gPartial.jsonBefore = "{\"error\":\"interrupted\",\"message\":" +
                              JsonString(gPartial.before);
        // {"error":"interrupted","message":"Recording broken off: N frames ...","frames":N,
        //  "partial":"PATH"}
        gPartial.jsonBefore.pop_back(); // the closing quote: the count and the rest follow
        gPartial.jsonMiddle = JsonString(kept).substr(1) + ",\"frames\":";
        gPartial.jsonAfter = ",\"partial\":" + JsonString(partial_) + "}\n";
        gPartial.nothing = std::string(Tr(kMsgNoFrameRecorded)) + "\n";
        gPartial.jsonNothing = "{\"error\":\"interrupted\",\"message\":" +
                               JsonString(Tr(kMsgNoFrameRecorded)) + ",\"frames\":0}\n";
        OnTerminationSignals(KeepPartialAndExit);
        return true;
    }

    bool append(const std::string &text) { return file_.append(text) && file_.flush(); }
    void frameWritten() { gPartial.frames = gPartial.frames + 1; }
    int frames() const { return gPartial.frames; }

    // Syncs the partial file and renames it over the target.
    bool commit()
    {
        DefaultTerminationSignals(); // from here on the partial file is complete
        return file_.sync() && file_.close() && RenameFile(partial_, path_);
    }

    // The recording ends early: the partial file stays when it holds a frame, and the operator
    // learns how many and where. Returns `code`.
    int brokenOff(int code)
    {
        file_.close();
        DefaultTerminationSignals();
        if (frames() == 0) {
            RemoveFile(partial_);
            return code;
        }
        Report(std::string(Tr(kMsgRecordBrokenOff)) + std::to_string(frames()) +
               Tr(kMsgFramesKeptIn) + partial_);
        if (JsonOutput()) // as after a signal: how many frames and where
            EmitError(code, {{"frames", frames()}, {"partial", QString::fromStdString(partial_)}});
        return code;
    }

    const std::string &partialPath() const { return partial_; }

private:
    std::string path_, partial_;
    AppendFile file_;
};

int FileNotWritten(const std::string &path)
{
    Report(std::string(Tr(kMsgFileNotWritten)) + path);
    return kExitFile;
}

} // namespace

int Record(const Options &o, bool checkOnly)
{
    double interval = 0;
    if (o.interval.empty())
        return Usage("record needs --interval");
    if (!ParseInterval(o.interval, &interval))
        return Usage("--interval needs 0 (back to back) or seconds from 0.25 to 86400");
    if (o.count < 1)
        return Usage("record needs --count");
    if (o.count > kMaxRecValues)
        return Usage("record --count is at most 65535");
    if (checkOnly)
        return kExitOk;

    const bool toFile = !o.file.empty();
    RecordTarget target;
    if (toFile && !target.open(o.file))
        return FileNotWritten(o.file);

    // The file as the recorder makes it: the header it writes when the file is chosen, then the
    // line it appends for every frame. Standard output gets the same columns, LF-terminated and
    // with milliseconds, or one JSON object per frame.
    if (toFile && !target.append(RecordFileHeader(AppState.LanguageIndex, kScopeTitle,
                                                  o.id.c_str()))) {
        FileNotWritten(target.partialPath());
        return target.brokenOff(kExitFile);
    }
    std::string text = "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\n";
    std::vector<QJsonObject> objects;
    double t0 = Timer();
    for (int i = 0; i < o.count; ++i) {
        Progress("record", i, o.count);
        if (!Exchange(frame::kOrderDataFrame))
            return target.brokenOff(kExitLink);
        // A shorter answer would leave part of the frame to whatever the buffer held.
        if (AppState.RxHeader.length < kDataFrameSize) {
            Report(Tr(kMsgBadData));
            return target.brokenOff(kExitLink);
        }
        const DataFrameRec f = DataFrameFromBytes(AppState.RxBuffer + frame::kHeaderSize);
        const QDateTime now = QDateTime::currentDateTime();
        const std::time_t seconds = std::time_t(now.toSecsSinceEpoch());
        std::tm when{};
        localtime_r(&seconds, &when);
        if (toFile) {
            if (!target.append(RecordLine(f, when))) {
                FileNotWritten(target.partialPath());
                return target.brokenOff(kExitFile);
            }
            target.frameWritten();
        } else if (JsonOutput()) {
            objects.push_back(QJsonObject{{"time", QString::fromStdString(IsoTimeNow())},
                                          {"ch0", f.Ch0},
                                          {"ch1", f.Ch1},
                                          {"temp", f.Temp},
                                          {"sig", f.Sig}});
        } else {
            std::string line = RecordLine(f, when);
            char ms[8];
            std::snprintf(ms, sizeof ms, ".%03d", int(now.time().msec()));
            line.insert(line.find('\t', line.find('\t') + 1), ms); // after the seconds
            line.replace(line.size() - 2, 2, "\n");
            text += line;
        }
        if (i + 1 == o.count)
            break; // the last frame is in: no further interval
        // Each request starts `interval` after the one before it started.
        const double next = t0 + interval;
        while (Timer() < next)
            WaitForEvents(next);
        t0 = NextRecordStart(next, Timer(), interval);
    }
    Progress("record", 0, 0);
    if (toFile) {
        if (!target.commit()) {
            FileNotWritten(o.file);
            return target.brokenOff(kExitFile);
        }
        if (JsonOutput())
            EmitJson({{"file", QString::fromStdString(o.file)}, {"frames", o.count}});
        return kExitOk;
    }
    if (JsonOutput())
        for (const QJsonObject &object : objects)
            EmitJson(object);
    else
        std::fputs(text.c_str(), stdout);
    return kExitOk;
}

namespace {

bool EndsWith(const std::string &text, const char *ending)
{
    const size_t n = std::strlen(ending);
    if (text.size() < n)
        return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != ending[i])
            return false;
    return true;
}

// Reads the capture file of --load: kExitOk, or kExitFile after the failure is reported.
int LoadCapture(const std::string &path, ScopeCapture *capture)
{
    switch (ReadScopeCaptureFile(path, capture)) {
    case CaptureFileResult::kOk: return kExitOk;
    case CaptureFileResult::kNotACapture:
        Report(std::string(Tr(kMsgNotACaptureFile)) + path);
        break;
    case CaptureFileResult::kDamaged: Report(std::string(Tr(kMsgCaptureDamaged)) + path); break;
    default: Report(std::string(Tr(kMsgFileNotRead)) + path); break;
    }
    return kExitFile;
}

// Writes the files asked for: the capture file, then the pictures of the whole capture as the
// report draws it. kExitOk, or kExitFile after the failure is reported.
int WriteCaptureFiles(const Options &o, const ScopeCapture &document)
{
    if (!o.save.empty() && WriteScopeCaptureFile(document, o.save) != CaptureFileResult::kOk) {
        Report(std::string(Tr(kMsgFileNotWritten)) + o.save);
        return kExitFile;
    }
    if (o.png.empty() && o.svg.empty())
        return kExitOk;
    const ReportChart chart = ScopeCaptureChart(document, ScopeChartView{});
    for (const std::string *path : {&o.png, &o.svg}) {
        if (!path->empty() && SaveReportChartPicture(chart, path->c_str()) != 0) {
            Report(std::string(Tr(kMsgFileNotWritten)) + *path);
            return kExitFile;
        }
    }
    return kExitOk;
}

} // namespace

int Scope(const Options &o, bool checkOnly)
{
    ScopeRequest request;
    int mode = 0, level = kDefaultTriggerLevel, pre = 0, rate = 1;
    if (!o.load.empty() && (!o.trigger.empty() || !o.level.empty() || !o.pretrigger.empty() ||
                            !o.rate.empty() || o.triggerWait > 0))
        return Usage("--load takes its capture settings from the file: no --trigger, --level, "
                     "--pretrigger, --rate or --trigger-wait");
    if (!o.trigger.empty() && !ParseTriggerMode(o.trigger, &mode))
        return Usage("--trigger is single, rising, falling, out0 or in0 (or 0 to 4)");
    if (!o.level.empty() && !ParseInt(o.level, 0, kMaxTriggerLevel, &level))
        return Usage("--level needs a number from 0 to 4095");
    if (!o.pretrigger.empty() && !ParseInt(o.pretrigger, 0, kMaxPreTrigger, &pre))
        return Usage("--pretrigger needs a number from 0 to 127");
    if (!o.rate.empty() && !ParseInt(o.rate, 1, kMaxScanRate, &rate))
        return Usage("--rate needs a number from 1 to 32767");
    if (o.csv && JsonOutput())
        return Usage("--csv and --json exclude each other");
    if (!o.png.empty() && !EndsWith(o.png, ".png"))
        return Usage("--png needs a path ending in .png");
    if (!o.svg.empty() && !EndsWith(o.svg, ".svg"))
        return Usage("--svg needs a path ending in .svg");
    ScopeCapture document;
    if (!o.load.empty()) {
        // The file is read before anything is written: a bad one leaves no output behind.
        if (const int read = LoadCapture(o.load, &document); read != kExitOk)
            return read;
    }
    if (checkOnly)
        return kExitOk;

    if (o.load.empty()) {
        request.TriggerMode = int16_t(mode);
        request.TriggerLevel = int16_t(level);
        request.PreTrigger = int16_t(pre);
        request.ScanRate = int16_t(rate);

        // A capture kept as a document carries what it takes to read it later: the cycle time
        // for the time axis and the sensor it came from. A picture needs the time axis too.
        const bool picture = !o.png.empty() || !o.svg.empty();
        if (!o.save.empty() || o.csv || picture) {
            if (GetCycleTime() != 1)
                return kExitLink;
            document.cycleTimeMs = CycleTimeMs;
            document.frequencyHz = CycleTimeMs > 0 ? 1000.0 / CycleTimeMs : 0;
        }
        if (!o.save.empty()) {
            if (!FetchSensorIdentity())
                return kExitLink;
            document.firmware = AppState.FirmwareId;
            document.sensorName = AppState.SensorName;
            document.panelId = AppState.SensorId;
            document.serial = AppState.SensorSerial;
        }
        if (StartScopeCapture(request) != 1)
            return kExitLink;
        // SCAN waits for the trigger until BREAK; a script has no BREAK, so the wait has a
        // bound, after which the tool breaks the capture off as BREAK does.
        const double wait = o.triggerWait > 0 ? o.triggerWait : kScopeWaitS;
        ScopeTracesRec traces;
        const int received = ReceiveScopeBlocks(request, &traces, Timer() + wait);
        if (received == kScopeDeadlinePassed) {
            // Over TCP/IP the blocks gather in RxBuffer: bytes beyond the acknowledge mean that
            // the capture came but not all of it (a cut block), which is no missing trigger.
            const bool partial = AppState.ComProtocol == 1 && AppState.RxCount > frame::kHeaderSize;
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%g s.", wait);
            const std::string message =
                partial ? std::string(Tr(kMsgTimeout)) : std::string(Tr(kMsgNoTrigger)) + seconds;
            BreakDataScan(); // a failure of it is reported as well; the capture is over either way
            Report(message);
            return kExitLink;
        }
        if (received != 1)
            return kExitLink; // reported by the exchange's failure sink
        AppState.ScanRunning = 0;

        document.request = request;
        document.traces = traces;
        document.date = CaptureDateNow();
    }
    if (const int written = WriteCaptureFiles(o, document); written != kExitOk)
        return written;
    if (o.csv) {
        std::fputs(ScopeCaptureCsv(document).c_str(), stdout);
        return kExitOk;
    }

    const ScopeTracesRec &traces = document.traces;
    if (JsonOutput()) {
        static const char *const kModeNames[] = {"single", "rising", "falling", "out0", "in0"};
        const int shownMode = std::clamp(int(document.request.TriggerMode), 0, 4);
        QJsonArray rows;
        for (int k = 0; k < kScopeSamples; ++k)
            rows.append(QJsonObject{{"sample", k},
                                    {"ch0", traces.Ch0Trace[size_t(k)]},
                                    {"ch1", traces.Ch1Trace[size_t(k)]},
                                    {"sig", traces.SigTrace[size_t(k)]},
                                    {"status", int(uint16_t(traces.StatusTrace[size_t(k)]))}});
        EmitJson({{"trigger", kModeNames[shownMode]},
                  {"level", int(document.request.TriggerLevel)},
                  {"pretrigger", int(document.request.PreTrigger)},
                  {"rate", int(document.request.ScanRate)},
                  {"rows", rows}});
        return kExitOk;
    }
    std::string out = "SAMPLE\tCH0\tCH1\tSIG\tSTATUS\n";
    for (int k = 0; k < kScopeSamples; ++k) {
        char row[64];
        std::snprintf(row, sizeof row, "%d\t%d\t%d\t%d\t%u\n", k, traces.Ch0Trace[size_t(k)],
                      traces.Ch1Trace[size_t(k)], traces.SigTrace[size_t(k)],
                      unsigned(uint16_t(traces.StatusTrace[size_t(k)])));
        out += row;
    }
    std::fputs(out.c_str(), stdout);
    return kExitOk;
}
