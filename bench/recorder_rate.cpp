// The recorder against the simulated sensor over TCP loopback, with the real panels (offscreen):
//   - interval recording at 0.25 s: the spacing of the requests as the simulator receives them
//     (median, spread and drift over the run) and the lines in the record file;
//   - triggered recording with the simulator sending by itself every 2 ms (500 frames per
//     second): frames sent against frames recorded and lines written, and how long after the
//     simulator stopped the recorder had caught up;
//   - full-rate triggered recordings of 65,535 frames at 500 and at 1,000 frames per second, the
//     graph panel on screen: the same figures, the rate over the last 5,000 frames against the
//     rate over the first 5,000, and how much the process grew;
//   - the interval recording's per-frame work (graph data, displays, file line) for a day at
//     0.25 s (345,600 frames) back to back without the waits, right after them: the same rate
//     comparison and the growth of the process over both.
// Usage: recorder_rate [interval frames, default 200] [triggered frames, default 2500]
//                      [full-rate frames, default 65535, 0 skips] [day frames, default 345600]
#include "bench/bench_common.h"
#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "live/graphs.h"
#include "live/live.h"
#include "recorder/recorder.h"
#include "sim/sim_runner.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Whole lines (CR LF) after the column names, or all of them in a file without a header; read
// line by line (the figures include the process's memory, which a whole day's file held at once
// would spoil).
size_t CountDataLines(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    size_t n = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line.back() != '\r')
            continue;
        if (line == "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r")
            n = 0;
        else
            ++n;
    }
    return n;
}

// Resident and peak resident size of the process, in MB.
double ProcStatusMb(const char *field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
    return 0;
}

// Starts the peak resident size afresh at the current size.
void ResetPeakRss()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// When the recorded count first reached each value, from samples taken along the run.
struct Progress {
    std::vector<std::pair<double, double>> samples; // (time, recorded)
    double timeOf(double count) const
    {
        for (const auto &[t, n] : samples)
            if (n >= count)
                return t;
        return samples.empty() ? 0 : samples.back().first;
    }
    // Frames per second over the first and over the last `span` of `total` frames.
    std::pair<double, double> edgeRates(double total, double span) const
    {
        if (total < 2 * span)
            return {0, 0};
        return {span / (timeOf(1 + span) - timeOf(1)),
                span / (timeOf(total) - timeOf(total - span))};
    }
};

void SetMode(int mode)
{
    SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_RING_RECORD_MODE, mode);
    CBF_EditSelectDataRec(AppState.TabRecorder, TABP_RECORDER_RING_RECORD_MODE, EVENT_COMMIT,
                          nullptr, 0, 0);
}

} // namespace

int main(int argc, char **argv)
{
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int intervalFrames = argc > 1 ? std::atoi(argv[1]) : 200;
    const int triggeredFrames = argc > 2 ? std::atoi(argv[2]) : 2500;
    const int fullRateFrames = argc > 3 ? std::atoi(argv[3]) : 65535;
    const int dayFrames = argc > 4 ? std::atoi(argv[4]) : 345600;
    if (!bench::LoadPanelsQuietly([](const PopupRequest &r) {
            PopupAnswer a;
            a.result = r.kind == PopupRequest::kConfirm ? 1 : 0;
            return a;
        }))
        return 1;
    DisplayPanel(AppState.MainPanel);

    sim::SimRunner sensor;
    if (!sensor.start())
        return 1;
    std::mutex timesMutex;
    std::vector<double> requestTimes; // seconds, steady clock, requests for a data frame
    sensor.withServer([&](sim::SensorServer &server) {
        QObject::connect(&server, &sim::SensorServer::requestReceived, [&](int order) {
            if (order != frame::kOrderDataFrame)
                return;
            const double t =
                std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                    .count();
            std::lock_guard<std::mutex> lock(timesMutex);
            requestTimes.push_back(t);
        });
    });
    if (!bench::ConnectTcp(sensor))
        return 1;
    AppState.SensorConnected = 1;

    QTemporaryDir dir;
    const std::string path = dir.filePath("bench.dat").toStdString();
    CopyField(AppState.RecordFilePath, path.c_str());

    // Interval recording.
    SetMode(kRecordCount);
    SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_INTERVAL, 0.25);
    SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_REC_VALUES, intervalFrames);
    CBF_ButtonStartRecord(AppState.TabRecorder, TABP_RECORDER_BUTTON_START_RECORD, EVENT_COMMIT,
                          nullptr, 0, 0);
    std::vector<double> times;
    {
        std::lock_guard<std::mutex> lock(timesMutex);
        times = requestTimes;
    }
    std::vector<double> gaps;
    for (size_t i = 1; i < times.size(); ++i)
        gaps.push_back(times[i] - times[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    if (!gaps.empty()) {
        const double span = times.back() - times.front();
        std::printf("interval 0.25 s, %d frames: %zu requests, %zu lines\n", intervalFrames,
                    times.size(), CountDataLines(path));
        std::printf("  spacing median %.4f s, min %.4f s, max %.4f s; drift over the run %+.4f s\n",
                    gaps[gaps.size() / 2], gaps.front(), gaps.back(),
                    span - 0.25 * double(times.size() - 1));
    }

    // Triggered recording: the simulator sends `frames` frames every `intervalMs`.
    struct Triggered {
        int sent = -1;
        double started = 0, stoppedSending = 0, caughtUp = 0, recorded = 0;
        size_t lines = 0;
        Progress progress, sentProgress;
    };
    auto runTriggered = [&](int frames, int intervalMs) {
        std::remove(path.c_str());
        sensor.withModel([&](sim::SensorModel &m) { m.setAutoSendIntervalMs(intervalMs); });
        SetMode(kRecordTriggered);
        SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL, 0.0);
        Triggered r;
        // The simulator counts from the order that starts its sending; until it has that
        // order its count is the previous run's.
        bool sending = false;
        QTimer check;
        check.setTimerType(Qt::PreciseTimer);
        QObject::connect(&check, &QTimer::timeout, [&] {
            double recorded = 0;
            GetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL,
                       &recorded);
            r.progress.samples.emplace_back(Timer(), recorded);
            if (r.sent < 0) {
                int n = 0;
                sensor.withModel([&](sim::SensorModel &m) {
                    sending = sending || m.autoSending();
                    n = sending ? m.autoFramesSent() : 0;
                    if (n >= frames)
                        m.stopAutoSend();
                });
                r.sentProgress.samples.emplace_back(Timer(), double(n));
                if (n >= frames) {
                    r.sent = n;
                    r.stoppedSending = Timer();
                }
            } else if (recorded >= r.sent || Timer() - r.stoppedSending > 60) {
                r.caughtUp = Timer();
                check.stop();
                CBF_ButtonStopRecord(AppState.TabRecorder, TABP_RECORDER_BUTTON_STOP_RECORD,
                                     EVENT_COMMIT, nullptr, 0, 0);
            }
        });
        check.start(5);
        r.started = Timer();
        CBF_ButtonStartTrigRec(AppState.TabRecorder, TABP_RECORDER_BUTTON_START_TRIG_REC,
                               EVENT_COMMIT, nullptr, 0, 0);
        GetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL, &r.recorded);
        r.lines = CountDataLines(path);
        std::printf("triggered, simulator every %d ms: %d sent in %.2f s (%.0f per second), %.0f "
                    "recorded, %zu lines\n",
                    intervalMs, r.sent, r.stoppedSending - r.started,
                    r.sent / (r.stoppedSending - r.started), r.recorded, r.lines);
        std::printf("  the last frame was recorded %.2f s after the simulator stopped sending\n",
                    r.caughtUp - r.stoppedSending);
        return r;
    };

    // Triggered recording at 500 frames per second.
    runTriggered(triggeredFrames, 2);

    // Full rate, the graph panel on screen, and the day's interval recording after it.
    if (fullRateFrames > 0) {
        ShowChildPanelDisp(AppState.GraphPanel);
        QCoreApplication::processEvents();
        const double baseMb = ProcStatusMb("VmRSS:");
        ResetPeakRss();
        for (int intervalMs : {2, 1}) {
            const Triggered r = runTriggered(fullRateFrames, intervalMs);
            const auto [first, last] = r.progress.edgeRates(r.recorded, 5000);
            const auto [sentFirst, sentLast] = r.sentProgress.edgeRates(r.sent, 5000);
            std::printf("  recorded %.0f frames/s over the first 5,000, %.0f over the last 5,000 "
                        "(%.1f %%; the simulator sent them at %.0f and %.0f); process %+.1f MB, "
                        "peak %+.1f MB\n",
                        first, last, first > 0 ? 100.0 * last / first : 0, sentFirst, sentLast,
                        ProcStatusMb("VmRSS:") - baseMb, ProcStatusMb("VmHWM:") - baseMb);
        }
        if (dayFrames > 0) {
            // What an interval recording does with each frame (RecordFrame without the request
            // and the wait): the graph panel, the displays, the live charts, the file line and
            // the count, with the events the program would process between frames.
            std::remove(path.c_str());
            SetMode(kRecordUntilStop);
            InitPanelGraph();
            Progress progress;
            const double t0 = Timer();
            for (int i = 0; i < dayFrames; ++i) {
                DataFrame.Ch0 = int16_t(1500 + (i * 37) % 400);
                DataFrame.Ch1 = int16_t(900 + (i * 13) % 200);
                DataFrame.Sig = int16_t(2000 + (i / 100) % 500 + (i % 9973 == 0 ? 1500 : 0));
                DataFrame.Temp = int16_t(250 + (i / 10000) % 20);
                SetPanelGraphData();
                SetPanelData();
                PlotLiveCharts();
                ToFile();
                SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL,
                           double(i + 1));
                QCoreApplication::processEvents();
                if (i % 1000 == 0 || i + 1 == dayFrames)
                    progress.samples.emplace_back(Timer(), double(i + 1));
                if (std::getenv("RSS_TRACE") && i % 20000 == 0)
                    std::fprintf(stderr, "%d: %+.1f MB peak %+.1f\n", i, ProcStatusMb("VmRSS:") - baseMb, ProcStatusMb("VmHWM:") - baseMb);
            }
            const double took = Timer() - t0;
            const auto [first, last] = progress.edgeRates(dayFrames, 5000);
            std::printf("interval recording's per-frame work, %d frames back to back: %.1f s "
                        "(%.0f per second), %zu lines\n",
                        dayFrames, took, dayFrames / took, CountDataLines(path));
            std::printf("  %.0f frames/s over the first 5,000, %.0f over the last 5,000 (%.1f %%); "
                        "process %+.1f MB, peak %+.1f MB over all full-rate runs\n",
                        first, last, first > 0 ? 100.0 * last / first : 0,
                        ProcStatusMb("VmRSS:") - baseMb, ProcStatusMb("VmHWM:") - baseMb);
        }
    }
    const std::string messages = GetCtrlText(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES);
    if (!messages.empty())
        std::printf("  link messages: %s\n", messages.c_str());
    Shutdown();
    return 0;
}
