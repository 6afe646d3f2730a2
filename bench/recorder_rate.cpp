// The recorder against the simulated sensor over TCP loopback, with the real panels (offscreen):
//   - interval recording at 0.25 s: the spacing of the requests as the simulator receives them
//     (median, spread and drift over the run) and the lines in the record file;
//   - triggered recording with the simulator sending by itself every 2 ms (500 frames per
//     second): frames sent against frames recorded and lines written, and how long after the
//     simulator stopped the recorder had caught up.
// Usage: recorder_rate [interval frames, default 200] [triggered frames, default 2500]
#include "bench/bench_common.h"
#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "link/exchange.h"
#include "recorder/recorder.h"
#include "sim/sim_runner.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace {

size_t CountDataLines(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string columns = "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n";
    size_t at = text.find(columns);
    at = at == std::string::npos ? 0 : at + columns.size();
    size_t n = 0;
    for (; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
        ++n;
    return n;
}

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

    // Triggered recording at 500 frames per second.
    std::remove(path.c_str());
    sensor.withModel([](sim::SensorModel &m) { m.setAutoSendIntervalMs(2); });
    SetMode(kRecordTriggered);
    int sent = -1;
    double started = Timer(), stoppedSending = 0, caughtUp = 0;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        double recorded = 0;
        GetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL, &recorded);
        if (sent < 0) {
            int n = 0;
            sensor.withModel([&](sim::SensorModel &m) {
                n = m.autoFramesSent();
                if (n >= triggeredFrames)
                    m.stopAutoSend();
            });
            if (n >= triggeredFrames) {
                sent = n;
                stoppedSending = Timer();
            }
        } else if (recorded >= sent || Timer() - stoppedSending > 60) {
            caughtUp = Timer();
            check.stop();
            CBF_ButtonStopRecord(AppState.TabRecorder, TABP_RECORDER_BUTTON_STOP_RECORD,
                                 EVENT_COMMIT, nullptr, 0, 0);
        }
    });
    check.start(20);
    started = Timer();
    CBF_ButtonStartTrigRec(AppState.TabRecorder, TABP_RECORDER_BUTTON_START_TRIG_REC, EVENT_COMMIT,
                           nullptr, 0, 0);
    double recorded = 0;
    GetCtrlVal(AppState.TabRecorder, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL, &recorded);
    std::printf("triggered, simulator every 2 ms: %d sent in %.2f s (%.0f per second), %.0f "
                "recorded, %zu lines\n",
                sent, stoppedSending - started, sent / (stoppedSending - started), recorded,
                CountDataLines(path));
    std::printf("  the last frame was recorded %.2f s after the simulator stopped sending\n",
                caughtUp - stoppedSending);
    const std::string messages = GetCtrlText(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES);
    if (!messages.empty())
        std::printf("  link messages: %s\n", messages.c_str());
    Shutdown();
    return 0;
}
