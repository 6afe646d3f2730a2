// The recorder page against the simulated sensor and a scripted peer over TCP: choosing the
// record file, the record-time displays, interval, manual and triggered recording, and the
// record file they leave on disk.
#include "common/harness.h"

#include "platform/rs232.h"
#include "app/startup.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "live/graphs.h"
#include "recorder/record_file.h"
#include "platform/ui_testing.h"
#include "recorder/recorder.h"
#include "sim/sim_runner.h"

#include <QAbstractSpinBox>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

namespace {

const char kHeaderEn[] =
    "\nRecord results of: ORVANTE2 Scope V1.3\r\n\r\nDATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n";
const char kNoFile[] = "No file was selected! \nProcess will not be done!";
const char kSaved[] = "File has been saved!";

// The data lines of a record file (everything after the column-name line), without CR LF.
std::vector<std::string> DataLines(const std::string &text)
{
    std::vector<std::string> lines;
    const std::string columns = "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n";
    size_t at = text.find(columns);
    at = at == std::string::npos ? 0 : at + columns.size();
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// A line without its date and time.
std::string Values(const std::string &line)
{
    size_t tab = line.find('\t');
    tab = line.find('\t', tab + 1);
    return line.substr(tab + 1);
}

class Recorder : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ResetLiveGraphs();
        path = dir.filePath("rec.dat").toStdString();
        CopyField(AppState.RecordFilePath, path.c_str());
    }
    int Page() const { return AppState.TabRecorder; }
    void SetMode(int mode)
    {
        SetCtrlVal(Page(), TABP_RECORDER_RING_RECORD_MODE, mode);
        CBF_EditSelectDataRec(Page(), TABP_RECORDER_RING_RECORD_MODE, EVENT_COMMIT, nullptr, 0, 0);
    }
    bool Shown(int control) const
    {
        int v = 0;
        GetCtrlAttribute(Page(), control, ATTR_VISIBLE, &v);
        return v != 1 ? false : true;
    }
    double Real(int control) const
    {
        double v = 0;
        GetCtrlVal(Page(), control, &v);
        return v;
    }
    int Int(int control) const
    {
        int v = 0;
        GetCtrlVal(Page(), control, &v);
        return v;
    }
    // Runs `until` every few milliseconds while a recording blocks the test; presses STOP when
    // it says so or after `limitMs`. The check ends with the test at the latest.
    void StopWhen(std::function<bool()> until, int limitMs = 20000)
    {
        stopper = std::make_unique<QTimer>();
        const double deadline = Timer() + limitMs / 1000.0;
        QTimer *t = stopper.get();
        QObject::connect(t, &QTimer::timeout, [t, until, deadline, this] {
            if (until() || Timer() > deadline) {
                t->stop();
                CBF_ButtonStopRecord(Page(), TABP_RECORDER_BUTTON_STOP_RECORD, EVENT_COMMIT,
                                     nullptr, 0, 0);
            }
        });
        t->start(2);
    }
    void TearDown() override
    {
        stopper.reset();
        AppTest::TearDown();
    }
    void StartTriggered()
    {
        responder.push(1); // the start confirmation
        CBF_ButtonStartTrigRec(Page(), TABP_RECORDER_BUTTON_START_TRIG_REC, EVENT_COMMIT, nullptr,
                               0, 0);
    }
    std::string path;
    std::unique_ptr<QTimer> stopper;
};

std::vector<frame::Header> Requests(sim::SimRunner &sensor)
{
    std::vector<frame::Header> out;
    for (const auto &f : sensor.receivedFrames()) {
        frame::Header h;
        if (f.size() >= 8 && frame::CheckHeader(f.data(), &h) == frame::HeaderCheck::kGood)
            out.push_back(h);
    }
    return out;
}

} // namespace

TEST_F(Recorder, VisibilityFollowsTheMode)
{
    const int all[] = {
        TABP_RECORDER_NUMERIC_INTERVAL,        TABP_RECORDER_NUMERIC_REC_VALUES,
        TABP_RECORDER_NUMERIC_REC_DAYS,        TABP_RECORDER_NUMERIC_REC_SECONDS,
        TABP_RECORDER_NUMERIC_RECORDED_VALUES, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL,
        TABP_RECORDER_NUMERIC_REMAINING,       TABP_RECORDER_BUTTON_START_TRIG_REC,
        TABP_RECORDER_BUTTON_MANUAL_RECORD,    TABP_RECORDER_BUTTON_START_RECORD,
        TABP_RECORDER_BUTTON_STOP_RECORD};
    const int expected[4][11] = {{1, 1, 1, 1, 1, 0, 1, 0, 0, 1, 1},
                                 {1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 1},
                                 {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0},
                                 {0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1}};
    for (int mode : {3, 0, 2, 1, 3}) {
        SetMode(mode);
        for (int i = 0; i < 11; ++i)
            EXPECT_EQ(Shown(all[i]), expected[mode][i] == 1) << "mode " << mode << " control " << i;
    }
    // An unknown mode changes nothing.
    SetCtrlVal(Page(), TABP_RECORDER_RING_RECORD_MODE, 7);
    InitRecordPanel();
    EXPECT_TRUE(Shown(TABP_RECORDER_BUTTON_START_TRIG_REC));
}

TEST_F(Recorder, RecordTimeDisplaysAndTheIntervalMinimum)
{
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_INTERVAL, 0.1);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_REC_VALUES, 1000);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_RECORDED_VALUES, 5);
    CBF_EditInterval(Page(), TABP_RECORDER_NUMERIC_INTERVAL, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_DOUBLE_EQ(RecInterval, 0.25);
    EXPECT_DOUBLE_EQ(Real(TABP_RECORDER_NUMERIC_INTERVAL), 0.25);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_REC_DAYS), 0);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_REC_HOURS), 0);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_REC_MINUTES), 4);
    EXPECT_DOUBLE_EQ(Real(TABP_RECORDER_NUMERIC_REC_SECONDS), 10.0);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_RECORDED_VALUES), 0);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_REMAINING), 1000);

    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_INTERVAL, 3600.0);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_REC_VALUES, 30);
    CBF_EditRecVal(Page(), TABP_RECORDER_NUMERIC_REC_VALUES, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_REC_DAYS), 1);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_REC_HOURS), 6);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_REC_MINUTES), 0);
    EXPECT_DOUBLE_EQ(Real(TABP_RECORDER_NUMERIC_REC_SECONDS), 0.0);
}

TEST_F(Recorder, ChoosingANewFileWritesTheHeader)
{
    AppState.LanguageIndex = 1;
    const std::string chosen = dir.filePath("new.dat").toStdString();
    responder.push(VAL_NEW_FILE_SELECTED, chosen);
    CBF_ButtonSelRecFile(Page(), TABP_RECORDER_BUTTON_SEL_REC_FILE, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].title, "Filename!");
    EXPECT_EQ(responder.shown[0].defaultName, "RecordFile.dat");
    EXPECT_EQ(responder.shown[0].filter, "*.dat");
    EXPECT_EQ(std::filesystem::path(responder.shown[0].directory),
              std::filesystem::path(path).parent_path());
    EXPECT_EQ(std::string(AppState.RecordFilePath), chosen);
    EXPECT_EQ(GetCtrlText(Page(), TABP_RECORDER_TEXTBOX_REC_FILE), chosen);
    EXPECT_EQ(ReadAll(chosen), kHeaderEn);
}

TEST_F(Recorder, AnExistingFileIsReplacedOnlyOnYes)
{
    AppState.LanguageIndex = 0;
    CopyField(AppState.SensorId, "X9");
    const std::string existing = dir.filePath("old.dat").toStdString();
    WriteAll(existing, "old contents\r\n");

    responder.push(VAL_EXISTING_FILE_SELECTED, existing);
    responder.push(0); // No
    CBF_ButtonSelRecFile(Page(), TABP_RECORDER_BUTTON_SEL_REC_FILE, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(responder.shown.size(), 2u);
    EXPECT_EQ(responder.shown[1].kind, PopupRequest::kConfirm);
    EXPECT_EQ(responder.shown[1].text,
              "Datei existiert bereits! \nWollen Sie die bestehende Datei auswaehlen?");
    EXPECT_EQ(std::string(AppState.RecordFilePath), path);
    EXPECT_EQ(ReadAll(existing), "old contents\r\n");

    responder.shown.clear();
    responder.push(VAL_EXISTING_FILE_SELECTED, existing);
    responder.push(1); // Yes
    CBF_ButtonSelRecFile(Page(), TABP_RECORDER_BUTTON_SEL_REC_FILE, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(responder.shown.size(), 3u);
    EXPECT_EQ(responder.shown[2].text,
              "Stellen Sie sicher dass die Datei in keinem anderen Programm verwendet wird. "
              "\nAnsonsten kann sie nicht gespeichert werden.");
    EXPECT_EQ(std::string(AppState.RecordFilePath), existing);
    EXPECT_EQ(ReadAll(existing), "\nErgebnisse von ... aufzeichnen:ORVANTE2 Scope V1.3\r\n"
                                 "Fenster ID:X9\r\n\r\nDATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n");
}

TEST_F(Recorder, CancellingTheDialogChangesNothing)
{
    WriteAll(path, "kept");
    responder.push(VAL_NO_FILE_SELECTED);
    CBF_ButtonSelRecFile(Page(), TABP_RECORDER_BUTTON_SEL_REC_FILE, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(responder.shown.size(), 2u);
    EXPECT_EQ(responder.shown[1].text, kNoFile);
    EXPECT_EQ(std::string(AppState.RecordFilePath), path);
    EXPECT_EQ(ReadAll(path), "kept");
}

TEST_F(Recorder, FileTroubleLosesTheLineButNothingElse)
{
    DataFrame = {};
    DataFrame.Ch1 = -16;
    // A directory that does not exist: nothing is written, nothing reported.
    const std::string missing = dir.filePath("no/such/dir/rec.dat").toStdString();
    CopyField(AppState.RecordFilePath, missing.c_str());
    ToFile();
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(responder.shown.empty());
    // A file deleted between two lines is created again by the next one.
    CopyField(AppState.RecordFilePath, path.c_str());
    ToFile();
    std::filesystem::remove(path);
    ToFile();
    const auto lines = DataLines("DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n" + ReadAll(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Values(lines[0]), "0\t-16\t0\t0");
}

TEST_F(Recorder, ManualRecordRepeatsTheLatestFrameWithNewTimes)
{
    DataFrame = {};
    DataFrame.Ch0 = 1234;
    DataFrame.Ch1 = -16;
    DataFrame.Temp = 412;
    DataFrame.Sig = 2048;
    SetMode(kRecordManual);
    for (int i = 0; i < 2; ++i)
        CBF_ButtonManualRecord(Page(), TABP_RECORDER_BUTTON_MANUAL_RECORD, EVENT_COMMIT, nullptr, 0,
                               0);
    EXPECT_EQ(RecordedValues, 2);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_RECORDED_VALUES), 2);
    EXPECT_FALSE(Dimmed(Page(), TABP_RECORDER_BUTTON_MANUAL_RECORD));
    const auto lines = DataLines("DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n" + ReadAll(path));
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string &l : lines) {
        EXPECT_EQ(Values(l), "1234\t-16\t412\t2048");
        EXPECT_EQ(l.size(), std::string("MM-DD-YYYY\tHH:MM:SS\t").size() + Values(l).size());
    }
    // A mode change back to manual restarts the count.
    SetMode(kRecordManual);
    EXPECT_EQ(RecordedValues, 0);
}

class RecorderOnSensor : public Recorder {
protected:
    void SetUp() override
    {
        Recorder::SetUp();
        ASSERT_TRUE(sensor.start());
        OpenTcp(sensor.tcpPort());
        AppState.SensorConnected = 1;
    }
    sim::SimRunner sensor;
};

TEST_F(RecorderOnSensor, CountedRecordingWritesExactlyTheFramesAndStopsAtOnce)
{
    WriteAll(path, kHeaderEn);
    SetMode(kRecordCount);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_INTERVAL, 1.0);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_REC_VALUES, 3);
    sensor.clearLog();
    responder.push(1); // the start confirmation
    const double start = Timer();
    CBF_ButtonStartRecord(Page(), TABP_RECORDER_BUTTON_START_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    const double took = Timer() - start;

    // Three requests 1 s apart take 2 s; a further interval would make it 3.
    EXPECT_GE(took, 2.0);
    EXPECT_LT(took, 2.9);
    const std::string text = ReadAll(path);
    ASSERT_EQ(text.substr(0, sizeof kHeaderEn - 1), kHeaderEn);
    EXPECT_EQ(DataLines(text).size(), 3u);
    int dataRequests = 0;
    for (const frame::Header &h : Requests(sensor))
        dataRequests += h.order == frame::kOrderDataFrame;
    EXPECT_EQ(dataRequests, 3);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_RECORDED_VALUES), 3);
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_REMAINING), 0);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    ASSERT_FALSE(responder.shown.empty());
    EXPECT_EQ(responder.shown.back().text, kSaved);
    EXPECT_FALSE(Dimmed(Page(), TABP_RECORDER_BUTTON_START_RECORD));
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    int color = 0;
    GetCtrlAttribute(Page(), TABP_RECORDER_BUTTON_START_RECORD, ATTR_TEXT_BGCOLOR, &color);
    EXPECT_EQ(color, 0xE0E0E0);
}

TEST_F(RecorderOnSensor, UntilStopCountsInTheRealDisplayAndNoAnswerEndsIt)
{
    SetMode(kRecordUntilStop);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_INTERVAL, 0.25);
    StopWhen([this] {
        if (Real(TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL) >= 2)
            sensor.setFault(frame::kOrderDataFrame, sim::Fault{.noReply = true});
        return false; // the time-out ends the recording
    });
    responder.push(1);
    CBF_ButtonStartRecord(Page(), TABP_RECORDER_BUTTON_START_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    // The failed attempt is counted; the two answered ones became lines.
    EXPECT_EQ(Real(TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL), 3);
    EXPECT_EQ(DataLines(ReadAll(path)).size(), 2u);
}

TEST_F(RecorderOnSensor, TriggeredRecordingLosesNoFrameAt500PerSecond)
{
    sensor.withModel([](sim::SensorModel &m) { m.setAutoSendIntervalMs(2); });
    WriteAll(path, kHeaderEn);
    SetMode(kRecordTriggered);
    sensor.clearLog();
    int sent = -1;
    StopWhen(
        [&] {
            if (sent < 0) {
                int n = 0;
                sensor.withModel([&n](sim::SensorModel &m) {
                    n = m.autoFramesSent();
                    if (n >= 300)
                        m.stopAutoSend();
                });
                if (n >= 300)
                    sent = n;
                return false;
            }
            return Real(TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL) >= sent;
        },
        60000);
    StartTriggered();
    ASSERT_GE(sent, 300);
    EXPECT_EQ(Real(TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL), sent);
    EXPECT_EQ(DataLines(ReadAll(path)).size(), size_t(sent));
    EXPECT_TRUE(MessageBoxText().empty()) << MessageBoxText();
    const auto requests = Requests(sensor);
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests.front().order, frame::kOrderAutoSend);
    EXPECT_EQ(requests.front().arg, 1);
    EXPECT_EQ(requests.back().order, frame::kOrderAutoSend);
    EXPECT_EQ(requests.back().arg, 0);
    EXPECT_EQ(responder.shown.back().text, kSaved);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
}

TEST_F(RecorderOnSensor, ABadFrameEndsTriggeredRecordingAndSendingIsStillSwitchedOff)
{
    sim::Fault bad;
    bad.badHeaderCrc = true;
    bad.frame = 5; // the fifth frame sent on its own
    bad.count = 1;
    sensor.setFault(frame::kOrderAutoSend, bad);
    sensor.withModel([](sim::SensorModel &m) { m.setAutoSendIntervalMs(5); });
    SetMode(kRecordTriggered);
    sensor.clearLog();
    StopWhen([] { return false; }); // only the bound: the bad header has to end it
    StartTriggered();
    EXPECT_EQ(DataLines("DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n" + ReadAll(path)).size(), 4u);
    EXPECT_NE(MessageBoxText().find("Received header frame is incorrect!"), std::string::npos);
    // A frame already on the way may have been taken for the answer to the switch-off.
    bool stillSending = true;
    for (const double end = Timer() + 3; stillSending && Timer() < end; Pump(10))
        sensor.withModel([&](sim::SensorModel &m) { stillSending = m.autoSending(); });
    EXPECT_FALSE(stillSending);
    const auto requests = Requests(sensor);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().order, frame::kOrderAutoSend);
    EXPECT_EQ(requests.back().arg, 0);
}

TEST_F(Recorder, FramesArrivingTogetherWithTheAcknowledgeAreAllRecorded)
{
    RawPeer peer;
    OpenTcp(peer.port());
    auto data = [](int16_t ch0) {
        std::vector<uint8_t> p(kDataFrameSize, 0);
        p[0] = uint8_t(ch0 & 0xFF);
        p[1] = uint8_t(uint16_t(ch0) >> 8);
        return Frame(frame::kOrderDataFrame, 0, p);
    };
    // The acknowledge and three frames in one piece, then two more split across writes.
    std::vector<uint8_t> burst = Frame(frame::kOrderAutoSend, 0);
    for (int16_t v : {1, -2, 3}) {
        const std::vector<uint8_t> f = data(v);
        burst.insert(burst.end(), f.begin(), f.end());
    }
    const std::vector<uint8_t> f4 = data(4), f5 = data(5);
    std::vector<uint8_t> tail(f4.begin() + 10, f4.end());
    tail.insert(tail.end(), f5.begin(), f5.end());
    peer.answerNext(
        {{0, burst}, {20, std::vector<uint8_t>(f4.begin(), f4.begin() + 10)}, {20, tail}});
    peer.answerNext({{0, Frame(frame::kOrderAutoSend, 0)}});
    SetMode(kRecordTriggered);
    StopWhen([this] { return Real(TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL) >= 5; }, 5000);
    StartTriggered();
    const auto lines = DataLines("DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n" + ReadAll(path));
    ASSERT_EQ(lines.size(), 5u) << MessageBoxText();
    const char *ch0[] = {"1", "-2", "3", "4", "5"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Values(lines[i]), std::string(ch0[i]) + "\t0\t0\t0");
    EXPECT_TRUE(MessageBoxText().empty()) << MessageBoxText();
    Pump(50);
    ASSERT_EQ(peer.requests.size(), 2u);
    EXPECT_EQ(peer.requests[1], Frame(frame::kOrderAutoSend, 0));
}

// An answer to a data request that carries less than a whole data frame is no line of the file:
// it is counted as an attempt, and the recording goes on.
TEST_F(Recorder, CountedRecordingSkipsAShortAnswer)
{
    RawPeer peer;
    OpenTcp(peer.port());
    AppState.SensorConnected = 1;
    std::vector<uint8_t> whole(kDataFrameSize, 0);
    whole[0] = 7;
    peer.answerNext({{0, Frame(frame::kOrderDataFrame, 0, whole)}});
    peer.answerNext({{0, Frame(frame::kOrderDataFrame, 0, std::vector<uint8_t>(6, 9))}});
    peer.answerNext({{0, Frame(frame::kOrderDataFrame, 0, whole)}});
    WriteAll(path, kHeaderEn);
    SetMode(kRecordCount);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_INTERVAL, 0.25);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_REC_VALUES, 3);
    responder.push(1); // the start confirmation
    CBF_ButtonStartRecord(Page(), TABP_RECORDER_BUTTON_START_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    const auto lines = DataLines(ReadAll(path));
    ASSERT_EQ(lines.size(), 2u) << MessageBoxText();
    for (const std::string &line : lines)
        EXPECT_EQ(Values(line), "7\t0\t0\t0");
    EXPECT_EQ(Int(TABP_RECORDER_NUMERIC_RECORDED_VALUES), 3);
    EXPECT_EQ(peer.requests.size(), 3u);
}

TEST_F(Recorder, TriggeredRecordingOverASerialLine)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start(0, true));
    const int com = ComPortFromDevice(sensor.ptyPath().toStdString());
    ASSERT_GT(com, 0);
    AppState.ComProtocol = 0;
    AppState.ComPort = uint16_t(com);
    AppState.BaudrateIndex = 4;
    InitRS232();
    ASSERT_GE(AppState.OpenResult, 0);
    sensor.withModel([](sim::SensorModel &m) { m.setAutoSendIntervalMs(10); });
    SetMode(kRecordTriggered);
    StopWhen([this] { return Real(TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL) >= 20; });
    StartTriggered();
    EXPECT_GE(DataLines("DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n" + ReadAll(path)).size(), 20u);
    EXPECT_TRUE(MessageBoxText().empty()) << MessageBoxText();
    // A frame already on the line may have been taken for the answer to the switch-off, so the
    // simulator can still be reading it when the exchange is over.
    bool stillSending = true;
    for (const double end = Timer() + 3; stillSending && Timer() < end; Pump(10))
        sensor.withModel([&](sim::SensorModel &m) { stillSending = m.autoSending(); });
    EXPECT_FALSE(stillSending);
    CloseCom(com);
}

// The operator types 0.1 into INTERVAL: the page raises it to its minimum and shows that.
TEST_F(Recorder, TypedIntervalBelowTheMinimumIsRaisedTo025)
{
    SetMode(kRecordCount);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_INTERVAL, 2.0);
    auto *box = qobject_cast<QAbstractSpinBox *>(CtrlWidget(Page(), TABP_RECORDER_NUMERIC_INTERVAL));
    ASSERT_NE(box, nullptr);
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "0.1");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(RecInterval, 0.25);
    EXPECT_DOUBLE_EQ(Real(TABP_RECORDER_NUMERIC_INTERVAL), 0.25);
}

// The folder of the record file vanishes during a counted recording: the lines written before
// stay, the operator learns how many of them were lost and where, and nothing is called saved.
TEST_F(RecorderOnSensor, LinesThatCouldNotBeWrittenAreCountedNotCalledSaved)
{
    const std::string folder = dir.filePath("day1").toStdString();
    std::filesystem::create_directory(folder);
    path = folder + "/rec.dat";
    CopyField(AppState.RecordFilePath, path.c_str());
    SetMode(kRecordCount);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_INTERVAL, 0.25);
    SetCtrlVal(Page(), TABP_RECORDER_NUMERIC_REC_VALUES, 5);
    StopWhen([&] {
        // Two lines in, three to go (the displays of an earlier run do not count).
        if (Int(TABP_RECORDER_NUMERIC_RECORDED_VALUES) == 2 &&
            Int(TABP_RECORDER_NUMERIC_REMAINING) == 3 && std::filesystem::exists(folder))
            std::filesystem::remove_all(folder);
        return false; // the count ends it
    });
    for (int language : {1, 0}) {
        SCOPED_TRACE(language);
        AppState.LanguageIndex = language;
        std::filesystem::create_directory(folder);
        responder.shown.clear();
        responder.push(1);
        CBF_ButtonStartRecord(Page(), TABP_RECORDER_BUTTON_START_RECORD, EVENT_COMMIT, nullptr,
                              0, 0);
        ASSERT_FALSE(responder.shown.empty());
        const std::string said = responder.shown.back().text;
        EXPECT_EQ(said, (language ? "3 of 5 lines could not be written to:\n"
                                  : "3 von 5 Zeilen konnten nicht geschrieben werden in:\n") +
                            path);
        for (const PopupRequest &r : responder.shown) {
            EXPECT_NE(r.text, kSaved);
            EXPECT_NE(r.text, "Datei wurde gespeichert!");
        }
        EXPECT_EQ(DataLines(ReadAll(path)).size(), 0u) << "the folder is gone";
    }
}

// Order 30 is not answered: the start has failed and been reported; no switch-off order follows
// on the dead link, and nothing is said of a file.
TEST_F(RecorderOnSensor, FailedTriggeredStartSendsNothingMoreAndSaysNothingOfSaving)
{
    ASSERT_TRUE(SetAnswerTimeLimit(0.3));
    sim::Fault silent;
    silent.noReply = true;
    sensor.setFault(frame::kOrderAutoSend, silent);
    SetMode(kRecordTriggered);
    sensor.clearLog();
    StartTriggered();
    SetAnswerTimeLimit(kHeaderTimeLimit);
    EXPECT_EQ(StatusText(), "TIMEOUT!");
    int autoSendOrders = 0;
    for (const frame::Header &h : Requests(sensor))
        autoSendOrders += h.order == frame::kOrderAutoSend;
    EXPECT_EQ(autoSendOrders, 1) << "only the start";
    for (const PopupRequest &r : responder.shown)
        EXPECT_NE(r.text, kSaved);
    int color = 0;
    GetCtrlAttribute(Page(), TABP_RECORDER_BUTTON_START_TRIG_REC, ATTR_TEXT_BGCOLOR, &color);
    EXPECT_EQ(color, 0xE0E0E0);
}
