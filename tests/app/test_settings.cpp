// The panel settings file: what is written byte for byte, what is read back, and what a bad or
// odd file gives.
#include "common/harness.h"

#include "app/settings.h"
#include "app/startup.h"
#include "link/connect.h"

#include <QFile>

namespace {

class Settings : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        CopyField(AppState.SettingsPath, SettingsFilePath(dir.path().toStdString()).c_str());
    }
    void WriteFile(const std::string &text)
    {
        QFile f(QString::fromUtf8(AppState.SettingsPath));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.data(), qint64(text.size()));
    }
    std::string ReadFile()
    {
        QFile f(QString::fromUtf8(AppState.SettingsPath));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll().toStdString();
    }
    static std::string Crlf(const std::string &lf)
    {
        std::string out;
        for (char c : lf) {
            if (c == '\n')
                out += '\r';
            out += c;
        }
        return out;
    }
    void LoadBoth()
    {
        LoadPanelSettings();
        GetConnectionSettingsFromFile();
    }
    int MainAttr(int attr)
    {
        int v = -1;
        GetPanelAttribute(AppState.MainPanel, attr, &v);
        return v;
    }
};

} // namespace

TEST_F(Settings, StoredFileHasEveryKeyInOrder)
{
    SetPanelPos(AppState.MainPanel, 40, 10);
    SetPanelSize(AppState.MainPanel, 690, 1014);
    CopyField(AppState.ParameterFilePath, "/data/Parameter.ini");
    CopyField(AppState.RecordFilePath, "/data/RecordFile.dat");
    CopyField(AppState.HardwareFilePath, "/data/HardwareInitialFile.ini");
    CopyField(AppState.ConvTableFilePath, "/data/ConversionTableFile.ini");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_ID, "Line \"4\"");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, 0);
    AppendAddressHistory("10.0.0.7");
    AppendAddressHistory("sensor.local");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, 3);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, 2);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "10.0.0.7");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER, "5000x");
    StorePanelSettings();
    EXPECT_EQ(ReadFile(), Crlf("[GENERAL INFO]\n"
                               "FILE TYPE: = \"Panel Settings\"\n"
                               "SCOPE VERSION: = \"ORVANTE2 Scope V1.3\"\n"
                               "PANEL ID: = \"Line \\\"4\\\"\"\n"
                               "LANGUAGE = 0\n"
                               "\n"
                               "[PANEL POSITION]\n"
                               "MAINPANEL FULLSCREEN = 0\n"
                               "MAINPANEL LEFT = 10\n"
                               "MAINPANEL TOP = 40\n"
                               "MAINPANEL WIDTH = 1014\n"
                               "MAINPANEL HEIGHT = 690\n"
                               "\n"
                               "[DIRECTORIES]\n"
                               "PARAMETER FILE = \"/data/Parameter.ini\"\n"
                               "RECORDER FILE = \"/data/RecordFile.dat\"\n"
                               "HARDWARE INI FILE = \"/data/HardwareInitialFile.ini\"\n"
                               "CONVERSION TABLE FILE = \"/data/ConversionTableFile.ini\"\n"
                               "\n"
                               "[IP ADDRESSES]\n"
                               "LIST ITEMS = 2\n"
                               "IP ADDR 1 = \"10.0.0.7\"\n"
                               "IP ADDR 2 = \"sensor.local\"\n"
                               "\n"
                               "[COMMUNICATION SETTINGS]\n"
                               "COMPROTOCOL = 1\n"
                               "COMPORT = 3\n"
                               "BAUDRATE = 2\n"
                               "IP ADRESS = \"10.0.0.7\"\n"
                               "PORT NUMBER = \"5000x\"\n"
                               "\n"));
}

TEST_F(Settings, WhatIsStoredIsLoadedAgain)
{
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_ID, "Sensor 12");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "192.0.2.1");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER, "5000x");
    AppendAddressHistory("192.0.2.1");
    CopyField(AppState.RecordFilePath, "/tmp/rec.dat");
    StorePanelSettings();
    const std::string first = ReadFile();

    // A second window, as at the next start.
    Shutdown();
    AppState = AppStateRec{};
    ASSERT_EQ(LoadPanels(), 0);
    CopyField(AppState.SettingsPath, SettingsFilePath(dir.path().toStdString()).c_str());
    LoadBoth();
    EXPECT_STREQ(AppState.SensorId, "Sensor 12");
    EXPECT_EQ(GetCtrlText(AppState.TabRecorder, TABP_RECORDER_STRING_REC_ID), "Sensor 12");
    EXPECT_STREQ(AppState.RecordFilePath, "/tmp/rec.dat");
    EXPECT_EQ(AppState.ComProtocol, 1);
    EXPECT_STREQ(AppState.ServerAddress, "192.0.2.1");
    EXPECT_STREQ(AppState.PortNumberText, "5000x");
    EXPECT_EQ(AddressHistory(), std::vector<std::string>{"192.0.2.1"});
    StorePanelSettings();
    EXPECT_EQ(ReadFile(), first) << "a load and store changes nothing";
}

TEST_F(Settings, MissingFileGivesTheDefaults)
{
    LoadBoth();
    const std::string data = DataDirectory();
    EXPECT_EQ(std::string(AppState.ParameterFilePath), data + "/Parameter.ini");
    EXPECT_EQ(std::string(AppState.RecordFilePath), data + "/RecordFile.dat");
    EXPECT_EQ(std::string(AppState.HardwareFilePath), data + "/HardwareInitialFile.ini");
    EXPECT_EQ(std::string(AppState.ConvTableFilePath), data + "/ConversionTableFile.ini");
    EXPECT_EQ(AppState.LanguageIndex, 1);
    EXPECT_EQ(AppState.ComProtocol, 0);
    EXPECT_EQ(AppState.ComPort, 1);
    EXPECT_EQ(AppState.BaudrateIndex, 4);
    EXPECT_STREQ(AppState.PortNumberText, "5000");
    EXPECT_STREQ(AppState.ServerAddress, "");
}

TEST_F(Settings, WrongFileTypeIgnoresTheWholeFile)
{
    WriteFile("[GENERAL INFO]\r\nFILE TYPE: = \"Panel settings\"\r\nPANEL ID: = \"x\"\r\n"
              "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\nCOMPORT = 7\r\n");
    LoadBoth();
    EXPECT_STREQ(AppState.SensorId, "");
    EXPECT_EQ(AppState.ComProtocol, 0);
    EXPECT_EQ(AppState.ComPort, 1);
}

TEST_F(Settings, BadFilesGiveTheDefaults)
{
    const std::string garbage[] = {
        std::string(""),
        std::string("[GENERAL INFO]\r\nFILE TY"),
        std::string("\x00\xff\xfe[\x01]=\n\n\x7f==\"", 14),
        std::string(5000, '['),
        std::string("[GENERAL INFO]\nFILE TYPE: = \"Panel Settings\"\n[COMMUNICATION SETTINGS]\n"
                    "COMPORT = abc\nBAUDRATE = 99999999999\nIP ADRESS\n"),
    };
    for (const std::string &g : garbage) {
        WriteFile(g);
        LoadBoth();
        EXPECT_EQ(AppState.ComPort, 1);
        EXPECT_EQ(AppState.BaudrateIndex, 4);
        EXPECT_STREQ(AppState.PortNumberText, "5000");
    }
}

TEST_F(Settings, WindowKeys)
{
    WriteFile("[GENERAL INFO]\nFILE TYPE: = \"Panel Settings\"\n[PANEL POSITION]\n"
              "MAINPANEL FULLSCREEN = 0\n");
    SetPanelPos(AppState.MainPanel, 200, 300);
    SetPanelSize(AppState.MainPanel, 500, 700);
    LoadPanelSettings();
    EXPECT_EQ(MainAttr(ATTR_TOP), 40);
    EXPECT_EQ(MainAttr(ATTR_LEFT), 10);
    EXPECT_EQ(MainAttr(ATTR_WIDTH), 1014);
    EXPECT_EQ(MainAttr(ATTR_HEIGHT), 690);

    WriteFile("[GENERAL INFO]\nFILE TYPE: = \"Panel Settings\"\n[PANEL POSITION]\n"
              "MAINPANEL LEFT = 123\n");
    SetPanelPos(AppState.MainPanel, 200, 300);
    LoadPanelSettings();
    EXPECT_EQ(MainAttr(ATTR_LEFT), 300) << "without FULLSCREEN the window stays as it is";
}

TEST_F(Settings, AddressHistoryKeys)
{
    std::string text = "[GENERAL INFO]\nFILE TYPE: = \"Panel Settings\"\n[IP ADDRESSES]\n"
                       "LIST ITEMS = 25\n";
    for (int i = 1; i <= 25; ++i)
        text += "IP ADDR " + std::to_string(i) + " = \"host" + std::to_string(i) + "\"\n";
    WriteFile(text);
    LoadPanelSettings();
    const auto h = AddressHistory();
    ASSERT_EQ(h.size(), 10u);
    EXPECT_EQ(h.front(), "host1");
    EXPECT_EQ(h.back(), "host10");

    ClearListCtrl(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS);
    WriteFile("[GENERAL INFO]\nFILE TYPE: = \"Panel Settings\"\n[IP ADDRESSES]\n"
              "LIST ITEMS = 3\nIP ADDR 1 = \"a\"\nIP ADDR 3 = \"c\"\n");
    LoadPanelSettings();
    EXPECT_EQ(AddressHistory(), (std::vector<std::string>{"a", "c"}));
}

TEST_F(Settings, StoredLinkSettingsAreThoseOnThePanel)
{
    AppState.ComProtocol = 1;
    CopyField(AppState.ServerAddress, "last-good");
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 0);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, 5);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, "typed-now");
    StorePanelSettings();
    const std::string file = ReadFile();
    EXPECT_NE(file.find("COMPROTOCOL = 0\r\nCOMPORT = 5\r\n"), std::string::npos);
    EXPECT_NE(file.find("IP ADRESS = \"typed-now\""), std::string::npos);
}

TEST_F(Settings, ClosingTheWindowOfflineStoresAndEnds)
{
    CBF_MAINP(AppState.MainPanel, EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_NE(ReadFile().find("FILE TYPE: = \"Panel Settings\""), std::string::npos);
    const double start = Timer();
    EXPECT_EQ(RunUserInterface(), 0);
    EXPECT_LT(Timer() - start, 1.0);
}

TEST_F(Settings, AFailedWriteKeepsThePreviousFile)
{
    WriteFile("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n");
    const std::string before = ReadFile();
    // The settings path now names a directory beside a file that must survive.
    const std::string blocked = dir.path().toStdString() + "/blocked";
    QDir().mkpath(QString::fromStdString(blocked + "/" + kSettingsFileName));
    CopyField(AppState.SettingsPath, (blocked + "/" + kSettingsFileName).c_str());
    StorePanelSettings();
    CopyField(AppState.SettingsPath, SettingsFilePath(dir.path().toStdString()).c_str());
    EXPECT_EQ(ReadFile(), before);
    EXPECT_TRUE(QFileInfo(QString::fromStdString(blocked + "/" + kSettingsFileName)).isDir());
}

TEST(SettingsPlace, DirectoryAndDemoName)
{
    EXPECT_EQ(SettingsFilePath("/some/dir"), "/some/dir/PanelSettings.cfg");
    EXPECT_EQ(SettingsFilePath("/some/dir", true), "/some/dir/PanelSettingsDemo.cfg");
}

// Where a stored window lands: as stored while its title strip can be grabbed on some screen,
// else at the default place on the primary screen, never larger than it; a width or height too
// small to use is replaced by the default size.
TEST(WindowPlacement, OffEveryScreenComesOntoThePrimary)
{
    const std::vector<ScreenArea> two = {{0, 0, 1920, 1040}, {1920, -200, 1280, 1024}};
    struct Case {
        WindowPlace stored, placed;
    } cases[] = {
        {{10, 40, 1014, 690}, {10, 40, 1014, 690}},
        {{2000, -150, 800, 600}, {2000, -150, 800, 600}},      // on the second screen
        {{-900, 40, 1014, 690}, {-900, 40, 1014, 690}},        // 114 px of the title strip shown
        {{-3000, 40, 1014, 690}, {10, 40, 1014, 690}},         // left of everything
        {{-3000, 40, 0, 690}, {10, 40, 1014, 690}},            // and no width
        {{100, 1030, 1014, 690}, {10, 40, 1014, 690}},         // title strip below the screen
        {{100, -100, 1014, 690}, {10, 40, 1014, 690}},         // title strip above it
        {{5000, 5000, 3000, 2000}, {0, 0, 1920, 1040}},        // larger than the primary
        {{100, 100, 50, -5}, {100, 100, 1014, 690}},           // a size no one can use
    };
    for (const Case &c : cases)
        EXPECT_EQ(PlaceOnScreens(c.stored, two), c.placed)
            << c.stored.left << "," << c.stored.top << " " << c.stored.width << "x"
            << c.stored.height;
    EXPECT_EQ(PlaceOnScreens({-3000, 40, 0, 0}, {}), (WindowPlace{-3000, 40, 1014, 690}));
}

TEST_F(Settings, WindowOffEveryScreenIsLoadedOntoThePrimary)
{
    const std::vector<ScreenArea> screens = AvailableScreenAreas();
    ASSERT_FALSE(screens.empty());
    const ScreenArea &primary = screens.front();
    WriteFile("[GENERAL INFO]\nFILE TYPE: = \"Panel Settings\"\n[PANEL POSITION]\n"
              "MAINPANEL FULLSCREEN = 0\nMAINPANEL LEFT = -3000\nMAINPANEL TOP = 40\n"
              "MAINPANEL WIDTH = 0\nMAINPANEL HEIGHT = 300\n");
    LoadPanelSettings();
    EXPECT_GE(MainAttr(ATTR_LEFT), primary.left);
    EXPECT_GE(MainAttr(ATTR_TOP), primary.top);
    // The window keeps its least size (1014 x 690, where every control shows), even on a
    // screen that is smaller; on a larger one it lies wholly on it.
    EXPECT_EQ(MainAttr(ATTR_WIDTH), 1014);
    EXPECT_EQ(MainAttr(ATTR_HEIGHT), 690);
    if (primary.width >= 1014) {
        EXPECT_LE(MainAttr(ATTR_LEFT) + MainAttr(ATTR_WIDTH), primary.left + primary.width);
    }
}
