// The command-line tool on a production line: version, JSON output in both languages, one-line
// usage errors, params diff and send --verify, any serial path, and many sensors at once.
#include "cli/cli_fixture.h"

#include "link/frame.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

QJsonObject JsonLine(const std::string &line)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_TRUE(doc.isObject()) << line;
    return doc.object();
}

std::vector<QJsonObject> JsonLines(const std::string &out)
{
    std::vector<QJsonObject> objects;
    size_t at = 0;
    for (size_t end; (end = out.find('\n', at)) != std::string::npos; at = end + 1)
        objects.push_back(JsonLine(out.substr(at, end - at)));
    EXPECT_EQ(at, out.size()) << "unterminated line in: " << out;
    return objects;
}

Result RunTool(const QStringList &args)
{
    QProcess p;
    p.start(ORVANTE2_CLI_EXE, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return ResultOf(p);
}

TEST(CliProgram, VersionOfTheToolAndTheSimulator)
{
    const Result r = RunTool({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "orvante2-cli " ORVANTE2_VERSION "\n");
    QProcess sim;
    sim.start(ORVANTE2_SENSOR_EXE, {"--version"});
    ASSERT_TRUE(sim.waitForFinished(60000));
    EXPECT_EQ(sim.readAllStandardOutput().toStdString(), "orvante2-sensor " ORVANTE2_VERSION "\n");
}

// ---- JSON ------------------------------------------------------------------------------------

TEST_F(CliTest, JsonIdentifyHasTheSameKeysAndValuesInBothLanguages)
{
    const Result en = run({"--json", "identify"});
    const Result de = run({"--json", "--lang", "de", "identify"});
    ASSERT_EQ(en.code, 0) << en.err;
    ASSERT_EQ(de.code, 0) << de.err;
    EXPECT_EQ(en.out, de.out);
    const QJsonObject o = JsonLine(en.out.substr(0, en.out.size() - 1));
    EXPECT_EQ(o["serial_number"].toInt(), 12345);
    EXPECT_TRUE(o["version_matches"].toBool());
    EXPECT_FALSE(o["sensor_name"].toString().isEmpty());
    EXPECT_TRUE(o["firmware"].toString().startsWith("ORVANTE2 V1.3"));
    EXPECT_TRUE(en.err.empty()) << en.err;
}

TEST_F(CliTest, JsonFailuresAreOneErrorObjectWithALocalizedMessage)
{
    struct Case {
        QStringList args;
        int code;
        const char *error;
    };
    const QString missing = path("missing.ini");
    sensor.setFault(frame::kOrderNameSerial, [] {
        sim::Fault f;
        f.noReply = true;
        return f;
    }());
    for (const Case &c : {Case{{"--timeout", "0.3", "identify"}, 2, "link"},
                          Case{{"live"}, 1, "usage"},
                          Case{{"params", "send", "--memory", "ram", "--file", missing}, 4, "file"}}) {
        std::string message[2];
        for (int german = 0; german < 2; ++german) {
            const Result r = run(QStringList{"--json", "--lang", german ? "de" : "en"} + c.args);
            EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString();
            const std::vector<QJsonObject> lines = JsonLines(r.out);
            ASSERT_EQ(lines.size(), 1u) << r.out;
            EXPECT_EQ(lines[0]["error"].toString(), c.error);
            EXPECT_EQ(lines[0].keys(), (QStringList{"error", "message"}));
            message[german] = lines[0]["message"].toString().toStdString();
            EXPECT_FALSE(message[german].empty());
            EXPECT_TRUE(r.err.empty()) << r.err;
        }
        if (c.code != 1) { // the usage texts are the tool's own, in English
            EXPECT_NE(message[0], message[1]);
        }
    }
    const Result r = RunTool({"--json", "--tcp", "127.0.0.1:1", "identify"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(JsonLine(r.out.substr(0, r.out.size() - 1))["error"].toString(), "connection");
}

TEST_F(CliTest, JsonOfLiveRecordScopeOffsetsAndParameters)
{
    Result r = run({"--json", "live", "--count", "3"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<QJsonObject> lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    for (const QJsonObject &o : lines) {
        // ISO 8601 with milliseconds and the offset from UTC.
        const QDateTime t = QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs);
        EXPECT_TRUE(t.isValid()) << o["time"].toString().toStdString();
        EXPECT_EQ(o["time"].toString().indexOf('.'), 19);
        EXPECT_LE(std::abs(t.msecsTo(QDateTime::currentDateTime())), 60000);
        for (const char *key : {"ch0", "ch1", "temp", "ref", "sig", "max", "min", "out", "in"})
            EXPECT_TRUE(o[key].isDouble()) << key;
    }
    r = run({"--json", "record", "--interval", "0", "--count", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(JsonLines(r.out).size(), 2u);
    r = run({"--json", "record", "--interval", "0", "--count", "2", "--file", path("r.dat")});
    ASSERT_EQ(r.code, 0) << r.err;
    lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["frames"].toInt(), 2);

    r = run({"--json", "scope", "--level", "10"});
    ASSERT_EQ(r.code, 0) << r.err;
    lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["rows"].toArray().size(), 128);
    EXPECT_EQ(lines[0]["level"].toInt(), 10);
    EXPECT_EQ(lines[0]["trigger"].toString(), "single");

    r = run({"--json", "offset", "get"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(JsonLines(r.out).at(0)["factor"].isDouble());

    sim::ParamRecord ramSet = ram();
    ramSet[sim::kPowerCh0] = 777;
    sensor.withModel([&](sim::SensorModel &m) { m.setRam(ramSet); });
    r = run({"--json", "params", "get", "--memory", "ram"});
    ASSERT_EQ(r.code, 0) << r.err;
    const QJsonObject words = JsonLines(r.out).at(0)["parameters"].toObject();
    EXPECT_EQ(words.size(), 26);
    EXPECT_EQ(words["POWER CH0"].toInt(), 777);
}

// ---- Messages --------------------------------------------------------------------------------

TEST_F(CliTest, UsageErrorsAreOneLineAndOptionsGivenTwiceAreRefused)
{
    struct Case {
        QStringList args;
        const char *says;
    };
    for (const Case &c :
         {Case{{"--baud", "12345", "identify"}, "9600, 19200, 38400, 57600, 115200, 230400"},
          Case{{"--lang", "de", "--lang", "en", "identify"}, "--lang given twice"},
          Case{{"live", "--count", "2", "--count", "3"}, "--count given twice"},
          Case{{"--timeout", "1", "--timeout", "2", "identify"}, "--timeout given twice"},
          Case{{"frobnicate"}, "unknown command"},
          Case{{"identify", "--verify"}, "--verify belongs to params send"},
          Case{{"--tcp", QString("127.0.0.1:%1").arg(sensor.tcpPort()), "identify"},
               "given twice"}}) {
        const Result r = run(c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        EXPECT_NE(r.err.find("See 'orvante2-cli --help'."), std::string::npos) << r.err;
    }
    EXPECT_TRUE(sensor.receivedFrames().empty());
}

TEST(CliProgram, ConnectionRefusedIsAConnectionFailureNamingTheAddress)
{
    const Result r = RunTool({"--tcp", "127.0.0.1:1", "identify"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Unable to establish connection"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No connection to 127.0.0.1:1"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("header"), std::string::npos) << r.err;
}

// ---- Serial paths ----------------------------------------------------------------------------

TEST(CliSerialPath, ALinkToAPseudoTerminalAndAMissingDevice)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start(0, true));
    QTemporaryDir dir;
    // As /dev/serial/by-id/... links lead to the adapter's device.
    const QString link = dir.filePath("usb-ORVANTE2_adapter-if00");
    ASSERT_EQ(::symlink(sensor.ptyPath().toUtf8().constData(), link.toUtf8().constData()), 0);
    Result r = RunTool({"--serial", link, "--json", "identify"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(JsonLine(r.out.substr(0, r.out.size() - 1))["serial_number"].toInt(), 12345);

    const QString missing = dir.filePath("ttyUSB-gone");
    r = RunTool({"--serial", missing, "identify"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Serial device not found: " + missing.toStdString()), std::string::npos)
        << r.err;
    r = RunTool({"--serial", dir.path(), "identify"}); // a folder is no serial device
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Not a serial device: "), std::string::npos) << r.err;
}

// ---- params diff and send --verify -------------------------------------------------------------

TEST_F(CliTest, ParamsDiffOfRamEepromAndFiles)
{
    Result r = run({"params", "diff", "ram", "eeprom"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;

    sim::ParamRecord changed = ram();
    changed[sim::kGain] = 7;
    sensor.withModel([&](sim::SensorModel &m) { m.setRam(changed); });
    r = run({"params", "diff", "ram", "eeprom"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.out, "NAME\tram\teeprom\nGAIN\t7\t" + std::to_string(eeprom()[sim::kGain]) + "\n");
    // Reading the EEPROM went through RAM: RAM holds the operator's change again.
    EXPECT_EQ(ram(), changed);

    r = run({"--json", "params", "diff", "eeprom", "ram"});
    EXPECT_EQ(r.code, 1) << r.err;
    const QJsonObject o = JsonLine(r.out.substr(0, r.out.size() - 1));
    EXPECT_FALSE(o["equal"].toBool());
    ASSERT_EQ(o["differences"].toArray().size(), 1);
    EXPECT_EQ(o["differences"][0]["name"].toString(), "GAIN");
    EXPECT_EQ(o["differences"][0]["b"].toInt(), 7);

    // A worn-out EEPROM: the sensor loads its defaults into RAM; the diff fails and RAM holds
    // the operator's set again all the same.
    sensor.withModel([](sim::SensorModel &m) { m.setEepromFailure(2); });
    r = run({"params", "diff", "ram", "eeprom"});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(ram(), changed);
    sensor.withModel([](sim::SensorModel &m) { m.setEepromFailure(0); });

    // Files: the one written from RAM equals RAM; two files need no sensor.
    write(path("a.ini"), appFile(changed));
    write(path("b.ini"), appFile(eeprom()));
    EXPECT_EQ(run({"params", "diff", path("a.ini"), "ram"}).code, 0);
    sensor.clearLog();
    r = RunTool({"--tcp", "127.0.0.1:1", "params", "diff", path("a.ini"), path("b.ini")});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.out.find("GAIN\t7\t"), std::string::npos);
    EXPECT_EQ(run({"params", "diff", path("a.ini"), path("missing.ini")}).code, 4);
    EXPECT_EQ(run({"params", "diff", "ram"}).code, 1);
    EXPECT_TRUE(sensor.receivedFrames().empty());
}

TEST_F(CliTest, ParamsSendVerifyReadsBackTheMemoryWritten)
{
    sim::ParamRecord set = ram();
    set[sim::kTolerance] = 33;
    write(path("p.ini"), appFile(set));
    for (const char *memory : {"ram", "eeprom"}) {
        const Result r =
            run({"--json", "params", "send", "--memory", memory, "--file", path("p.ini"), "--verify"});
        EXPECT_EQ(r.code, 0) << r.err << r.out;
        EXPECT_TRUE(JsonLines(r.out).at(0)["verified"].toBool());
    }
    EXPECT_EQ(eeprom()[sim::kTolerance], 33);
}

TEST_F(CliTest, ParamsSendVerifyFindsAWordTheSensorDidNotTake)
{
    // A sensor that acknowledges the set but holds another TOLERANCE afterwards.
    sim::ParamRecord set = sim::DefaultParams(), held = set;
    held[sim::kTolerance] = 99;
    write(path("p.ini"), appFile(set));
    RawPeer peer;
    // Before it writes, the tool identifies the sensor and reads RAM for the change log.
    std::vector<uint8_t> id(72, ' ');
    const std::string version = "ORVANTE2 V1.3";
    std::copy(version.begin(), version.end(), id.begin());
    peer.answerNext({{0, Frame(frame::kOrderFirmwareId, 0, id)}});
    peer.answerNext({{0, Frame(frame::kOrderNameSerial, 4711, {'S', 'I', 'M'})}});
    peer.answerNext({{0, Frame(frame::kOrderReadRam, 0, sim::PackParams(set))}});
    peer.answerNext({{0, Frame(frame::kOrderWriteRam, 0)}});
    peer.answerNext({{0, Frame(frame::kOrderReadRam, 0, sim::PackParams(held))}});
    const Result r = runOnPeer(peer, {"params", "send", "--memory", "ram", "--file",
                                      path("p.ini"), "--verify"});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("Verification failed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("TOLERANCE\t" + std::to_string(set[sim::kTolerance]) + "\t99"),
              std::string::npos)
        << r.err;
}

// ---- Many sensors ------------------------------------------------------------------------------

TEST(CliMany, EverySensorInParallelWithTargetKeysAndTheWorstExitStatus)
{
    // Three answering sensors, each 0.8 s late with every answer, and one silent.
    constexpr int kAnswering = 3;
    std::vector<std::unique_ptr<sim::SimRunner>> sensors;
    QStringList args;
    for (int i = 0; i <= kAnswering; ++i) {
        sensors.push_back(std::make_unique<sim::SimRunner>());
        ASSERT_TRUE(sensors.back()->start());
        sim::Fault f;
        if (i < kAnswering)
            f.delayMs = 800;
        else
            f.noReply = true;
        for (int order : {frame::kOrderFirmwareId, frame::kOrderNameSerial})
            sensors.back()->setFault(order, f);
        args << "--tcp" << QString("127.0.0.1:%1").arg(sensors.back()->tcpPort());
    }
    const Result r = RunTool(args + QStringList{"--json", "--timeout", "1", "identify"});
    EXPECT_EQ(r.code, 2);
    const std::vector<QJsonObject> lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), size_t(kAnswering + 1)) << r.out;
    int good = 0;
    for (const QJsonObject &o : lines) {
        EXPECT_TRUE(o["target"].toString().startsWith("127.0.0.1:"));
        good += o["serial_number"].toInt() == 12345;
        if (o.contains("error")) {
            EXPECT_EQ(o["error"].toString(), "link");
            EXPECT_EQ(o["target"].toString(),
                      QString("127.0.0.1:%1").arg(sensors.back()->tcpPort()));
        }
    }
    EXPECT_EQ(good, kAnswering);
}

TEST(CliMany, TextLinesArePrefixedAndWrittenFilesNeedTheTargetInTheirName)
{
    sim::SimRunner a, b;
    ASSERT_TRUE(a.start());
    ASSERT_TRUE(b.start());
    const QString ta = QString("127.0.0.1:%1").arg(a.tcpPort());
    const QString tb = QString("127.0.0.1:%1").arg(b.tcpPort());
    Result r = RunTool({"--tcp", ta, "--tcp", tb, "offset", "get"});
    EXPECT_EQ(r.code, 0) << r.err;
    for (const QString &t : {ta, tb}) {
        EXPECT_NE(r.out.find((t + ": CH0\tCH1\tFACTOR\n").toStdString()), std::string::npos)
            << r.out;
    }
    QTemporaryDir dir;
    r = RunTool({"--tcp", ta, "--tcp", tb, "params", "get", "--memory", "ram", "--file",
                 dir.filePath("p.ini")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("{target}"), std::string::npos) << r.err;
    r = RunTool({"--tcp", ta, "--tcp", tb, "params", "get", "--memory", "ram", "--file",
                 dir.filePath("p-{target}.ini")});
    EXPECT_EQ(r.code, 0) << r.err;
    for (const QString &t : {ta, tb})
        EXPECT_TRUE(QFile::exists(dir.filePath("p-" + QString(t).replace(':', '_') + ".ini")));
}

} // namespace
