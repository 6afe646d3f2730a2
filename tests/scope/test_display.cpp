// The scope panel: cursor deltas and their truncations, cursors and zoom with the mouse, the
// comment box, and the printed report read back from the PDF it writes.
#include "scope_fixture.h"

#include "pdf_text.h"

#include "app/startup.h"
#include "platform/ui_testing.h"
#include "scope/display.h"

#include <QChart>
#include <QChartView>
#include <QDate>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>

TEST(ScopeDelta, TruncatedDistancesAndPrecisions)
{
    struct Case {
        double x1, y1, x2, y2, cycleMs;
        int rate, dy;
        double ms;
        int digits;
        double volts;
    } cases[] = {
        {10.9, 0, 3.2, 0, 0.1, 5, 0, 3.5, 3, 0},
        {3.2, 0, 10.9, 0, 0.1, 5, 0, 3.5, 3, 0},
        {50, 0, 50, 0, 0.1, 5, 0, 0, 6, 0},
        {0, 4095.7, 0, 0.2, 0.1, 1, 4095, 0, 6, 9.99755859375},
        {0, -0.7, 0, 0.7, 0.1, 1, 0, 0, 6, 0}, // toward zero, not down
        {1000, 0, 0, 0, 1, 1, 0, 1000, 3, 0},
        {1, 0, 0, 0, 1000.5, 1, 0, 1000.5, 0, 0},
        {1.9, 0, 0, 0, 1, 1, 0, 1, 6, 0},
        {100, 0, 0, 0, 0, 7, 0, 0, 6, 0}, // not measured
    };
    for (const Case &c : cases) {
        const ScopeDelta d = ScopeDeltaOf(c.x1, c.y1, c.x2, c.y2, c.cycleMs, c.rate);
        EXPECT_EQ(d.dy, c.dy) << c.y1 << " " << c.y2;
        EXPECT_DOUBLE_EQ(d.deltaXMs, c.ms) << c.x1 << " " << c.x2;
        EXPECT_EQ(d.deltaXPrecision, c.digits) << c.x1 << " " << c.x2;
        EXPECT_DOUBLE_EQ(d.deltaYVolts, c.volts) << c.y1 << " " << c.y2;
    }
}

namespace {

class ScopePanel : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        CycleTimeMs = 0;
        DisplayPanel(AppState.MainPanel);
        ShowChildPanelDisp(AppState.ScopePanel);
        Pump(50);
    }
    void TearDown() override
    {
        CycleTimeMs = 0;
        AppTest::TearDown();
    }
    QWidget *Area(int control)
    {
        return qobject_cast<QChartView *>(CtrlWidget(AppState.ScopePanel, control))->viewport();
    }
    std::array<double, 4> Ranges(int control) // x min, x max, y min, y max
    {
        std::array<double, 4> r{};
        int mode = 0;
        GetAxisScalingMode(AppState.ScopePanel, control, VAL_BOTTOM_XAXIS, &mode, &r[0], &r[1]);
        GetAxisScalingMode(AppState.ScopePanel, control, VAL_LEFT_YAXIS, &mode, &r[2], &r[3]);
        return r;
    }
    // The widget position of a point in the graph's axis coordinates.
    QPoint At(int control, double x, double y)
    {
        auto *v = qobject_cast<QChartView *>(CtrlWidget(AppState.ScopePanel, control));
        const QRectF a = v->chart()->plotArea();
        const auto r = Ranges(control);
        return v->mapFromScene(QPointF(a.left() + (x - r[0]) / (r[1] - r[0]) * a.width(),
                                       a.bottom() - (y - r[2]) / (r[3] - r[2]) * a.height()));
    }
    void CtrlDrag(int control, QPointF from, QPointF to)
    {
        const QPoint a = At(control, from.x(), from.y()), b = At(control, to.x(), to.y());
        QTest::mousePress(Area(control), Qt::LeftButton, Qt::ControlModifier, a);
        QTest::mouseMove(Area(control), b);
        QTest::mouseRelease(Area(control), Qt::LeftButton, Qt::ControlModifier, b);
    }
    QPointF Cursor(int control, int n)
    {
        double x = 0, y = 0;
        GetGraphCursor(AppState.ScopePanel, control, n, &x, &y);
        return {x, y};
    }
    std::string Shown(int control) { return SpinText(AppState.ScopePanel, control); }
};

} // namespace

TEST_F(ScopePanel, DraggedCursorMovesTheDigitalCursorAndTheDeltas)
{
    CycleTimeMs = 0.1;
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE, 5);
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 1, 32, 1000);
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 2, 96, 3000);
    const QPoint to = At(SCOPEP_GRAPH_SCOPE, 20, 2500);
    QTest::mousePress(Area(SCOPEP_GRAPH_SCOPE), Qt::LeftButton, {}, At(SCOPEP_GRAPH_SCOPE, 40, 0));
    QTest::mouseMove(Area(SCOPEP_GRAPH_SCOPE), to);
    QTest::mouseRelease(Area(SCOPEP_GRAPH_SCOPE), Qt::LeftButton, {}, to);

    const QPointF c1 = Cursor(SCOPEP_GRAPH_SCOPE, 1);
    EXPECT_NEAR(c1.x(), 20, 1.0);
    EXPECT_NEAR(c1.y(), 2500, 40);
    EXPECT_EQ(Cursor(SCOPEP_GRAPH_SCOPE, 2), QPointF(96, 3000));
    EXPECT_EQ(Cursor(SCOPEP_GRAPH_SCOPE_DIGITAL, 1), QPointF(c1.x(), 0));
    EXPECT_EQ(Cursor(SCOPEP_GRAPH_SCOPE_DIGITAL, 2), QPointF(96, 0));
    const ScopeDelta d = ScopeDeltaOf(c1.x(), c1.y(), 96, 3000, 0.1, 5);
    EXPECT_EQ(Shown(SCOPEP_NUMERIC_DELTA_X),
              QString::asprintf("%.3f ms", d.deltaXMs).toStdString());
    EXPECT_EQ(Shown(SCOPEP_NUMERIC_DELTA_Y), std::to_string(d.dy) + " dig");

    // The digital graph's cursors stay with the analog graph's.
    const QPoint p = At(SCOPEP_GRAPH_SCOPE_DIGITAL, 60, 4);
    QTest::mouseClick(Area(SCOPEP_GRAPH_SCOPE_DIGITAL), Qt::LeftButton, {}, p);
    EXPECT_EQ(Cursor(SCOPEP_GRAPH_SCOPE_DIGITAL, 1), QPointF(c1.x(), 0));
}

TEST_F(ScopePanel, ScanRateCommitRecalculatesWithItsPrecisions)
{
    CycleTimeMs = 0.1;
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 1, 10.9, 4095.7);
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 2, 3.2, 0.2);
    auto *rate =
        qobject_cast<QSpinBox *>(CtrlWidget(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE));
    rate->setFocus();
    rate->selectAll();
    QTest::keyClicks(rate, "5");
    QTest::keyClick(rate, Qt::Key_Return);
    EXPECT_EQ(Shown(SCOPEP_NUMERIC_DELTA_X), "3.500 ms");
    EXPECT_EQ(Shown(SCOPEP_NUMERIC_DELTA_Y), "4095 dig");
    EXPECT_EQ(Shown(SCOPEP_NUMERIC_DELTA_Y_VOLT), "9.9976 V");
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 2, 10.9, 0.2);
    calcScopDeltaXY();
    EXPECT_EQ(Shown(SCOPEP_NUMERIC_DELTA_X), "0.000000 ms");
}

TEST_F(ScopePanel, CtrlDragZoomsOnlyTheAnalogGraphAndZoom11ReturnsToTheWhole)
{
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 1, 10, 0);
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 2, 30, 0);
    CycleTimeMs = 1; // not shown yet: the zoom recalculates
    CtrlDrag(SCOPEP_GRAPH_SCOPE, {20, 1000}, {60, 3000});
    const auto r = Ranges(SCOPEP_GRAPH_SCOPE);
    EXPECT_NEAR(r[0], 20, 1);
    EXPECT_NEAR(r[1], 60, 1);
    EXPECT_NEAR(r[2], 1000, 40);
    EXPECT_NEAR(r[3], 3000, 40);
    EXPECT_EQ(Shown(SCOPEP_NUMERIC_DELTA_X), "20.000 ms");

    CtrlDrag(SCOPEP_GRAPH_SCOPE_DIGITAL, {20, 2}, {60, 6});
    EXPECT_EQ(Ranges(SCOPEP_GRAPH_SCOPE_DIGITAL), (std::array<double, 4>{0, 128, 0, 8}));
    QTest::mouseClick(CtrlWidget(AppState.ScopePanel, SCOPEP_BUTTON_ZOOM_SCOPE11), Qt::LeftButton);
    EXPECT_EQ(Ranges(SCOPEP_GRAPH_SCOPE), (std::array<double, 4>{0, 128, 0, 4100}));
}

TEST_F(ScopePanel, RightDoubleClickClearsTheComment)
{
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT, "first run\nsecond line");
    QWidget *box = qobject_cast<QPlainTextEdit *>(
                       CtrlWidget(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT))
                       ->viewport();
    QTest::mouseClick(box, Qt::RightButton);
    EXPECT_EQ(GetCtrlText(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT),
              "first run\nsecond line");
    QTest::mouseDClick(box, Qt::RightButton);
    EXPECT_EQ(GetCtrlText(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT), "");
    EXPECT_TRUE(responder.shown.empty());
}

namespace {

class ScopeReport : public ScopePanel {
protected:
    // Prints into a PDF file, the operator's choice in the print dialog; the file's text.
    std::vector<std::vector<std::string>> PrintToPdf(const std::string &name = "report.pdf")
    {
        responder.push(1, dir.filePath(QString::fromStdString(name)).toStdString());
        SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_PRINT_SCOPE_GRAPH, EVENT_COMMIT);
        QFile f(dir.filePath(QString::fromStdString(name)));
        return f.open(QIODevice::ReadOnly) ? PdfTextRuns(f.readAll())
                                           : std::vector<std::vector<std::string>>();
    }
    static bool Has(const std::vector<std::string> &runs, const std::string &text)
    {
        return std::find(runs.begin(), runs.end(), text) != runs.end();
    }
};

} // namespace

TEST_F(ScopeReport, LinesInOrderWithDateTimeAndPageFields)
{
    CopyField(AppState.SensorId, "S-17 line 4");
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT, "Edge too slow\nsee sample 40");
    const auto pages = PrintToPdf();
    ASSERT_EQ(pages.size(), 1u);
    const std::vector<std::string> &runs = pages[0];
    auto it = runs.begin();
    for (const char *line : {"Scope Screen Shot", "ORVANTE2 Scope V1.3", "Panel ID: S-17 line 4",
                             "Comment:", "Edge too slow", "see sample 40", "Panel"}) {
        it = std::find(it, runs.end(), line);
        ASSERT_NE(it, runs.end()) << line;
    }
    EXPECT_TRUE(Has(runs, "Page 1 of 1"));
    EXPECT_TRUE(
        Has(runs, QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString()));
    ASSERT_EQ(responder.shown.size(), 2u);
    EXPECT_EQ(responder.shown[0].kind, PopupRequest::kPrinterSelect);
    EXPECT_EQ(responder.shown[1].title, "Message!");
    EXPECT_EQ(responder.shown[1].text, "Print successful!");
}

TEST_F(ScopeReport, WithoutIdentificationAndCommentThoseLinesAreLeftOut)
{
    const auto pages = PrintToPdf();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].size(), 6u) << "date, time, title, name, caption, page";
    EXPECT_TRUE(Has(pages[0], "ORVANTE2 Scope V1.3"));
    EXPECT_FALSE(Has(pages[0], "Comment:"));
}

TEST_F(ScopeReport, GermanLongCommentCutAndSpreadOverPages)
{
    AppState.LanguageIndex = 0;
    CopyField(AppState.SensorId, "S-2");
    std::string comment;
    for (int i = 0; i < 200; ++i)
        comment += "Zeile " + std::to_string(i) + "\n";
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT, comment.c_str());
    const auto pages = PrintToPdf();
    ASSERT_GE(pages.size(), 2u);
    EXPECT_TRUE(Has(pages[0], "Fenster ID:S-2"));
    EXPECT_TRUE(Has(pages[0], "Kommentar:"));
    std::vector<std::string> all;
    for (size_t i = 0; i < pages.size(); ++i) {
        EXPECT_TRUE(Has(pages[i],
                        "Seite " + std::to_string(i + 1) + " von " + std::to_string(pages.size())));
        all.insert(all.end(), pages[i].begin(), pages[i].end());
    }
    // 1024 characters: "Zeile 0".."Zeile 9" take 8 with their line breaks, up to "Zeile 99"
    // 9, which leaves 134 for "Zeile 100".."Zeile 112" and "Zeil".
    EXPECT_TRUE(Has(all, "Zeile 112"));
    EXPECT_TRUE(Has(all, "Zeil"));
    EXPECT_FALSE(Has(all, "Zeile 113"));
    EXPECT_EQ(responder.shown.back().text, "Ausdruck erfolgreich!");
}

TEST_F(ScopeReport, CancelledDialogPrintsNothingAndAFailedPrintSaysSo)
{
    responder.push(0);
    SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_PRINT_SCOPE_GRAPH, EVENT_COMMIT);
    EXPECT_EQ(responder.shown.size(), 1u);
    responder.shown.clear();
    EXPECT_TRUE(PrintToPdf("no/such/folder/report.pdf").empty());
    ASSERT_EQ(responder.shown.size(), 2u);
    EXPECT_EQ(responder.shown[1].text, "Print error!");
}
