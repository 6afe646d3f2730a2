// The command-line tool run as a separate process against the simulated sensor on 127.0.0.1:
// every command succeeds on a healthy link, and every failure class of a link ends with a
// message, a non-zero exit code and no file written.
#include "cli/cli_fixture.h"

#include <QDateTime>

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

// ---- Successful commands --------------------------------------------------------------------

TEST_F(CliTest, IdentifyPrintsNameAndSerial)
{
    sensor.withModel([](sim::SensorModel &m) {
        m.setSensorName("LINE 4 STATION");
        m.setSerialNumber(4711);
    });
    const Result r = run({"identify"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Sensor: LINE 4 STATION\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Serial number: 4711\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Firmware: ORVANTE2 V1.3"), std::string::npos) << r.out;
}

TEST_F(CliTest, IdentifyReportsOtherFirmwareWithExitCode3InGerman)
{
    sensor.withModel([](sim::SensorModel &m) { m.setFirmwareId("ORVANTE2 V1.2.0 build 7"); });
    const Result r = run({"--lang", "de", "identify"});
    EXPECT_EQ(r.code, 3);
    EXPECT_NE(r.err.find("Sensor-Firmware und Scope-Version stimmen nicht ueberein! \nFirmware des "
                         "verbundenen Sensors ist: ORVANTE2 V1"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.empty());
}

TEST_F(CliTest, ParamsGetWritesTheAppsFileFromRamAndEeprom)
{
    sim::ParamRecord inRam = ram();
    inRam[sim::kTtUp] = 60000;
    inRam[sim::kHold] = 125;
    sim::ParamRecord inEeprom = inRam;
    inEeprom[sim::kTeachValue] = 1234;
    sensor.withModel([&](sim::SensorModel &m) {
        m.setRam(inRam);
        m.setEeprom(inEeprom);
    });

    const Result r1 = run({"params", "get", "--memory", "ram", "--file", path("ram.ini")});
    EXPECT_EQ(r1.code, 0) << r1.err;
    const QByteArray ramFile = read(path("ram.ini"));
    EXPECT_EQ(ramFile, appFile(inRam));
    EXPECT_TRUE(ramFile.startsWith("[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\n"));
    EXPECT_TRUE(ramFile.contains("TT UP = 60000\r\n"));

    // EEPROM: order 4 loads it into RAM first, so the file holds the EEPROM's set.
    const Result r2 = run({"params", "get", "--memory", "eeprom", "--file", path("ee.ini")});
    EXPECT_EQ(r2.code, 0) << r2.err;
    EXPECT_EQ(read(path("ee.ini")), appFile(inEeprom));
}

TEST_F(CliTest, ParamsSendWritesRamAndWithEepromStoresIt)
{
    sim::ParamRecord wanted = ram();
    wanted[sim::kTeachValue] = 3210;
    wanted[sim::kTtDown] = 60000;
    write(path("p.ini"), appFile(wanted));

    const Result r1 = run({"params", "send", "--memory", "ram", "--file", path("p.ini")});
    EXPECT_EQ(r1.code, 0) << r1.err;
    EXPECT_EQ(ram(), wanted);
    EXPECT_NE(eeprom(), wanted);

    const Result r2 = run({"params", "send", "--memory", "eeprom", "--file", path("p.ini")});
    EXPECT_EQ(r2.code, 0) << r2.err;
    EXPECT_EQ(eeprom(), wanted);
}

TEST_F(CliTest, LivePrintsCountFramesAsTsv)
{
    const Result r = run({"live", "--count", "4"});
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.out.rfind("CH0\tCH1\tTEMP\tREF\tSIG\tMAX\tMIN\tOUT\tIN\tANAOUT\tTIME\n", 0), 0u)
        << r.out;
    const QStringList lines = QString::fromStdString(r.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    for (int i = 1; i < lines.size(); ++i) {
        // Each frame's time stamp, in milliseconds.
        const QString time = lines[i].split('\t').value(10);
        EXPECT_TRUE(QDateTime::fromString(time, Qt::ISODateWithMs).isValid()) << r.out;
        EXPECT_EQ(time.indexOf('.'), 19) << r.out;
    }
    int frames = 0;
    for (const auto &f : sensor.receivedFrames())
        frames += f.size() > 1 && f[1] == frame::kOrderDataFrame;
    EXPECT_EQ(frames, 4);
}

TEST(CliSerial, IdentifyAndLiveOverAPseudoTerminal)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start(0, true));
    ASSERT_FALSE(sensor.ptyPath().isEmpty());
    for (const QStringList &command :
         {QStringList{"identify"}, QStringList{"live", "--count", "2"}}) {
        QProcess p;
        p.start(ORVANTE2_CLI_EXE, QStringList{"--serial", sensor.ptyPath()} + command);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        EXPECT_FALSE(p.readAllStandardOutput().isEmpty());
    }
}

TEST_F(CliTest, OffsetGetCalcAndSend)
{
    Result r = run({"offset", "send", "--ch0", "321", "--ch1", "65535"});
    EXPECT_EQ(r.code, 0) << r.err;
    r = run({"offset", "get"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("CH0\tCH1\tFACTOR\n321\t65535\t", 0), 0u) << r.out;
    r = run({"offset", "calc"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("CH0\tCH1\n", 0), 0u) << r.out;
    EXPECT_EQ(run({"offset", "send", "--ch0", "65536", "--ch1", "1"}).code, 1);
}

// ---- Files and usage ------------------------------------------------------------------------

TEST_F(CliTest, ParamsSendRefusesBadFilesBeforeAnyExchange)
{
    write(path("other.ini"), "[GENERAL INFO]\r\nFILE TYPE: = \"Conversion Table\"\r\n");
    Result r = run({"params", "send", "--memory", "ram", "--file", path("other.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("Selected file is not a parameter file! \nNo parameter were read!"),
              std::string::npos)
        << r.err;

    // A parameter file that lacks keys would send defaults in their place.
    QByteArray partial = appFile(ram());
    partial.replace("TOLERANCE = 20\r\n", "");
    write(path("partial.ini"), partial);
    r = run({"params", "send", "--memory", "ram", "--file", path("partial.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("TOLERANCE"), std::string::npos) << r.err;

    r = run({"params", "send", "--memory", "ram", "--file", path("missing.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_TRUE(sensor.receivedFrames().empty());
}

// A word the app's controls cannot take would reach the sensor changed: refused with the list
// and exit 4 before any exchange, unless --clamp asks to go on (the list then on standard error,
// the changed set sent).
TEST_F(CliTest, ParamsSendRefusesValuesTheControlsChangeUnlessClamped)
{
    QByteArray file = appFile(ram());
    file.replace("POWER CH0 = 500\r\n", "POWER CH0 = -7\r\n");
    file.replace("GAIN = 5\r\n", "GAIN = 99\r\n");
    write(path("odd.ini"), file);
    const sim::ParamRecord before = ram();
    const std::string list = "POWER CH0: -7 -> 1000\nGAIN: 99 -> 5\n";

    Result r = run({"params", "send", "--memory", "ram", "--file", path("odd.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("they were changed (name: value in the file -> value used):\n\n" + list +
                         "\nNo parameter were read!"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(sensor.receivedFrames().empty());
    EXPECT_EQ(ram(), before);

    r = run({"--lang", "de", "params", "send", "--memory", "ram", "--file", path("odd.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("(Name: Wert in der Datei -> verwendeter Wert):\n\n" + list), std::string::npos)
        << r.err;

    r = run({"params", "send", "--memory", "ram", "--file", path("odd.ini"), "--clamp"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find(list), std::string::npos) << r.err;
    sim::ParamRecord sent = before;
    sent[sim::kPowerCh0] = 1000;
    EXPECT_EQ(ram(), sent);
}

TEST_F(CliTest, ParamsGetIntoUnwritablePlaceFailsWithCode4)
{
    const Result r = run({"params", "get", "--memory", "ram", "--file", path("no/such/dir/p.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("File could not be written: "), std::string::npos) << r.err;
}

TEST_F(CliTest, UsageErrorsExitWith1)
{
    EXPECT_EQ(run({"fly"}).code, 1);
    EXPECT_EQ(run({"live"}).code, 1);
    EXPECT_EQ(run({"params", "get", "--memory", "flash", "--file", path("x")}).code, 1);
    for (const char *timeout : {"0", "0.01", "0.0499", "60.001", "61", "3s", ""})
        EXPECT_EQ(run({"--timeout", timeout, "identify"}).code, 1) << timeout;
    EXPECT_TRUE(sensor.receivedFrames().empty());
}

TEST_F(CliTest, TimeoutSetsTheAnswerLimit)
{
    sim::Fault late;
    late.delayMs = 700;
    sensor.setFault(frame::kOrderNameSerial, late);
    // A late answer within the limit given is taken; beyond it, the wait gives up.
    Result r = run({"--timeout", "2.5", "identify"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(run({"--timeout", "60", "identify"}).code, 0) << "the top of the range is taken";
    r = run({"--timeout", "0.3", "identify"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("TIMEOUT! \nNo data received!"), std::string::npos) << r.err;
}

TEST_F(CliTest, ServerThatIsNotThereIsALinkFailure)
{
    QProcess p;
    p.start(ORVANTE2_CLI_EXE, {"--tcp", "127.0.0.1:1", "identify"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("Unable to establish connection"));
}

// A usage or file error is reported as one before the link is opened, even with no sensor there.
TEST_F(CliTest, UsageAndFileErrorsComeBeforeTheLink)
{
    const std::vector<std::pair<QStringList, int>> cases = {
        {{"live"}, 1},
        {{"hwinfo"}, 1},
        {{"record", "--interval", "0.1", "--count", "2"}, 1},
        {{"scope", "--level", "5000"}, 1},
        {{"offset", "send", "--ch0", "1"}, 1},
        {{"convtable", "send", "--file", path("missing.ini")}, 4},
        {{"params", "send", "--memory", "ram", "--file", path("missing.ini")}, 4},
    };
    for (const auto &[args, code] : cases) {
        QProcess p;
        p.start(ORVANTE2_CLI_EXE, QStringList{"--tcp", "127.0.0.1:1"} + args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), code) << args.join(' ').toStdString();
        EXPECT_FALSE(p.readAllStandardError().contains("Unable to establish connection"))
            << args.join(' ').toStdString();
    }
}

// ---- Link failures --------------------------------------------------------------------------

struct CommandCase {
    const char *name;
    int order; // the order the fault is put on
    std::vector<const char *> args;
    bool writesFile;
    bool hasPayload; // answers without payload cannot carry a bad data CRC or be cut short
};
// Printed by its name, so that test lists show no byte dumps.
inline void PrintTo(const CommandCase &c, std::ostream *os)
{
    *os << c.name;
}

const CommandCase kCommands[] = {
    {"Identify", frame::kOrderNameSerial, {"identify"}, false, true},
    {"ParamsGetEeprom",
     frame::kOrderReadRam,
     {"params", "get", "--memory", "eeprom", "--file", "out.ini"},
     true,
     true},
    {"ParamsSendEeprom",
     frame::kOrderWriteRam,
     {"params", "send", "--memory", "eeprom", "--file", "in.ini"},
     false,
     false},
    {"Live", frame::kOrderDataFrame, {"live", "--count", "3"}, false, true},
    {"OffsetGet", frame::kOrderOffset, {"offset", "get"}, false, true},
    {"OffsetSend",
     frame::kOrderOffset,
     {"offset", "send", "--ch0", "1", "--ch1", "2"},
     false,
     false},
};

class CliLinkFailure : public CliTest,
                       public ::testing::WithParamInterface<std::tuple<CommandCase, FailureCase>> {
};

TEST_P(CliLinkFailure, EndsWithMessageCode2AndNothingWritten)
{
    const auto &[command, failure] = GetParam();
    const std::string fault = std::string(failure.fault);
    if (!command.hasPayload && (fault == "baddata" || fault.rfind("cut", 0) == 0))
        GTEST_SKIP() << "the answer has no payload";

    write(path("in.ini"), appFile(ram()));
    runFailing(command.order, fault, command.args, failure.message);
}

INSTANTIATE_TEST_SUITE_P(All, CliLinkFailure,
                         ::testing::Combine(::testing::ValuesIn(kCommands),
                                            ::testing::ValuesIn(kFailures)),
                         [](const ::testing::TestParamInfo<CliLinkFailure::ParamType> &info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

TEST_F(CliTest, RamPlausibilityFailureIsALinkFailureAndStoresNothing)
{
    write(path("p.ini"), appFile(ram()));
    const sim::ParamRecord before = eeprom();
    sim::Fault refuse;
    refuse.errorArg = 3; // not an error reply: an order 1 answer with argument 3
    sensor.setFault(frame::kOrderWriteRam, refuse);
    const Result r = run({"params", "send", "--memory", "eeprom", "--file", path("p.ini")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Message!\n3 Parameter in RAM did not pass plausibility check"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(eeprom(), before);
}

TEST_F(CliTest, EepromPlausibilityFailureWritesNoFileOfDefaults)
{
    sensor.withModel([](sim::SensorModel &m) { m.setEepromFailure(2); });
    const QByteArray before = "kept as it was\r\n";
    write(path("out.ini"), before);
    const Result r = run({"params", "get", "--memory", "eeprom", "--file", path("out.ini")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Message!\n2 Parameter from EEPROM did not pass plausibility check"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(read(path("out.ini")), before);
}

} // namespace
