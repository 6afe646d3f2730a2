// record and scope of the command-line tool, run as a separate process: against the simulated
// sensor, against a scripted peer whose frames are known to the byte (so the record file can be
// compared with what the recorder's own writer makes of the same frames, and the scope rows
// with the unrolled rings), over a pseudo-terminal, and through every failure class of a link.
#include "cli/cli_fixture.h"
#include "common/harness.h"

#include "app/startup.h"
#include "live/data_frame.h"
#include "recorder/record_file.h"
#include "scope/capture.h"
#include "scope/capture_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QEventLoop>
#include <QTimer>

#include <csignal>
#include <ctime>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string &text, const std::string &end = "\n")
{
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t next; (next = text.find(end, at)) != std::string::npos; at = next + end.size())
        lines.push_back(text.substr(at, next - at));
    if (at < text.size())
        lines.push_back(text.substr(at)); // an unterminated rest
    return lines;
}

std::vector<std::string> Fields(const std::string &line)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    for (std::string f; std::getline(in, f, '\t');)
        fields.push_back(f);
    return fields;
}

int Count(const std::vector<std::vector<uint8_t>> &frames, int order, int arg = -1)
{
    int n = 0;
    for (const auto &f : frames)
        n += f.size() >= 8 && f[1] == order && (arg < 0 || (f[2] | f[3] << 8) == arg);
    return n;
}

void PutI16(std::vector<uint8_t> &out, int v)
{
    out.push_back(uint8_t(uint16_t(v) & 0xFF));
    out.push_back(uint8_t(uint16_t(v) >> 8));
}

std::vector<uint8_t> DataPayload(const DataFrameRec &f)
{
    std::vector<uint8_t> p;
    for (int v : {f.Ch0, f.Ch1, f.Temp, f.Ref, f.Sig, f.Max, f.Min})
        PutI16(p, v);
    p.push_back(f.DigBits);
    p.push_back(f.Spare);
    PutI16(p, f.DigState);
    PutI16(p, f.AnaOut);
    return p;
}

DataFrameRec Frame3(int16_t ch0, int16_t ch1, int16_t temp, int16_t sig)
{
    DataFrameRec f;
    f.Ch0 = ch0;
    f.Ch1 = ch1;
    f.Temp = temp;
    f.Sig = sig;
    f.Ref = 1000;
    f.AnaOut = 4095;
    return f;
}

// The date and time of a record line as the line gives them.
bool WhenOf(const std::string &line, std::tm *when)
{
    int mon = 0, day = 0, year = 0, h = 0, m = 0, s = 0;
    if (std::sscanf(line.c_str(), "%2d-%2d-%4d\t%2d:%2d:%2d", &mon, &day, &year, &h, &m, &s) != 6)
        return false;
    *when = std::tm{};
    when->tm_mon = mon - 1;
    when->tm_mday = day;
    when->tm_year = year - 1900;
    when->tm_hour = h;
    when->tm_min = m;
    when->tm_sec = s;
    when->tm_isdst = -1;
    return true;
}

// What the recorder writes for these frames at the times the tool's lines carry: its header
// (chosen file, with the identification given) and one line per frame. Also checks that each time lies
// within the run.
std::string AppRecordFile(int language, const std::vector<DataFrameRec> &frames,
                          const std::string &written, std::time_t from, std::time_t to,
                          const char *id = "")
{
    std::string expected = RecordFileHeader(language, kScopeTitle, id);
    const std::vector<std::string> lines = Lines(written, "\r\n");
    for (size_t i = 0; i < frames.size(); ++i) {
        std::tm when{};
        const size_t line = lines.size() - frames.size() + i;
        if (line >= lines.size() || !WhenOf(lines[line], &when)) {
            ADD_FAILURE() << "no time stamp in line " << i << " of:\n" << written;
            return expected;
        }
        std::tm copy = when;
        const std::time_t t = std::mktime(&copy);
        EXPECT_TRUE(t >= from - 1 && t <= to + 1) << lines[line];
        expected += RecordLine(frames[i], when);
    }
    return expected;
}

class CliRecordScope : public CliTest {
protected:
    // Files of the test directory other than the ones named: a temporary file left behind.
    QStringList strays(const QStringList &known) const
    {
        QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &k : known)
            left.removeAll(k);
        return left;
    }
};

// ---- record ----------------------------------------------------------------------------------

TEST_F(CliRecordScope, RecordFileIsTheRecordersFileForTheSameFramesInBothLanguages)
{
    const std::vector<DataFrameRec> frames = {Frame3(1234, -16, 412, 2048),
                                              Frame3(0, 32767, -300, -32768),
                                              Frame3(4095, 7, 0, 1)};
    for (int language : {1, 0}) {
        RawPeer peer;
        for (const DataFrameRec &f : frames)
            peer.answerNext({{0, Frame(frame::kOrderDataFrame, 0, DataPayload(f))}});
        // An existing file is replaced whole, as choosing it in the app does.
        write(path("rec.dat"), "old contents\r\n");
        const std::time_t from = std::time(nullptr);
        // In German with the identification the operator would type on the recorder page.
        const char *id = language == 0 ? "LINE 4 / STATION 2" : "";
        const Result r =
            runOnPeer(peer, {"--lang", language == 0 ? "de" : "en", "record", "--interval", "0",
                             "--count", "3", "--file", path("rec.dat"), "--id", id});
        const std::time_t to = std::time(nullptr);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        const QByteArray file = read(path("rec.dat"));
        const std::string written = file.toStdString();
        EXPECT_EQ(written, AppRecordFile(language, frames, written, from, to, id));
        EXPECT_EQ(Count(peer.requests, frame::kOrderDataFrame), 3);
        EXPECT_TRUE(file.contains("\t1234\t-16\t412\t2048\r\n")) << file.constData();
        EXPECT_TRUE(strays({"rec.dat"}).isEmpty()) << strays({"rec.dat"}).join(",").toStdString();
    }
}

TEST_F(CliRecordScope, RecordWithoutFileIsTsvOfTheSameColumns)
{
    const std::vector<DataFrameRec> frames = {Frame3(10, -20, 30, -40), Frame3(1, 2, 3, 4)};
    RawPeer peer;
    for (const DataFrameRec &f : frames)
        peer.answerNext({{0, Frame(frame::kOrderDataFrame, 0, DataPayload(f))}});
    const Result r = runOnPeer(peer, {"record", "--interval", "0", "--count", "2"});
    EXPECT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG");
    for (size_t i = 0; i < frames.size(); ++i) {
        std::tm when{};
        ASSERT_TRUE(WhenOf(lines[i + 1], &when)) << lines[i + 1];
        // The time carries milliseconds: HH:MM:SS.mmm; otherwise the recorder's line.
        std::string line = lines[i + 1];
        const size_t dot = line.find('.');
        ASSERT_NE(dot, std::string::npos) << line;
        EXPECT_EQ(line.find('\t', dot), dot + 4) << line;
        line.erase(dot, 4);
        EXPECT_EQ(line + "\r\n", RecordLine(frames[i], when));
    }
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
}

TEST_F(CliRecordScope, RecordAtAnIntervalAgainstTheSimulator)
{
    const Result r = run({"record", "--interval", "0.25", "--count", "3", "--file", path("s.dat")});
    EXPECT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = Lines(read(path("s.dat")).toStdString(), "\r\n");
    ASSERT_EQ(lines.size(), 6u); // LF + title, empty line, column names, three frames
    EXPECT_EQ(lines[2], "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG");
    for (size_t i = 3; i < lines.size(); ++i)
        EXPECT_EQ(Fields(lines[i]).size(), 6u) << lines[i];
    EXPECT_EQ(Count(sensor.receivedFrames(), frame::kOrderDataFrame), 3);
}

TEST_F(CliRecordScope, RecordRefusesBadValuesAndUnwritableFilesBeforeAnyExchange)
{
    const std::vector<QStringList> usage = {
        {"record", "--count", "2"},
        {"record", "--interval", "1"},
        {"record", "--interval", "0.1", "--count", "2"}, // below the recorder's minimum
        {"record", "--interval", "-1", "--count", "2"},
        {"record", "--interval", "86401", "--count", "2"},
        {"record", "--interval", "nan", "--count", "2"},
        {"record", "--interval", "1s", "--count", "2"},
        {"record", "--interval", "1", "--count", "65536"},
        {"record", "--interval", "1", "--count", "0"},
    };
    for (const QStringList &args : usage) {
        const Result r = run(args);
        EXPECT_EQ(r.code, 1) << args.join(" ").toStdString();
        EXPECT_TRUE(r.out.empty());
    }
    for (const QString &target : {path("no/such/dir/r.dat"), dir.path()}) {
        const Result r = run({"record", "--interval", "0", "--count", "1", "--file", target});
        EXPECT_EQ(r.code, 4) << target.toStdString();
        EXPECT_NE(r.err.find("File could not be written: "), std::string::npos) << r.err;
    }
    EXPECT_TRUE(sensor.receivedFrames().empty());
}

TEST_F(CliRecordScope, RecordFailingMidWayKeepsTheFramesInThePartialFile)
{
    for (bool toFile : {true, false}) {
        RawPeer peer;
        peer.answerNext({{0, Frame(frame::kOrderDataFrame, 0, DataPayload(Frame3(1, 2, 3, 4)))}});
        peer.answerNext({{0, Frame(frame::kOrderDataFrame, 0, DataPayload(Frame3(5, 6, 7, 8)))}});
        // The third request is never answered.
        const QByteArray before = "kept as it was\r\n";
        write(path("rec.dat"), before);
        QStringList args{"--timeout", "0.5", "record", "--interval", "0", "--count", "4"};
        if (toFile)
            args << "--file" << path("rec.dat");
        const Result r = runOnPeer(peer, args);
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_NE(r.err.find("TIMEOUT! \nNo data received!"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(read(path("rec.dat")), before);
        EXPECT_EQ(Count(peer.requests, frame::kOrderDataFrame), 3);
        if (!toFile) {
            EXPECT_TRUE(strays({"rec.dat"}).isEmpty());
            continue;
        }
        // The two frames received are kept beside the target, and the message says so.
        EXPECT_EQ(strays({"rec.dat"}), QStringList{"rec.dat.partial"});
        const std::string partial = read(path("rec.dat.partial")).toStdString();
        EXPECT_EQ(partial.rfind(RecordFileHeader(1, kScopeTitle, ""), 0), 0u) << partial;
        EXPECT_NE(partial.find("\t1\t2\t3\t4\r\n"), std::string::npos) << partial;
        EXPECT_NE(partial.find("\t5\t6\t7\t8\r\n"), std::string::npos) << partial;
        EXPECT_NE(r.err.find("Recording broken off: 2 frames are kept in " +
                             path("rec.dat.partial").toStdString()),
                  std::string::npos)
            << r.err;
        QFile::remove(path("rec.dat.partial"));
    }
}

// The frames in a partial file that is still growing (its header has three line ends).
int FramesIn(const QByteArray &partial)
{
    return std::max(0, int(partial.count("\r\n")) - 3);
}

class CliRecordPartial : public CliRecordScope {
protected:
    // Starts a long recording into rec.dat against the simulator and waits until its partial
    // file holds `frames` frames; the process is still running then.
    void startRecording(QProcess &p, int frames, const QStringList &extra = {},
                        const QString &timeout = "0.5")
    {
        write(path("rec.dat"), "kept as it was\r\n");
        QFile::remove(path("rec.dat.partial")); // an earlier run's
        p.start(ORVANTE2_CLI_EXE, QStringList{"--tcp",
                                              QString("127.0.0.1:%1").arg(sensor.tcpPort()),
                                              "--timeout", timeout} +
                                      extra +
                                      QStringList{"record", "--interval", "0.25", "--count",
                                                  "1000", "--file", path("rec.dat")});
        ASSERT_TRUE(p.waitForStarted());
        QElapsedTimer t;
        t.start();
        // Each frame is in the file as soon as it arrived: the file is read while it grows.
        // (With none asked for: until the header is there, and with it the signal handlers.)
        while ((FramesIn(read(path("rec.dat.partial"))) < frames ||
                read(path("rec.dat.partial")).count("\r\n") < 3) &&
               t.elapsed() < 20000)
            QThread::msleep(20);
        ASSERT_GE(FramesIn(read(path("rec.dat.partial"))), frames);
        ASSERT_EQ(p.state(), QProcess::Running);
    }

    void expectKept(const std::string &message, int atLeast)
    {
        EXPECT_EQ(read(path("rec.dat")), "kept as it was\r\n");
        const QByteArray partial = read(path("rec.dat.partial"));
        const int frames = FramesIn(partial);
        EXPECT_GE(frames, atLeast);
        EXPECT_TRUE(partial.endsWith("\r\n")); // whole lines only
        EXPECT_NE(message.find(std::to_string(frames) + " frames are kept in " +
                               path("rec.dat.partial").toStdString()),
                  std::string::npos)
            << message;
    }
};

TEST_F(CliRecordPartial, ConnectionDroppedMidWayBySimulatorFault)
{
    QProcess p;
    startRecording(p, 2);
    std::map<int, sim::Fault> faults;
    std::string error;
    ASSERT_TRUE(sim::ParseFaultOption(std::to_string(frame::kOrderDataFrame) + ":close", &faults, &error)) << error;
    sensor.setFault(frame::kOrderDataFrame, faults.begin()->second);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 2);
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_NE(err.find("Server has closed connection!"), std::string::npos) << err;
    expectKept(err, 2);

    // With --json the error object says how many frames and where.
    sensor.clearFaults();
    QProcess json;
    startRecording(json, 2, {"--json"});
    sensor.setFault(frame::kOrderDataFrame, faults.begin()->second);
    ASSERT_TRUE(json.waitForFinished(20000));
    EXPECT_EQ(json.exitCode(), 2);
    const QJsonObject o = QJsonDocument::fromJson(json.readAllStandardOutput()).object();
    EXPECT_EQ(o["error"].toString(), "link");
    EXPECT_EQ(o["partial"].toString().toStdString(), path("rec.dat.partial").toStdString());
    EXPECT_EQ(o["frames"].toInt(), FramesIn(read(path("rec.dat.partial"))));
    EXPECT_GE(o["frames"].toInt(), 2);
    EXPECT_TRUE(o["message"].toString().contains("Server has closed connection!"));
}

TEST_F(CliRecordPartial, SignalsKeepThePartialFileAndEndWith128PlusTheSignal)
{
    struct Case {
        int signal, code;
        QStringList extra;
    };
    for (const Case &c : {Case{SIGINT, 130, {}}, Case{SIGTERM, 143, {}},
                          Case{SIGTERM, 143, {"--json", "--lang", "de"}}}) {
        QProcess p;
        startRecording(p, 2, c.extra);
        ::kill(pid_t(p.processId()), c.signal);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.code);
        if (c.extra.isEmpty()) {
            expectKept(p.readAllStandardError().toStdString(), 2);
        } else {
            // JSON: the error object, its keys the same in every language.
            const QJsonObject o =
                QJsonDocument::fromJson(p.readAllStandardOutput()).object();
            EXPECT_EQ(o["error"].toString(), "interrupted");
            EXPECT_GE(o["frames"].toInt(), 2);
            EXPECT_EQ(o["partial"].toString().toStdString(), path("rec.dat.partial").toStdString());
            EXPECT_EQ(o["frames"].toInt(), FramesIn(read(path("rec.dat.partial"))));
            EXPECT_TRUE(o["message"].toString().startsWith("Aufzeichnung abgebrochen: "));
        }
        QFile::remove(path("rec.dat.partial"));
    }
    // Ended before the first frame came: no partial file is left, and that is said.
    std::map<int, sim::Fault> faults;
    std::string error;
    ASSERT_TRUE(sim::ParseFaultOption(std::to_string(frame::kOrderDataFrame) + ":noreply",
                                      &faults, &error));
    sensor.setFault(frame::kOrderDataFrame, faults.begin()->second);
    QProcess p;
    startRecording(p, 0, {}, "30"); // the first answer never comes, and is waited for
    ::kill(pid_t(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 143);
    EXPECT_NE(p.readAllStandardError().indexOf("Recording broken off: no frame recorded"), -1);
    EXPECT_EQ(strays({"rec.dat"}), QStringList{});
    EXPECT_EQ(read(path("rec.dat")), "kept as it was\r\n");
}

TEST_F(CliRecordScope, RecordCompleteReplacesTheTargetAndLeavesNoPartialFile)
{
    // A stale partial file from a broken-off run is replaced by the new recording's.
    write(path("rec.dat.partial"), "old partial\r\n");
    write(path("rec.dat"), "old target\r\n");
    const Result r = run({"record", "--interval", "0", "--count", "2", "--file", path("rec.dat")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(strays({"rec.dat"}), QStringList{});
    EXPECT_EQ(FramesIn(read(path("rec.dat"))), 2);
}

TEST_F(CliRecordScope, RecordRefusesAShortDataFrame)
{
    // A whole header and a valid check byte, but half a frame: the rest would be made up.
    RawPeer peer;
    peer.answerNext({{0, Frame(frame::kOrderDataFrame, 0, std::vector<uint8_t>(10, 7))}});
    const Result r = runOnPeer(peer, {"record", "--interval", "0", "--count", "1", "--file",
                                      path("rec.dat")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("ATTENTION! \nReceived data frame is incorrect!"), std::string::npos)
        << r.err;
    EXPECT_FALSE(QFile::exists(path("rec.dat")));
}

// ---- scope -----------------------------------------------------------------------------------

// Rings whose every value tells its block and slot: CH0 1000 + slot, CH1 -slot, SIG 2 x slot,
// status 0x0301 in odd slots and 0 in even ones.
int RingValue(int block, int slot)
{
    switch (block) {
    case 0: return 1000 + slot;
    case 1: return -slot;
    case 2: return 2 * slot;
    default: return slot % 2 ? 0x0301 : 0;
    }
}

std::vector<uint8_t> ScopeBlock(int block, int ringIndex)
{
    std::vector<uint8_t> p;
    for (int slot = 0; slot < kScopeSamples; ++slot)
        PutI16(p, RingValue(block, slot));
    PutI16(p, ringIndex);
    return Frame(frame::kOrderScope, uint16_t(block), p);
}

TEST_F(CliRecordScope, ScopeSendsTheRequestAndPrintsTheUnrolledRings)
{
    struct Case {
        QStringList args;
        int mode, level, pre, rate;
        int start; // ring slot of the first row
    };
    const Case cases[] = {
        // Trigger at ring index 100, ten samples kept from before it: rows start at slot 90.
        {{"--trigger", "Rising", "--level", "2500", "--pretrigger", "10", "--rate", "7"},
         1, 2500, 10, 7, 90},
        // Single shot takes the ring from slot 0 whatever the ring index and pre-trigger.
        {{"--trigger", "SINGLE SHOT", "--pretrigger", "50"}, 0, 2000, 50, 1, 0},
        // Ring index 3, pre-trigger 127: the start wraps round to slot 4.
        {{"--trigger", "4", "--pretrigger", "127", "--level", "0", "--rate", "32767"},
         4, 0, 127, 32767, 4},
    };
    const int ringIndex[] = {100, 100, 3};
    for (size_t c = 0; c < std::size(cases); ++c) {
        const Case &k = cases[c];
        RawPeer peer;
        // The acknowledge, then the four blocks in uneven pieces, as TCP may deliver them.
        std::vector<uint8_t> blocks;
        for (int b = 0; b < kScopeBlockCount; ++b) {
            const std::vector<uint8_t> f = ScopeBlock(b, ringIndex[c]);
            blocks.insert(blocks.end(), f.begin(), f.end());
        }
        const std::vector<uint8_t> first(blocks.begin(), blocks.begin() + 300);
        const std::vector<uint8_t> rest(blocks.begin() + 300, blocks.end());
        peer.answerNext({{0, Frame(frame::kOrderScope, 0)}, {20, first}, {20, rest}});
        const Result r = runOnPeer(peer, QStringList{"scope"} + k.args);
        ASSERT_EQ(r.code, 0) << r.err;

        ASSERT_EQ(peer.requests.size(), 1u); // no BREAK after a complete capture
        const std::vector<uint8_t> &q = peer.requests[0];
        ASSERT_EQ(q.size(), 16u);
        EXPECT_EQ(q[1], frame::kOrderScope);
        EXPECT_EQ(q[2] | q[3] << 8, 1);
        EXPECT_EQ(int16_t(q[8] | q[9] << 8), k.level);
        EXPECT_EQ(int16_t(q[10] | q[11] << 8), k.mode);
        EXPECT_EQ(int16_t(q[12] | q[13] << 8), k.pre);
        EXPECT_EQ(int16_t(q[14] | q[15] << 8), k.rate);

        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 1u + kScopeSamples) << r.out;
        EXPECT_EQ(lines[0], "SAMPLE\tCH0\tCH1\tSIG\tSTATUS");
        for (int row = 0; row < kScopeSamples; ++row) {
            const int slot = (k.start + row) % kScopeSamples;
            const std::string want = std::to_string(row) + "\t" +
                                     std::to_string(RingValue(0, slot)) + "\t" +
                                     std::to_string(RingValue(1, slot)) + "\t" +
                                     std::to_string(RingValue(2, slot)) + "\t" +
                                     std::to_string(RingValue(3, slot));
            ASSERT_EQ(lines[size_t(row) + 1], want) << "case " << c << " row " << row;
        }
    }
}

TEST_F(CliRecordScope, ScopeAgainstTheSimulatorAndUsageErrors)
{
    for (const QStringList &args :
         {QStringList{"scope"}, QStringList{"scope", "--trigger", "rising-edge", "--level", "2000",
                                            "--pretrigger", "20", "--rate", "2"}}) {
        const Result r = run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        const std::vector<std::string> lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 1u + kScopeSamples) << r.out;
        for (size_t i = 1; i < lines.size(); ++i)
            ASSERT_EQ(Fields(lines[i]).size(), 5u) << lines[i];
        EXPECT_EQ(Fields(lines.back())[0], "127");
    }
    sensor.clearLog();
    const std::vector<QStringList> usage = {
        {"scope", "--trigger", "sideways"}, {"scope", "--trigger", "5"},
        {"scope", "--level", "4096"},       {"scope", "--level", "-1"},
        {"scope", "--pretrigger", "128"},   {"scope", "--rate", "0"},
        {"scope", "--rate", "32768"},       {"scope", "--rate", "2x"},
    };
    for (const QStringList &args : usage) {
        const Result r = run(args);
        EXPECT_EQ(r.code, 1) << args.join(" ").toStdString();
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_TRUE(sensor.receivedFrames().empty());
}

// --save keeps the capture as the document the scope page loads, --csv prints the same traces
// with the time axis; both agree sample for sample, and a file that cannot be written is a file
// error that leaves an existing one as it was.
TEST_F(CliRecordScope, ScopeSavesTheCaptureFileAndPrintsCsv)
{
    const std::string path = dir.filePath("first.cap").toStdString();
    const Result r = run({"scope", "--trigger", "single", "--rate", "2", "--save",
                          QString::fromStdString(path), "--csv"});
    ASSERT_EQ(r.code, 0) << r.err;
    ScopeCapture saved;
    ASSERT_EQ(ReadScopeCaptureFile(path, &saved), CaptureFileResult::kOk);
    EXPECT_EQ(saved.request.ScanRate, 2);
    EXPECT_GT(saved.cycleTimeMs, 0);
    EXPECT_FALSE(saved.firmware.empty());
    EXPECT_FALSE(saved.sensorName.empty());
    EXPECT_GE(saved.serial, 0);
    EXPECT_EQ(r.out, ScopeCaptureCsv(saved));
    EXPECT_EQ(Lines(r.out).size(), 1u + kScopeSamples);

    const std::string before = ReadAll(path);
    const Result failed = run({"scope", "--save", QString::fromStdString(path + "/below")});
    EXPECT_EQ(failed.code, 4);
    EXPECT_NE(failed.err.find("File could not be written"), std::string::npos) << failed.err;
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(run({"--json", "scope", "--csv"}).code, 1);
}

TEST_F(CliRecordScope, ScopeWithoutTriggerIsBrokenOffAfterTheWait)
{
    // IN0 held low: an IN0 trigger never comes.
    sensor.withModel([](sim::SensorModel &m) { m.generator().setInputs(0); });
    for (const char *lang : {"en", "de"}) {
        sensor.clearLog();
        // The wait for the trigger is its own option; the answer limit stays as it is.
        const Result r = run({"--lang", lang, "scope", "--trigger", "in0", "--trigger-wait", "0.5"});
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(std::string(lang) == "en"
                                 ? "No trigger! \nCapture broken off after 0.5 s."
                                 : "Kein Trigger! \nAufzeichnung abgebrochen nach 0.5 s."),
                  std::string::npos)
            << r.err;
        // Broken off as BREAK does it, so the sensor is not left capturing.
        const auto frames = sensor.receivedFrames();
        EXPECT_EQ(Count(frames, frame::kOrderScope, 1), 1);
        EXPECT_EQ(Count(frames, frame::kOrderScope, 0), 1);
    }
}

TEST_F(CliRecordScope, ScopeConnectionLostDuringTheCapture)
{
    RawPeer peer;
    const std::vector<uint8_t> block = ScopeBlock(0, 0);
    peer.answerNext({{0, Frame(frame::kOrderScope, 0)}, {20, block}, {20, {}, true}});
    const Result r = runOnPeer(peer, {"--timeout", "5", "scope"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Server has closed connection!"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST(CliRecordScopeSerial, RecordAndScopeOverAPseudoTerminal)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start(0, true));
    ASSERT_FALSE(sensor.ptyPath().isEmpty());
    QTemporaryDir dir;
    const QString file = dir.filePath("pty.dat");
    const struct {
        QStringList args;
        int outLines;
    } commands[] = {
        {{"record", "--interval", "0", "--count", "2", "--file", file}, 0},
        {{"record", "--interval", "0", "--count", "2"}, 3},
        {{"scope", "--trigger", "falling", "--level", "2000", "--pretrigger", "64"}, 129},
    };
    for (const auto &c : commands) {
        QProcess p;
        p.start(ORVANTE2_CLI_EXE, QStringList{"--serial", sensor.ptyPath()} + c.args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        EXPECT_EQ(int(Lines(p.readAllStandardOutput().toStdString()).size()), c.outLines)
            << c.args.join(" ").toStdString();
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(Lines(f.readAll().toStdString(), "\r\n").size(), 5u); // header lines and two frames
}

// ---- Link failures ---------------------------------------------------------------------------

struct RecordScopeCase {
    const char *name;
    int order;
    const char *frameOption; // e.g. "frame=2": the fault hits that frame of the answer
    std::vector<const char *> args;
};
// Printed by its name, so that test lists show no byte dumps.
inline void PrintTo(const RecordScopeCase &c, std::ostream *os)
{
    *os << c.name;
}

const RecordScopeCase kRecordScopeCases[] = {
    {"RecordFile", frame::kOrderDataFrame, nullptr,
     {"record", "--interval", "0", "--count", "2", "--file", "out.dat"}},
    {"RecordTsv", frame::kOrderDataFrame, nullptr, {"record", "--interval", "0", "--count", "2"}},
    {"ScopeStart", frame::kOrderScope, nullptr, {"scope", "--trigger-wait", "1"}},
    {"ScopeBlock", frame::kOrderScope, "frame=3", {"scope", "--trigger-wait", "1"}},
};

class CliRecordScopeFailure
    : public CliTest,
      public ::testing::WithParamInterface<std::tuple<RecordScopeCase, FailureCase>> {
};

TEST_P(CliRecordScopeFailure, EndsWithMessageCode2AndNothingWritten)
{
    const auto &[command, failure] = GetParam();
    const std::string fault = failure.fault;
    const bool corruption =
        fault == "badheader" || fault == "baddata" || fault.rfind("cut", 0) == 0;
    // The acknowledge of the start request has no payload to corrupt or cut.
    if (command.order == frame::kOrderScope && !command.frameOption &&
        (fault == "baddata" || fault.rfind("cut", 0) == 0))
        GTEST_SKIP() << "the acknowledge has no payload";
    // Late, lost, refused and closed answers hit the whole answer, the acknowledge first:
    // that is the ScopeStart case.
    if (command.frameOption && !corruption)
        GTEST_SKIP() << "not a fault of one block";

    const QByteArray before = "kept as it was\r\n";
    write(path("out.dat"), before);
    std::map<int, sim::Fault> faults;
    std::string error;
    const std::string order = std::to_string(command.order) + ":";
    ASSERT_TRUE(sim::ParseFaultOption(order + fault, &faults, &error)) << error;
    if (command.frameOption) {
        ASSERT_TRUE(sim::ParseFaultOption(order + command.frameOption, &faults, &error)) << error;
    }
    sensor.setFault(command.order, faults.at(command.order));
    QStringList args = kShortAnswerLimit;
    for (const char *a : command.args)
        args << (QString(a).endsWith(".dat") ? path(a) : QString(a));
    const Result r = run(args);
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find(failure.message), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(read(path("out.dat")), before);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(left, QStringList{"out.dat"}) << left.join(",").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    All, CliRecordScopeFailure,
    ::testing::Combine(::testing::ValuesIn(kRecordScopeCases), ::testing::ValuesIn(kFailures)),
    [](const ::testing::TestParamInfo<CliRecordScopeFailure::ParamType> &info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

} // namespace
