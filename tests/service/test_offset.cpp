// The service page's transfers (order 100) against a scripted peer that records the exact
// request bytes, the factor conversion and the page's Close.
#include "common/harness.h"

#include "app/startup.h"
#include "service/service.h"

namespace {

class Offset : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        OpenTcp(peer.port());
    }
    void Answer(std::vector<uint8_t> frame) { peer.answerNext({{0, std::move(frame)}}); }
    int Field(int control) const
    {
        int v = -1;
        GetCtrlVal(AppState.TabService, control, &v);
        return v;
    }
    double Factor() const
    {
        double v = -1;
        GetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, &v);
        return v;
    }
    void Press(int control)
    {
        SimulateCtrlEvent(AppState.TabService, control, EVENT_COMMIT);
    }
    RawPeer peer;
};

} // namespace

TEST(SettingTimeFactor, TruncatedToTenths)
{
    struct Case {
        double factor;
        uint16_t word;
    } cases[] = {{0.99, 9}, {2.55, 25}, {2.5, 25}, {1.0, 10}, {0.0, 0},     {0.09, 0},
                 {6553.5, 65535}, {7000.0, 65535}, {-1.0, 0}, {0.3, 3}, {0.7, 7}};
    for (const Case &c : cases)
        EXPECT_EQ(SettingTimeFactorToWire(c.factor), c.word) << c.factor;
    // Every whole tenth survives the round trip.
    for (int w = 0; w <= 65535; ++w)
        ASSERT_EQ(SettingTimeFactorToWire(SettingTimeFactorFromWire(uint16_t(w))), w);
}

TEST_F(Offset, GetShowsOffsetsAndFactor)
{
    Answer(Frame(100, 0, {120, 0, 95, 0, 25, 0}));
    Press(TABP_SERVICE_BUTTON_GET_OFFSET);
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0], Frame(100, 0));
    EXPECT_EQ(Field(TABP_SERVICE_NUMERIC_OFFSET_CH0), 120);
    EXPECT_EQ(Field(TABP_SERVICE_NUMERIC_OFFSET_CH1), 95);
    EXPECT_DOUBLE_EQ(Factor(), 2.5);
    EXPECT_EQ(responder.shown.size(), 0u) << "no message on success";
    EXPECT_FALSE(Dimmed(AppState.TabService, TABP_SERVICE_BUTTON_GET_OFFSET));
}

TEST_F(Offset, FailedOrShortAnswerLeavesThePage)
{
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH0, 7);
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH1, 8);
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, 1.0);

    // Four bytes where six are needed: the factor would come from a stale buffer.
    Answer(Frame(100, 0, {120, 0, 95, 0}));
    EXPECT_EQ(GetOffset(), -1);
    EXPECT_NE(MessageBoxText().find("Received data frame is incorrect!"), std::string::npos);
    EXPECT_EQ(AppState.SensorConnected, 0);

    Answer(Frame(0, 1)); // error reply
    EXPECT_EQ(CalcOffset(), -1);
    EXPECT_EQ(Field(TABP_SERVICE_NUMERIC_OFFSET_CH0), 7);
    EXPECT_EQ(Field(TABP_SERVICE_NUMERIC_OFFSET_CH1), 8);
    EXPECT_DOUBLE_EQ(Factor(), 1.0);
}

TEST_F(Offset, CalculateAsksFirstAndLeavesTheFactor)
{
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, 1.5);

    responder.push(0); // No
    Press(TABP_SERVICE_BUTTON_CALC_OFFSET);
    Pump(50);
    EXPECT_TRUE(peer.requests.empty()) << "No sends nothing";
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].kind, PopupRequest::kConfirm);
    EXPECT_EQ(responder.shown[0].text, "Make sure, that the receiver of the sensor is covered! "
                                       "\nOffset value should be lower than 100!");

    // A longer answer than the four bytes used: its third word must not reach the factor.
    responder.push(1);
    Answer(Frame(100, 0, {42, 0, 0x2C, 0x01, 99, 0, 7, 7}));
    Press(TABP_SERVICE_BUTTON_CALC_OFFSET);
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0], Frame(100, 1));
    EXPECT_EQ(Field(TABP_SERVICE_NUMERIC_OFFSET_CH0), 42);
    EXPECT_EQ(Field(TABP_SERVICE_NUMERIC_OFFSET_CH1), 300);
    EXPECT_DOUBLE_EQ(Factor(), 1.5);
}

TEST_F(Offset, SendWritesTheFieldsAndTheFactor)
{
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH0, 300);
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH1, 65535);
    Answer(Frame(100, 0));
    Press(TABP_SERVICE_BUTTON_SEND_OFFSET);
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(peer.requests[0], Frame(100, 2, {0x2C, 0x01, 0xFF, 0xFF}));

    // The button is hidden at the first level, but the transfer is the same at any level.
    UnlockServicePage(2);
    for (auto [factor, word] : {std::pair{0.99, 9}, std::pair{2.55, 25}}) {
        SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, factor);
        EXPECT_DOUBLE_EQ(Factor(), factor) << "the field keeps hundredths";
        Answer(Frame(100, 0));
        peer.requests.clear();
        Press(TABP_SERVICE_BUTTON_SEND_SETTING_TIME_FACTOR);
        ASSERT_EQ(peer.requests.size(), 1u);
        EXPECT_EQ(peer.requests[0], Frame(100, 3, {uint8_t(word), 0})) << factor;
    }
    EXPECT_EQ(responder.shown.size(), 0u);
}
