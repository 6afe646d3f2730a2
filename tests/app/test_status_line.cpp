// The main window's status line and the reasons dimmed controls give: every operation leaves
// one line in the current language without stopping the operator, the line follows a language
// switch, and a control dimmed by the link's or the parameter pages' rules says why in its
// tooltip until it is undimmed.
#include "common/harness.h"

#include "app/language.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "convtable/convtable.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "params/rules.h"
#include "params/transfer.h"
#include "platform/ui_testing.h"
#include "service/service.h"
#include "sim/sim_runner.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QWidget>

#include <functional>

namespace {

class StatusLine : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(sensor.start());
        OpenTcp(sensor.tcpPort());
        AppState.SensorConnected = 1;
    }
    void UseLanguage(int index)
    {
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, index);
        InitLanguage();
    }
    std::string Path(const char *name) const { return (dir.path() + "/" + name).toStdString(); }
    static QString ToolTip(int panel, int control) { return CtrlWidget(panel, control)->toolTip(); }
    sim::SimRunner sensor;
};

struct Operation {
    const char *name;
    // Prepares the scripted answers and presses the control; `path` is a file it may write.
    std::function<void(ScriptedResponder &, const std::string &path)> press;
    const char *german; // what the line says after the time of day (the path follows)
    const char *english;
    bool withPath;
};

const Operation kOperations[] = {
    {"GET from EEPROM",
     [](ScriptedResponder &, const std::string &) {
         AppState.MemorySelect = kMemoryEeprom;
         CBF_ButtonGet(AppState.MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT, nullptr, 0, 0);
     },
     "Parameter aus dem EEPROM gelesen.", "Parameters read from the EEPROM.", false},
    {"SEND to FILE",
     [](ScriptedResponder &r, const std::string &path) {
         AppState.MemorySelect = kMemoryFile;
         r.push(VAL_NEW_FILE_SELECTED, path);
         CBF_ButtonSend(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT, nullptr, 0, 0);
     },
     "Parameter gespeichert:", "Parameters saved:", true},
    {"table file SAVE",
     [](ScriptedResponder &r, const std::string &path) {
         r.push(VAL_NEW_FILE_SELECTED, path);
         CBF_ButtonSaveConvTableToFile(AppState.TabConvTable, 0, EVENT_COMMIT, nullptr, 0, 0);
     },
     "Tabelle gespeichert:", "Table saved:", true},
    {"CALCULATE OFFSET",
     [](ScriptedResponder &r, const std::string &) {
         r.push(1); // the receiver is covered
         CBF_ButtonCalcOffset(AppState.TabService, TABP_SERVICE_BUTTON_CALC_OFFSET, EVENT_COMMIT,
                              nullptr, 0, 0);
     },
     "Offset berechnet (mit OFFSET SENDEN speichern): CH0 ",
     "Offset calculated (SEND OFFSET stores it): CH0 ", false},
};

TEST_F(StatusLine, OperationsThatShowNoPopupLeaveTheirLineInBothLanguages)
{
    const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d  ");
    for (const Operation &op : kOperations)
        for (int language : {0, 1}) {
            SCOPED_TRACE(std::string(op.name) + (language == 0 ? " German" : " English"));
            AppState.LanguageIndex = language;
            const std::string path =
                Path((std::to_string(&op - kOperations) + (language == 0 ? "de" : "en")).c_str());
            const int popupsBefore = responder.countOf(PopupRequest::kMessage);
            op.press(responder, path);
            const std::string line = StatusLineText();
            const QString text = QString::fromStdString(line);
            ASSERT_TRUE(time.match(text).hasMatch()) << line;
            std::string expected = language == 0 ? op.german : op.english;
            if (op.withPath)
                expected += " " + path;
            EXPECT_EQ(line.substr(10, expected.size()), expected);
            EXPECT_EQ(responder.countOf(PopupRequest::kMessage), popupsBefore)
                << "the operator is not stopped";
        }
}

TEST_F(StatusLine, FailuresLeaveTheirLineAndTheLineFollowsTheLanguage)
{
    // A file that cannot be written: the Part's popup stays, and the line says so too.
    AppState.MemorySelect = kMemoryFile;
    const std::string lost = Path("gone/p.ini");
    responder.push(VAL_NEW_FILE_SELECTED, lost);
    CBF_ButtonSend(AppState.MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(responder.countOf(PopupRequest::kMessage), 1);
    EXPECT_EQ(StatusLineText().substr(10), "File could not be saved! " + lost);

    // A link failure, through the one failure handler.
    sim::Fault bad;
    bad.badHeaderCrc = true;
    sensor.setFault(frame::kOrderReadRam, bad);
    AppState.MemorySelect = kMemoryRam;
    CBF_ButtonGet(AppState.MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT, nullptr, 0, 0);
    const std::string failure = StatusLineText().substr(10);
    EXPECT_EQ(failure.rfind("Link failure: ", 0), 0u) << failure;
    EXPECT_NE(failure.find("header", 0), std::string::npos) << failure;

    // The switch rewrites the line's own words; the failure's message stays as it came.
    QWidget *line = CtrlWidget(AppState.MainPanel, StatusLineControl());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->accessibleName(), "Status line");
    QAccessibleInterface *found = QAccessible::queryAccessibleInterface(line);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->text(QAccessible::Name), "Status line");
    EXPECT_TRUE(found->text(QAccessible::Value).contains("Link failure: "))
        << found->text(QAccessible::Value).toStdString();
    UseLanguage(0);
    EXPECT_EQ(StatusLineText().substr(10), "Verbindungsfehler: " + failure.substr(14));
    EXPECT_EQ(line->accessibleName(), "Statuszeile");
    EXPECT_NE(line->toolTip().toStdString().find("Datei konnte nicht gespeichert werden! " + lost),
              std::string::npos)
        << "earlier lines stay in the tooltip, in the new language";
    UseLanguage(1);
    EXPECT_EQ(line->accessibleName(), "Status line");
}

TEST_F(StatusLine, LinkControlsSayTheyWaitForConnectUntilItCame)
{
    const QString acceptTip = ToolTip(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT);
    const QString goTip = ToolTip(AppState.MainPanel, MAINP_BUTTON_GO);
    static_cast<QTabWidget *>(CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN))
        ->setCurrentIndex(kPageConnect);
    ASSERT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
    EXPECT_TRUE(ToolTip(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT)
                    .startsWith("Waits for CONNECT, which checks the settings on this page."));

    // A link failure dims the operation controls until the next connect, and they say so.
    sim::Fault bad;
    bad.badDataCrc = true;
    sensor.setFault(frame::kOrderReadRam, bad);
    CBF_ButtonGet(AppState.MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    EXPECT_EQ(ToolTip(AppState.MainPanel, MAINP_BUTTON_GO),
              "Waits for CONNECT: the link failed.\n\n" + goTip);
    QWidget *go = CtrlWidget(AppState.MainPanel, MAINP_BUTTON_GO);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(go)
                    ->text(QAccessible::Description)
                    .startsWith("Waits for CONNECT: the link failed."))
        << "what assistive technology reads";
    EXPECT_TRUE(ToolTip(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE)
                    .startsWith("Waits for CONNECT: the link failed."));
    UseLanguage(0);
    EXPECT_TRUE(ToolTip(AppState.MainPanel, MAINP_BUTTON_GO)
                    .startsWith("Wartet auf VERBINDEN: die Verbindung ist nach einem Fehler"));
    UseLanguage(1);

    sensor.clearFaults();
    UseDemoLink(sensor.tcpPort());
    CBF_ButtonTryToConnect(AppState.TabConnect, 0, EVENT_COMMIT, nullptr, 0, 0);
    ASSERT_EQ(AppState.SensorConnected, 1);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    EXPECT_EQ(ToolTip(AppState.MainPanel, MAINP_BUTTON_GO), goTip);
    EXPECT_FALSE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
    EXPECT_EQ(ToolTip(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT), acceptTip);
    EXPECT_EQ(StatusLineText().substr(10, 11), "Connected: ");
}

TEST_F(StatusLine, ParameterRulesSayWhyTheyDimAControl)
{
    const int page = AppState.TabParam;
    UseLanguage(0);
    const QString windowTip = ToolTip(page, TABP_PARAM_NUMERIC_DYNWIN_LO); // in German
    UseLanguage(1);
    SetCtrlVal(page, TABP_PARAM_RING_POWER_MODE, 0); // STATIC
    RunParameterRules();
    ASSERT_TRUE(Dimmed(page, TABP_PARAM_NUMERIC_DYNWIN_LO));
    EXPECT_TRUE(ToolTip(page, TABP_PARAM_NUMERIC_DYNWIN_LO)
                    .startsWith("Dimmed: used in POWER MODE DYNAMIC only."));
    UseLanguage(0);
    EXPECT_TRUE(ToolTip(page, TABP_PARAM_NUMERIC_DYNWIN_LO)
                    .startsWith("Gesperrt: wird nur im dynamischen Leistungsmodus verwendet."));

    SetCtrlVal(page, TABP_PARAM_RING_POWER_MODE, 1); // DYNAMIC
    RunParameterRules();
    EXPECT_FALSE(Dimmed(page, TABP_PARAM_NUMERIC_DYNWIN_LO));
    EXPECT_EQ(ToolTip(page, TABP_PARAM_NUMERIC_DYNWIN_LO), windowTip);
    ASSERT_TRUE(Dimmed(page, TABP_PARAM_NUMERIC_POWER_CH0));
    EXPECT_TRUE(ToolTip(page, TABP_PARAM_NUMERIC_POWER_CH0).startsWith("Gesperrt: im dynamischen"));

    // The scope page's trigger rules alike.
    const int scope = AppState.TabScope;
    SetCtrlVal(scope, TABP_SCOPE_RING_TRIGGER_MODE, 0); // SINGLE SHOT
    SimulateCtrlEvent(scope, TABP_SCOPE_RING_TRIGGER_MODE, EVENT_COMMIT);
    ASSERT_TRUE(Dimmed(scope, TABP_SCOPE_NUMERIC_PRE_TRIGGER));
    EXPECT_TRUE(
        ToolTip(scope, TABP_SCOPE_NUMERIC_PRE_TRIGGER).startsWith("Gesperrt: EINZELAUFNAHME"));
    UseLanguage(1);
    EXPECT_TRUE(ToolTip(scope, TABP_SCOPE_NUMERIC_PRE_TRIGGER).startsWith("Dimmed: SINGLE SHOT"));
}

} // namespace

namespace {

// A line longer than the field's rows (a German message with a path) is set smaller and shows
// whole; a short one after it has the field's own font again.
TEST_F(StatusLine, ALongLineIsSetSmallerAndShowsWhole)
{
    QPlainTextEdit *field = nullptr;
    for (auto *t : PanelWidget(AppState.MainPanel)->findChildren<QPlainTextEdit *>())
        if (t->property("fitsText").toBool())
            field = t;
    ASSERT_NE(field, nullptr);
    const double full = field->font().pointSizeF();
    const auto fits = [&] {
        const int margin = 2 * int(field->document()->documentMargin()) + 2 * field->frameWidth();
        const QRect room(0, 0, field->width() - margin, 1 << 20);
        return QFontMetrics(field->font())
                   .boundingRect(room, Qt::TextWordWrap, field->toPlainText())
                   .height() <= field->height() - margin;
    };
    ShowStatus({"Die Umrechnungstabelle konnte nicht in die Datei gespeichert werden: ",
                "The conversion table could not be saved to the file: "},
               "/home/operator/Dokumente/Sensoren/Linie4/Umrechnungstabelle.ini");
    EXPECT_LT(field->font().pointSizeF(), full);
    EXPECT_TRUE(fits());
    ShowStatus({"Gesendet.", "Sent."});
    EXPECT_DOUBLE_EQ(field->font().pointSizeF(), full);
}

} // namespace
