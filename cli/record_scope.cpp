// record and scope: data frames at an interval into the app's record file (or as TSV), and one
// scope capture as TSV. Both drive the recorder's and the scope's own functions; what they
// would show on panels goes to standard output instead, and only after the last frame or block
// has arrived, so a failure leaves nothing half-written anywhere.
#include "cli/cli.h"

#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "live/data_frame.h"
#include "recorder/record_file.h"
#include "scope/capture.h"

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

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// ---- The record file, written whole or not at all ----------------------------------------------

// The temporary file beside the target; a signal that ends the tool removes it too.
char gTempPath[4096];

extern "C" void RemoveTempAndExit(int signal)
{
    if (gTempPath[0])
        ::unlink(gTempPath);
    ::_exit(128 + signal);
}

class RecordTarget {
public:
    // Checks the target and creates the temporary file, before anything is asked of the sensor:
    // a place that cannot be written costs no recording.
    bool open(const std::string &path)
    {
        path_ = path;
        struct stat st;
        if (::stat(path.c_str(), &st) == 0) {
            if (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0)
                return false;
            keepMode_ = true;
            mode_ = st.st_mode & 07777;
        } else if (errno != ENOENT) {
            return false;
        }
        const std::string temp = path + ".tmpXXXXXX";
        if (temp.size() >= sizeof gTempPath)
            return false;
        std::memcpy(gTempPath, temp.c_str(), temp.size() + 1);
        fd_ = ::mkstemp(gTempPath);
        if (fd_ < 0) {
            gTempPath[0] = 0;
            return false;
        }
        ::fchmod(fd_, keepMode_ ? mode_ : 0666 & ~CurrentUmask());
        std::signal(SIGINT, RemoveTempAndExit);
        std::signal(SIGTERM, RemoveTempAndExit);
        std::signal(SIGHUP, RemoveTempAndExit);
        return true;
    }

    // Writes the whole text, syncs it and renames it over the target.
    bool commit(const std::string &text)
    {
        bool ok = true;
        for (size_t done = 0; ok && done < text.size();) {
            const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            done += ok ? size_t(n) : 0;
        }
        ok = ok && (::fsync(fd_) == 0 || errno == EINVAL);
        ok = ::close(fd_) == 0 && ok;
        fd_ = -1;
        ok = ok && ::rename(gTempPath, path_.c_str()) == 0;
        if (ok)
            gTempPath[0] = 0;
        return ok;
    }

    ~RecordTarget()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (gTempPath[0])
            ::unlink(gTempPath);
        gTempPath[0] = 0;
    }

private:
    static mode_t CurrentUmask()
    {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }

    std::string path_;
    int fd_ = -1;
    bool keepMode_ = false;
    mode_t mode_ = 0;
};

int FileNotWritten(const std::string &path)
{
    Print(stderr, std::string(Tr(kMsgFileNotWritten)) + path);
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
    // line it appends for every frame. Standard output gets the same columns, LF-terminated.
    std::string text = toFile ? RecordFileHeader(AppState.LanguageIndex, kScopeTitle, o.id.c_str())
                              : std::string("DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\n");
    double t0 = Timer();
    for (int i = 0; i < o.count; ++i) {
        if (!Exchange(frame::kOrderDataFrame))
            return kExitLink;
        // A shorter answer would leave part of the frame to whatever the buffer held.
        if (AppState.RxHeader.length < kDataFrameSize) {
            Print(stderr, Tr(kMsgBadData));
            return kExitLink;
        }
        const DataFrameRec f = DataFrameFromBytes(AppState.RxBuffer + frame::kHeaderSize);
        const std::time_t now = std::time(nullptr);
        std::tm when{};
        localtime_r(&now, &when);
        std::string line = RecordLine(f, when);
        if (!toFile)
            line.replace(line.size() - 2, 2, "\n");
        text += line;
        if (i + 1 == o.count)
            break; // the last frame is in: no further interval
        // Each request starts `interval` after the one before it started.
        const double next = t0 + interval;
        while (Timer() < next)
            WaitForEvents(next);
        t0 = NextRecordStart(next, Timer(), interval);
    }
    if (!toFile) {
        std::fputs(text.c_str(), stdout);
        return kExitOk;
    }
    return target.commit(text) ? kExitOk : FileNotWritten(o.file);
}

int Scope(const Options &o, bool checkOnly)
{
    ScopeRequest request;
    int mode = 0, level = kDefaultTriggerLevel, pre = 0, rate = 1;
    if (!o.trigger.empty() && !ParseTriggerMode(o.trigger, &mode))
        return Usage("--trigger is single, rising, falling, out0 or in0 (or 0 to 4)");
    if (!o.level.empty() && !ParseInt(o.level, 0, kMaxTriggerLevel, &level))
        return Usage("--level needs a number from 0 to 4095");
    if (!o.pretrigger.empty() && !ParseInt(o.pretrigger, 0, kMaxPreTrigger, &pre))
        return Usage("--pretrigger needs a number from 0 to 127");
    if (!o.rate.empty() && !ParseInt(o.rate, 1, kMaxScanRate, &rate))
        return Usage("--rate needs a number from 1 to 32767");
    if (checkOnly)
        return kExitOk;
    request.TriggerMode = int16_t(mode);
    request.TriggerLevel = int16_t(level);
    request.PreTrigger = int16_t(pre);
    request.ScanRate = int16_t(rate);

    if (StartScopeCapture(request) != 1)
        return kExitLink;
    // SCAN waits for the trigger until BREAK; a script has no BREAK, so the wait has a bound,
    // after which the tool breaks the capture off as BREAK does.
    const double wait = o.timeout > 0 ? o.timeout : kScopeWaitS;
    ScopeTracesRec traces;
    const int received = ReceiveScopeBlocks(request, &traces, Timer() + wait);
    if (received == kScopeDeadlinePassed) {
        // Over TCP/IP the blocks gather in RxBuffer: bytes beyond the acknowledge mean that the
        // capture came but not all of it (a cut block), which is no missing trigger.
        const bool partial = AppState.ComProtocol == 1 && AppState.RxCount > frame::kHeaderSize;
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g s.", wait);
        const std::string message =
            partial ? std::string(Tr(kMsgTimeout)) : std::string(Tr(kMsgNoTrigger)) + seconds;
        BreakDataScan(); // a failure of it is reported as well; the capture is over either way
        Print(stderr, message);
        return kExitLink;
    }
    if (received != 1)
        return kExitLink; // reported by the exchange's failure sink
    AppState.ScanRunning = 0;

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
