// What showing one live frame costs on the program's thread: SetPanelData and both chart re-plots,
// the event processing (repaints) they cause, and a repaint of the whole window, with each data
// page in front. Figures are means over 200 frames, in microseconds.
// Then the graph panel as a recording feeds it, with 1,000 and with 65,535 frames on it: what
// bringing the painted graph up to one more frame and repainting the panel costs (mean over 200
// frames), and the ratio of the two.
// Usage: display_cost [PNG file: the graph panel with the 65,535 frames is saved there]
#include "bench/bench_common.h"
#include "live/graphs.h"
#include "live/live.h"
#include "live/data_frame.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <cmath>
#include <cstdio>
int main(int argc, char **argv)
{
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    if (!bench::LoadPanelsQuietly()) return 1;
    ShowChildPanelDisp(AppState.DataPanel);
    DisplayPanel(AppState.MainPanel);
    QWidget *main = QApplication::topLevelWidgets().isEmpty() ? nullptr : QApplication::activeWindow();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            main = w;
    if (!main)
        return 1;
    for (int k = 0; k < 50; ++k) QCoreApplication::processEvents();
    for (int page : {0, 1}) {
        SetActiveTabPage(AppState.DataPanel, DATAP_TAB_DATA, page);
        QElapsedTimer t;
        double show = 0, paint = 0, full = 0;
        const int n = 200;
        for (int i = 0; i < n; ++i) {
            DataFrame.Ch0 = 1000 + i % 50; DataFrame.Sig = 2000 + (i * 7) % 100; DataFrame.Ch1 = 900 + i % 30;
            t.start();
            SetPanelData();
            PlotLiveCharts();
            show += t.nsecsElapsed() / 1e3;
            t.start();
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            paint += t.nsecsElapsed() / 1e3;
            if (i % 5 == 0) { t.start(); main->repaint(); full += t.nsecsElapsed() / 1e3; }
        }
        std::printf("data page %d: show %.0f us, events after %.0f us per frame, full window repaint %.0f us\n", page, show / n, paint / n, full / (n / 5));
    }

    // The graph panel.
    ShowChildPanelDisp(AppState.GraphPanel);
    QWidget *panel = PanelWidget(AppState.GraphPanel);
    GraphCtrl *graph = nullptr;
    for (int control : {GRAPHP_GRAPH_CH0, GRAPHP_GRAPH_CH1, GRAPHP_GRAPH_SIG, GRAPHP_GRAPH_TEMP})
        if (auto *g = qobject_cast<GraphCtrl *>(CtrlWidget(AppState.GraphPanel, control)); g && g->isVisible())
            graph = g;
    if (!panel || !graph)
        return 1;
    double cost[2] = {};
    const int sizes[2] = {1000, 65535};
    for (int k = 0; k < 2; ++k) {
        InitPanelGraph();
        // A plausible signal: a slow drift, a few counts of noise, now and then a spike.
        auto frame = [](int i) {
            const int noise = int((i * 2654435761u) >> 29); // 0..7
            const int drift = int(400 * std::sin(i / 3000.0));
            DataFrame.Ch0 = int16_t(1500 + drift + noise + (i % 4999 == 0 ? 1500 : 0));
            DataFrame.Ch1 = int16_t(900 + drift / 2 + noise);
            DataFrame.Sig = int16_t(2000 + drift + noise);
            DataFrame.Temp = int16_t(250 + (i / 10000) % 20);
            SetPanelGraphData();
        };
        for (int i = 0; i < sizes[k]; ++i)
            frame(i);
        for (int j = 0; j < 50; ++j) QCoreApplication::processEvents();
        QElapsedTimer t;
        const int n = 200;
        for (int i = 0; i < n; ++i) {
            frame(sizes[k] + i);
            t.start();
            graph->redrawNow();
            panel->repaint();
            cost[k] += t.nsecsElapsed() / 1e3;
        }
        cost[k] /= n;
        std::printf("graph panel with %d frames: %.0f us to bring the graph up to a new frame and repaint the panel\n", sizes[k], cost[k]);
    }
    std::printf("  painting cost 65,535 against 1,000 frames: ratio %.2f\n", cost[1] / cost[0]);
    if (argc > 1)
        SavePanelDisplayToFile(AppState.GraphPanel, argv[1]);
    return 0;
}
