// The table and the conversion data between the page and the sensor's EEPROM: against the
// simulated sensor, and against a scripted peer where a transfer must fail half-way.
#include "common/harness.h"

#include "convtable/convtable.h"
#include "link/exchange.h"
#include "sim/sim_runner.h"

#include <algorithm>
#include <cmath>

namespace {

std::string En(const Msg &m)
{
    return m.en;
}

class ConvTransferBase : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        InitConvTable();
        std::fill(std::begin(ConvData), std::end(ConvData), 0.0);
        ConvDataValid = 0;
    }
    static void Press(int panel, int control) { SimulateCtrlEvent(panel, control, EVENT_COMMIT); }
    static void SaveData() { Press(AppState.ConvPanel, CONVP_BUTTON_SAVE_CONV_DATA_TO_EE); }
    static void Cell(int row, int col, int value)
    {
        SetTableCellVal(AppState.TabConvTable, TABP_CONVTABLE_TABLE_CONV, row, col, value);
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> t;
        for (const PopupRequest &r : responder.shown)
            t.push_back(r.text);
        return t;
    }
};

class ConvTransfer : public ConvTransferBase {
protected:
    void SetUp() override
    {
        ConvTransferBase::SetUp();
        ASSERT_TRUE(sensor.start());
        OpenTcp(sensor.tcpPort());
        AppState.SensorConnected = 1;
    }
    std::vector<int> Orders()
    {
        std::vector<int> orders;
        for (const auto &f : sensor.receivedFrames())
            orders.push_back(f.size() > 1 ? f[1] : -1);
        return orders;
    }
    sim::ConvData StoredData()
    {
        sim::ConvData d{};
        sensor.withModel([&](sim::SensorModel &m) { d = m.convData(); });
        return d;
    }
    sim::SimRunner sensor;
};

// The value the sensor should hold for signal s, worked out from the points directly:
// the line through the two neighbouring points, scaled so that the largest SETVALUE is 4095.
int Expected(const std::vector<std::pair<int, int>> &points, int s, double max)
{
    for (size_t i = 1; i < points.size(); ++i) {
        const auto [x0, y0] = points[i - 1];
        const auto [x1, y1] = points[i];
        if (s <= x1) {
            const double v = y0 + double(y1 - y0) * (s - x0) / (x1 - x0);
            return int(std::trunc(v * 4095.0 / max));
        }
    }
    return -99999;
}

} // namespace

TEST_F(ConvTransfer, DefaultTableReachesTheSensorAsTheStraightLine)
{
    sensor.withModel([](sim::SensorModel &m) { m.setConvData({}); });
    SaveData();
    EXPECT_EQ(Texts(), std::vector<std::string>{En(kMsgConvDataSaved)});
    EXPECT_EQ(Orders(), (std::vector<int>{180, 182, 180, 182, 180, 182, 180, 182}));
    const auto frames = sensor.receivedFrames();
    const uint16_t addresses[] = {0x1A00, 0x1A00, 0x1B00, 0x1B00, 0x1C00, 0x1C00, 0x1D00, 0x1D00};
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frame::GetU16(frames[i].data() + 2), addresses[i]) << i;
        EXPECT_EQ(frames[i].size(), i % 2 ? 8u + 512u : 8u) << i;
    }
    const sim::ConvData d = StoredData();
    for (int k = 0; k < kConvSentEntries; ++k)
        ASSERT_TRUE(d[size_t(k)] == 4 * k || d[size_t(k)] == 4 * k - 1)
            << k << ": " << d[size_t(k)];
    EXPECT_FALSE(Dimmed(AppState.ConvPanel, CONVP_BUTTON_SAVE_CONV_DATA_TO_EE));
}

TEST_F(ConvTransfer, ShapedTableMatchesValuesWorkedOutIndependently)
{
    // Rows out of order, a disabled and an ignored row among them.
    const std::vector<std::pair<int, int>> points = {
        {0, 500}, {800, 2000}, {1600, 9500}, {3000, 6000}, {4095, 9000}};
    Cell(64, 1, 4095);
    Cell(64, 2, 9000);
    Cell(1, 2, 500);
    Cell(20, 1, 3000);
    Cell(20, 2, 6000);
    Cell(7, 1, 1600);
    Cell(7, 2, 9500);
    Cell(33, 1, 800);
    Cell(33, 2, 2000);
    Cell(2, 1, -1);
    Cell(2, 2, -5);
    Cell(3, 1, -3);
    Cell(3, 2, 700);
    SaveData();
    ASSERT_EQ(Texts(), std::vector<std::string>{En(kMsgConvDataSaved)});
    const sim::ConvData d = StoredData();
    for (int k = 0; k < kConvSentEntries; ++k)
        ASSERT_NEAR(d[size_t(k)], Expected(points, 4 * k, 9500.0), 1) << k;
    EXPECT_EQ(d[200], Expected(points, 800, 9500.0)) << "a point is hit exactly";
    EXPECT_EQ(d[400], 4095) << "the maximum becomes 4095";
}

// A table with a shorter span after a longer one: nothing of the earlier curve stays beyond the
// new last point, so the new table alone sets the scaling maximum.
TEST_F(ConvTransfer, EachCalculationFollowsTheTableAlone)
{
    SaveData(); // the default line up to (4095, 10000)
    Cell(2, 1, 2000);
    Cell(2, 2, 1000);
    Cell(64, 1, -1);
    Cell(64, 2, -1);
    SaveData();
    ASSERT_EQ(Texts(), (std::vector<std::string>{En(kMsgConvDataSaved), En(kMsgConvDataSaved)}));
    EXPECT_EQ(ConvData[2000], 1000.0);
    EXPECT_EQ(*std::max_element(ConvData + 2001, ConvData + kConvDataSize), 0.0);
    const sim::ConvData d = StoredData();
    for (int k = 0; k <= 500; ++k)
        ASSERT_EQ(d[size_t(k)], int(std::trunc(4 * k * 0.5 * 4095.0 / 1000.0))) << k;
    EXPECT_EQ(d[500], 4095) << "the new table's maximum becomes 4095";
    for (int k = 501; k < kConvSentEntries; ++k)
        ASSERT_EQ(d[size_t(k)], 0) << k;
}

TEST_F(ConvTransfer, InconsistentOrUnscalableTableSendsNothing)
{
    Cell(12, 1, -1);
    Cell(12, 2, 500);
    SaveData();
    EXPECT_EQ(Texts(), (std::vector<std::string>{En(kMsgConvBothCells), En(kMsgConvCannotSave)}));
    Cell(12, 1, 300);
    Cell(12, 2, -1);
    responder.shown.clear();
    SaveData();
    EXPECT_EQ(Texts(), (std::vector<std::string>{En(kMsgConvBothCells), En(kMsgConvCannotSave)}));

    // Every SETVALUE 0 or below: there is no maximum to scale to.
    Cell(12, 1, -1);
    Cell(12, 2, -1);
    Cell(64, 2, 0);
    responder.shown.clear();
    SaveData();
    EXPECT_EQ(Texts(), std::vector<std::string>{En(kMsgConvCannotSave)});
    EXPECT_TRUE(sensor.receivedFrames().empty());
    EXPECT_EQ(AppState.SensorConnected, 1);
}

TEST_F(ConvTransfer, TableWrittenToTheSensorReadsBackCellForCell)
{
    ConvRows rows{};
    for (int i = 0; i < kConvTableRows; ++i)
        rows[size_t(i)] = {int16_t(i * 60 - 1), int16_t(-i * 500 + 3)};
    WriteConvTable(rows);
    Press(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_EE);
    EXPECT_EQ(Texts(), std::vector<std::string>{En(kMsgConvTableSaved)});
    sim::ConvTable stored{};
    sensor.withModel([&](sim::SensorModel &m) { stored = m.convTable(); });
    for (int i = 0; i < kConvTableRows; ++i)
        ASSERT_EQ(stored[size_t(i)].actual, rows[size_t(i)].actual) << i;

    ResetConvTable();
    Press(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_EE);
    EXPECT_EQ(ReadConvTable(), rows);
    EXPECT_EQ(Texts().size(), 1u) << "reading the table has no message of its own";
    const auto frames = sensor.receivedFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].size(), 8u + 256u);
    EXPECT_EQ(frames[1], frame::Build(103, 1));
}

namespace {

class ConvTransferPeer : public ConvTransferBase {
protected:
    void SetUp() override
    {
        ConvTransferBase::SetUp();
        OpenTcp(peer.port());
        AppState.SensorConnected = 1;
    }
    RawPeer peer;
};

} // namespace

TEST_F(ConvTransferPeer, FailureInTheThirdBlockStopsThere)
{
    for (uint16_t a : {0x1A00, 0x1B00}) {
        peer.answerNext({{0, Frame(180, a)}});
        peer.answerNext({{0, Frame(182, a)}});
    }
    peer.answerNext({{0, Frame(0, 2)}}); // the sensor refuses the third announcement
    SaveData();
    ASSERT_EQ(peer.requests.size(), 5u);
    EXPECT_EQ(peer.requests[4], Frame(180, 0x1C00));
    EXPECT_EQ(peer.requests[3].size(), 8u + 512u);
    EXPECT_EQ(Texts().back(), En(kMsgConvDataNotSaved));
    EXPECT_EQ(AppState.SensorConnected, 0);
    Pump(50);
    EXPECT_EQ(peer.requests.size(), 5u) << "nothing is retried";
}

TEST_F(ConvTransferPeer, ShortTableAnswerLeavesTheTableAlone)
{
    peer.answerNext({{0, Frame(103, 0, std::vector<uint8_t>(100, 0x11))}});
    Press(AppState.TabConvTable, TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_EE);
    EXPECT_EQ(ReadConvTable(), DefaultConvRows());
    EXPECT_EQ(AppState.SensorConnected, 0);
    EXPECT_EQ(MessageBoxText(), En(kMsgBadData) + "\n\n");
}

TEST_F(ConvTransfer, SensorOutputFollowsTheStoredDataInConversionRange)
{
    // An inverted curve: full output at signal 0, none at 4095.
    Cell(1, 2, 4000);
    Cell(64, 2, 0);
    SaveData();
    ASSERT_EQ(Texts(), std::vector<std::string>{En(kMsgConvDataSaved)});
    const sim::ConvData d = StoredData();
    EXPECT_EQ(d[0], 4095);
    EXPECT_EQ(d[1023], 3) << "entry 1023 is signal 4092";
    sensor.withModel([](sim::SensorModel &m) {
        sim::ParamRecord p = m.ram();
        p[sim::kAnalogOutMode] = 1;
        p[sim::kAnalogRange] = 2;
        m.setRam(p);
    });
    for (int i = 0; i < 5; ++i) {
        AppState.OrderNumber = frame::kOrderDataFrame;
        FillTxBuf(frame::kOrderDataFrame, 0, 0);
        ASSERT_EQ(DataExchange(frame::kHeaderSize), 1);
        const int16_t sig = int16_t(frame::GetU16(AppState.RxBuffer + 8 + 8));
        const int16_t anaOut = int16_t(frame::GetU16(AppState.RxBuffer + 8 + 18));
        EXPECT_EQ(anaOut, d[size_t(std::clamp<int>(sig, 0, 4095) >> 2)]) << "signal " << sig;
    }
}
