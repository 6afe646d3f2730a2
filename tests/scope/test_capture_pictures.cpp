// Pictures of a scope capture: the chart the report draws, written alone as SVG or PNG, whole or
// not at all; and SAVE on the scope page choosing what it writes by the file's ending.
#include "scope_fixture.h"

#include "common/pictures.h"

#include "app/appstate.h"
#include "app/status_line.h"
#include "link/exchange.h"
#include "platform/ui.h"
#include "scope/capture_doc.h"
#include "scope/capture_file.h"
#include "scope/display.h"

#include <QDir>
#include <QImage>

#include <algorithm>

namespace {

ScopeCapture Sample()
{
    ScopeCapture c;
    c.request.ScanRate = 2;
    c.cycleTimeMs = 0.1;
    c.cursorX[0] = 20;
    c.cursorX[1] = 90;
    for (int k = 0; k < kScopeSamples; ++k) {
        const size_t i = size_t(k);
        c.traces.Ch0Trace[i] = int16_t(500 + k * 20);
        c.traces.Ch1Trace[i] = int16_t(3000 - k * 10);
        c.traces.SigTrace[i] = int16_t(k % 16 < 8 ? 1000 : 2000);
        c.traces.StatusTrace[i] = int16_t(k >= 64 ? 0x0101 : 0);
    }
    return c;
}

class ChartPicture : public testing::Test {
protected:
    std::string Path(const char *name) const { return dir.filePath(name).toStdString(); }
    QStringList Files() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }
    QTemporaryDir dir;
    const ReportChart chart = ScopeCaptureChart(Sample(), ScopeChartView{});
};

TEST_F(ChartPicture, SvgIsWellFormedWithEveryTraceLaneAndLegendText)
{
    ASSERT_EQ(SaveReportChartPicture(chart, Path("c.svg").c_str()), 0);
    const SvgContent svg = ReadSvg(Path("c.svg"));
    ASSERT_TRUE(svg.wellFormed) << svg.error;
    EXPECT_EQ(svg.viewBox, "0 0 1600 900");
    // Three traces and four lanes drawn as lines (grid and axes come on top).
    EXPECT_GE(svg.polylines, 7);
    for (const char *text :
         {"CH0", "CH1", "SIG", "Cursor 1", "Cursor 2", "IN0 H", "OUT1 H", "Time [ms]", "DIGIT"})
        EXPECT_TRUE(svg.hasText(text)) << text;
    // The traces in their own colours.
    for (const char *color : {"#ff0000", "#00c000", "#808000"})
        EXPECT_NE(std::find(svg.strokes.begin(), svg.strokes.end(), color), svg.strokes.end())
            << color;

    // Only the signal the selector shows; without a cycle time the axis counts samples.
    ScopeCapture noTime = Sample();
    noTime.cycleTimeMs = 0;
    ASSERT_EQ(SaveReportChartPicture(ScopeCaptureChart(noTime, {0, 128, 0, 4100, 2}),
                                     Path("ch1.SVG").c_str()),
              0);
    const SvgContent one = ReadSvg(Path("ch1.SVG"));
    EXPECT_TRUE(one.hasText("CH1"));
    EXPECT_FALSE(one.hasText("CH0"));
    EXPECT_FALSE(one.hasText("Time [ms]"));
}

// A zoomed view draws only what lies inside the plot, also where the format has no clipping.
TEST_F(ChartPicture, ZoomedTracesStayInsideThePicture)
{
    ASSERT_EQ(SaveReportChartPicture(ScopeCaptureChart(Sample(), {40, 56, 1000, 1500, 0}),
                                     Path("zoom.svg").c_str()),
              0);
    const SvgContent svg = ReadSvg(Path("zoom.svg"));
    ASSERT_TRUE(svg.wellFormed) << svg.error;
    int traces = 0;
    for (const auto &[stroke, points] : svg.lines) {
        if (stroke != "#ff0000" && stroke != "#00c000")
            continue;
        ++traces;
        for (const QPointF &p : points) {
            EXPECT_GE(p.x(), 0);
            EXPECT_LE(p.x(), kPictureWidth);
            EXPECT_GE(p.y(), 0);
            EXPECT_LE(p.y(), kPictureHeight);
        }
    }
    EXPECT_GE(traces, 1); // CH0 crosses the view (CH1 lies above it)
}

TEST_F(ChartPicture, PngHasTheSizeAskedForOnWhiteWithTheTracesDrawn)
{
    for (const auto &[w, h] : {std::pair{kPictureWidth, kPictureHeight}, std::pair{800, 450}}) {
        const std::string path = Path(("c" + std::to_string(w) + ".png").c_str());
        ASSERT_EQ(SaveReportChartPicture(chart, path.c_str(), w, h), 0);
        QImage image(QString::fromStdString(path));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(w, h));
        EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(w - 1, h - 1), QColor(Qt::white));
        // CH0 red and CH1 green, each a visible line.
        EXPECT_GT(PixelsNear(path, QColor(255, 0, 0)), w / 4);
        EXPECT_GT(PixelsNear(path, QColor(0, 192, 0)), w / 4);
    }
}

TEST_F(ChartPicture, AFailedWriteLeavesNothingBehind)
{
    EXPECT_EQ(SaveReportChartPicture(chart, Path("missing/c.svg").c_str()), UIE_LOAD_FAILED);
    EXPECT_EQ(SaveReportChartPicture(chart, Path("missing/c.png").c_str()), UIE_LOAD_FAILED);
    // A folder in the file's place stays as it is, and no temporary file is left beside it.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.png"));
    EXPECT_EQ(SaveReportChartPicture(chart, Path("taken.png").c_str()), UIE_LOAD_FAILED);
    EXPECT_EQ(SaveReportChartPicture(chart, Path("c.pdf").c_str()), UIE_BAD_TYPE);
    EXPECT_EQ(SaveReportChartPicture(chart, Path("c.png").c_str(), 0, 900), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(Files(), QStringList{"taken.png"});
    EXPECT_TRUE(IsPicturePath("a/b.Png"));
    EXPECT_FALSE(IsPicturePath("a.png/b"));
}

// The scope page's SAVE: the file types offered, and what each ending writes.
class ScopePictures : public ScopeOnPeer {
protected:
    std::string Path(const char *name) { return dir.filePath(name).toStdString(); }
    // SAVE pressed, `path` chosen in the dialog; the text of the message popup that follows.
    std::string Save(const std::string &path)
    {
        responder.push(VAL_NEW_FILE_SELECTED, path);
        CBF_ButtonSaveScopeCapture(AppState.TabScope, TABP_SCOPE_BUTTON_SAVE_CAPTURE, EVENT_COMMIT,
                                   nullptr, 0, 0);
        const PopupRequest *told = responder.last();
        return told && told->kind == PopupRequest::kMessage ? told->text : std::string();
    }
    const std::array<Ring, 4> rings = {CountingRing(100), CountingRing(300), CountingRing(500),
                                       CountingRing(0)};
};

TEST_F(ScopePictures, SaveWritesCaptureCsvOrPictureByTheEndingAlsoForALoadedCapture)
{
    SetTrigger(1, 2500, 10, 3);
    peer.answerNext({{0, ScopeAnswer(rings, 40)}});
    ASSERT_TRUE(Scan());
    CycleTimeMs = 0.2;

    EXPECT_EQ(Save(Path("a.csv")), std::string(Tr(kMsgCaptureCsvSaved)) + Path("a.csv"));
    const auto select =
        std::find_if(responder.shown.begin(), responder.shown.end(),
                     [](const PopupRequest &r) { return r.kind == PopupRequest::kFileSelect; });
    ASSERT_NE(select, responder.shown.end());
    EXPECT_EQ(select->filter,
              "Scope capture (*.ini);CSV (*.csv);PNG picture (*.png);SVG picture (*.svg)");
    EXPECT_EQ(ReadAll(Path("a.csv")), ScopeCaptureCsv(ShownScopeCapture()));

    // The graph as the page shows it: only CH1 selected.
    SetCtrlVal(AppState.ScopePanel, SCOPEP_RING_SCOPE_SIGNAL, 2);
    EXPECT_EQ(Save(Path("a.svg")), std::string(Tr(kMsgCapturePictureSaved)) + Path("a.svg"));
    const SvgContent svg = ReadSvg(Path("a.svg"));
    ASSERT_TRUE(svg.wellFormed) << svg.error;
    EXPECT_TRUE(svg.hasText("CH1"));
    EXPECT_FALSE(svg.hasText("CH0"));
    EXPECT_NE(StatusLineText().find(Tr(kMsgCapturePictureSaved)), std::string::npos);
    EXPECT_EQ(Save(Path("a.ini")), std::string(Tr(kMsgCaptureSaved)) + Path("a.ini"));

    // Without a sensor, from the capture loaded.
    CloseLink();
    ScopeTraces = {};
    bool loaded = false;
    LoadScopeCaptureFrom(Path("a.ini"), &loaded);
    ASSERT_TRUE(loaded);
    SetCtrlVal(AppState.ScopePanel, SCOPEP_RING_SCOPE_SIGNAL, 0);
    EXPECT_EQ(Save(Path("b.PNG")), std::string(Tr(kMsgCapturePictureSaved)) + Path("b.PNG"));
    EXPECT_EQ(QImage(QString::fromStdString(Path("b.PNG"))).size(),
              QSize(kPictureWidth, kPictureHeight));

    EXPECT_EQ(Save(Path("no/dir/c.png")),
              std::string(Tr(kMsgCapturePictureNotSaved)) + Path("no/dir/c.png"));
    EXPECT_NE(StatusLineText().find(Tr(kMsgCapturePictureNotSaved)), std::string::npos);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("no/dir/c.png"))));
}

} // namespace
