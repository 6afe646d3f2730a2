// The parameter rules as the operator meets them: an edit on the parameter or threshold page
// commits, the rules force values, hide and dim controls and warn.
#include "params_fixture.h"

#include "app/startup.h"
#include "platform/ui_testing.h"
#include "params/controls.h"

#include <QTest>

#include <set>

namespace {

const std::string kGainWarning = "ATTENTION! \n\nIf AMP1234, AMP5678, AMP1357 or AMP2468 is "
                                 "selected, \nIN0 and IN1 can not be used for anything else. \n\n";

class Rules : public ParamsTest {
protected:
    // The operator picks `value` in a control: it takes the value, then commits.
    static void Edit(int panel, int control, int value)
    {
        SetCtrlVal(panel, control, value);
        SimulateCtrlEvent(panel, control, EVENT_COMMIT);
    }
    static void Set(int panel, int control, int value) { SetCtrlVal(panel, control, value); }
    static bool ThresholdPageShown()
    {
        int v = 0;
        GetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, 2, &v);
        return v != 0;
    }
};

} // namespace

TEST_F(Rules, PanelFilesStartInTheStateTheRulesGiveTheDefaults)
{
    const auto state = [&] {
        return std::vector<bool>{Visible(P(), TABP_PARAM_RING_ANALOG_RANGE),
                                 Visible(P(), TABP_PARAM_RING_ANALOG_OUT),
                                 Dimmed(P(), TABP_PARAM_NUMERIC_DYNWIN_LO),
                                 Dimmed(P(), TABP_PARAM_NUMERIC_POWER_CH0),
                                 Dimmed(T(), TABP_THRESHOLD_NUMERIC_TT_UP),
                                 Dimmed(T(), TABP_THRESHOLD_BUTTON_TEACH),
                                 Visible(AppState.DataPanel, DATAP_NUMERIC_MAX),
                                 ThresholdPageShown()};
    };
    EXPECT_EQ(state(), (std::vector<bool>{false, false, true, false, true, false, false, true}));
    InitPanelCtrlAttr();
    EXPECT_EQ(state(), (std::vector<bool>{false, false, true, false, true, false, false, true}));
    EXPECT_TRUE(responder.shown.empty());
}

TEST_F(Rules, GainSetsFreeTheInputsAndWarnOnlyWhereItMatters)
{
    // Analog output off: MIN-MAX becomes FULL without a word.
    Set(P(), TABP_PARAM_RING_ANALOG_RANGE, 1);
    Edit(P(), TABP_PARAM_RING_GAIN, 8);
    EXPECT_EQ(Val(P(), TABP_PARAM_RING_ANALOG_RANGE), 1) << "a single stage forces nothing";
    Edit(P(), TABP_PARAM_RING_GAIN, 9);
    EXPECT_EQ(Val(P(), TABP_PARAM_RING_ANALOG_RANGE), 0);
    EXPECT_TRUE(responder.shown.empty());

    // Digital output off: EXTERN TEACH MAX becomes OFF without a word.
    Set(P(), TABP_PARAM_RING_DIGITAL_OUTMODE, 0);
    Set(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 3);
    Edit(P(), TABP_PARAM_RING_GAIN, 11);
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_RING_EXTERN_TEACH), 0);
    EXPECT_TRUE(responder.shown.empty());
}

TEST_F(Rules, GainSetAnnouncesAllThreeChangesInOnePopup)
{
    Set(P(), TABP_PARAM_RING_ANALOG_OUTMODE, 1);
    Set(P(), TABP_PARAM_RING_ANALOG_RANGE, 1);
    Set(P(), TABP_PARAM_RING_ANALOG_OUT, 1);
    Set(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 1);
    Edit(P(), TABP_PARAM_RING_GAIN, 12);
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].title, "Message!");
    EXPECT_EQ(responder.shown[0].text, kGainWarning + "ANALOG RANGE will be set to FULL.\n"
                                                      "ANALOG OUT will be set to CONT.\n"
                                                      "EXTERN TEACH will be set to OFF.\n");
    EXPECT_EQ(Val(P(), TABP_PARAM_RING_ANALOG_RANGE), 0);
    EXPECT_EQ(Val(P(), TABP_PARAM_RING_ANALOG_OUT), 0);
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_RING_EXTERN_TEACH), 0);
    EXPECT_FALSE(Dimmed(T(), TABP_THRESHOLD_BUTTON_TEACH)) << "the later rules saw OFF";
}

TEST_F(Rules, GainSetClearsDyn1BeforeThePowerRuleSeesIt)
{
    Set(P(), TABP_PARAM_RING_POWER_SOURCE, 6);
    Set(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 2);
    Edit(P(), TABP_PARAM_RING_GAIN, 9);
    ASSERT_EQ(responder.shown.size(), 1u) << "no DYN popup after the gain warning";
    EXPECT_EQ(responder.shown[0].text, kGainWarning + "EXTERN TEACH will be set to OFF.\n");
}

TEST_F(Rules, PowerOffWithDyn1WarnsAndSwitchesTheTransmitterOff)
{
    Set(P(), TABP_PARAM_RING_POWER_MODE, 1);
    Set(P(), TABP_PARAM_RING_LED_MODE, 1);
    Set(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 2);
    Edit(P(), TABP_PARAM_RING_POWER_SOURCE, 6);
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].text,
              "ATTENTION! \n\nEXTERN TEACH = DYN is not \npossible when POWER SOURCE = OFF. "
              "\nEXTERN TEACH is set to OFF.");
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_RING_EXTERN_TEACH), 0);
    EXPECT_EQ(Parameters.ExternTeach, 0) << "also in the record";
    for (int c : {TABP_PARAM_RING_POWER_MODE, TABP_PARAM_NUMERIC_POWER_CH0,
                  TABP_PARAM_NUMERIC_POWER_CH1, TABP_PARAM_RING_LED_MODE})
        EXPECT_EQ(Val(P(), c), 0) << c;
    EXPECT_EQ(Parameters.PowerCh0, 500) << "other forced values reach the record with SEND";
    for (int c : {TABP_PARAM_NUMERIC_POWER_CH0, TABP_PARAM_NUMERIC_POWER_CH1,
                  TABP_PARAM_NUMERIC_DYNWIN_LO, TABP_PARAM_NUMERIC_DYNWIN_HI})
        EXPECT_FALSE(Visible(P(), c)) << c;
    EXPECT_TRUE(Dimmed(P(), TABP_PARAM_RING_POWER_MODE));

    Edit(P(), TABP_PARAM_RING_POWER_SOURCE, 4); // one transmitter at CH0
    EXPECT_TRUE(Visible(P(), TABP_PARAM_NUMERIC_POWER_CH0));
    EXPECT_FALSE(Visible(P(), TABP_PARAM_NUMERIC_POWER_CH1));
    EXPECT_FALSE(Dimmed(P(), TABP_PARAM_RING_POWER_MODE));
    EXPECT_TRUE(Dimmed(P(), TABP_PARAM_NUMERIC_DYNWIN_LO)) << "POWER MODE is STATIC now";
    EXPECT_EQ(responder.shown.size(), 1u);
}

TEST_F(Rules, AlternatingSourcesForceAcAndDimByPowerMode)
{
    Set(P(), TABP_PARAM_RING_POWER_MODE, 1);
    Edit(P(), TABP_PARAM_RING_POWER_SOURCE, 3);
    EXPECT_FALSE(Dimmed(P(), TABP_PARAM_NUMERIC_POWER_CH0));
    EXPECT_FALSE(Dimmed(P(), TABP_PARAM_NUMERIC_POWER_CH1));
    EXPECT_TRUE(Dimmed(P(), TABP_PARAM_NUMERIC_INTEGRAL));
    EXPECT_EQ(Val(P(), TABP_PARAM_RING_LED_MODE), 1);
    EXPECT_TRUE(Dimmed(P(), TABP_PARAM_RING_LED_MODE));

    Set(P(), TABP_PARAM_RING_LED_MODE, 0);
    Edit(P(), TABP_PARAM_RING_POWER_SOURCE, 1);
    EXPECT_TRUE(Dimmed(P(), TABP_PARAM_NUMERIC_POWER_CH0));
    EXPECT_FALSE(Dimmed(P(), TABP_PARAM_NUMERIC_INTEGRAL));
    EXPECT_EQ(Val(P(), TABP_PARAM_RING_LED_MODE), 1);
    EXPECT_TRUE(Dimmed(P(), TABP_PARAM_RING_LED_MODE));
}

TEST_F(Rules, DigitalOutputOffHidesTheThresholdFunction)
{
    Set(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 2);
    Edit(P(), TABP_PARAM_RING_DIGITAL_OUTMODE, 0);
    EXPECT_FALSE(ThresholdPageShown());
    EXPECT_FALSE(Visible(P(), TABP_PARAM_NUMERIC_HOLD));
    EXPECT_FALSE(Visible(P(), TABP_PARAM_TEXTMSG_HOLD)) << "captions go with their controls";
    EXPECT_FALSE(Visible(P(), TABP_PARAM_NUMERIC_DEAD_TIME));
    EXPECT_FALSE(Visible(AppState.DataPanel, DATAP_NUMERIC_REF));
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_RING_EXTERN_TEACH), 0);
    EXPECT_TRUE(responder.shown.empty());

    Set(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 1);
    Edit(P(), TABP_PARAM_RING_DIGITAL_OUTMODE, 0);
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_RING_EXTERN_TEACH), 1) << "DIRECT stays";
    // With the digital output on, DYN1 is a choice the rule leaves alone.
    for (int outmode : {1, 2}) {
        Set(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 2);
        Edit(P(), TABP_PARAM_RING_DIGITAL_OUTMODE, outmode);
        EXPECT_EQ(Val(T(), TABP_THRESHOLD_RING_EXTERN_TEACH), 2) << "outmode " << outmode;
    }
    Set(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 1);
    Edit(P(), TABP_PARAM_RING_DIGITAL_OUTMODE, 2);
    EXPECT_TRUE(ThresholdPageShown());
    EXPECT_TRUE(Visible(P(), TABP_PARAM_NUMERIC_DEAD_TIME));
    EXPECT_TRUE(Visible(AppState.DataPanel, DATAP_NUMERIC_REF));
}

TEST_F(Rules, AnalogOutputChoosesItsControlsAndDisplays)
{
    const auto shown = [&] {
        return std::vector<bool>{Visible(P(), TABP_PARAM_RING_ANALOG_RANGE),
                                 Visible(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE),
                                 Visible(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_CURRENT),
                                 Visible(AppState.DataPanel, DATAP_NUMERIC_MAX)};
    };
    Edit(P(), TABP_PARAM_RING_ANALOG_OUTMODE, 1);
    EXPECT_EQ(shown(), (std::vector<bool>{true, true, false, false}));
    Edit(P(), TABP_PARAM_RING_ANALOG_RANGE, 1);
    EXPECT_EQ(shown(), (std::vector<bool>{true, true, false, true}));
    Edit(P(), TABP_PARAM_RING_ANALOG_OUTMODE, 2);
    EXPECT_EQ(shown(), (std::vector<bool>{true, false, true, true}));
    Edit(P(), TABP_PARAM_RING_ANALOG_OUTMODE, 0);
    EXPECT_EQ(shown(), (std::vector<bool>{false, false, false, false}));
    Edit(T(), TABP_THRESHOLD_RING_EXTERN_TEACH, 5); // min/max detection for the teach
    EXPECT_TRUE(Visible(AppState.DataPanel, DATAP_NUMERIC_MIN));
}

TEST_F(Rules, TracingEnablesItsDelaysAndTakesRefFromTheSensor)
{
    Edit(T(), TABP_THRESHOLD_RING_THRESHOLD_TRACING, 1);
    EXPECT_FALSE(Dimmed(T(), TABP_THRESHOLD_NUMERIC_TT_UP));
    EXPECT_FALSE(Dimmed(T(), TABP_THRESHOLD_NUMERIC_TT_DOWN));
    EXPECT_TRUE(Dimmed(T(), TABP_THRESHOLD_NUMERIC_TEACH_VALUE));
    EXPECT_TRUE(Dimmed(T(), TABP_THRESHOLD_BUTTON_TEACH));
    Edit(T(), TABP_THRESHOLD_RING_THRESHOLD_TRACING, 0);
    EXPECT_TRUE(Dimmed(T(), TABP_THRESHOLD_NUMERIC_TT_UP));
    EXPECT_FALSE(Dimmed(T(), TABP_THRESHOLD_BUTTON_TEACH));
}

TEST_F(Rules, TeachTakesTheLatestSignal)
{
    QTest::mouseClick(CtrlWidget(T(), TABP_THRESHOLD_BUTTON_TEACH), Qt::LeftButton);
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_NUMERIC_TEACH_VALUE), 0) << "no frame yet";
    DataFrame.Sig = 1234;
    QTest::mouseClick(CtrlWidget(T(), TABP_THRESHOLD_BUTTON_TEACH), Qt::LeftButton);
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_NUMERIC_TEACH_VALUE), 1234);
    EXPECT_EQ(Parameters.TeachValue, 2000) << "SEND takes it to the record and the sensor";
}

// A right click on any control of both pages shows that control's help and runs nothing else.
TEST_F(Rules, EveryControlExplainsItself)
{
    Set(P(), TABP_PARAM_RING_GAIN, 9); // would make the rules act
    Set(P(), TABP_PARAM_RING_ANALOG_RANGE, 1);
    DataFrame.Sig = 99;
    // Dimmed controls take no mouse events at all.
    for (const ParamControl &c : kParamControls)
        SetCtrlAttribute(AppState.*c.page, c.control, ATTR_DIMMED, 0);
    std::vector<std::pair<int, int>> controls;
    for (const ParamControl &c : kParamControls)
        controls.emplace_back(AppState.*c.page, c.control);
    controls.emplace_back(T(), TABP_THRESHOLD_BUTTON_TEACH);
    std::set<std::string> texts;
    for (const auto &[panel, control] : controls) {
        responder.shown.clear();
        QTest::mouseClick(CtrlWidget(panel, control), Qt::RightButton);
        ASSERT_EQ(responder.shown.size(), 1u) << control;
        EXPECT_EQ(responder.shown[0].title, "Message!");
        texts.insert(responder.shown[0].text);
    }
    EXPECT_EQ(texts.size(), controls.size() - 2) << "POWER CH0/CH1 and DYNWIN LO/HI share theirs";
    EXPECT_EQ(Val(P(), TABP_PARAM_RING_ANALOG_RANGE), 1);
    EXPECT_EQ(Val(T(), TABP_THRESHOLD_NUMERIC_TEACH_VALUE), 2000);
    AppState.LanguageIndex = 0;
    QTest::mouseClick(CtrlWidget(P(), TABP_PARAM_RING_GAIN), Qt::RightButton);
    EXPECT_EQ(responder.shown.back().text.rfind("Verstaerkerstufe des Empfaengers waehlen.", 0),
              0u);
}
