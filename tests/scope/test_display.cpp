// The scope panel: cursor deltas and their truncations, cursors and zoom with the mouse, the
// comment box, and the printed report read back from the PDF it writes.
#include "scope_fixture.h"

#include "pdf_text.h"

#include "app/startup.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"
#include "scope/display.h"

#include <QChart>
#include <QChartView>
#include <QDate>
#include <QFile>
#include <QImage>
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

TEST_F(ScopePanel, CtrlDragZoomsTheAnalogGraphTheDigitalFollowsInXAndZoom11ReturnsToTheWhole)
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

    // The digital lines show the same samples, their own y stays; they do not zoom themselves.
    EXPECT_EQ(Ranges(SCOPEP_GRAPH_SCOPE_DIGITAL), (std::array<double, 4>{r[0], r[1], 0, 8}));
    CtrlDrag(SCOPEP_GRAPH_SCOPE_DIGITAL, {30, 2}, {50, 6});
    EXPECT_EQ(Ranges(SCOPEP_GRAPH_SCOPE_DIGITAL), (std::array<double, 4>{r[0], r[1], 0, 8}));
    QTest::mouseClick(CtrlWidget(AppState.ScopePanel, SCOPEP_BUTTON_ZOOM_SCOPE11), Qt::LeftButton);
    EXPECT_EQ(Ranges(SCOPEP_GRAPH_SCOPE), (std::array<double, 4>{0, 128, 0, 4100}));
    EXPECT_EQ(Ranges(SCOPEP_GRAPH_SCOPE_DIGITAL), (std::array<double, 4>{0, 128, 0, 8}));
}

// One sample lies on one pixel column in both graphs, whatever their axes' labels take on the
// left, at the whole view, zoomed, and with the panel wider: a cursor is one line through both.
TEST_F(ScopePanel, AnalogAndDigitalGraphsMapASampleToTheSameColumn)
{
    auto *analog = qobject_cast<GraphCtrl *>(CtrlWidget(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE));
    auto *digital =
        qobject_cast<GraphCtrl *>(CtrlWidget(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE_DIGITAL));
    ASSERT_TRUE(analog && digital);
    const auto check = [&](const char *when) {
        Pump(50);
        for (double sample : {analog->xMin(), 32.0, 64.5, 96.0, analog->xMax()}) {
            const double a =
                analog->mapTo(analog->window(), QPoint(0, 0)).x() + analog->xPixel(sample);
            const double d =
                digital->mapTo(digital->window(), QPoint(0, 0)).x() + digital->xPixel(sample);
            EXPECT_NEAR(a, d, 1.0) << when << ", sample " << sample;
        }
    };
    check("whole view");
    CtrlDrag(SCOPEP_GRAPH_SCOPE, {20, 1000}, {60, 3000});
    check("zoomed");
    // Long labels on the analog y axis (a zoom far up) take more room on the left.
    SetAxisScalingMode(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, VAL_LEFT_YAXIS, VAL_MANUAL,
                       -12345.5, 23456.5);
    check("wide labels");
    for (QWidget *g : {static_cast<QWidget *>(analog), static_cast<QWidget *>(digital)})
        g->resize(g->width() + 150, g->height());
    check("wider");
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
                             "Comment:", "Edge too slow", "see sample 40", "Settings"}) {
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

// The report says how the capture was taken and from which sensor, reads the cursors out, and
// draws the capture as lines on a time axis with a legend: the page holds no picture.
TEST_F(ScopeReport, SettingsIdentityCursorsAndTheCaptureAsLinesNotAPicture)
{
    CopyField(AppState.FirmwareId, "ORVANTE2 V1.3.0 sim");
    CopyField(AppState.SensorName, "Line 4 left");
    CopyField(AppState.SensorId, "S-17");
    AppState.SensorSerial = 4711;
    CycleTimeMs = 0.1;
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_RING_TRIGGER_MODE, 1);
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL, 1500);
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_PRE_TRIGGER, 10);
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE, 2);
    for (int k = 0; k < kScopeSamples; ++k) {
        ScopeTraces.Ch0Trace[size_t(k)] = int16_t(1000 + 10 * k);
        ScopeTraces.StatusTrace[size_t(k)] = int16_t(k < 64 ? 0x0100 : 0x0003);
    }
    PlotScopeSignals();
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 1, 32, 1000);
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 2, 96, 3000);

    const QString path = dir.filePath("settings.pdf");
    const auto pages = PrintToPdf("settings.pdf");
    ASSERT_EQ(pages.size(), 1u);
    const std::vector<std::string> &runs = pages[0];
    for (const char *text : {"TRIGGER MODE",
                             "RISING EDGE",
                             "TRIGGER LEVEL",
                             "1500",
                             "PRE-TRIGGER",
                             "10",
                             "SCAN RATE",
                             "2",
                             "FREQUENCY",
                             "10000 Hz",
                             "CYCLE TIME",
                             "0.100 ms",
                             "Firmware",
                             "ORVANTE2 V1.3.0 sim",
                             "Sensor",
                             "Line 4 left",
                             "Serial number",
                             "4711",
                             "Panel ID",
                             "S-17",
                             "Cursor 1",
                             "6.400 ms (32.0), 1000 digit",
                             "DELTA X",
                             "12.800 ms",
                             "DELTA Y",
                             "2000 digit, 4.8828 V",
                             "Time [ms]",
                             "CH0",
                             "CH1",
                             "SIG",
                             "IN0 H",
                             "OUT1 H",
                             "L",
                             "DIGIT",
                             "25"})
        EXPECT_TRUE(Has(runs, text)) << text;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_FALSE(pdf.contains("/Subtype /Image"))
        << "the capture is drawn, not pasted in as a picture";

    // The same page as a picture at 300 dpi: A4, and the CH0 trace drawn in its red.
    responder.push(1, dir.filePath("report.png").toStdString());
    SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_PRINT_SCOPE_GRAPH, EVENT_COMMIT);
    const QImage png(dir.filePath("report.png"));
    ASSERT_EQ(png.size(), QSize(2480, 3508));
    int red = 0;
    for (int y = 0; y < png.height(); y += 2)
        for (int x = 0; x < png.width(); x += 2) {
            const QColor c = png.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    EXPECT_GT(red, 200);

    // In German, and before the cycle time is known the x axis counts samples.
    AppState.LanguageIndex = 0;
    CycleTimeMs = 0;
    const auto german = PrintToPdf("german.pdf");
    ASSERT_EQ(german.size(), 1u);
    for (const char *text : {"Einstellungen", "TRIGGER-MODUS", "ZYKLUSZEIT", "nicht gemessen",
                             "Seriennummer", "ABTASTWERT (Zykluszeit nicht gemessen)", "120"})
        EXPECT_TRUE(Has(german[0], text)) << text;
}

TEST_F(ScopeReport, WithoutIdentificationAndCommentThoseLinesAreLeftOut)
{
    const auto pages = PrintToPdf();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(Has(pages[0], "ORVANTE2 Scope V1.3"));
    EXPECT_FALSE(Has(pages[0], "Comment:"));
    EXPECT_FALSE(Has(pages[0], "Panel ID"));
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
