// The service password popup driven with real keystrokes: the two levels, wrong passwords, the
// close box and the field's limits; the service page's Close.
#include "common/harness.h"

#include "app/startup.h"
#include "platform/ui_testing.h"
#include "service/service.h"

#include <QLineEdit>
#include <QTest>

namespace {

const char kWrong[] = "Wrong password. \nPlease try again.";

class Password : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        InitPasswordCtrl(); // start-up does this
        SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, 0);
        SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);
    }
    QLineEdit *Field() const
    {
        return qobject_cast<QLineEdit *>(
            CtrlWidget(AppState.PasswordPanel, PASSWORDP_STRING_PASSWORD));
    }
    // Opens the popup the operator's way and types `text` followed by Enter.
    void Enter(const char *text)
    {
        if (!IsPanelVisible(AppState.PasswordPanel))
            SimulateCtrlEvent(AppState.TabParam, TABP_PARAM_DECORATION_PARA1,
                              EVENT_RIGHT_DOUBLE_CLICK);
        QTest::keyClicks(Field(), text);
        QTest::keyClick(Field(), Qt::Key_Return);
    }
    bool ServiceVisible() const
    {
        int v = 0;
        GetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, &v);
        return v != 0;
    }
    bool SecondLevel() const
    {
        int visible = 0, mode = 0;
        GetCtrlAttribute(AppState.TabService, TABP_SERVICE_BUTTON_SEND_SETTING_TIME_FACTOR,
                         ATTR_VISIBLE, &visible);
        GetCtrlAttribute(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR,
                         ATTR_CTRL_MODE, &mode);
        EXPECT_EQ(visible != 0, mode == VAL_HOT) << "button and field switch together";
        return visible != 0;
    }
};

} // namespace

TEST(ServiceLevel, ExactAndCaseSensitive)
{
    EXPECT_EQ(ServiceLevelOf("tarvek"), 1);
    EXPECT_EQ(ServiceLevelOf("tarvekall"), 2);
    for (const char *wrong : {"", "Tarvek", "TARVEK", "tarvek ", " tarvek", "tarve", "tarvekal",
                              "tarvekall ", "tarvekalll"})
        EXPECT_EQ(ServiceLevelOf(wrong), 0) << '"' << wrong << '"';
    EXPECT_EQ(ServiceLevelOf(nullptr), 0);
}

TEST_F(Password, DecorationOpensTheMaskedFieldEmpty)
{
    SetCtrlVal(AppState.PasswordPanel, PASSWORDP_STRING_PASSWORD, "left over");
    SimulateCtrlEvent(AppState.TabParam, TABP_PARAM_DECORATION_PARA1, EVENT_RIGHT_CLICK);
    EXPECT_FALSE(IsPanelVisible(AppState.PasswordPanel)) << "a single right click does not open";
    SimulateCtrlEvent(AppState.TabParam, TABP_PARAM_DECORATION_PARA1, EVENT_RIGHT_DOUBLE_CLICK);
    EXPECT_TRUE(IsPanelVisible(AppState.PasswordPanel));
    EXPECT_EQ(Field()->text(), "");
    QTest::keyClicks(Field(), "abcdefghijklmnopqrstu"); // 21 characters
    EXPECT_EQ(Field()->text(), "abcdefghijklmnopqrst");
    EXPECT_EQ(Field()->displayText(), QString(20, QChar('*')));
}

TEST_F(Password, WrongPasswordsAskAgain)
{
    for (const char *wrong : {"", "TARVEK", "tarvek "}) {
        responder.shown.clear();
        Enter(wrong);
        ASSERT_EQ(responder.shown.size(), 1u) << '"' << wrong << '"';
        EXPECT_EQ(responder.shown[0].title, "Message!");
        EXPECT_EQ(responder.shown[0].text, kWrong);
        EXPECT_TRUE(IsPanelVisible(AppState.PasswordPanel)) << "the popup stays for another try";
        EXPECT_EQ(Field()->text(), "") << "the field is cleared";
        EXPECT_FALSE(ServiceVisible());
    }
    // Still accepted after any number of tries.
    responder.shown.clear();
    Enter("tarvek");
    EXPECT_TRUE(responder.shown.empty());
    EXPECT_FALSE(IsPanelVisible(AppState.PasswordPanel));
    EXPECT_TRUE(ServiceVisible());
}

TEST_F(Password, EachUnlockSetsItsLevel)
{
    Enter("tarvek");
    EXPECT_TRUE(ServiceVisible());
    EXPECT_EQ(ActiveMainPage(), kPageService);
    EXPECT_FALSE(SecondLevel());

    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);
    Enter("tarvekall");
    EXPECT_EQ(ActiveMainPage(), kPageService);
    EXPECT_TRUE(SecondLevel());

    Enter("tarvek");
    EXPECT_FALSE(SecondLevel());
    EXPECT_TRUE(responder.shown.empty());
}

TEST_F(Password, CloseBoxUnlocksNothing)
{
    SimulateCtrlEvent(AppState.TabParam, TABP_PARAM_DECORATION_PARA1, EVENT_RIGHT_DOUBLE_CLICK);
    QTest::keyClicks(Field(), "tarvekall"); // typed, never confirmed
    PanelWidget(AppState.PasswordPanel)->close();
    Pump(20);
    EXPECT_FALSE(IsPanelVisible(AppState.PasswordPanel));
    EXPECT_FALSE(ServiceVisible());
    EXPECT_EQ(ActiveMainPage(), kPageParam);
    EXPECT_TRUE(responder.shown.empty());
}

TEST_F(Password, EscapeAndCancelUnlockNothingAndTheTextsFollowTheLanguage)
{
    for (int language : {1, 0}) {
        AppState.LanguageIndex = language;
        for (bool escape : {true, false}) {
            SimulateCtrlEvent(AppState.TabParam, TABP_PARAM_DECORATION_PARA1,
                              EVENT_RIGHT_DOUBLE_CLICK);
            ASSERT_TRUE(IsPanelVisible(AppState.PasswordPanel));
            EXPECT_EQ(GetCtrlText(AppState.PasswordPanel, PASSWORDP_BUTTON_CANCEL_PASSWORD),
                      language == 0 ? "Abbrechen" : "Cancel");
            QTest::keyClicks(Field(), "tarvekall"); // typed, never confirmed
            if (escape)
                QTest::keyClick(Field(), Qt::Key_Escape);
            else
                QTest::mouseClick(
                    CtrlWidget(AppState.PasswordPanel, PASSWORDP_BUTTON_CANCEL_PASSWORD),
                    Qt::LeftButton);
            Pump(20);
            EXPECT_FALSE(IsPanelVisible(AppState.PasswordPanel)) << "escape " << escape;
            EXPECT_FALSE(ServiceVisible());
            EXPECT_EQ(Field()->text().toStdString(), "") << "nothing typed stays behind";
        }
    }
    EXPECT_TRUE(responder.shown.empty());
}

TEST_F(Password, ClosedPageReturnsWithItsValues)
{
    Enter("tarvekall");
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH0, 33);
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, 2.5);
    SimulateCtrlEvent(AppState.TabService, TABP_SERVICE_BUTTON_CLOSE_OFFSET_COMPENSATION,
                      EVENT_COMMIT);
    EXPECT_FALSE(ServiceVisible());
    EXPECT_EQ(ActiveMainPage(), kPageParam);

    Enter("tarvek");
    EXPECT_TRUE(ServiceVisible());
    int ch0 = 0;
    double factor = 0;
    GetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH0, &ch0);
    GetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, &factor);
    EXPECT_EQ(ch0, 33);
    EXPECT_DOUBLE_EQ(factor, 2.5);
}
