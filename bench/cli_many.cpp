// Many sensors at once with the command-line tool: `identify` against one sensor and against
// eight, each sensor answering every order 0.8 s late. Prints the median wall time of each and
// their ratio; run in parallel, eight take about as long as one (the ratio near 1, plus the
// start of seven more processes).
#include "bench/bench_common.h"
#include "link/frame.h"
#include "sim/faults.h"
#include "sim/sim_runner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

double RunSeconds(const QStringList &args, int *code)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(ORVANTE2_CLI_EXE, args);
    p.waitForFinished(60000);
    *code = p.exitCode();
    return double(t.nsecsElapsed()) / 1e9;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    constexpr int kSensors = 8, kRuns = 5;
    std::vector<std::unique_ptr<sim::SimRunner>> sensors;
    QStringList all;
    for (int i = 0; i < kSensors; ++i) {
        sensors.push_back(std::make_unique<sim::SimRunner>());
        if (!sensors.back()->start())
            return 1;
        sim::Fault late;
        late.delayMs = 800;
        for (int order : {frame::kOrderFirmwareId, frame::kOrderNameSerial})
            sensors.back()->setFault(order, late);
        all << "--tcp" << QString("127.0.0.1:%1").arg(sensors.back()->tcpPort());
    }
    const QStringList one = all.mid(0, 2);
    const QStringList command{"--json", "--timeout", "2", "identify"};
    std::vector<double> single, many;
    for (int r = 0; r < kRuns; ++r) {
        int code1 = 0, code8 = 0;
        single.push_back(RunSeconds(one + command, &code1));
        many.push_back(RunSeconds(all + command, &code8));
        if (code1 != 0 || code8 != 0) {
            std::fprintf(stderr, "cli_many: exit %d / %d\n", code1, code8);
            return 1;
        }
    }
    const double m1 = Median(single), m8 = Median(many);
    std::printf("identify, every answer 0.8 s late (median of %d runs)\n", kRuns);
    std::printf("  1 sensor : %.2f s\n  %d sensors: %.2f s\n  ratio    : %.2f\n", m1, kSensors,
                m8, m8 / m1);
    return 0;
}
