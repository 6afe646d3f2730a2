// The record file viewer on the real panels, without a sensor: files of either language opened
// from the recorder page, the values on the graph those of the file, a foreign file refused with
// the window as it was, zoom and move leaving the data whole, and the graph saved as pictures.
#include "common/harness.h"

#include "platform/ui_testing.h"
#include "platform/widgets.h"
#include "recorder/record_file.h"
#include "recorder/record_view.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QSvgRenderer>
#include <QTest>

#include <filesystem>

#include <unistd.h>

namespace {

DataFrameRec Frame(int i)
{
    DataFrameRec f;
    f.Ch0 = int16_t(1000 + i);
    f.Ch1 = int16_t(-i);
    f.Temp = int16_t(400 + i % 7);
    f.Sig = int16_t(2000 + 3 * i);
    return f;
}

class RecordView : public AppTest {
protected:
    // A record file written through the recorder's writer: `lines` lines, 15 s apart.
    std::string WriteRecord(const char *name, int language, int lines)
    {
        const std::string path = dir.filePath(name).toStdString();
        EXPECT_TRUE(WriteRecordHeader(path.c_str(),
                                      RecordFileHeader(language, "ORVANTE2 Scope V1.3", "Line 4")));
        std::string text;
        for (int i = 0; i < lines; ++i) {
            const int second = 8 * 3600 + 15 * i; // from midnight of March 14, 2026
            std::tm when{};
            when.tm_year = 126;
            when.tm_mon = 2;
            when.tm_mday = 14 + second / 86400; // within March for the lengths used here
            when.tm_hour = second / 3600 % 24;
            when.tm_min = second / 60 % 60;
            when.tm_sec = second % 60;
            text += RecordLine(Frame(i), when);
        }
        EXPECT_TRUE(AppendRecordLine(path.c_str(), text));
        return path;
    }
    int Panel() const { return RecordViewPanel(); }
    GraphCtrl *Graph() const
    {
        return qobject_cast<GraphCtrl *>(CtrlWidget(Panel(), RECVIEWP_GRAPH_RECVIEW));
    }
    // The plotted points of the signal named `name`.
    std::vector<QPointF> Points(const char *name) const
    {
        for (int h : Graph()->plotHandles())
            if (Graph()->plotName(h) == QLatin1String(name))
                return Graph()->plotPoints(h);
        return {};
    }
    void Open(const std::string &path)
    {
        responder.push(VAL_EXISTING_FILE_SELECTED, path);
        SimulateCtrlEvent(AppState.TabRecorder, TABP_RECORDER_BUTTON_OPEN_RECORD, EVENT_COMMIT);
    }
};

} // namespace

TEST_F(RecordView, FilesOfEitherLanguageShowEverySignalAsWritten)
{
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        AppState.LanguageIndex = language;
        Open(WriteRecord(language == 0 ? "de.dat" : "en.dat", language, 240));
        ASSERT_GT(Panel(), 0);
        ASSERT_TRUE(IsPanelVisible(Panel()));
        ASSERT_NE(Graph(), nullptr);
        EXPECT_EQ(Graph()->plotCount(), kRecSignals);
        for (int k = 0; k < kRecSignals; ++k) {
            const std::vector<QPointF> pts = Points(kRecordSignalNames[k]);
            ASSERT_EQ(pts.size(), 240u) << kRecordSignalNames[k];
            for (int i = 0; i < 240; i += 37) {
                const DataFrameRec f = Frame(i);
                const int16_t want[kRecSignals] = {f.Ch0, f.Ch1, f.Temp, f.Sig};
                EXPECT_EQ(pts[size_t(i)].y(), want[k]);
                EXPECT_FLOAT_EQ(pts[size_t(i)].x(), 15.0 * i / 3600);
            }
        }
        const std::string info = GetCtrlText(Panel(), RECVIEWP_TEXTBOX_RECVIEW_FILE);
        EXPECT_NE(info.find("Line 4"), std::string::npos) << info;
        EXPECT_NE(info.find("ORVANTE2 Scope V1.3"), std::string::npos);
        EXPECT_NE(info.find(language == 0 ? "ZEILEN: 240" : "LINES: 240"), std::string::npos);
        EXPECT_NE(info.find("03-14-2026 08:00:00"), std::string::npos);
        EXPECT_NE(info.find("03-14-2026 08:59:45"), std::string::npos);
        EXPECT_EQ(GetCtrlLabel(Panel(), RECVIEWP_BUTTON_RECVIEW_WHOLE),
                  language == 0 ? "GANZE DATEI" : "WHOLE FILE");
        EXPECT_EQ(Graph()->xMin(), 0.0);
        EXPECT_FLOAT_EQ(Graph()->xMax(), 239 * 15.0 / 3600);
        SimulateCtrlEvent(Panel(), RECVIEWP_BUTTON_RECVIEW_CLOSE, EVENT_COMMIT);
        EXPECT_FALSE(IsPanelVisible(Panel()));
        EXPECT_EQ(Graph()->pointCount(), 0u); // a closed view keeps nothing of its file
    }
    EXPECT_EQ(responder.countOf(PopupRequest::kMessage), 0);
}

TEST_F(RecordView, AForeignFileIsRefusedAndTheShownOneStays)
{
    Open(WriteRecord("good.dat", 1, 50));
    ASSERT_EQ(Graph()->plotCount(), kRecSignals);
    const std::string info = GetCtrlText(Panel(), RECVIEWP_TEXTBOX_RECVIEW_FILE);
    const std::string foreign = dir.filePath("param.ini").toStdString();
    WriteAll(foreign, "[Parameter]\r\nGain=3\r\n");
    EXPECT_FALSE(OpenRecordView(foreign.c_str()));
    ASSERT_NE(responder.last(), nullptr);
    EXPECT_EQ(responder.last()->text,
              std::string("This is not a record file of this program!\n") + foreign);
    EXPECT_EQ(Graph()->plotCount(), kRecSignals);
    EXPECT_EQ(Points("SIG").size(), 50u);
    EXPECT_EQ(GetCtrlText(Panel(), RECVIEWP_TEXTBOX_RECVIEW_FILE), info);
}

TEST_F(RecordView, ZoomAndMoveKeepTheDataAndHomeShowsTheWholeFile)
{
    Open(WriteRecord("day.dat", 1, 2000));
    GraphCtrl *g = Graph();
    const std::vector<QPointF> before = Points("CH0");
    const double lo = g->xMin(), hi = g->xMax();
    g->setFocus();
    QTest::keyClick(g, Qt::Key_Plus);
    QTest::keyClick(g, Qt::Key_Plus);
    EXPECT_LT(g->xMax() - g->xMin(), (hi - lo) * 0.7);
    const double width = g->xMax() - g->xMin(), left = g->xMin();
    QTest::keyClick(g, Qt::Key_Right);
    EXPECT_NEAR(g->xMin(), left + width / 10, 1e-9);
    // Dragging the plot moves it the other way.
    const QPoint mid = g->rect().center();
    QTest::mousePress(g->viewport(), Qt::LeftButton, {}, mid);
    const QPointF to(mid + QPoint(60, 0));
    QMouseEvent move(QEvent::MouseMove, to, g->viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(g->viewport(), &move);
    QTest::mouseRelease(g->viewport(), Qt::LeftButton, {}, mid + QPoint(60, 0));
    EXPECT_LT(g->xMin(), left + width / 10);
    // What the shown range covers follows.
    const std::string shown = GetCtrlText(Panel(), RECVIEWP_TEXTBOX_RECVIEW_SHOWN);
    EXPECT_EQ(shown.find("LINES: 1 .."), std::string::npos) << shown;
    EXPECT_EQ(Points("CH0"), before);
    QTest::keyClick(g, Qt::Key_Home);
    EXPECT_DOUBLE_EQ(g->xMin(), lo);
    EXPECT_DOUBLE_EQ(g->xMax(), hi);
    EXPECT_NE(GetCtrlText(Panel(), RECVIEWP_TEXTBOX_RECVIEW_SHOWN).find("LINES: 1 .. 2000 (2000)"),
              std::string::npos);
    QTest::keyClick(g, Qt::Key_Minus);
    SimulateCtrlEvent(Panel(), RECVIEWP_BUTTON_RECVIEW_WHOLE, EVENT_COMMIT);
    EXPECT_DOUBLE_EQ(g->xMax(), hi);
    EXPECT_EQ(Points("CH0"), before);
}

TEST_F(RecordView, TheGraphIsSavedAsPngAndSvg)
{
    Open(WriteRecord("rec.dat", 1, 300));
    const QSize size = Graph()->size();
    const std::string png = dir.filePath("graph.png").toStdString();
    responder.push(VAL_NEW_FILE_SELECTED, png);
    SimulateCtrlEvent(Panel(), RECVIEWP_BUTTON_RECVIEW_PICTURE, EVENT_COMMIT);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(png), "PNG"));
    EXPECT_EQ(image.size(), size * 2);

    const std::string svg = dir.filePath("graph.svg").toStdString();
    ASSERT_EQ(SaveControlPicture(Panel(), RECVIEWP_GRAPH_RECVIEW, svg.c_str()), 0);
    const std::string text = ReadAll(svg);
    EXPECT_NE(text.find("<svg"), std::string::npos);
    EXPECT_NE(text.find("CH0"), std::string::npos); // the legend, as text
    QSvgRenderer renderer(QString::fromStdString(svg));
    EXPECT_TRUE(renderer.isValid());

    // Another ending, a folder that is not there: nothing written, failure returned; an existing
    // picture stays as it was.
    EXPECT_EQ(SaveControlPicture(Panel(), RECVIEWP_GRAPH_RECVIEW,
                                 dir.filePath("g.bmp").toUtf8().constData()),
              UIE_BAD_TYPE);
    EXPECT_LT(SaveControlPicture(Panel(), RECVIEWP_GRAPH_RECVIEW,
                                 dir.filePath("none/g.png").toUtf8().constData()),
              0);
    EXPECT_FALSE(std::filesystem::exists(dir.filePath("g.bmp").toStdString()));
    if (geteuid() == 0)
        return; // the folder's rights do not hold back the superuser
    const std::string before = ReadAll(png);
    std::filesystem::permissions(dir.path().toStdString(), std::filesystem::perms::owner_read |
                                                               std::filesystem::perms::owner_exec);
    EXPECT_LT(SaveControlPicture(Panel(), RECVIEWP_GRAPH_RECVIEW, png.c_str()), 0);
    std::filesystem::permissions(dir.path().toStdString(), std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadAll(png), before);
}

TEST_F(RecordView, AFileManyTimesLongerThanTheLastGetsAFewAxisLabelsOnly)
{
    // The x axis's ticks are fitted to the new range before it is laid out: the old interval
    // over a range hundreds of times wider would first lay out a label for each of thousands
    // of ticks.
    Open(WriteRecord("short.dat", 1, 20));
    Open(WriteRecord("long.dat", 1, 20000));
    GraphCtrl *g = Graph();
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->xMax(), 19999 * 15.0 / 3600);
    EXPECT_LT(g->scene()->items().size(), 400);
    EXPECT_EQ(Points("TEMP").size(), 20000u);
}

TEST(RecordViewAxis, HoursSinceTheFirstLineOrLineNumbersWhereTheClockRunsBack)
{
    size_t back = 99;
    EXPECT_EQ(RecordViewX({1000, 1000, 1900, 4600}, &back), (std::vector<double>{0, 0, 0.25, 1}));
    EXPECT_EQ(back, 0u);
    // An hour back (summer time ends): the lines are counted instead, and where it happened told.
    EXPECT_EQ(RecordViewX({7200, 7500, 3900, 4000}, &back), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(back, 2u);
    EXPECT_TRUE(RecordViewX({}, &back).empty());
    // Floats of hours tell one second from the next over 170 days; a year keeps its doubles.
    for (int64_t days : {170, 365}) {
        const std::vector<double> x = RecordViewX({0, days * 86400, days * 86400 + 1});
        EXPECT_GT(x[2], x[1]) << days;
    }
}
