// The live loop's frame rate: GO against the simulated sensor with the real panels and widgets
// (offscreen), every frame through SetPanelData and both chart re-plots. Runs:
//   - TCP loopback, as fast as the exchange allows;
//   - a pseudo-terminal with the simulated sensor pacing its line at 115200 baud (10 bits per
//     byte in both directions, so a request of 8 and an answer of 28 bytes allow 320 frames per
//     second);
//   - on the same line the bare exchange without any display;
//   - over each link, a sensor that never answers, to see what waiting costs.
//   - on the same line a minimal reader with plain system calls: the ceiling this machine's
//     pseudo-terminals and scheduler allow any program;
// Prints frames per second and the CPU seconds per wall second of the program's thread (the
// simulated sensors run in threads of their own and are not counted).
// Usage: live_rate [seconds per run, default 5]
#include "bench/bench_common.h"
#include "app/appstate.h"
#include "platform/rs232.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "live/data_frame.h"
#include "live/graphs.h"
#include "live/live.h"
#include "sim/sensor_model.h"
#include "sim/sim_runner.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

namespace {

constexpr int kLineBaud = 115200;
constexpr double kLineLimit = kLineBaud / 10.0 / 36.0; // frames per second

double ThreadCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

timespec ThreadClock()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts;
}

int64_t NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The simulated sensor on a serial line: a pseudo-terminal (the program's COM port) whose far
// end this thread serves with the sensor model. Every byte, in either direction, counts as
// arrived when its last bit would have at the line's baud rate, so a request is carried out
// only when all of it has come in, and an answer reaches the program byte by byte at the line's
// pace. Nanosecond timing, in a thread of its own.
class SensorOnLine {
public:
    bool open(int baud)
    {
        byteNs_ = int64_t(10.0 * 1e9 / baud);
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return false;
        path_ = ptsname(master_);
        slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
        if (slave_ < 0)
            return false;
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
        start_ = NowNs();
        thread_ = std::thread([this] { run(); });
        return true;
    }
    ~SensorOnLine()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        for (int fd : {slave_, master_})
            if (fd >= 0)
                ::close(fd);
    }
    const std::string &path() const { return path_; }
    void setSilent(bool silent) { silent_ = silent; }
    size_t dataRequests() const { return dataRequests_; }
    void clearCount()
    {
        dataRequests_ = 0;
        std::lock_guard<std::mutex> lock(mutex_);
        turnarounds_.clear();
        lateNs_ = 0;
        lateCount_ = 0;
    }
    // From the last byte of an answer to the first byte of the next request: the time the
    // program's side adds to every frame (median and 90th percentile, microseconds).
    std::pair<double, double> turnaround() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<int64_t> t = turnarounds_;
        if (t.empty())
            return {0, 0};
        std::sort(t.begin(), t.end());
        return {t[t.size() / 2] / 1e3, t[t.size() * 9 / 10] / 1e3};
    }
    double meanTurnaround() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        double sum = 0;
        for (int64_t t : turnarounds_)
            sum += double(t);
        return turnarounds_.empty() ? 0 : sum / double(turnarounds_.size()) / 1e3;
    }
    // How late this simulated line delivers the last byte of a request to the sensor and of
    // an answer to the program, summed per frame (mean, microseconds): the rig's own error.
    double meanLateness() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lateCount_ ? double(lateNs_) / double(lateCount_) / 1e3 : 0;
    }

private:
    struct Byte {
        int64_t due;
        uint8_t value;
    };
    // Queues `bytes` on a line that is free from *lineFree on, not before `earliest`.
    void queue(std::deque<Byte> &q, const uint8_t *bytes, size_t n, int64_t earliest,
               int64_t *lineFree)
    {
        for (size_t i = 0; i < n; ++i) {
            *lineFree = std::max(*lineFree, earliest) + byteNs_;
            q.push_back({*lineFree, bytes[i]});
        }
    }
    // The requests complete in `rx`, answered as the sensor model answers them.
    void serve(int64_t now)
    {
        while (rx_.size() >= size_t(frame::kHeaderSize)) {
            frame::Header h;
            if (rx_[0] != frame::kStartByte ||
                frame::CheckHeader(rx_.data(), &h) != frame::HeaderCheck::kGood) {
                rx_.erase(rx_.begin()); // resynchronise on the next start byte
                continue;
            }
            if (rx_.size() < size_t(frame::kHeaderSize + h.length))
                return;
            if (h.order == frame::kOrderDataFrame)
                ++dataRequests_;
            if (!silent_) {
                const sim::Response r =
                    model_.Handle(h, rx_.data() + frame::kHeaderSize, (now - start_) * 1e-9);
                for (const sim::Reply &reply : r.replies)
                    queue(toProgram_, reply.bytes.data(), reply.bytes.size(),
                          now + int64_t(reply.delayMs) * 1000000, &outFree_);
            }
            rx_.erase(rx_.begin(), rx_.begin() + frame::kHeaderSize + h.length);
        }
    }
    // When to act next: the last byte of a burst exactly when it is due, earlier bytes in
    // chunks about once a millisecond, as a UART driver passes them on.
    static int64_t NextDue(const std::deque<Byte> &q, int64_t now)
    {
        if (q.empty())
            return INT64_MAX;
        return std::min(q.back().due, std::max(q.front().due, now + 1000000));
    }
    void addLateness(int64_t ns, bool endsFrame)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lateNs_ += ns;
        lateCount_ += endsFrame;
    }
    void run()
    {
        // A sleeping thread wakes tens of microseconds late; the last stretch before a byte is
        // due is waited out awake so that a burst ends on time, and so is the short time in
        // which the program's next request is expected after an answer: a UART sees a request
        // the moment it is written, not a wake-up later.
        constexpr int64_t kAwakeNs = 200000;
        constexpr int64_t kRequestWatchNs = 1500000;
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        // On a busy machine a sleeping thread may wake a tenth of a millisecond late, which
        // would count against the program; a real-time priority, where allowed, keeps the
        // line's pace. The program under test keeps its ordinary priority.
        sched_param sp{};
        sp.sched_priority = 10;
        realTime_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0;
        int64_t inFree = 0;
        while (!stop_) {
            int64_t now = NowNs();
            const int64_t next =
                std::min({now + 20000000, NextDue(fromProgram_, now), NextDue(toProgram_, now)});
            const bool watch = answeredAt_ > 0 && now - answeredAt_ < kRequestWatchNs;
            const int64_t sleep = watch ? 0 : std::max<int64_t>(0, next - now - kAwakeNs);
            const timespec ts{time_t(sleep / 1000000000), long(sleep % 1000000000)};
            pollfd fd{master_, POLLIN, 0};
            if (ppoll(&fd, 1, &ts, nullptr) > 0 && (fd.revents & POLLIN)) {
                uint8_t buf[512];
                const ssize_t n = ::read(master_, buf, sizeof buf);
                const int64_t at = NowNs();
                if (n > 0 && answeredAt_ > 0) {
                    std::lock_guard<std::mutex> lock(mutex_);
                    turnarounds_.push_back(at - answeredAt_);
                    answeredAt_ = 0;
                }
                if (n > 0)
                    queue(fromProgram_, buf, size_t(n), at, &inFree);
                continue;
            }
            if (watch && NowNs() < next)
                continue;
            while ((now = NowNs()) < next)
                ;
            while (!fromProgram_.empty() && fromProgram_.front().due <= now) {
                if (fromProgram_.size() == 1)
                    addLateness(now - fromProgram_.front().due, false);
                rx_.push_back(fromProgram_.front().value);
                fromProgram_.pop_front();
            }
            serve(now);
            uint8_t out[512];
            size_t n = 0;
            while (!toProgram_.empty() && toProgram_.front().due <= now && n < sizeof out) {
                if (toProgram_.size() == 1)
                    addLateness(now - toProgram_.front().due, true);
                out[n++] = toProgram_.front().value;
                toProgram_.pop_front();
            }
            if (n > 0 && ::write(master_, out, n) != ssize_t(n))
                toProgram_.clear(); // a line nobody reads loses its bytes
            if (n > 0 && toProgram_.empty())
                answeredAt_ = NowNs();
        }
    }

    sim::SensorModel model_;
    int64_t byteNs_ = 0;
    int64_t start_ = 0;
    int64_t outFree_ = 0;
    std::deque<Byte> fromProgram_, toProgram_;
    std::vector<uint8_t> rx_;
    int master_ = -1, slave_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};
    std::atomic<size_t> dataRequests_{0};
    int64_t answeredAt_ = 0;
    mutable std::mutex mutex_;
    std::vector<int64_t> turnarounds_;
    int64_t lateNs_ = 0;
    int64_t lateCount_ = 0;

public:
    bool realTime_ = false;
};

struct Run {
    size_t frames = 0;
    double wall = 0;
    double cpu = 0;
    bool endedByFailure = false;
    bool lastShown = true; // the displays and the chart buffer hold the last frame received
};

size_t DataRequests(sim::SimRunner &sensor)
{
    size_t n = 0;
    for (const auto &f : sensor.receivedFrames())
        n += f.size() > 1 && f[1] == 8;
    return n;
}

// GO, and STOP after `seconds`, exactly as the operator's buttons do it. `requests` counts the
// data requests the sensor received.
Run RunLive(double seconds, const std::function<size_t()> &requests)
{
    AppState.SensorConnected = 1;
    QTimer stop;
    stop.setSingleShot(true);
    stop.setTimerType(Qt::PreciseTimer);
    QObject::connect(&stop, &QTimer::timeout, [] {
        CBF_ButtonStop(AppState.MainPanel, MAINP_BUTTON_STOP, EVENT_COMMIT, nullptr, 0, 0);
    });
    stop.start(int(seconds * 1000));
    Run r;
    const double t0 = Timer(), cpu0 = ThreadCpuSeconds();
    CBF_ButtonGo(AppState.MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    r.wall = Timer() - t0;
    r.cpu = ThreadCpuSeconds() - cpu0;
    r.frames = requests();
    r.endedByFailure = AppState.SensorConnected == 0;
    int sig = 0, ch0 = 0;
    GetCtrlVal(AppState.DataPanel, DATAP_NUMERIC_SIG, &sig);
    GetCtrlVal(AppState.DataPanel, DATAP_NUMERIC_CH0, &ch0);
    r.lastShown = sig == DataFrame.Sig && ch0 == DataFrame.Ch0 &&
                  AnalogBuffer()[kAnalogBufferSize - 2] == DataFrame.Ch0;
    return r;
}

void Report(const char *what, const Run &r, double limit = 0)
{
    const double rate = r.wall > 0 ? r.frames / r.wall : 0;
    std::printf("%-44s %7zu frames in %5.2f s = %7.1f frames/s", what, r.frames, r.wall, rate);
    if (limit > 0)
        std::printf(" (%5.1f %% of %.0f)", 100.0 * rate / limit, limit);
    std::printf(", CPU %.3f s/s%s%s\n", r.wall > 0 ? r.cpu / r.wall : 0,
                r.endedByFailure ? "  [ended by a link failure]" : "",
                r.lastShown ? "" : "  [LAST FRAME NOT SHOWN]");
    std::fflush(stdout);
}

// Requests data frames on the serial device `path` with nothing but write, poll and read.
Run RunMinimalReader(const std::string &path, double seconds,
                     const std::function<size_t()> &requests)
{
    Run r;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return r;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    const std::vector<uint8_t> request = frame::Build(frame::kOrderDataFrame, 0);
    const size_t answer = size_t(frame::kHeaderSize) + 20;
    const double t0 = Timer(), cpu0 = ThreadCpuSeconds();
    while (Timer() - t0 < seconds) {
        if (::write(fd, request.data(), request.size()) != ssize_t(request.size()))
            break;
        uint8_t in[64];
        size_t got = 0;
        while (got < answer) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 3000) <= 0)
                break;
            const ssize_t n = ::read(fd, in, sizeof in);
            if (n <= 0)
                break;
            got += size_t(n);
        }
        if (got < answer) {
            r.endedByFailure = true;
            break;
        }
    }
    r.wall = Timer() - t0;
    r.cpu = ThreadCpuSeconds() - cpu0;
    r.frames = requests();
    ::close(fd);
    return r;
}

// What one show of the live page costs: five frames into the chart buffers, then the displays,
// the LEDs and both strip charts brought up to the last of them and painted, a screen refresh
// apart as in the live loop (the displays' text changes with every third show). Thread CPU time
// per show, the mean of `count` (microseconds).
double ShowCostUs(int count)
{
    constexpr int kScreenRefreshMs = 16;
    constexpr int kWarmUp = 10; // the first shows lay out and cache what the rest reuse
    double cost = 0;
    for (int i = -kWarmUp; i < count; ++i) {
        QThread::msleep(kScreenRefreshMs);
        const timespec start = ThreadClock();
        for (int f = 0; f < 5; ++f) {
            const int n = (i + kWarmUp) * 5 + f;
            DataFrame.Ch0 = int16_t(1500 + (n * 37) % 400);
            DataFrame.Ch1 = int16_t(1400 + (n * 53) % 300);
            DataFrame.Sig = int16_t(2000 + (n * 71) % 900);
            DataFrame.Ref = int16_t(1800 + (n * 13) % 50);
            DataFrame.Temp = int16_t(250 + n % 3);
            DataFrame.Max = int16_t(2900 + n % 7);
            DataFrame.Min = int16_t(1000 + n % 5);
            DataFrame.AnaOut = int16_t((n * 97) % 4096);
            DataFrame.DigBits = uint8_t(n / 10 % 4);
            AddFrameToGraphBuffers();
        }
        SetPanelData();
        PlotLiveCharts();
        QCoreApplication::processEvents();
        const timespec end = ThreadClock();
        if (i >= 0)
            cost += double(end.tv_sec - start.tv_sec) * 1e6 +
                    double(end.tv_nsec - start.tv_nsec) / 1e3;
    }
    return count > 0 ? cost / count : 0;
}

} // namespace

int main(int argc, char **argv)
{
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    const double seconds = argc > 1 && std::atof(argv[1]) > 0 ? std::atof(argv[1]) : 5.0;
    double load[3] = {};
    if (getloadavg(load, 3) == 3)
        std::printf("load average at start: %.2f %.2f %.2f (%ld cores)\n", load[0], load[1],
                    load[2], sysconf(_SC_NPROCESSORS_ONLN));
    if (!bench::LoadPanelsQuietly())
        return 1;
    ShowChildPanelDisp(AppState.DataPanel);
    DisplayPanel(AppState.MainPanel);

    int shownPage = 0;
    GetActiveTabPage(AppState.DataPanel, DATAP_TAB_DATA, &shownPage);
    for (int page : {0, 1}) {
        SetActiveTabPage(AppState.DataPanel, DATAP_TAB_DATA, page);
        std::printf("one show of the live page, %s chart in view (five frames, the displays and "
                    "LEDs, both charts, painted): %.0f us of CPU (mean of 300)\n",
                    page == 0 ? "analog" : "evaluation", ShowCostUs(300));
    }
    SetActiveTabPage(AppState.DataPanel, DATAP_TAB_DATA, shownPage);
    std::fflush(stdout);

    sim::SimRunner sensor;
    if (!sensor.start())
        return 1;

    // TCP loopback.
    if (!bench::ConnectTcp(sensor))
        return 1;
    sensor.clearLog();
    Report("live loop, TCP loopback:", RunLive(seconds, [&] { return DataRequests(sensor); }));

    // Waiting for an answer that never comes (3 s, then the link failure ends the loop).
    sensor.setSilent(true);
    Run idle = RunLive(10.0, [] { return size_t(0); });
    Report("waiting for a frame that never comes (TCP):", idle);
    sensor.setSilent(false);
    CloseLink();

    // The sensor on a 115200 baud line behind a pseudo-terminal. The live loop, the bare
    // exchange and a minimal reader take turns on it, so that all three see the same state of
    // the machine; each figure sums its turns.
    SensorOnLine line;
    if (!line.open(kLineBaud))
        return 1;
    const auto openPort = [&] {
        AppState.ComProtocol = 0;
        AppState.ComPort = uint16_t(ComPortFromDevice(line.path()));
        AppState.BaudrateIndex = 4;
        InitRS232();
        return AppState.OpenResult >= 0;
    };
    constexpr int kTurns = 3;
    Run live, bare, minimal;
    std::vector<double> liveTurnaround, liveLateness, minimalTurnaround;
    const auto add = [](Run *sum, const Run &r) {
        sum->frames += r.frames;
        sum->wall += r.wall;
        sum->cpu += r.cpu;
        sum->endedByFailure |= r.endedByFailure;
        sum->lastShown &= r.lastShown;
    };
    for (int turn = 0; turn < kTurns; ++turn) {
        if (!openPort())
            return 1;
        line.clearCount();
        add(&live, RunLive(seconds, [&] { return line.dataRequests(); }));
        liveTurnaround.push_back(line.meanTurnaround());
        liveLateness.push_back(line.meanLateness());

        // Nothing but the exchange.
        line.clearCount();
        Run r;
        const double t0 = Timer(), cpu0 = ThreadCpuSeconds();
        while (Timer() - t0 < seconds / 2) {
            FillTxBuf(frame::kOrderDataFrame, 0, 0);
            if (DataExchange(frame::kHeaderSize) != 1)
                break;
        }
        r.wall = Timer() - t0;
        r.cpu = ThreadCpuSeconds() - cpu0;
        r.frames = line.dataRequests();
        add(&bare, r);
        CloseLink();

        // A reader that does nothing but write the request and read the answer with plain
        // system calls: what this machine's pseudo-terminals allow at all.
        line.clearCount();
        add(&minimal, RunMinimalReader(line.path(), seconds / 2, [&] { return line.dataRequests(); }));
        minimalTurnaround.push_back(line.meanTurnaround());
    }
    const auto mean = [](const std::vector<double> &v) {
        double sum = 0;
        for (double x : v)
            sum += x;
        return v.empty() ? 0 : sum / double(v.size());
    };
    Report("live loop, 115200 baud pseudo-terminal:", live, kLineLimit);
    Report("the bare exchange on the same line:", bare, kLineLimit);
    Report("a minimal reader on the same line:", minimal, kLineLimit);
    const double liveRate = live.wall > 0 ? live.frames / live.wall : 0;
    const double minimalRate = minimal.wall > 0 ? minimal.frames / minimal.wall : 0;
    std::printf("  the live loop reaches %.1f %% of what the minimal reader gets from this line\n",
                minimalRate > 0 ? 100.0 * liveRate / minimalRate : 0);
    std::printf("  turnaround per frame, from an answer's last byte to the next request: live "
                "loop %.0f us, minimal reader %.0f us (means)\n",
                mean(liveTurnaround), mean(minimalTurnaround));
    std::printf("  the simulated line's own lateness per frame: mean %.0f us%s\n",
                mean(liveLateness), line.realTime_ ? "" : " (no real-time priority)");

    if (!openPort())
        return 1;
    line.setSilent(true);
    idle = RunLive(10.0, [] { return size_t(0); });
    Report("waiting for a frame that never comes (RS-232):", idle);

    Shutdown();
    return 0;
}
