// Workflows of the recorder, conversion table, service and language, and the settings kept
// from one run of the program to the next.
#include "e2e_fixture.h"

#include "app/settings.h"
#include "app/startup.h"
#include "platform/ui_testing.h"
#include "live/data_frame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace {

const char kSaved[] = "File has been saved!";

size_t DataLines(const std::string &text)
{
    const std::string columns = "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n";
    const size_t at = text.find(columns);
    if (at == std::string::npos)
        return 0;
    size_t n = 0;
    for (size_t i = at + columns.size(); (i = text.find("\r\n", i)) != std::string::npos; i += 2)
        ++n;
    return n;
}

class More : public ConnectedEndToEnd {
protected:
    void StopRecordingWhen(const std::function<bool()> &enough)
    {
        During([&, enough] {
            if (AppState.AcquisitionRunning != 1 || !enough())
                return false;
            Click(AppState.TabRecorder, TABP_RECORDER_BUTTON_STOP_RECORD);
            return true;
        });
    }
};

} // namespace

TEST_F(More, RecordingInEveryMode)
{
    const int rec = AppState.TabRecorder;
    ShowPage(kPageRecorder);
    const std::string path = Path("series.dat");
    responder.push(VAL_NEW_FILE_SELECTED, path);
    Click(rec, TABP_RECORDER_BUTTON_SEL_REC_FILE);
    EXPECT_EQ(Text(rec, TABP_RECORDER_TEXTBOX_REC_FILE), path);
    EXPECT_EQ(Text(rec, TABP_RECORDER_STRING_REC_ID), "LINE-7");
    ASSERT_EQ(ReadFile(path).rfind("\nRecord results of: ORVANTE2 Scope V1.3\r\n", 0), 0u);

    // Mode 0: a counted number of frames at an interval.
    Choose(rec, TABP_RECORDER_RING_RECORD_MODE, 0);
    Type(rec, TABP_RECORDER_NUMERIC_INTERVAL, "0.25");
    Type(rec, TABP_RECORDER_NUMERIC_REC_VALUES, "3");
    EXPECT_DOUBLE_EQ(Real(rec, TABP_RECORDER_NUMERIC_REC_SECONDS), 0.75);
    sensor.clearLog();
    responder.push(1); // the right file
    Click(rec, TABP_RECORDER_BUTTON_START_RECORD);
    EXPECT_EQ(CountOf(8), 3u);
    EXPECT_EQ(DataLines(ReadFile(path)), 3u);
    EXPECT_EQ(Int(rec, TABP_RECORDER_NUMERIC_RECORDED_VALUES), 3);
    EXPECT_EQ(Int(rec, TABP_RECORDER_NUMERIC_REMAINING), 0);
    EXPECT_EQ(responder.shown.back().text, kSaved);

    // Mode 1: at the interval until STOP.
    Choose(rec, TABP_RECORDER_RING_RECORD_MODE, 1);
    EXPECT_TRUE(Shown(rec, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL));
    StopRecordingWhen([&] { return Real(rec, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL) >= 2; });
    responder.push(1);
    Click(rec, TABP_RECORDER_BUTTON_START_RECORD);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    const size_t afterUntilStop = DataLines(ReadFile(path));
    EXPECT_GE(afterUntilStop, 5u);
    EXPECT_EQ(double(afterUntilStop - 3), Real(rec, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL));

    // Mode 2: one line per click, from the latest frame.
    Choose(rec, TABP_RECORDER_RING_RECORD_MODE, 2);
    ASSERT_TRUE(Shown(rec, TABP_RECORDER_BUTTON_MANUAL_RECORD));
    Click(rec, TABP_RECORDER_BUTTON_MANUAL_RECORD);
    Click(rec, TABP_RECORDER_BUTTON_MANUAL_RECORD);
    EXPECT_EQ(DataLines(ReadFile(path)), afterUntilStop + 2);
    EXPECT_EQ(Int(rec, TABP_RECORDER_NUMERIC_RECORDED_VALUES), 2);

    // Mode 3: the frames the sensor sends by itself, until STOP; sending is switched off after.
    Choose(rec, TABP_RECORDER_RING_RECORD_MODE, 3);
    ASSERT_TRUE(Shown(rec, TABP_RECORDER_BUTTON_START_TRIG_REC));
    StopRecordingWhen([&] { return Real(rec, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL) >= 5; });
    responder.push(1);
    sensor.clearLog();
    Click(rec, TABP_RECORDER_BUTTON_START_TRIG_REC);
    const double triggered = Real(rec, TABP_RECORDER_NUMERIC_RECORDED_VALUES_REAL);
    EXPECT_GE(triggered, 5.0);
    EXPECT_EQ(double(DataLines(ReadFile(path)) - afterUntilStop - 2), triggered)
        << "every frame the sensor sent became a line";
    EXPECT_GE(CountOf(30), 2u) << "sending switched on and off";
    bool sending = true;
    sensor.withModel([&](sim::SensorModel &m) { sending = m.autoSending(); });
    EXPECT_FALSE(sending);

    // The graph panel shows what was recorded.
    Click(rec, TABP_RECORDER_BUTTON_SHOW_GRAPH);
    EXPECT_TRUE(PanelShown(AppState.GraphPanel));
    EXPECT_GT(PointsOn(AppState.GraphPanel, GRAPHP_GRAPH_CH0), 0u);
}

TEST_F(More, ConversionTableFromAssignToConversionDataInTheSensor)
{
    // A live value to assign.
    DataFrame = {};
    sensor.clearLog();
    During([this] {
        if (AppState.AcquisitionRunning != 1 || CountOf(8) < 3)
            return false;
        Key(Qt::Key_F12);
        return true;
    });
    ShowPage(kPageConvTable);
    EXPECT_TRUE(PanelShown(AppState.ConvPanel));
    // F11 clicks GO the way a shortcut does, with the button shown pressed for a moment first.
    Key(Qt::Key_F11);
    ASSERT_TRUE(WaitUntil([this] { return CountOf(8) >= 3 && AppState.AcquisitionRunning == 0; }));
    ASSERT_GE(CountOf(8), 3u);
    const int sig = DataFrame.Sig;
    ASSERT_GT(sig, 0);
    ASSERT_LT(sig, 4095);
    EXPECT_EQ(Int(AppState.TabConvTable, TABP_CONVTABLE_NUMERIC_SIG), sig);

    // Row 2: the current signal as ACTUAL VALUE, a typed SETVALUE.
    auto *table = qobject_cast<QTableWidget *>(
        CtrlWidget(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV));
    ASSERT_NE(table, nullptr);
    table->setFocus();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualItemRect(table->item(1, 0)).center());
    Click(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_ASSIGN);
    int cell = 0;
    GetTableCellVal(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV, 2, 1, &cell);
    EXPECT_EQ(cell, sig);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualItemRect(table->item(1, 1)).center());
    table->editItem(table->item(1, 1)); // as the double click does
    QWidget *editor = table->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "3000");
    QTest::keyClick(editor, Qt::Key_Return);
    WaitUntil([] { return false; }, 20);
    GetTableCellVal(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV, 2, 2, &cell);
    ASSERT_EQ(cell, 3000);

    // Saved to a file and into the sensor's EEPROM.
    responder.push(VAL_NEW_FILE_SELECTED, Path("conv.ini"));
    Click(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_FILE);
    EXPECT_NE(ReadFile(Path("conv.ini")).find(std::to_string(sig)), std::string::npos);
    sensor.clearLog();
    Click(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_EE);
    EXPECT_EQ(responder.shown.back().text, "Conversion table was saved to EE.");
    sim::ConvTable inSensor{};
    sensor.withModel([&](sim::SensorModel &m) { inSensor = m.convTable(); });
    EXPECT_EQ(inSensor[1].actual, sig);
    EXPECT_EQ(inSensor[1].set, 3000);

    // Calculated, drawn and written as conversion data.
    Click(AppState.ConvPanel, CONVP_BUTTON_CALC_CONV_DATA);
    EXPECT_EQ(responder.shown.back().text,
              "Calculation successful. \nConversion data can be saved to EEPROM of sensor.");
    EXPECT_GT(PointsOn(AppState.ConvPanel, CONVP_GRAPH_CONV), 3u);
    sensor.clearLog();
    Click(AppState.ConvPanel, CONVP_BUTTON_SAVE_CONV_DATA_TO_EE);
    EXPECT_EQ(responder.shown.back().text, "Conversion data were saved to EE.");
    EXPECT_EQ(CountOf(180), 4u);
    EXPECT_EQ(CountOf(182), 4u);
    sim::ConvData data{};
    sensor.withModel([&](sim::SensorModel &m) { data = m.convData(); });
    EXPECT_NE(data, sim::DefaultConvData());
    // Below the assigned point the curve rises to it: a signal of sig/2 gives more than sig/2.
    EXPECT_GT(data[size_t(sig / 8)], 0);
}

TEST_F(More, ServiceUnlockOffsetsAndHardwareInformationFile)
{
    int visible = 1;
    GetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, &visible);
    ASSERT_EQ(visible, 0);
    sensor.withModel([](sim::SensorModel &m) { m.setOffsets(17, 23); });

    // A right double click on the transmitter group opens the password popup.
    QWidget *group = CtrlWidget(AppState.TabParam, TABP_PARAM_DECORATION_PARA1);
    QTest::mouseDClick(group, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_TRUE(IsPanelVisible(AppState.PasswordPanel));
    auto *field = qobject_cast<QLineEdit *>(
        CtrlWidget(AppState.PasswordPanel, PASSWORDP_STRING_PASSWORD));
    QTest::keyClicks(field, "tarvekall");
    EXPECT_EQ(field->displayText().toStdString(), "*********");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_FALSE(IsPanelVisible(AppState.PasswordPanel));
    EXPECT_EQ(ActivePage(), kPageService);
    EXPECT_TRUE(Shown(AppState.TabService, TABP_SERVICE_BUTTON_SEND_SETTING_TIME_FACTOR));

    const int svc = AppState.TabService;
    sensor.clearLog();
    Click(svc, TABP_SERVICE_BUTTON_GET_OFFSET);
    EXPECT_EQ(Int(svc, TABP_SERVICE_NUMERIC_OFFSET_CH0), 17);
    EXPECT_EQ(Int(svc, TABP_SERVICE_NUMERIC_OFFSET_CH1), 23);
    Type(svc, TABP_SERVICE_NUMERIC_OFFSET_CH0, "31");
    Type(svc, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, "2.5");
    Click(svc, TABP_SERVICE_BUTTON_SEND_OFFSET);
    Click(svc, TABP_SERVICE_BUTTON_SEND_SETTING_TIME_FACTOR);
    std::array<uint16_t, 2> offsets{};
    uint16_t factor = 0;
    sensor.withModel([&](sim::SensorModel &m) {
        offsets = m.offsets();
        factor = m.settingTimeFactor10();
    });
    EXPECT_EQ(offsets, (std::array<uint16_t, 2>{31, 23}));
    EXPECT_EQ(factor, 25);
    EXPECT_EQ(CountOf(100), 3u);
    // The sensor measures its offsets after the operator confirmed the receiver is covered.
    responder.push(1);
    Click(svc, TABP_SERVICE_BUTTON_CALC_OFFSET);
    EXPECT_EQ(CountOf(100), 4u);
    EXPECT_EQ(MessageBox().find("TIMEOUT"), std::string::npos) << MessageBox();

    Click(svc, TABP_SERVICE_BUTTON_CLOSE_OFFSET_COMPENSATION);
    EXPECT_EQ(ActivePage(), kPageParam);
    GetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, &visible);
    EXPECT_EQ(visible, 0);

    // The hardware information file, from the connect page after a new connection.
    ShowPage(kPageConnect);
    Click(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT);
    ASSERT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE));
    const std::string path = Path("support.ini");
    responder.push(VAL_NEW_FILE_SELECTED, path);
    sensor.clearLog();
    Click(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE);
    EXPECT_NE(MessageBox().find(std::string(kSaved) + "\n" + path), std::string::npos);
    EXPECT_EQ(Orders(), (std::vector<int>{2, 100, 194}));
    const std::string file = ReadFile(path);
    EXPECT_NE(file.find("Hardware Initial File"), std::string::npos);
    EXPECT_NE(file.find("OFFSET CH0 = 31"), std::string::npos) << file;
}

TEST_F(More, LanguageSwitchRelabelsThePagesAndTheMessages)
{
    ShowPage(kPageConnect);
    const int c = AppState.TabConnect;
    Choose(c, TABP_CONNECT_RING_LANGUAGE, 0);
    EXPECT_EQ(AppState.LanguageIndex, 0);
    auto text = [](int panel, int control) {
        return qobject_cast<QAbstractButton *>(CtrlWidget(panel, control))->text().toStdString();
    };
    EXPECT_EQ(text(c, TABP_CONNECT_BUTTON_TRY_TO_CONNECT), "VERBINDEN");
    // The program's own texts follow: the next message comes in German.
    Click(AppState.MainPanel, MAINP_BUTTON_GO, Qt::RightButton);
    ASSERT_FALSE(responder.shown.empty());
    EXPECT_EQ(responder.shown.back().title, "Info!");
    Choose(c, TABP_CONNECT_RING_LANGUAGE, 1);
    EXPECT_EQ(text(c, TABP_CONNECT_BUTTON_TRY_TO_CONNECT), "CONNECT");
    Click(AppState.MainPanel, MAINP_BUTTON_GO, Qt::RightButton);
    EXPECT_EQ(responder.shown.back().title, "Message!");
}

TEST_F(EndToEnd, ClosingStoresTheSettingsAndTheNextStartRestoresThem)
{
    WriteSettings();
    // First run, through the program's own entry: change what the operator changes, close.
    bool acted = false;
    During([&] {
        if (AppState.MainPanel <= 0 || AppState.SensorConnected != 1 ||
            !PanelWidget(AppState.MainPanel)->isVisible() ||
            Dimmed(AppState.MainPanel, MAINP_BUTTON_GO))
            return false; // start-up still connecting
        acted = true;
        ShowPage(kPageConnect);
        Type(AppState.TabConnect, TABP_CONNECT_STRING_ID, "BENCH-3");
        Choose(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, 0);
        SetPanelPos(AppState.MainPanel, 40, 60);
        CloseWindow();
        return true;
    });
    StartOptions options;
    options.settingsDir = dir.path().toStdString();
    EXPECT_EQ(RunApplication(options), 0);
    ASSERT_TRUE(acted);
    const std::string stored = ReadFile(SettingsFilePath(dir.path().toStdString()));
    EXPECT_NE(stored.find("PANEL ID: = \"BENCH-3\""), std::string::npos) << stored;
    EXPECT_NE(stored.find("LANGUAGE = 0"), std::string::npos);
    EXPECT_EQ(AppState.MainPanel, 0) << "the panels are gone";

    // Second run: the same settings come back before the first connection attempt.
    ASSERT_EQ(InitUserInterfaceLayer(), 0);
    AppState = AppStateRec{};
    closed = false;
    sensor.clearLog();
    StartProgram();
    EXPECT_EQ(AppState.SensorConnected, 1);
    EXPECT_EQ(Text(AppState.TabConnect, TABP_CONNECT_STRING_ID), "BENCH-3");
    EXPECT_EQ(Text(AppState.TabRecorder, TABP_RECORDER_STRING_REC_ID), "BENCH-3");
    EXPECT_EQ(AppState.LanguageIndex, 0);
    EXPECT_EQ(qobject_cast<QAbstractButton *>(
                  CtrlWidget(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT))
                  ->text()
                  .toStdString(),
              "VERBINDEN");
    EXPECT_EQ(MessageBox().rfind("Verbindungsversuch", 0) == 0 ||
                  MessageBox().find("ORVANTE2 V1.3") != std::string::npos,
              true)
        << MessageBox();
    EXPECT_EQ(Orders(), (std::vector<int>{7, 15, 2}));
}
