// The change log from the tool's side: every write adds a record (the sensor named, the words
// that changed), `log` reads the app's and the tool's records back, newest first, by serial
// number and as JSON, and passes over a record cut short.
#include "cli_fixture.h"

#include "support/changelog.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

class CliChangeLog : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        sensor.withModel([](sim::SensorModel &m) {
            m.setSerialNumber(4711);
            m.setSensorName("ORVANTE2 LINE 3");
        });
        // The Panel ID the app keeps in its settings file.
        write(path("PanelSettings.cfg"), "[GENERAL INFO]\r\nPANEL ID: = \"left belt\"\r\n");
    }
    // `log` needs no sensor: the tool is run without a link.
    Result log(const QStringList &args)
    {
        QProcess p;
        p.start(ORVANTE2_CLI_EXE, QStringList{"--settings-dir", dir.path(), "log"} + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return ResultOf(p);
    }
    std::vector<ChangeRecord> records()
    {
        return ReadChangeLog(path(kChangeLogFileName).toStdString()).records;
    }
};

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

} // namespace

TEST_F(CliChangeLog, WritesAreLoggedWithTheSensorAndTheWordsThatChanged)
{
    sim::ParamRecord set = ram();
    const int tolerance = set[sim::kTolerance];
    set[sim::kTolerance] = 33;
    write(path("p.ini"), appFile(set));
    ASSERT_EQ(run({"params", "send", "--memory", "eeprom", "--file", path("p.ini")}).code, 0);
    ASSERT_EQ(run({"offset", "send", "--ch0", "12", "--ch1", "34"}).code, 0);
    // Reading writes nothing.
    ASSERT_EQ(run({"params", "get", "--memory", "ram", "--file", path("out.ini")}).code, 0);

    const std::vector<ChangeRecord> r = records(); // newest first
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].what, "PARAMETERS");
    EXPECT_EQ(r[1].memory, "RAM+EEPROM");
    EXPECT_EQ(r[1].changes, "TOLERANCE " + std::to_string(tolerance) + "->33");
    EXPECT_EQ(r[1].program, "cli");
    EXPECT_EQ(r[1].serial, "4711");
    EXPECT_EQ(r[1].sensor, "ORVANTE2 LINE 3");
    EXPECT_EQ(r[1].panel, "left belt");
    EXPECT_FALSE(r[1].firmware.empty());
    EXPECT_EQ(r[1].result, "OK");
    EXPECT_EQ(r[0].what, "OFFSETS");
    EXPECT_EQ(r[0].changes, "CH0 12; CH1 34");

    // A write the sensor refuses is logged as failed.
    sim::Fault refuse;
    refuse.errorArg = 1;
    sensor.setFault(frame::kOrderOffset, refuse);
    EXPECT_EQ(run({"offset", "send", "--ch0", "1", "--ch1", "2"}).code, 2);
    ASSERT_EQ(records().size(), 3u);
    EXPECT_EQ(records()[0].result, "FAILED");
}

TEST_F(CliChangeLog, LogShowsNewestFirstBySerialNumberAndAsJson)
{
    ChangeRecord app;
    app.time = "2026-12-08 09:00:00";
    app.program = "app";
    app.serial = "815";
    app.what = "BAUDRATE";
    app.memory = "SENSOR";
    app.changes = "115200->57600";
    app.result = "OK";
    ASSERT_TRUE(AppendChangeRecord(path(kChangeLogFileName).toStdString(), app));
    ASSERT_EQ(run({"offset", "send", "--ch0", "5", "--ch1", "6"}).code, 0);

    Result r = log({});
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("TIME\tPROGRAM\t", 0), 0u);
    EXPECT_NE(lines[1].find("\tOFFSETS\t"), std::string::npos);
    EXPECT_EQ(lines[2], FormatChangeRecord(app).substr(0, FormatChangeRecord(app).size() - 1));

    r = log({"--serial", "4711", "--json"});
    EXPECT_EQ(r.code, 0) << r.err;
    lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(lines[0])).object();
    EXPECT_EQ(o["what"].toString(), "OFFSETS");
    EXPECT_EQ(o["serial_number"].toString(), "4711");
    EXPECT_EQ(o["program"].toString(), "cli");
    EXPECT_EQ(o["panel_id"].toString(), "left belt");
    EXPECT_EQ(o["result"].toString(), "OK");
    EXPECT_EQ(o["changes"].toString(), "CH0 5; CH1 6");

    EXPECT_EQ(Lines(log({"--serial", "1"}).out).size(), 1u); // the heading alone
    EXPECT_EQ(log({"--serial", "abc"}).code, 1);
    EXPECT_EQ(log({"--serial", "1", "--serial", "2"}).code, 1);
}

TEST_F(CliChangeLog, ARecordCutShortIsSkippedAndTheNextWriteStillReadsBack)
{
    ASSERT_EQ(run({"offset", "send", "--ch0", "5", "--ch1", "6"}).code, 0);
    // A writer killed in mid-record leaves its start without a line feed.
    QFile f(path(kChangeLogFileName));
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("2026-12-08 10:00:00\tapp\tanna@line3\tV1.3");
    f.close();

    Result r = log({});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(Lines(r.out).size(), 2u);
    EXPECT_NE(r.err.find("1 incomplete lines of the change log skipped"), std::string::npos)
        << r.err;

    ASSERT_EQ(run({"offset", "send", "--ch0", "7", "--ch1", "8"}).code, 0);
    const std::vector<ChangeRecord> after = records();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].changes, "CH0 7; CH1 8");
    EXPECT_EQ(after[1].changes, "CH0 5; CH1 6");
}
