// The change log window: the records of the settings folder's log, newest first, those of the
// connected sensor by default, every sensor's on ALL SENSORS, a failed write marked, the words
// in the current language.
#include "common/harness.h"

#include "app/appstate.h"
#include "app/changelog_view.h"
#include "app/language.h"
#include "platform/ui.h"
#include "support/changelog.h"

namespace {

class ChangeLogView : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        CopyField(AppState.SettingsPath, dir.filePath("PanelSettings.cfg").toUtf8().constData());
        add("2026-12-08 09:00:00", "4711", "PARAMETERS", "OK");
        add("2026-12-08 09:05:00", "815", "OFFSETS", "OK");
        add("2026-12-08 09:10:00", "4711", "CONVERSION DATA", "FAILED");
        AppState.SensorSerial = 4711;
    }
    void add(const char *time, const char *serial, const char *what, const char *result)
    {
        ChangeRecord r;
        r.time = time;
        r.program = "cli";
        r.serial = serial;
        r.what = what;
        r.memory = "EEPROM";
        r.result = result;
        ASSERT_TRUE(AppendChangeRecord(dir.filePath(kChangeLogFileName).toStdString(), r));
    }
    static std::string Cell(int row, int col)
    {
        std::string text;
        GetTableCellText(LogPanel(), CHANGELOGP_TABLE_LOG, row, col, &text);
        return text;
    }
    static int LogPanel() { return ChangeLogPanel(); }
    static int Rows()
    {
        int rows = 0;
        GetNumTableRows(LogPanel(), CHANGELOGP_TABLE_LOG, &rows);
        return rows;
    }
};

} // namespace

TEST_F(ChangeLogView, ShowsTheConnectedSensorFirstNewestOnTopAndEverySensorOnRequest)
{
    ShowChangeLogView();
    ASSERT_GT(LogPanel(), 0);
    EXPECT_EQ(GetCtrlText(LogPanel(), CHANGELOGP_STRING_LOG_SERIAL), "4711");
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(1, 1), "2026-12-08 09:10:00");
    EXPECT_EQ(Cell(1, 4), "CONVERSION DATA");
    EXPECT_EQ(Cell(1, 6), "FAILED");
    int failed = VAL_TRANSPARENT, ok = VAL_TRANSPARENT;
    GetTableCellColor(LogPanel(), CHANGELOGP_TABLE_LOG, 1, 6, &failed);
    GetTableCellColor(LogPanel(), CHANGELOGP_TABLE_LOG, 2, 6, &ok);
    EXPECT_NE(failed, VAL_TRANSPARENT);
    EXPECT_EQ(ok, VAL_TRANSPARENT);

    SimulateCtrlEvent(LogPanel(), CHANGELOGP_BUTTON_LOG_ALL, EVENT_COMMIT);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 2), "815");

    SetCtrlVal(LogPanel(), CHANGELOGP_STRING_LOG_SERIAL, "815");
    SimulateCtrlEvent(LogPanel(), CHANGELOGP_STRING_LOG_SERIAL, EVENT_COMMIT);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(1, 4), "OFFSETS");
    CloseChangeLogView();

    // In German the words of the records follow the language.
    AppState.LanguageIndex = 0;
    ShowChangeLogView();
    EXPECT_EQ(Cell(1, 4), "UMRECHNUNGSDATEN");
    EXPECT_EQ(Cell(1, 6), "FEHLGESCHLAGEN");
    EXPECT_EQ(GetCtrlLabel(LogPanel(), CHANGELOGP_BUTTON_LOG_ALL), "ALLE SENSOREN");
    CloseChangeLogView();
}
