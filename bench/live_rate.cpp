// The live loop's frame rate: GO against the simulated sensor with the real panels and widgets
// (offscreen), every frame through SetPanelData and both chart re-plots. Three runs:
//   - TCP loopback, as fast as the exchange allows;
//   - a pseudo-terminal through a model of a 115200 baud line (10 bits per byte in both
//     directions, so a request of 8 and an answer of 28 bytes allow 320 frames per second);
//   - a sensor that never answers, to see what waiting costs.
// Prints frames per second and the CPU seconds per wall second of the program's thread (the
// simulator and the line model run in threads of their own and are not counted).
// Usage: live_rate [seconds per run, default 5]
#include "app/appstate.h"
#include "app/rs232.h"
#include "app/startup.h"
#include "app/ui.h"
#include "link/exchange.h"
#include "live/live.h"
#include "sim/sim_runner.h"

#include <QApplication>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <thread>
#include <time.h>

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

int64_t NowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// A serial line between a pseudo-terminal (the program's COM port) and the simulator's TCP
// port: every byte, in either direction, is handed on when its last bit would have arrived at
// the line's baud rate. Runs in its own thread with nanosecond timing.
class PacedLine {
public:
    bool open(quint16 sensorPort, int baud)
    {
        byteNs_ = 10.0 * 1e9 / baud;
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

        tcp_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(sensorPort);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(tcp_, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0)
            return false;
        const int one = 1;
        setsockopt(tcp_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        fcntl(tcp_, F_SETFL, O_NONBLOCK);
        thread_ = std::thread([this] { run(); });
        return true;
    }
    ~PacedLine()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        for (int fd : {tcp_, slave_, master_})
            if (fd >= 0)
                ::close(fd);
    }
    const std::string &path() const { return path_; }

private:
    struct Byte {
        int64_t due;
        uint8_t value;
    };
    // Takes what `fd` has into `queue`, each byte due one byte time after the one before (or
    // after now, when the line was idle).
    void take(int fd, std::deque<Byte> &queue, int64_t *lineFree)
    {
        uint8_t buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        const int64_t now = NowNs();
        for (ssize_t i = 0; i < n; ++i) {
            *lineFree = std::max(*lineFree, now) + int64_t(byteNs_);
            queue.push_back({*lineFree, buf[i]});
        }
    }
    static void hand(int fd, std::deque<Byte> &queue, int64_t now)
    {
        uint8_t buf[512];
        int n = 0;
        while (!queue.empty() && queue.front().due <= now && n < int(sizeof buf)) {
            buf[n++] = queue.front().value;
            queue.pop_front();
        }
        if (n > 0 && ::write(fd, buf, size_t(n)) != n)
            queue.clear(); // a line that cannot take the bytes loses them
    }
    // When to hand bytes on next: the last byte of a burst exactly when it is due, earlier
    // bytes in chunks about once a millisecond, as a UART driver passes them up.
    static int64_t NextHandOn(const std::deque<Byte> &queue, int64_t now)
    {
        if (queue.empty())
            return INT64_MAX;
        return std::min(queue.back().due, std::max(queue.front().due, now + 1000000));
    }
    void run()
    {
        // The wake-up of a sleeping thread is late by tens of microseconds; the last few are
        // waited out awake so that a burst ends on time.
        constexpr int64_t kAwakeNs = 60000;
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        std::deque<Byte> toSensor, toProgram;
        int64_t inFree = 0, outFree = 0;
        while (!stop_) {
            int64_t now = NowNs();
            const int64_t next = std::min({now + 20000000, NextHandOn(toSensor, now),
                                           NextHandOn(toProgram, now)});
            pollfd fds[2] = {{master_, POLLIN, 0}, {tcp_, POLLIN, 0}};
            const int64_t sleep = next - now - kAwakeNs;
            const timespec ts{time_t(std::max<int64_t>(0, sleep) / 1000000000),
                              long(std::max<int64_t>(0, sleep) % 1000000000)};
            if (ppoll(fds, 2, &ts, nullptr) > 0) {
                if (fds[0].revents & POLLIN)
                    take(master_, toSensor, &inFree);
                if (fds[1].revents & POLLIN)
                    take(tcp_, toProgram, &outFree);
                continue;
            }
            while ((now = NowNs()) < next)
                ;
            hand(tcp_, toSensor, now);
            hand(master_, toProgram, now);
        }
    }

    double byteNs_ = 0;
    int master_ = -1, slave_ = -1, tcp_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

struct Run {
    size_t frames = 0;
    double wall = 0;
    double cpu = 0;
    bool endedByFailure = false;
};

size_t DataRequests(sim::SimRunner &sensor)
{
    size_t n = 0;
    for (const auto &f : sensor.receivedFrames())
        n += f.size() > 1 && f[1] == 8;
    return n;
}

// GO, and STOP after `seconds`, exactly as the operator's buttons do it.
Run RunLive(sim::SimRunner &sensor, double seconds)
{
    sensor.clearLog();
    AppState.SensorConnected = 1;
    QTimer::singleShot(int(seconds * 1000), Qt::PreciseTimer, [] {
        CBF_ButtonStop(AppState.MainPanel, MAINP_BUTTON_STOP, EVENT_COMMIT, nullptr, 0, 0);
    });
    Run r;
    const double t0 = Timer(), cpu0 = ThreadCpuSeconds();
    CBF_ButtonGo(AppState.MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    r.wall = Timer() - t0;
    r.cpu = ThreadCpuSeconds() - cpu0;
    r.frames = DataRequests(sensor);
    r.endedByFailure = AppState.SensorConnected == 0;
    ProcessSystemEvents(); // the stop timer of a run that failed early
    return r;
}

void Report(const char *what, const Run &r, double limit = 0)
{
    const double rate = r.wall > 0 ? r.frames / r.wall : 0;
    std::printf("%-44s %7zu frames in %5.2f s = %7.1f frames/s", what, r.frames, r.wall, rate);
    if (limit > 0)
        std::printf(" (%5.1f %% of %.0f)", 100.0 * rate / limit, limit);
    std::printf(", CPU %.3f s/s%s\n", r.wall > 0 ? r.cpu / r.wall : 0,
                r.endedByFailure ? "  [ended by a link failure]" : "");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    InitUserInterfaceLayer();
    if (LoadPanels() < 0)
        return 1;
    SetPopupResponder([](const PopupRequest &) { return PopupAnswer{}; });
    ShowChildPanelDisp(AppState.DataPanel);
    DisplayPanel(AppState.MainPanel);

    sim::SimRunner sensor;
    if (!sensor.start())
        return 1;

    // TCP loopback.
    AppState.ComProtocol = 1;
    CopyField(AppState.ServerAddress, "127.0.0.1");
    AppState.PortNumber = sensor.tcpPort();
    InitTCP_IP();
    if (!AppState.TcpConnected)
        return 1;
    Report("live loop, TCP loopback:", RunLive(sensor, seconds));

    // Waiting for an answer that never comes (3 s, then the link failure ends the loop).
    sensor.setSilent(true);
    Run idle = RunLive(sensor, 10.0);
    idle.frames = 0;
    Report("waiting for a frame that never comes (TCP):", idle);
    sensor.setSilent(false);
    CloseLink();

    // A 115200 baud line on a pseudo-terminal.
    PacedLine line;
    if (!line.open(sensor.tcpPort(), kLineBaud))
        return 1;
    AppState.ComProtocol = 0;
    AppState.ComPort = uint16_t(ComPortFromDevice(line.path()));
    AppState.BaudrateIndex = 4;
    InitRS232();
    if (AppState.OpenResult < 0)
        return 1;
    Report("live loop, 115200 baud pseudo-terminal:", RunLive(sensor, seconds), kLineLimit);

    sensor.setSilent(true);
    idle = RunLive(sensor, 10.0);
    idle.frames = 0;
    Report("waiting for a frame that never comes (RS-232):", idle);

    Shutdown();
    return 0;
}
