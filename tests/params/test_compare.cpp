// The parameter sets compared: words in the pages' units, the side-by-side rows, the change
// text of the log; the unsynced marks on the pages; the compare view against the simulated
// sensor, its copies and the change log records of the app's writes.
#include "params_fixture.h"

#include "app/changes.h"
#include "convtable/convtable.h"
#include "params/compare.h"
#include "params/compare_view.h"
#include "params/paramfile.h"
#include "params/synced.h"
#include "service/service.h"
#include "sim/sim_runner.h"
#include "support/changelog.h"

#include <QDir>

namespace {

struct WordCase {
    const char *name;
    uint16_t ParameterRecord::*field;
    uint16_t value;
    const char *shown; // as the compare view shows it in English
};
void PrintTo(const WordCase &c, std::ostream *os)
{
    *os << c.name;
}

const WordCase kWords[] = {
    {"HoldInMilliseconds", &ParameterRecord::Hold, 125, "12.5 ms"},
    {"HoldTenthOfAMillisecond", &ParameterRecord::Hold, 7, "0.7 ms"},
    {"DeadTimeInPercent", &ParameterRecord::DeadTime, 5, "5 %"},
    {"GainFixedStage", &ParameterRecord::Gain, 1, "AMP1"},
    {"GainSetOfStages", &ParameterRecord::Gain, 12, "AMP2468"},
    {"GainWithoutItem", &ParameterRecord::Gain, 0, "? (0)"},
    {"PowerSourceLastItem", &ParameterRecord::PowerSource, 6, "POWER OFF"},
    {"ThresholdModeBeyondItems", &ParameterRecord::ThresholdMode, 9, "? (9)"},
    {"NumberAsItIs", &ParameterRecord::TtUp, 60000, "60000"},
};

class WordsOnPages : public ParamsTest, public ::testing::WithParamInterface<WordCase> {};

} // namespace

TEST_P(WordsOnPages, ShowAsThePagesShowThem)
{
    const WordCase &c = GetParam();
    EXPECT_EQ(WordOnPages(c.field, c.value), c.shown);
}

INSTANTIATE_TEST_SUITE_P(All, WordsOnPages, ::testing::ValuesIn(kWords),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(CompareSideBySide, MarksExactlyTheWordsThatDifferAmongTheSetsPresent)
{
    ParameterRecord ram, eeprom, file;
    ram.PowerCh0 = 700;
    eeprom.Hold = 125;
    file.Hold = 125;
    file.PowerCh0 = 700;
    const std::vector<CompareRow> rows = CompareSideBySide({&ram, &eeprom, &file});
    ASSERT_EQ(rows.size(), 26u);
    std::vector<std::string> differing;
    for (const CompareRow &r : rows)
        if (r.differs)
            differing.push_back(r.name);
    EXPECT_EQ(differing, (std::vector<std::string>{"POWER CH0", "HOLD"}));
    const CompareRow &hold = rows[14];
    EXPECT_STREQ(hold.name, "HOLD");
    EXPECT_EQ(hold.shown, (std::vector<std::string>{"10.0 ms", "12.5 ms", "12.5 ms"}));

    // A missing set shows nothing and takes no part: RAM and the file agree on HOLD here.
    file.Hold = 100;
    file.PowerCh0 = 500;
    const std::vector<CompareRow> two = CompareSideBySide({&ram, nullptr, &file});
    EXPECT_TRUE(two[1].differs);
    EXPECT_EQ(two[1].shown[1], "");
    EXPECT_FALSE(two[14].differs);
    // The order of parameter files: DEAD TIME before EVALUATION MODE.
    EXPECT_STREQ(two[24].name, "DEAD TIME");
    EXPECT_STREQ(two[25].name, "EVALUATION MODE");
}

TEST(ParameterChangesText, NamesOldAndNewOfEachChangedWord)
{
    ParameterRecord before, after;
    EXPECT_EQ(ParameterChangesText(&before, after), "");
    after.PowerCh0 = 700;
    after.Hold = 125;
    after.DeadTime = 5;
    EXPECT_EQ(ParameterChangesText(&before, after),
              "POWER CH0 500->700; HOLD 100->125; DEAD TIME 0->5");
    // Not knowing what the sensor held, every word is named with "?".
    const std::string unknown = ParameterChangesText(nullptr, after);
    EXPECT_EQ(std::count(unknown.begin(), unknown.end(), '?'), 26);
    EXPECT_NE(unknown.find("POWER CH0 ?->700"), std::string::npos);
}

namespace {

class Marks : public ParamsTest {
protected:
    void SetUp() override
    {
        ParamsTest::SetUp();
        OpenTcp(peer.port());
        AppState.SensorConnected = 1;
    }
    static int Mark(int panel, int control)
    {
        int color = -2;
        GetCtrlMark(panel, control, &color);
        return color;
    }
    RawPeer peer;
};

} // namespace

TEST_F(Marks, FollowEditsAndClearAfterSendAndGet)
{
    // Nothing known of the sensor: no marks.
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_HOLD, 12.5);
    SimulateCtrlEvent(P(), TABP_PARAM_NUMERIC_HOLD, EVENT_COMMIT);
    EXPECT_EQ(Mark(P(), TABP_PARAM_NUMERIC_HOLD), VAL_TRANSPARENT);

    // GET: the pages show the sensor's set, no marks.
    ParameterRecord sensor = OddSet();
    peer.answerNext({{0, Frame(2, 0, Bytes(sensor))}});
    GetPara();
    EXPECT_TRUE(UnsyncedControls().empty());
    EXPECT_EQ(Mark(P(), TABP_PARAM_NUMERIC_POWER_CH0), VAL_TRANSPARENT);

    // Edits by the operator are marked once their callback has run, each on its own page.
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_POWER_CH0, 701);
    SimulateCtrlEvent(P(), TABP_PARAM_NUMERIC_POWER_CH0, EVENT_COMMIT);
    SetCtrlVal(T(), TABP_THRESHOLD_NUMERIC_TOLERANCE, 45);
    SimulateCtrlEvent(T(), TABP_THRESHOLD_NUMERIC_TOLERANCE, EVENT_COMMIT);
    EXPECT_EQ(Mark(P(), TABP_PARAM_NUMERIC_POWER_CH0), kUnsyncedMarkColor);
    EXPECT_EQ(Mark(T(), TABP_THRESHOLD_NUMERIC_TOLERANCE), kUnsyncedMarkColor);
    EXPECT_EQ(Mark(P(), TABP_PARAM_NUMERIC_HOLD), VAL_TRANSPARENT);
    EXPECT_EQ(UnsyncedControls().size(), 2u);

    // Back to the sensor's value: the mark goes.
    SetCtrlVal(T(), TABP_THRESHOLD_NUMERIC_TOLERANCE, int(sensor.Tolerance));
    SimulateCtrlEvent(T(), TABP_THRESHOLD_NUMERIC_TOLERANCE, EVENT_COMMIT);
    EXPECT_EQ(Mark(T(), TABP_THRESHOLD_NUMERIC_TOLERANCE), VAL_TRANSPARENT);

    // A refused SEND leaves the edit marked; an accepted one clears it.
    peer.answerNext({{0, Frame(0, 2)}}); // error reply
    SendPara();
    Pump(50);
    EXPECT_EQ(Mark(P(), TABP_PARAM_NUMERIC_POWER_CH0), kUnsyncedMarkColor);
    OpenTcp(peer.port());
    peer.answerNext({{0, Frame(1, 0)}});
    SendPara();
    EXPECT_TRUE(UnsyncedControls().empty());
    EXPECT_EQ(Mark(P(), TABP_PARAM_NUMERIC_POWER_CH0), VAL_TRANSPARENT);

    // A GET of another set: the pages follow it, nothing is marked.
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_HOLD, 99.9);
    SimulateCtrlEvent(P(), TABP_PARAM_NUMERIC_HOLD, EVENT_COMMIT);
    EXPECT_EQ(Mark(P(), TABP_PARAM_NUMERIC_HOLD), kUnsyncedMarkColor);
    peer.answerNext({{0, Frame(2, 0, Bytes(ParameterRecord{}))}});
    GetPara();
    EXPECT_TRUE(UnsyncedControls().empty());
    EXPECT_EQ(Mark(P(), TABP_PARAM_NUMERIC_HOLD), VAL_TRANSPARENT);
}

namespace {

// The app against the simulated sensor, with a settings folder, so its writes are logged.
class CompareWithSensor : public ParamsTest {
protected:
    void SetUp() override
    {
        ParamsTest::SetUp();
        ASSERT_TRUE(sensor.start());
        OpenTcp(sensor.tcpPort());
        AppState.SensorConnected = 1;
        CopyField(AppState.SettingsPath, dir.filePath("PanelSettings.cfg").toUtf8().constData());
        CopyField(AppState.SensorName, "ORVANTE2 SIM");
        CopyField(AppState.SensorId, "Line 3 left");
        AppState.SensorSerial = 4711;
        sensor.withModel([this](sim::SensorModel &m) {
            eepromSet = m.eeprom();
            ramSet = eepromSet;
            ramSet[1] = 700; // POWER CH0
            ramSet[14] = 125; // HOLD
            m.setRam(ramSet);
        });
    }
    std::vector<ChangeRecord> Log() const
    {
        return ReadChangeLog(dir.filePath(kChangeLogFileName).toStdString()).records;
    }
    sim::ParamRecord SensorRam()
    {
        sim::ParamRecord r{};
        sensor.withModel([&](sim::SensorModel &m) { r = m.ram(); });
        return r;
    }
    sim::ParamRecord SensorEeprom()
    {
        sim::ParamRecord r{};
        sensor.withModel([&](sim::SensorModel &m) { r = m.eeprom(); });
        return r;
    }
    sim::SimRunner sensor;
    sim::ParamRecord ramSet{}, eepromSet{};
};

} // namespace

TEST_F(CompareWithSensor, ReadsRamAndEepromAndLeavesRamAsItWas)
{
    CompareSets sets;
    ASSERT_EQ(ReadRamAndEeprom(&sets), 1);
    ASSERT_TRUE(sets.ram && sets.eeprom);
    EXPECT_EQ(sets.ram->PowerCh0, 700);
    EXPECT_EQ(sets.eeprom->PowerCh0, eepromSet[1]);
    const std::vector<WordDifference> d = CompareParameters(*sets.ram, *sets.eeprom);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_STREQ(d[0].name, "POWER CH0");
    EXPECT_STREQ(d[1].name, "HOLD");
    EXPECT_EQ(SensorRam(), ramSet);
    EXPECT_EQ(SensorEeprom(), eepromSet);
    EXPECT_TRUE(Log().empty()) << "reading is no write, and putting RAM back is none either";
}

TEST_F(CompareWithSensor, ViewMarksTheDifferencesAndCopiesEepromToRamWithALogRecord)
{
    ShowCompareView();
    const CompareSets &sets = ComparedSets();
    ASSERT_TRUE(sets.ram && sets.eeprom);
    EXPECT_FALSE(sets.file);

    const int panel = ComparePanel();
    std::string text;
    ASSERT_EQ(GetTableCellText(panel, COMPAREP_TABLE_COMPARE, 15, 1, &text), 0);
    EXPECT_EQ(text, "HOLD");
    GetTableCellText(panel, COMPAREP_TABLE_COMPARE, 15, 2, &text);
    EXPECT_EQ(text, "12.5 ms");
    GetTableCellText(panel, COMPAREP_TABLE_COMPARE, 15, 4, &text);
    EXPECT_EQ(text, "-");
    int marked = 0, plain = 0;
    GetTableCellColor(panel, COMPAREP_TABLE_COMPARE, 15, 3, &marked);
    GetTableCellColor(panel, COMPAREP_TABLE_COMPARE, 1, 3, &plain);
    EXPECT_NE(marked, VAL_TRANSPARENT);
    EXPECT_EQ(plain, VAL_TRANSPARENT);
    EXPECT_NE(GetCtrlText(panel, COMPAREP_TEXTMSG_COMPARE_STATUS).find("POWER CH0, HOLD"),
              std::string::npos);

    SimulateCtrlEvent(panel, COMPAREP_BUTTON_EEPROM_TO_RAM, EVENT_COMMIT);
    EXPECT_EQ(SensorRam(), eepromSet);
    EXPECT_EQ(GetCtrlText(panel, COMPAREP_TEXTMSG_COMPARE_STATUS), "All values agree.");
    const std::vector<ChangeRecord> log = Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].what, kChangeEepromToRam);
    EXPECT_EQ(log[0].serial, "4711");
    EXPECT_EQ(log[0].panel, "Line 3 left");
    EXPECT_EQ(log[0].program, "app");
    EXPECT_EQ(log[0].result, kChangeResultOk);
    EXPECT_EQ(log[0].changes, "POWER CH0 700->" + std::to_string(eepromSet[1]) + "; HOLD 125->" +
                                  std::to_string(eepromSet[14]));
    CloseCompareView();
}

TEST_F(CompareWithSensor, EveryWriteOfTheAppIsLoggedWithItsResult)
{
    // Parameters: the words changed against what RAM last reported.
    ASSERT_EQ(GetParaRecord(false, &Parameters, {}), 1);
    SetPanelValues();
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_POWER_CH0, 650);
    AppState.MemorySelect = kMemoryEeprom;
    SendPara();
    // The conversion table, its data and the offsets.
    ASSERT_EQ(SaveConvTableToEE(), 1);
    ASSERT_EQ(WriteOffsets(12, 34), 1);
    // A write that fails is logged as failed.
    sim::Fault refuse;
    refuse.errorArg = 1;
    sensor.setFault(frame::kOrderWriteRam, refuse);
    SetCtrlVal(P(), TABP_PARAM_NUMERIC_POWER_CH0, 640);
    SendPara();

    const std::vector<ChangeRecord> log = Log(); // newest first
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3].what, kChangeParameters);
    EXPECT_EQ(log[3].memory, "RAM+EEPROM");
    EXPECT_EQ(log[3].changes, "POWER CH0 700->650");
    EXPECT_EQ(log[3].result, kChangeResultOk);
    EXPECT_EQ(log[2].what, kChangeConvTable);
    EXPECT_EQ(log[2].changes.rfind("CRC32 ", 0), 0u);
    EXPECT_EQ(log[1].what, kChangeOffsets);
    EXPECT_EQ(log[1].changes, "CH0 12; CH1 34");
    EXPECT_EQ(log[0].changes, "POWER CH0 650->640");
    EXPECT_EQ(log[0].result, kChangeResultFailed);
}

TEST_F(CompareWithSensor, AFileIsComparedAndSentToRam)
{
    ParameterRecord inFile;
    inFile.PowerCh0 = 700;
    inFile.Hold = 125;
    inFile.DeadTime = 5;
    const std::string file = dir.filePath("set.ini").toStdString();
    ASSERT_GE(WriteParameterFile(inFile, file.c_str()), 0);

    ShowCompareView();
    const int panel = ComparePanel();
    responder.push(VAL_EXISTING_FILE_SELECTED, file);
    SimulateCtrlEvent(panel, COMPAREP_BUTTON_COMPARE_CHOOSE_FILE, EVENT_COMMIT);
    ASSERT_TRUE(ComparedSets().file);
    EXPECT_EQ(GetCtrlText(panel, COMPAREP_STRING_COMPARE_FILE), file);
    std::string text;
    GetTableCellText(panel, COMPAREP_TABLE_COMPARE, 25, 4, &text);
    EXPECT_EQ(text, "5 %");
    EXPECT_NE(GetCtrlText(panel, COMPAREP_TEXTMSG_COMPARE_STATUS).find("DEAD TIME"),
              std::string::npos);

    SimulateCtrlEvent(panel, COMPAREP_BUTTON_FILE_TO_RAM, EVENT_COMMIT);
    const std::vector<uint8_t> bytes = sim::PackParams(SensorRam());
    ExpectRecord(RecordFromBytes(bytes.data()), inFile);
    EXPECT_EQ(SensorEeprom(), eepromSet) << "the file goes to RAM only";
    const std::vector<ChangeRecord> log = Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].what, kChangeParameters);
    EXPECT_EQ(log[0].memory, "RAM");
    EXPECT_EQ(log[0].changes, "DEAD TIME 0->5");
    CloseCompareView();
}
