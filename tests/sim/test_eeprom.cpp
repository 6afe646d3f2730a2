// The simulated sensor's EEPROM: the switch that breaks the stored set, and the file that keeps
// it across restarts.
#include "sim/eeprom_file.h"
#include "sim/sensor_model.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Runs one request through the model and returns the answer's header arg.
int Answer(sim::SensorModel &m, uint8_t order, const std::vector<uint8_t> &payload = {})
{
    const std::vector<uint8_t> req = frame::Build(order, 0, payload);
    const frame::Header h{req[1], frame::GetU16(&req[2]), frame::GetU16(&req[4]), req[6]};
    const sim::Response r = m.Handle(h, req.data() + 8, 1.0);
    EXPECT_EQ(r.replies.size(), 1u);
    const std::vector<uint8_t> &bytes = r.replies.at(0).bytes;
    EXPECT_EQ(bytes[1], order);
    return frame::GetU16(&bytes[2]);
}

sim::ParamRecord SomeSet()
{
    sim::ParamRecord p = sim::DefaultParams();
    p[sim::kHold] = 250;
    p[sim::kTtUp] = 60000;
    p[sim::kDeadTime] = 40;
    return p;
}

} // namespace

TEST(SimEeprom, BrokenEepromFailsOnlyTheLoad)
{
    sim::SensorModel m;
    m.setEeprom(SomeSet());
    m.setEepromFailure(5);
    EXPECT_EQ(Answer(m, 1, sim::PackParams(SomeSet())), 0) << "writing RAM still works";
    EXPECT_EQ(m.ram(), SomeSet());
    EXPECT_EQ(Answer(m, 4), 5);
    EXPECT_EQ(m.ram(), sim::DefaultParams());
    m.setEepromFailure(0);
    EXPECT_EQ(Answer(m, 4), 0);
    EXPECT_EQ(m.ram(), SomeSet());
}

TEST(SimEeprom, StoredSetOutlivesTheSimulator)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("eeprom.bin").toStdString();
    {
        sim::SensorModel m;
        m.onEepromStored(
            [&](const sim::ParamRecord &p) { EXPECT_TRUE(sim::WriteEepromFile(path, p)); });
        EXPECT_EQ(Answer(m, 1, sim::PackParams(SomeSet())), 0);
        EXPECT_EQ(Answer(m, 3), 0);
    }
    EXPECT_EQ(QFile(QString::fromStdString(path)).size(), 52);
    sim::SensorModel restarted;
    sim::ParamRecord stored;
    ASSERT_TRUE(sim::ReadEepromFile(path, &stored));
    restarted.setEeprom(stored);
    EXPECT_EQ(Answer(restarted, 4), 0);
    EXPECT_EQ(restarted.ram(), SomeSet());
}
