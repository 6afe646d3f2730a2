// A saved capture laid under the capture shown as a reference, what the cursors measure between
// them on the scope panel, and the report of a loaded capture naming the file's sensor.
#include "scope_fixture.h"

#include "app/appstate.h"
#include "app/status_line.h"
#include "link/exchange.h"
#include "pdf_text.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"
#include "scope/capture_doc.h"
#include "scope/display.h"
#include "scope/reference.h"

#include <QFile>
#include <QLineEdit>
#include <QXYSeries>

#include <algorithm>

namespace {

class ScopeReferenceTest : public ScopeOnPeer {
protected:
    std::string Path(const char *name) { return dir.filePath(name).toStdString(); }
    static std::string Text(int control) { return GetCtrlText(AppState.ScopePanel, control); }
    static GraphCtrl *Graph()
    {
        return qobject_cast<GraphCtrl *>(CtrlWidget(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE));
    }
    // The analog graph's plots in order: legend name and whether dashed.
    static std::vector<std::string> Legend()
    {
        std::vector<std::string> names;
        for (int h : Graph()->plotHandles()) {
            const bool dashed = Graph()->plotSeries(h)->pen().style() != Qt::SolidLine;
            names.push_back(Graph()->plotName(h).toStdString() + (dashed ? " dashed" : ""));
        }
        return names;
    }
    // A capture file whose CH0, CH1 and SIG are `base` + sample number, taken at `scanRate`.
    std::string ReferenceFile(const char *name, int base, int scanRate, double cycleTimeMs)
    {
        ScopeCapture c;
        c.request.ScanRate = int16_t(scanRate);
        c.cycleTimeMs = cycleTimeMs;
        c.frequencyHz = cycleTimeMs > 0 ? 1000 / cycleTimeMs : 0;
        c.date = "2026-11-02 08:15:00";
        for (auto *t : {&c.traces.Ch0Trace, &c.traces.Ch1Trace, &c.traces.SigTrace})
            *t = CountingRing(base);
        EXPECT_EQ(WriteScopeCaptureFile(c, Path(name)), CaptureFileResult::kOk);
        return Path(name);
    }
    void Cursors(double x1, double x2)
    {
        SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 1, x1, 1000);
        SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 2, x2, 3000);
        calcScopDeltaXY();
    }
    const std::array<Ring, 4> rings = {CountingRing(100), CountingRing(300), CountingRing(500),
                                       CountingRing(0)};
};

TEST_F(ScopeReferenceTest, LaidUnderTheCaptureStaysForTheNextAndIsRemoved)
{
    EXPECT_TRUE(Dimmed(AppState.TabScope, TABP_SCOPE_BUTTON_REMOVE_REFERENCE));
    CycleTimeMs = 0;
    SetTrigger(0, 0, 0, 2);
    peer.answerNext({{0, ScopeAnswer(rings, 0)}});
    ASSERT_TRUE(Scan());
    const std::string file = ReferenceFile("commissioning.ini", 290, 2, 0);

    bool laid = false;
    EXPECT_EQ(LayScopeReferenceFrom(file, &laid), std::string(Tr(kMsgReferenceLaid)) + file);
    ASSERT_TRUE(laid);
    EXPECT_NE(StatusLineText().find(Tr(kMsgReferenceLaid)), std::string::npos);
    EXPECT_FALSE(Dimmed(AppState.TabScope, TABP_SCOPE_BUTTON_REMOVE_REFERENCE));
    EXPECT_EQ(Legend(), (std::vector<std::string>{"REF CH0 dashed", "REF CH1 dashed",
                                                  "REF SIG dashed", "CH0", "CH1", "SIG"}));
    const auto plots = PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE);
    EXPECT_EQ(plots[0].y, AsDoubles(CountingRing(290)));
    EXPECT_NE(plots[0].color, plots[3].color);
    EXPECT_EQ(Text(SCOPEP_STRING_REFERENCE), "commissioning.ini, 2026-11-02 08:15:00");
    // Too long for its field, it shows the file's name rather than the end of the date.
    EXPECT_EQ(qobject_cast<QLineEdit *>(CtrlWidget(AppState.ScopePanel, SCOPEP_STRING_REFERENCE))
                  ->cursorPosition(),
              0);

    // At each cursor the capture minus the reference, for the traces shown.
    Cursors(10.2, 59.7);
    EXPECT_EQ(Text(SCOPEP_STRING_REF_DIFF_1), "CH0 -190  CH1 +10  SIG +210");
    EXPECT_EQ(Text(SCOPEP_STRING_REF_DIFF_2), "CH0 -190  CH1 +10  SIG +210");
    SetCtrlVal(AppState.ScopePanel, SCOPEP_RING_SCOPE_SIGNAL, 2);
    SimulateCtrlEvent(AppState.ScopePanel, SCOPEP_RING_SCOPE_SIGNAL, EVENT_COMMIT);
    EXPECT_EQ(Legend(), (std::vector<std::string>{"REF CH1 dashed", "CH1"}));
    EXPECT_EQ(Text(SCOPEP_STRING_REF_DIFF_1), "CH1 +10");
    Cursors(140, 20); // cursor 1 beyond the capture
    EXPECT_EQ(Text(SCOPEP_STRING_REF_DIFF_1), "-");
    EXPECT_EQ(Text(SCOPEP_STRING_REF_DIFF_2), "CH1 +10");

    // A new capture of the same time base: the reference stays under it.
    peer.answerNext(
        {{0, ScopeAnswer({CountingRing(1000), CountingRing(280), rings[2], rings[3]}, 0)}});
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Legend(), (std::vector<std::string>{"REF CH1 dashed", "CH1"}));
    EXPECT_EQ(Text(SCOPEP_STRING_REF_DIFF_2), "CH1 -10");

    SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_REMOVE_REFERENCE, EVENT_COMMIT);
    EXPECT_EQ(ScopeReference(), nullptr);
    EXPECT_EQ(Legend(), (std::vector<std::string>{"CH1"}));
    EXPECT_EQ(Text(SCOPEP_STRING_REFERENCE), "-");
    EXPECT_EQ(Text(SCOPEP_STRING_REF_DIFF_2), "-");
    EXPECT_TRUE(Dimmed(AppState.TabScope, TABP_SCOPE_BUTTON_REMOVE_REFERENCE));
    EXPECT_NE(StatusLineText().find(Tr(kMsgReferenceRemoved)), std::string::npos);
}

// Both are drawn over the sample number: a reference of another time base would put its samples
// at other times, so it is refused, and a capture of another time base takes it away.
TEST_F(ScopeReferenceTest, OnlyACaptureOfTheSameTimeBaseTakesAReference)
{
    EXPECT_TRUE(SameScopeTimeBase(3, 0.200, 3, 0.2019));
    EXPECT_FALSE(SameScopeTimeBase(3, 0.200, 3, 0.203));
    EXPECT_FALSE(SameScopeTimeBase(3, 0.2, 1, 0.2));
    EXPECT_TRUE(SameScopeTimeBase(2, 0, 2, 0.5)); // not measured on one side

    CycleTimeMs = 0;
    SetTrigger(0, 0, 0, 1);
    peer.answerNext({{0, ScopeAnswer(rings, 0)}});
    ASSERT_TRUE(Scan());
    bool laid = true;
    const std::string slower = ReferenceFile("slower.ini", 0, 3, 0);
    EXPECT_EQ(LayScopeReferenceFrom(slower, &laid),
              std::string(Tr(kMsgReferenceOtherTimeBase)) + slower);
    EXPECT_FALSE(laid);
    EXPECT_EQ(ScopeReference(), nullptr);
    EXPECT_EQ(PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE).size(), 3u);
    // A file that is no capture is refused as LOAD refuses it.
    WriteAll(Path("other.ini"), "[GENERAL INFO]\r\nFILE TYPE = \"Parameter File\"\r\n");
    EXPECT_EQ(LayScopeReferenceFrom(Path("other.ini"), &laid),
              std::string(Tr(kMsgNotACaptureFile)) + Path("other.ini"));
    EXPECT_FALSE(laid);

    const std::string same = ReferenceFile("same.ini", 0, 1, 0);
    EXPECT_EQ(LayScopeReferenceFrom(same, &laid), std::string(Tr(kMsgReferenceLaid)) + same);
    ASSERT_TRUE(laid);
    // Loading the slower capture takes the reference away and says so.
    EXPECT_EQ(LoadScopeCaptureFrom(slower, &laid), std::string(Tr(kMsgCaptureLoaded)) + slower);
    EXPECT_EQ(ScopeReference(), nullptr);
    EXPECT_EQ(PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE).size(), 3u);
    EXPECT_EQ(Text(SCOPEP_STRING_REFERENCE), "-");
    const std::string history =
        CtrlWidget(AppState.MainPanel, StatusLineControl())->toolTip().toStdString();
    EXPECT_NE(history.find(Tr(kMsgReferenceDropped)), std::string::npos) << history;
}

// Without a sensor and before any capture a reference is drawn alone; nothing is measured.
TEST_F(ScopeReferenceTest, LaidWithoutASensorBeforeAnyCapture)
{
    CloseLink();
    bool laid = false;
    LayScopeReferenceFrom(ReferenceFile("ref.ini", 50, 4, 0.1), &laid);
    ASSERT_TRUE(laid);
    EXPECT_EQ(Legend(),
              (std::vector<std::string>{"REF CH0 dashed", "REF CH1 dashed", "REF SIG dashed"}));
    for (int c : {SCOPEP_STRING_CURSOR_FREQUENCY, SCOPEP_STRING_CURSOR_MIN,
                  SCOPEP_STRING_CURSOR_MEAN, SCOPEP_STRING_REF_DIFF_1, SCOPEP_STRING_REF_DIFF_2})
        EXPECT_EQ(Text(c), "-") << c;
}

TEST_F(ScopeReferenceTest, MeasurementsBetweenTheCursorsFollowCursorsSignalAndCaptures)
{
    for (int c : {SCOPEP_STRING_CURSOR_FREQUENCY, SCOPEP_STRING_CURSOR_MIN,
                  SCOPEP_STRING_CURSOR_MAX, SCOPEP_STRING_CURSOR_MEAN})
        EXPECT_EQ(Text(c), "-") << "no capture yet";
    SetTrigger(0, 0, 0, 3);
    CycleTimeMs = 0.2;
    peer.answerNext({{0, ScopeAnswer(rings, 0)}});
    ASSERT_TRUE(Scan());
    // Cursors stand where they did: 32 and 96 at start.
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MIN), "132");
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MAX), "196");
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MEAN), "164.0");

    Cursors(60.4, 9.6); // samples 10..60; 50 samples x 0.2 ms x 3 = 30 ms
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_FREQUENCY), "33.33 Hz");
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MIN), "110");
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MEAN), "135.0");
    SetCtrlVal(AppState.ScopePanel, SCOPEP_RING_MEASURE_SIGNAL, 2);
    SimulateCtrlEvent(AppState.ScopePanel, SCOPEP_RING_MEASURE_SIGNAL, EVENT_COMMIT);
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MIN), "510");
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MAX), "560");

    // No distance, no frequency; the one sample between them still measures.
    Cursors(20, 20);
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_FREQUENCY), "-");
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MEAN), "520.0");
    // A capture coming in updates them without the cursors moving.
    peer.answerNext({{0, ScopeAnswer({rings[0], rings[1], CountingRing(-40), rings[3]}, 0)}});
    ASSERT_TRUE(Scan());
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MEAN), "-20.0");
    // Without a cycle time delta X is no time: no frequency.
    CycleTimeMs = 0;
    Cursors(10, 20);
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_FREQUENCY), "-");
    EXPECT_EQ(Text(SCOPEP_STRING_CURSOR_MAX), "-20");
}

// The report of a loaded capture names the file's sensor and date, not the sensor connected; it
// draws and names the reference and prints the measurements and differences.
TEST_F(ScopeReferenceTest, ReportOfALoadedCaptureNamesItsOwnSensorAndTheReference)
{
    CopyField(AppState.FirmwareId, "FW connected");
    CopyField(AppState.SensorName, "Connected one");
    CopyField(AppState.SensorId, "P-NOW");
    AppState.SensorSerial = 1111;
    ScopeCapture c;
    c.request.ScanRate = 1;
    c.cycleTimeMs = 0.1;
    c.frequencyHz = 10000;
    c.firmware = "FW 2.0 old";
    c.sensorName = "Line 2 right";
    c.panelId = "P-2019";
    c.serial = 2222;
    c.date = "2019-05-04 10:11:12";
    c.cursorX[0] = 10;
    c.cursorX[1] = 20;
    c.traces.Ch0Trace = CountingRing(100);
    ASSERT_EQ(WriteScopeCaptureFile(c, Path("old.ini")), CaptureFileResult::kOk);
    bool loaded = false;
    LoadScopeCaptureFrom(Path("old.ini"), &loaded);
    ASSERT_TRUE(loaded);
    LayScopeReferenceFrom(ReferenceFile("ref.ini", 90, 1, 0.1), &loaded);
    ASSERT_TRUE(loaded);

    const auto print = [&](const char *name) {
        responder.push(1, Path(name));
        SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_PRINT_SCOPE_GRAPH, EVENT_COMMIT);
        QFile f(QString::fromStdString(Path(name)));
        return f.open(QIODevice::ReadOnly) ? PdfTextRuns(f.readAll())
                                           : std::vector<std::vector<std::string>>();
    };
    auto pages = print("loaded.pdf");
    ASSERT_EQ(pages.size(), 1u);
    const auto has = [&](const std::string &text) {
        return std::find(pages[0].begin(), pages[0].end(), text) != pages[0].end();
    };
    for (const char *text :
         {"Panel ID: P-2019", "FW 2.0 old", "Line 2 right", "2222", "Captured",
          "2019-05-04 10:11:12", "1/DELTA X", "1000 Hz", "MIN / MAX / MEAN CH0",
          "110 / 120 / 115.0", "Reference", "ref.ini, 2026-11-02 08:15:00",
          "CURRENT - REF (CURSOR 1)", "CH0 +10  CH1 -100  SIG -100", "REF CH0", "REF SIG"})
        EXPECT_TRUE(has(text)) << text;
    for (const char *text : {"FW connected", "Connected one", "1111", "P-NOW"})
        EXPECT_FALSE(has(text)) << text;

    // A capture taken from the sensor names the sensor again.
    peer.answerNext({{0, ScopeAnswer(rings, 0)}});
    ASSERT_TRUE(Scan());
    pages = print("taken.pdf");
    ASSERT_EQ(pages.size(), 1u);
    for (const char *text : {"FW connected", "Connected one", "1111", "Panel ID: P-NOW"})
        EXPECT_TRUE(has(text)) << text;
    EXPECT_FALSE(has("2019-05-04 10:11:12"));
}

} // namespace
