// The hardware information file against the simulated sensor: the file compared item by item
// with what the sensor holds, and the stops (no sensor, a short answer, a cancelled dialog).
#include "common/harness.h"

#include "link/connect.h"
#include "link/exchange.h"
#include "params/paramfile.h"
#include "params/record.h"
#include "service/service.h"
#include "sim/sim_runner.h"
#include "support/ini.h"

#include <QFile>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

const char kNoFile[] = "No file was selected! \nProcess will not be done!\n\n";

std::string Item(IniText ini, const char *section, const char *key)
{
    char buffer[2048] = {};
    EXPECT_EQ(Ini_GetStringIntoBuffer(ini, section, key, buffer, sizeof buffer), 1) << key;
    return buffer;
}

class HwInfo : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(sensor.start());
        std::array<uint8_t, sim::kHwInfoBytes> info{};
        for (size_t i = 0; i < info.size(); ++i)
            info[i] = uint8_t(i * 7 + 3);
        info[0] = 0x01, info[1] = 0x00, info[2] = 0xCD, info[3] = 0xAB; // words 1 and 43981
        sensor.withModel([&](sim::SensorModel &m) {
            m.setHardwareInfo(info);
            m.setOffsets(37, 1234);
        });
        hwInfo = info;
        CopyField(AppState.FirmwareId, "ORVANTE2 V1.3.0 sim");
        CopyField(AppState.HardwareFilePath, (Dir() + "/HardwareInitialFile.ini").c_str());
        OpenTcp(sensor.tcpPort());
    }
    std::string Dir() const { return dir.path().toStdString(); }
    void UsePeer(RawPeer &peer)
    {
        CloseLink();
        OpenTcp(peer.port());
    }
    void Press()
    {
        CBF_ButtonGenHwInfoFile(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE,
                                EVENT_COMMIT, nullptr, 0, 0);
    }
    std::vector<std::pair<int, int>> OrdersReceived()
    {
        std::vector<std::pair<int, int>> orders;
        for (const auto &f : sensor.receivedFrames())
            orders.push_back({f[1], f[2] | (f[3] << 8)});
        return orders;
    }
    sim::SimRunner sensor;
    std::array<uint8_t, sim::kHwInfoBytes> hwInfo{};
};

} // namespace

TEST(HardwareData, FourDigitsPerLittleEndianWord)
{
    uint8_t bytes[kHwInfoBytes] = {0x01, 0x00, 0xCD, 0xAB, 0x0F, 0x00, 0x00, 0xF0};
    const std::string text = HardwareDataText(bytes);
    ASSERT_EQ(text.size(), 1024u);
    EXPECT_EQ(text.substr(0, 16), "0001ABCD000FF000");
    EXPECT_EQ(text.substr(16), std::string(1008, '0'));
    std::fill(std::begin(bytes), std::end(bytes), 0xFF);
    EXPECT_EQ(HardwareDataText(bytes), std::string(1024, 'F'));
}

TEST_F(HwInfo, FileHoldsWhatTheSensorHolds)
{
    const std::string path = Dir() + "/support.ini";
    responder.push(VAL_NEW_FILE_SELECTED, path);
    Press();

    ASSERT_EQ(responder.shown.size(), 1u);
    const PopupRequest &dialog = responder.shown[0];
    EXPECT_EQ(dialog.kind, PopupRequest::kFileSelect);
    EXPECT_EQ(dialog.title, "HardwareInitialFile");
    EXPECT_EQ(dialog.defaultName, "HardwareInitialFile.ini");
    EXPECT_EQ(dialog.filter, "*.ini");
    EXPECT_EQ(dialog.directory, Dir() + "/");
    EXPECT_STREQ(AppState.HardwareFilePath, path.c_str());
    EXPECT_EQ(MessageBoxText(), "File has been saved!\n" + path + "\n\n");

    // Parameters from RAM, then offsets, then the hardware information with its access code.
    const auto orders = OrdersReceived();
    ASSERT_EQ(orders.size(), 3u);
    EXPECT_EQ(orders[0].first, 2);
    EXPECT_EQ(orders[1], std::make_pair(100, 0));
    EXPECT_EQ(orders[2], std::make_pair(194, 0x3C5A));

    // The expected DATA, built from the bytes the sensor holds.
    std::string data;
    for (size_t i = 0; i < hwInfo.size(); i += 2) {
        char w[8];
        std::snprintf(w, sizeof w, "%04x", unsigned(hwInfo[i] | (hwInfo[i + 1] << 8)));
        data += w;
    }
    IniText ini = Ini_New(0);
    ASSERT_EQ(Ini_ReadFromFile(ini, path.c_str()), 0);
    EXPECT_EQ(Ini_GetNumberOfSections(ini), 4);
    EXPECT_EQ(Item(ini, "GENERAL INFO", "FILE TYPE:"), "Hardware Initial File");
    EXPECT_EQ(Item(ini, "GENERAL INFO", "SCOPE VERSION:"), "ORVANTE2 Scope V1.3.0");
    EXPECT_EQ(Item(ini, "GENERAL INFO", "FIRMWARE VERSION:"), "ORVANTE2 V1.3.0 sim");
    const std::string got = Item(ini, "HARDWARE INFO", "DATA");
    ASSERT_EQ(got.size(), 1024u);
    EXPECT_EQ(got.substr(0, 8), "0001ABCD");
    EXPECT_EQ(QString::fromStdString(got).toLower().toStdString(), data);

    sim::ParamRecord ram{};
    sensor.withModel([&](sim::SensorModel &m) { ram = m.ram(); });
    for (const ParameterKey &k : kParameterKeys) {
        int index = 0;
        while (kRecordFields[index] != k.field)
            ++index;
        int value = -1;
        EXPECT_EQ(Ini_GetInt(ini, "PARAMETER", k.key, &value), 1) << k.key;
        EXPECT_EQ(value, ram[size_t(index)]) << k.key;
    }
    int ch0 = -1, ch1 = -1;
    EXPECT_EQ(Ini_GetInt(ini, "OFFSET", "OFFSET CH0", &ch0), 1);
    EXPECT_EQ(Ini_GetInt(ini, "OFFSET", "OFFSET CH1", &ch1), 1);
    EXPECT_EQ(ch0, 37);
    EXPECT_EQ(ch1, 1234);
    Ini_Dispose(ini);

    // Sections in the order they were put.
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.find("[GENERAL INFO]"), 0u);
    EXPECT_LT(text.find("[HARDWARE INFO]"), text.find("[PARAMETER]"));
    EXPECT_LT(text.find("[PARAMETER]"), text.find("[OFFSET]"));
}

TEST_F(HwInfo, ExistingFileOverwrittenWithoutQuestion)
{
    const std::string path = Dir() + "/old.ini";
    {
        std::ofstream out(path);
        out << "[JUNK]\nkept = \"no\"\n";
    }
    AppState.MemorySelect = 2; // EEPROM stays selected afterwards
    responder.push(VAL_EXISTING_FILE_SELECTED, path);
    Press();
    EXPECT_EQ(responder.shown.size(), 1u) << "only the file dialog";
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.find("JUNK"), std::string::npos);
    EXPECT_NE(text.find("[HARDWARE INFO]"), std::string::npos);
    EXPECT_EQ(AppState.MemorySelect, 2);
    EXPECT_EQ(OrdersReceived()[0].first, 2) << "read from RAM, not order 4 first";
}

TEST_F(HwInfo, CancelledDialogWritesNothing)
{
    const std::string before = AppState.HardwareFilePath;
    responder.push(VAL_NO_FILE_SELECTED);
    Press();
    EXPECT_EQ(responder.countOf(PopupRequest::kFileSelect), 1);
    EXPECT_EQ(MessageBoxText(), kNoFile);
    EXPECT_EQ(AppState.HardwareFilePath, before);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(before)));
}

TEST_F(HwInfo, UnwritableFileIsNotReportedAsSaved)
{
    const std::string path = Dir() + "/missing/dir/hw.ini";
    responder.push(VAL_NEW_FILE_SELECTED, path);
    Press();
    EXPECT_EQ(MessageBoxText(), "File could not be saved!\n" + path + "\n\n");
}

TEST_F(HwInfo, NoSensorNoDialog)
{
    RawPeer peer; // answers the parameter read with an error reply
    peer.answerNext({{0, Frame(0, 2)}});
    UsePeer(peer);
    Press();
    EXPECT_EQ(responder.countOf(PopupRequest::kFileSelect), 0);
    ASSERT_EQ(peer.requests.size(), 1u);
    EXPECT_EQ(MessageBoxText().find("No file was selected"), std::string::npos);
    EXPECT_NE(MessageBoxText().find("Communication error!"), std::string::npos);
    EXPECT_EQ(AppState.SensorConnected, 0);
}

TEST_F(HwInfo, ShortHardwareAnswerStops)
{
    RawPeer peer;
    peer.answerNext({{0, Frame(2, 0, std::vector<uint8_t>(kParameterRecordSize, 0))}});
    peer.answerNext({{0, Frame(100, 0, {1, 0, 2, 0, 10, 0})}});
    peer.answerNext({{0, Frame(194, 0, std::vector<uint8_t>(100, 0x11))}});
    UsePeer(peer);
    Press();
    ASSERT_EQ(peer.requests.size(), 3u);
    EXPECT_EQ(peer.requests[2], Frame(194, 0x3C5A));
    EXPECT_EQ(responder.countOf(PopupRequest::kFileSelect), 0);
    EXPECT_NE(MessageBoxText().find("Received data frame is incorrect!"), std::string::npos);
}
