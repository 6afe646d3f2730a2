// convtable get|send|send-data and hwinfo of the command-line tool against the simulated sensor:
// the files it writes equal the app's for the same sensor state, what it stores equals what the
// app stores, bad table files are refused before anything is sent, and every link failure ends
// with a message, exit code 2 and no file.
#include "cli/cli_fixture.h"
#include "common/harness.h"

#include "convtable/convtable.h"
#include "link/connect.h"
#include "params/transfer.h"
#include "service/service.h"

#include <QProcess>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A table with the rows out of order, a duplicate ACTUAL VALUE (the lower row wins), a
// disabled row, a skipped row and a negative SETVALUE.
ConvRows ShapedRows()
{
    ConvRows rows{};
    rows[0] = {0, 200};
    rows[1] = {3000, 9000};
    rows[2] = {1000, 2500};
    rows[3] = {2000, -5};
    rows[4] = {1000, 3000};
    rows[5] = {-1, -7};
    rows[6] = {-3, 700};
    rows[63] = {4095, 8000};
    return rows;
}

sim::ConvTable SimTable(const ConvRows &rows)
{
    sim::ConvTable t{};
    for (size_t i = 0; i < rows.size(); ++i)
        t[i] = {rows[i].actual, rows[i].set};
    return t;
}

std::vector<std::pair<int, int>> Orders(sim::SimRunner &sensor)
{
    std::vector<std::pair<int, int>> orders;
    for (const auto &f : sensor.receivedFrames())
        orders.push_back({f[1], f[2] | (f[3] << 8)});
    return orders;
}

class CliConvTable : public CliTest {
protected:
    // What the app's table file writer makes of `rows`.
    QByteArray appTableFile(const ConvRows &rows)
    {
        const QString file = path("expected-table.ini");
        EXPECT_GE(WriteConvTableFile(rows, file.toUtf8().constData()), 0);
        return read(file);
    }
    sim::ConvTable storedTable()
    {
        sim::ConvTable t{};
        sensor.withModel([&](sim::SensorModel &m) { t = m.convTable(); });
        return t;
    }
    sim::ConvData storedData()
    {
        sim::ConvData d{};
        sensor.withModel([&](sim::SensorModel &m) { d = m.convData(); });
        return d;
    }
};

// ---- Successful commands --------------------------------------------------------------------

TEST_F(CliConvTable, GetWritesTheAppsTableFileOverAnExistingOne)
{
    const ConvRows rows = ShapedRows();
    sensor.withModel([&](sim::SensorModel &m) { m.setConvTable(SimTable(rows)); });
    write(path("table.ini"), "old contents\r\n");
    const Result r = run({"convtable", "get", "--file", path("table.ini")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    const QByteArray file = read(path("table.ini"));
    EXPECT_EQ(file, appTableFile(rows));
    EXPECT_TRUE(file.startsWith("[GENERAL INFO]\r\nFILE TYPE: = \"Conversion table\"\r\n"
                                "SCOPE VERSION: = \"ORVANTE2 Scope V1.3\"\r\n"));
    EXPECT_TRUE(file.contains("[ROW 4]\r\nACTUAL VALUE = 2000\r\nSETVALUE = -5\r\n"));
    EXPECT_EQ(Orders(sensor), (std::vector<std::pair<int, int>>{{103, 1}}));
}

TEST_F(CliConvTable, SendStoresTheFilesPointsAsTheyStand)
{
    ConvRows rows = ShapedRows();
    rows[10] = {-1, 500}; // inconsistent: the app sends such a table all the same
    write(path("table.ini"), appTableFile(rows));
    Result r = run({"convtable", "send", "--file", path("table.ini")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Conversion table was saved to EE.\n");
    EXPECT_EQ(storedTable(), SimTable(rows));
    // The sensor's identity first, for the change log's record of the write.
    EXPECT_EQ(Orders(sensor), (std::vector<std::pair<int, int>>{{7, 0}, {15, 0}, {103, 0}}));

    write(path("default.ini"), appTableFile(DefaultConvRows()));
    r = run({"--lang", "de", "convtable", "send", "--file", path("default.ini")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Umrechnungstabelle ins EE gespeichert.\n");
    EXPECT_EQ(storedTable(), sim::DefaultConvTable());
}

TEST_F(CliConvTable, SendDataStoresTheCurveInFourBlocks)
{
    // The line through (0, 0) and (4095, 4095) is the signal itself: entry k is 4k.
    ConvRows rows = DefaultConvRows();
    rows.back() = {4095, 4095};
    write(path("line.ini"), appTableFile(rows));
    sensor.withModel([](sim::SensorModel &m) { m.setConvData({}); });
    const Result r = run({"convtable", "send-data", "--file", path("line.ini")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Conversion data were saved to EE.\n");
    EXPECT_EQ(storedData(), sim::DefaultConvData());
    EXPECT_EQ(Orders(sensor), (std::vector<std::pair<int, int>>{{7, 0},
                                                                {15, 0},
                                                                {180, 0x1A00},
                                                                {182, 0x1A00},
                                                                {180, 0x1B00},
                                                                {182, 0x1B00},
                                                                {180, 0x1C00},
                                                                {182, 0x1C00},
                                                                {180, 0x1D00},
                                                                {182, 0x1D00}}));
    EXPECT_EQ(storedTable(), sim::DefaultConvTable()) << "the table itself is not sent";
}

TEST_F(CliConvTable, HwInfoWritesTheAppsFile)
{
    std::array<uint8_t, sim::kHwInfoBytes> info{};
    for (size_t i = 0; i < info.size(); ++i)
        info[i] = uint8_t(i * 7 + 3);
    info[0] = 0x01, info[1] = 0x00, info[2] = 0xCD, info[3] = 0xAB; // words 1 and 43981
    sim::ParamRecord inRam = ram();
    inRam[sim::kTtUp] = 60000;
    inRam[sim::kTeachValue] = 1234;
    sensor.withModel([&](sim::SensorModel &m) {
        m.setHardwareInfo(info);
        m.setOffsets(37, 65535);
        m.setRam(inRam);
        m.setFirmwareId("ORVANTE2 V1.3.0 \"line 4\"");
    });
    write(path("hw.ini"), "old contents\r\n");

    const Result r = run({"hwinfo", "--file", path("hw.ini")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "File has been saved!\n" + path("hw.ini").toStdString() + "\n");
    EXPECT_EQ(Orders(sensor),
              (std::vector<std::pair<int, int>>{{7, 0}, {2, 0}, {100, 0}, {194, 0x3C5A}}));

    HardwareInfoFile expected;
    expected.firmwareId = "ORVANTE2 V1.3.0 \"line 4\"";
    expected.data = HardwareDataText(info.data());
    const std::vector<uint8_t> bytes = sim::PackParams(inRam);
    expected.parameters = RecordFromBytes(bytes.data());
    expected.offsetCh0 = 37;
    expected.offsetCh1 = 65535;
    ASSERT_GE(WriteHardwareInfoFile(expected, path("expected-hw.ini").toUtf8().constData()), 0);
    const QByteArray file = read(path("hw.ini"));
    EXPECT_EQ(file, read(path("expected-hw.ini")));
    EXPECT_TRUE(file.contains("FIRMWARE VERSION: = \"ORVANTE2 V1.3.0 \\\"line 4\\\"\"\r\n"));
    EXPECT_TRUE(file.contains("\"0001ABCD"));
    EXPECT_TRUE(file.contains("TT UP = 60000\r\n"));
    EXPECT_TRUE(file.contains("[OFFSET]\r\nOFFSET CH0 = 37\r\nOFFSET CH1 = 65535\r\n"));
}

TEST(CliSerialConvTableHwInfo, GetAndHwInfoOverAPseudoTerminal)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start(0, true));
    ASSERT_FALSE(sensor.ptyPath().isEmpty());
    QTemporaryDir dir;
    for (const QStringList &command :
         {QStringList{"convtable", "get", "--file", dir.filePath("t.ini")},
          QStringList{"hwinfo", "--file", dir.filePath("hw.ini")}}) {
        QProcess p;
        p.start(ORVANTE2_CLI_EXE, QStringList{"--serial", sensor.ptyPath()} + command);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    QFile table(dir.filePath("t.ini")), hw(dir.filePath("hw.ini"));
    ASSERT_TRUE(table.open(QIODevice::ReadOnly));
    ASSERT_TRUE(hw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(table.readAll().contains("[ROW 64]\r\nACTUAL VALUE = 4095\r\nSETVALUE = 10000"));
    EXPECT_TRUE(hw.readAll().contains("FILE TYPE: = \"Hardware Initial File\""));
}

// ---- Files and usage ------------------------------------------------------------------------

TEST_F(CliConvTable, BadTableFilesAreRefusedBeforeAnyExchange)
{
    const QByteArray good = appTableFile(ShapedRows());
    QByteArray otherType = good;
    otherType.replace("\"Conversion table\"", "\"Parameter File\"");
    QByteArray otherVersion = good;
    otherVersion.replace("V1.3\"", "V1.2\"");
    QByteArray missingRows = good;
    missingRows.replace("[ROW 17]\r\nACTUAL VALUE = -1\r\nSETVALUE = -1\r\n", "");
    missingRows.replace("SETVALUE = 9000\r\n", "SETVALUE = nine\r\n"); // row 2
    write(path("type.ini"), otherType);
    write(path("version.ini"), otherVersion);
    write(path("rows.ini"), missingRows);

    struct Case {
        const char *file;
        std::vector<const char *> lang;
        std::string text;
    };
    const Case cases[] = {
        {"type.ini", {}, "Selected file is not a conversion table file! \nNo values were read!\n"},
        {"type.ini",
         {"--lang", "de"},
         "Gewaehlte Datei enthaelt keine Umrechungstabelle. \nKeine Werte erkannt!\n"},
        {"version.ini",
         {},
         "Selected file and scope version do not match! \nNo values were read!\n"},
        {"rows.ini",
         {},
         "Following table values \ncould not be read and \nwere set to default value:\n\n"
         "ROW 2\nROW 17\nNo values were read!\n"},
        {"missing.ini", {}, "File could not be read: " + path("missing.ini").toStdString() + "\n"},
    };
    for (const char *command : {"send", "send-data"})
        for (const Case &c : cases) {
            QStringList args;
            for (const char *a : c.lang)
                args << a;
            args << "convtable" << command << "--file" << path(c.file);
            const Result r = run(args);
            EXPECT_EQ(r.code, 4) << command << " " << c.file;
            EXPECT_EQ(r.err, c.text) << command << " " << c.file;
            EXPECT_TRUE(r.out.empty()) << r.out;
        }
    EXPECT_TRUE(sensor.receivedFrames().empty());
}

TEST_F(CliConvTable, SendDataRefusesATableTheAppCannotSave)
{
    ConvRows inconsistent = ShapedRows();
    inconsistent[20] = {300, -1};
    write(path("inconsistent.ini"), appTableFile(inconsistent));
    Result r = run({"convtable", "send-data", "--file", path("inconsistent.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.err, "Both cells in a row must be set or disabled (-1).\nROW 21\nATTENTION! \n"
                     "Data can not be saved. \nCheck table and repeat calculation.\n");

    ConvRows beyond = DefaultConvRows();
    beyond[1] = {4096, 10}; // a signal the conversion data has no entry for
    write(path("beyond.ini"), appTableFile(beyond));
    r = run({"convtable", "send-data", "--file", path("beyond.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find("ROW 2\n"), std::string::npos) << r.err;

    // No positive value anywhere: such a curve cannot be scaled to the sensor's range.
    ConvRows flat = DefaultConvRows();
    flat.back() = {4095, 0};
    write(path("flat.ini"), appTableFile(flat));
    r = run({"convtable", "send-data", "--file", path("flat.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.err, "ATTENTION! \nData can not be saved. \nCheck table and repeat calculation.\n");
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(sensor.receivedFrames().empty());
}

TEST_F(CliConvTable, UnwritableTargetsFailWithCode4)
{
    Result r = run({"convtable", "get", "--file", path("no/such/dir/t.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.err,
              "File could not be written: " + path("no/such/dir/t.ini").toStdString() + "\n");
    r = run({"hwinfo", "--file", path("no/such/dir/hw.ini")});
    EXPECT_EQ(r.code, 4);
    EXPECT_EQ(r.err,
              "File could not be saved!\n" + path("no/such/dir/hw.ini").toStdString() + "\n");
    EXPECT_TRUE(r.out.empty());
}

TEST_F(CliConvTable, UsageErrorsExitWith1AndSendNothing)
{
    for (const QStringList &args :
         {QStringList{"convtable", "get"}, QStringList{"convtable", "send"},
          QStringList{"convtable", "send-data"}, QStringList{"hwinfo"},
          QStringList{"convtable", "--file", path("t.ini")},
          QStringList{"convtable", "put", "--file", path("t.ini")},
          QStringList{"hwinfo", "now", "--file", path("t.ini")}}) {
        const Result r = run(args);
        EXPECT_EQ(r.code, 1) << args.join(' ').toStdString();
        // One line saying what is wrong, and where to look.
        EXPECT_EQ(r.err.rfind("orvante2-cli: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("\nSee 'orvante2-cli --help'.\n"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    }
    EXPECT_TRUE(sensor.receivedFrames().empty());
    EXPECT_FALSE(QFile::exists(path("t.ini")));
}

// ---- The same sensor state through the app's pages ------------------------------------------

// The app's own buttons against one simulated sensor, then the tool against the same sensor.
class CliMatchesApp : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        InitConvTable();
        std::fill(std::begin(ConvData), std::end(ConvData), 0.0);
        ConvDataValid = 0;
        ASSERT_TRUE(sensor.start());
        OpenTcp(sensor.tcpPort());
        CheckComLine(); // as when the app connects: identification and parameters
        ASSERT_EQ(AppState.SensorConnected, 1);
    }
    std::string path(const char *name) const { return dir.filePath(name).toStdString(); }
    // Runs the tool once the app has let go of the link.
    int tool(QStringList args)
    {
        CloseLink();
        QProcess p;
        p.start(ORVANTE2_CLI_EXE, QStringList{"--tcp", QString("127.0.0.1:%1").arg(sensor.tcpPort()),
                                              "--settings-dir", dir.path()} +
                                      args);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return p.exitCode();
    }
    // Loads the table file on the conversion table page, stores the conversion data with the
    // app's button, then again with the tool from the same file: both blocks, the app's first.
    std::pair<sim::ConvData, sim::ConvData> DataByAppAndTool(const std::string &file)
    {
        responder.push(VAL_EXISTING_FILE_SELECTED, file);
        SimulateCtrlEvent(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_FILE,
                          EVENT_COMMIT);
        SimulateCtrlEvent(AppState.ConvPanel, CONVP_BUTTON_SAVE_CONV_DATA_TO_EE, EVENT_COMMIT);
        EXPECT_NE(responder.last(), nullptr);
        if (responder.last()) {
            EXPECT_EQ(responder.last()->text, "Conversion data were saved to EE.");
        }
        sim::ConvData byApp{};
        sensor.withModel([&](sim::SensorModel &m) {
            byApp = m.convData();
            m.setConvData({});
        });
        tool({"convtable", "send-data", "--file", QString::fromStdString(file)});
        sim::ConvData byTool{};
        sensor.withModel([&](sim::SensorModel &m) { byTool = m.convData(); });
        return {byApp, byTool};
    }
    static QByteArray bytes(const std::string &file)
    {
        QFile f(QString::fromStdString(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    sim::SimRunner sensor;
};

TEST_F(CliMatchesApp, HardwareInformationFile)
{
    std::array<uint8_t, sim::kHwInfoBytes> info{};
    for (size_t i = 0; i < info.size(); ++i)
        info[i] = uint8_t(255 - i);
    sensor.withModel([&](sim::SensorModel &m) {
        m.setHardwareInfo(info);
        m.setOffsets(12, 3456);
    });
    responder.push(VAL_NEW_FILE_SELECTED, path("app.ini"));
    CBF_ButtonGenHwInfoFile(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE, EVENT_COMMIT,
                            nullptr, 0, 0);
    ASSERT_EQ(MessageBoxText().substr(MessageBoxText().find("File has been saved!")),
              "File has been saved!\n" + path("app.ini") + "\n\n");
    tool({"hwinfo", "--file", QString::fromStdString(path("tool.ini"))});
    EXPECT_EQ(bytes(path("tool.ini")), bytes(path("app.ini")));
    EXPECT_FALSE(bytes(path("app.ini")).isEmpty());
}

TEST_F(CliMatchesApp, TableFileAndStoredConversionData)
{
    // The table the sensor holds, through the app's "Get from EEPROM" and "Save to file".
    sensor.withModel([](sim::SensorModel &m) { m.setConvTable(SimTable(ShapedRows())); });
    SimulateCtrlEvent(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_EE,
                      EVENT_COMMIT);
    responder.push(VAL_NEW_FILE_SELECTED, path("app.ini"));
    SimulateCtrlEvent(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_FILE,
                      EVENT_COMMIT);
    tool({"convtable", "get", "--file", QString::fromStdString(path("tool.ini"))});
    EXPECT_EQ(bytes(path("tool.ini")), bytes(path("app.ini")));
    EXPECT_TRUE(bytes(path("app.ini")).contains("[ROW 2]\r\nACTUAL VALUE = 3000\r\n"));

    // The conversion data the app stores from that file, and what the tool stores from it.
    OpenTcp(sensor.tcpPort());
    AppState.SensorConnected = 1;
    const auto [byApp, byTool] = DataByAppAndTool(path("app.ini"));
    EXPECT_EQ(byTool, byApp);
    EXPECT_NE(byApp, sim::ConvData{});
    EXPECT_EQ(byApp[0], 91) << "200 of the curve's maximum 9000, scaled to 4095";
}

// After the app has calculated a table with a longer span, a shorter one from a file: the app
// and the tool store the same blocks, and both follow that file alone.
TEST_F(CliMatchesApp, StoredConversionDataAfterALongerTable)
{
    SimulateCtrlEvent(AppState.ConvPanel, CONVP_BUTTON_SAVE_CONV_DATA_TO_EE, EVENT_COMMIT);
    ConvRows shorter = DefaultConvRows();
    shorter[1] = {2000, 1000};
    shorter.back() = {kConvDisabled, kConvDisabled};
    ASSERT_EQ(WriteConvTableFile(shorter, path("short.ini").c_str()), 0);
    const auto [byApp, byTool] = DataByAppAndTool(path("short.ini"));
    EXPECT_EQ(byTool, byApp);
    EXPECT_EQ(byApp[500], 4095) << "the file's maximum (1000 at 2000) becomes 4095";
    EXPECT_EQ(byApp[501], 0) << "nothing of the earlier curve beyond the file's last point";
}

// The parameter file of `params get` against the app's GET from RAM and SEND to FILE: the same
// bytes for the defaults, each word at the top of its control's range, the last item of every
// ring (where the page rules force other words) and words beyond their control's range.
TEST_F(CliMatchesApp, ParameterFileFromRam)
{
    sim::ParamRecord defaults{};
    sensor.withModel([&](sim::SensorModel &m) { defaults = m.ram(); });
    sim::ParamRecord top = defaults;
    top[sim::kPowerCh0] = top[sim::kPowerCh1] = 1000;
    top[sim::kDynWinLo] = 4000;
    top[sim::kDynWinHi] = 4095;
    top[sim::kIntegral] = 250;
    top[sim::kHold] = 65535;
    top[sim::kTtUp] = top[sim::kTtDown] = 60000;
    top[sim::kTeachValue] = top[sim::kTolerance] = top[sim::kHysteresis] = 4095;
    top[sim::kDeadTime] = 100;
    sim::ParamRecord rings = defaults;
    rings[sim::kPowerSource] = 6;
    rings[sim::kGain] = 11;
    rings[sim::kAnalogOutMode] = 2;
    rings[sim::kAnalogRange] = 2;
    rings[sim::kDigitalOutMode] = 2;
    rings[sim::kThresholdMode] = 2;
    rings[sim::kThresholdTracing] = 2;
    rings[sim::kExternTeach] = 5;
    sim::ParamRecord beyond = defaults;
    beyond[sim::kTtUp] = 65535;
    beyond[sim::kDeadTime] = 65535;

    int n = 0;
    const auto both = [&](const sim::ParamRecord &set) {
        sensor.withModel([&](sim::SensorModel &m) { m.setRam(set); });
        OpenTcp(sensor.tcpPort());
        AppState.SensorConnected = 1;
        AppState.MemorySelect = kMemoryRam;
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT);
        AppState.MemorySelect = kMemoryFile;
        const std::string app = path(("app" + std::to_string(n) + ".ini").c_str());
        const std::string mine = path(("tool" + std::to_string(n) + ".ini").c_str());
        ++n;
        responder.push(VAL_NEW_FILE_SELECTED, app);
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT);
        tool({"params", "get", "--memory", "ram", "--file", QString::fromStdString(mine)});
        return std::pair{bytes(app).toStdString(), bytes(mine).toStdString()};
    };
    for (const sim::ParamRecord *set : {&defaults, &top, &rings, &beyond}) {
        SCOPED_TRACE(n);
        const auto [app, mine] = both(*set);
        EXPECT_FALSE(app.empty());
        EXPECT_EQ(mine, app);
    }
    // `params send` of a file that holds what the rules force otherwise: the sensor gets the
    // same set from the tool as from the app's GET from FILE and SEND to RAM.
    const std::string file = path("rings.ini");
    const std::vector<uint8_t> raw = sim::PackParams(rings);
    ASSERT_GE(WriteParameterFile(RecordFromBytes(raw.data()), file.c_str()), 0);
    sensor.withModel([&](sim::SensorModel &m) { m.setRam(defaults); });
    OpenTcp(sensor.tcpPort());
    AppState.SensorConnected = 1;
    AppState.MemorySelect = kMemoryFile;
    responder.push(VAL_EXISTING_FILE_SELECTED, file);
    SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT);
    AppState.MemorySelect = kMemoryRam;
    SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT);
    sim::ParamRecord byApp{}, byTool{};
    sensor.withModel([&](sim::SensorModel &m) {
        byApp = m.ram();
        m.setRam(defaults);
    });
    tool({"params", "send", "--memory", "ram", "--file", QString::fromStdString(file)});
    sensor.withModel([&](sim::SensorModel &m) { byTool = m.ram(); });
    EXPECT_EQ(byTool, byApp);
    EXPECT_NE(byApp, rings) << "the rules force some words of this set";
}

// ---- Link failures --------------------------------------------------------------------------

struct ConvCommandCase {
    const char *name;
    int order; // the order the fault is put on
    std::vector<const char *> args;
    bool hasPayload;      // answers without payload cannot carry a bad data CRC or be cut short
    const char *notSaved; // the app's not-saved text, if it has one
};
// Printed by its name, so that test lists show no byte dumps.
inline void PrintTo(const ConvCommandCase &c, std::ostream *os)
{
    *os << c.name;
}

const ConvCommandCase kConvCommands[] = {
    {"ConvTableGet",
     frame::kOrderConvTable,
     {"convtable", "get", "--file", "out.ini"},
     true,
     nullptr},
    {"ConvTableSend",
     frame::kOrderConvTable,
     {"convtable", "send", "--file", "in.ini"},
     false,
     "ATTENTION! \nConversion table was NOT saved to EE."},
    {"ConvTableSendData",
     frame::kOrderConvDataWrite,
     {"convtable", "send-data", "--file", "in.ini"},
     false,
     "ATTENTION! \nConversion data were NOT saved to EE."},
    {"HwInfo", frame::kOrderHardwareInfo, {"hwinfo", "--file", "out.ini"}, true, nullptr},
};

class CliConvHwLinkFailure
    : public CliConvTable,
      public ::testing::WithParamInterface<std::tuple<ConvCommandCase, FailureCase>> {};

TEST_P(CliConvHwLinkFailure, EndsWithMessageCode2AndNothingWritten)
{
    const auto &[command, failure] = GetParam();
    const std::string fault = failure.fault;
    if (!command.hasPayload && (fault == "baddata" || fault.rfind("cut", 0) == 0))
        GTEST_SKIP() << "the answer has no payload";

    write(path("in.ini"), appTableFile(ShapedRows()));
    const Result r = runFailing(command.order, fault, command.args, failure.message);
    if (command.notSaved) {
        EXPECT_NE(r.err.find(command.notSaved), std::string::npos) << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(All, CliConvHwLinkFailure,
                         ::testing::Combine(::testing::ValuesIn(kConvCommands),
                                            ::testing::ValuesIn(kFailures)),
                         [](const ::testing::TestParamInfo<CliConvHwLinkFailure::ParamType> &info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

// The hardware information file needs four answers: a failure at any of them writes nothing.
TEST_F(CliConvTable, HwInfoStopsAtTheFirstFailedRead)
{
    const QByteArray before = "kept as it was\r\n";
    write(path("hw.ini"), before);
    for (int order :
         {int(frame::kOrderFirmwareId), int(frame::kOrderReadRam), int(frame::kOrderOffset)}) {
        sim::Fault refuse;
        refuse.errorArg = 2;
        sensor.setFault(order, refuse);
        const Result r = run({"hwinfo", "--file", path("hw.ini")});
        EXPECT_EQ(r.code, 2) << order;
        EXPECT_NE(r.err.find("Communication error!"), std::string::npos) << order << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(read(path("hw.ini")), before) << order;
        const auto orders = Orders(sensor);
        ASSERT_FALSE(orders.empty());
        EXPECT_EQ(orders.back().first, order) << "nothing asked after the failure";
        sensor.clearFaults();
        sensor.clearLog();
    }
}

} // namespace
