// How the exchange waits: the round-trip time of one request against the simulated sensor over
// TCP loopback (median of many), and the CPU the program uses while it waits for an answer that
// never comes (CPU seconds per wall second; a spinning wait would show about 1.0).
#include "bench/bench_common.h"
#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "link/exchange.h"
#include "sim/sim_runner.h"

#include <QApplication>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

int Request(uint8_t order)
{
    FillTxBuf(order, 0, 0);
    return DataExchange(8);
}

} // namespace

int main(int argc, char **argv)
{
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    if (!bench::LoadPanelsQuietly())
        return 1;

    sim::SimRunner sensor;
    if (!sensor.start())
        return 1;
    if (!bench::ConnectTcp(sensor))
        return 1;

    const int rounds = 2000;
    std::vector<double> rtt;
    rtt.reserve(rounds);
    for (int i = 0; i < rounds; ++i) {
        const double t0 = Timer();
        if (Request(8) != 1)
            return 1;
        rtt.push_back(Timer() - t0);
    }
    std::sort(rtt.begin(), rtt.end());
    std::printf("order 8 round trip over TCP loopback: median %.1f us, 90th percentile %.1f us "
                "(%d exchanges)\n",
                rtt[rtt.size() / 2] * 1e6, rtt[rtt.size() * 9 / 10] * 1e6, rounds);

    sensor.setSilent(true);
    const double wall0 = Timer(), cpu0 = CpuSeconds();
    const int result = Request(8);
    const double wall = Timer() - wall0, cpu = CpuSeconds() - cpu0;
    std::printf("waiting for an answer that never comes: %.2f s, result %d, CPU %.4f s per wall "
                "second\n",
                wall, result, cpu / wall);
    Shutdown();
    return 0;
}
