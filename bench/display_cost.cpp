// What showing one live frame costs on the program's thread: SetPanelData and both chart re-plots,
// the event processing (repaints) they cause, and a repaint of the whole window, with each data
// page in front. Figures are means over 200 frames, in microseconds.
// Usage: display_cost
#include "bench/bench_common.h"
#include "live/graphs.h"
#include "live/live.h"
#include "live/data_frame.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
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
    return 0;
}
