// Opening a day's record file in the viewer: 345,600 lines (one every 0.25 s for 24 hours)
// written through the recorder's own writer, then opened five times (the median is reported:
// reading the file alone, and the whole open with the graph's plots), and the graph moved in
// steps of 1 % of its width, each step painted (median of 60 steps), beside the same with a file
// of 1,000 lines: the ratio of the two is what a day's file costs more per step.
// Usage: record_view [FOLDER for the files, default a temporary one] [PREFIX: pictures of the
// viewer, PREFIX-whole.png and PREFIX-zoomed.png] [de: the pictures in German]
#include "recorder/record_view.h"
#include "bench/bench_common.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"
#include "recorder/record_file.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A plausible day: a slow drift, a few counts of noise, now and then a spike; written in blocks
// of lines through the recorder's writer.
bool WriteDay(const std::string &path, int lines)
{
    if (!WriteRecordHeader(path.c_str(), RecordFileHeader(1, "ORVANTE2 Scope V1.3", "Bench")))
        return false;
    std::string block;
    for (int i = 0; i < lines; ++i) {
        const int noise = int((unsigned(i) * 2654435761u) >> 29);
        const int drift = int(400 * std::sin(i / 30000.0));
        DataFrameRec f;
        f.Ch0 = int16_t(1500 + drift + noise + (i % 49999 == 0 ? 1500 : 0));
        f.Ch1 = int16_t(900 + drift / 2 + noise);
        f.Sig = int16_t(2000 + drift + noise);
        f.Temp = int16_t(250 + (i / 20000) % 20);
        const int second = i / 4;
        std::tm when{};
        when.tm_year = 126;
        when.tm_mon = 2;
        when.tm_mday = 14 + second / 86400;
        when.tm_hour = second / 3600 % 24;
        when.tm_min = second / 60 % 60;
        when.tm_sec = second % 60;
        block += RecordLine(f, when);
        if (block.size() > 256 * 1024 || i + 1 == lines) {
            if (!AppendRecordLine(path.c_str(), block))
                return false;
            block.clear();
        }
    }
    return true;
}

// Median cost in microseconds of one step of moving the graph and painting it.
double PanCost(GraphCtrl *g, QWidget *window)
{
    std::vector<double> steps;
    QElapsedTimer t;
    for (int i = 0; i < 60; ++i) {
        t.start();
        g->panBy(i < 30 ? 0.01 : -0.01, 0);
        g->redrawNow();
        window->repaint();
        steps.push_back(t.nsecsElapsed() / 1e3);
    }
    return Median(steps);
}

} // namespace

int main(int argc, char **argv)
{
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    if (!bench::LoadPanelsQuietly())
        return 1;
    if (argc > 3 && std::string(argv[3]) == "de")
        AppState.LanguageIndex = 0; // the pictures in German
    QTemporaryDir temp;
    const std::string folder = argc > 1 ? argv[1] : temp.path().toStdString();
    const std::string day = folder + "/day.dat", small = folder + "/small.dat";
    constexpr int kDayLines = 345600;
    QElapsedTimer t;
    t.start();
    if (!WriteDay(day, kDayLines) || !WriteDay(small, 1000))
        return 1;
    std::printf("wrote %d lines (%.1f MB) in %.2f s\n", kDayLines,
                double(QFile(QString::fromStdString(day)).size()) / 1e6, t.nsecsElapsed() / 1e9);

    std::vector<double> read, open;
    for (int run = 0; run < 5; ++run) {
        RecordContents contents;
        t.start();
        if (ReadRecordFile(day.c_str(), contents) != RecordReadResult::kOk)
            return 1;
        read.push_back(t.nsecsElapsed() / 1e6);
        contents = {};
        t.start();
        if (!OpenRecordView(day.c_str()))
            return 1;
        QCoreApplication::processEvents();
        open.push_back(t.nsecsElapsed() / 1e6);
        CloseRecordView();
    }
    std::printf("day file: read %.0f ms, opened and shown %.0f ms (median of 5)\n", Median(read),
                Median(open));

    double cost[2] = {};
    const std::string files[2] = {small, day};
    GraphCtrl *g = nullptr;
    for (int k = 0; k < 2; ++k) {
        if (!OpenRecordView(files[k].c_str()))
            return 1;
        QWidget *window = PanelWidget(RecordViewPanel());
        g = qobject_cast<GraphCtrl *>(CtrlWidget(RecordViewPanel(), RECVIEWP_GRAPH_RECVIEW));
        if (!window || !g)
            return 1;
        for (int j = 0; j < 20; ++j)
            QCoreApplication::processEvents();
        const double whole = PanCost(g, window);
        g->showAll();
        if (k == 1 && argc > 2)
            SavePanelDisplayToFile(RecordViewPanel(),
                                   (std::string(argv[2]) + "-whole.png").c_str());
        g->setXRange(g->xMin(), g->xMin() + (g->xMax() - g->xMin()) / 10);
        const double tenth = PanCost(g, window);
        cost[k] = whole;
        std::printf("%s: one step of moving the graph, painted: %.0f us (whole file in view), "
                    "%.0f us (a tenth)\n",
                    k == 0 ? "1,000 lines" : "345,600 lines", whole, tenth);
        if (k == 1 && argc > 2)
            SavePanelDisplayToFile(RecordViewPanel(),
                                   (std::string(argv[2]) + "-zoomed.png").c_str());
        CloseRecordView();
    }
    std::printf("  paint cost per step, 345,600 against 1,000 lines: ratio %.2f\n",
                cost[1] / cost[0]);
    return 0;
}
