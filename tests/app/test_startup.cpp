// Start-up against the simulated sensor, the display area, the main tab control and the main
// panel's own events.
#include "common/harness.h"

#include "app/settings.h"
#include "app/startup.h"
#include "platform/ui_testing.h"
#include "link/connect.h"
#include "sim/sim_runner.h"

#include <QFile>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

namespace {

class Startup : public AppTest {
protected:
    void WriteSettings(const std::string &text)
    {
        QFile f(QString::fromStdString(SettingsFilePath(dir.path().toStdString())));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), qint64(text.size()));
    }
    void WriteTcpSettings(quint16 port)
    {
        WriteSettings("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\nPANEL ID: = \"S-1\"\r\n"
                      "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\nIP ADRESS = \"127.0.0.1\"\r\n"
                      "PORT NUMBER = \"" +
                      std::to_string(port) + "\"\r\n");
    }
    bool Visible(int panel)
    {
        return PanelWidget(panel)->isVisibleTo(PanelWidget(AppState.MainPanel));
    }
};

} // namespace

TEST_F(Startup, ConnectsWithTheStoredSettingsAndShowsTheVersion)
{
    sim::SimRunner sensor;
    ASSERT_TRUE(sensor.start());
    WriteTcpSettings(sensor.tcpPort());
    InitAll();
    EXPECT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
    EXPECT_NE(MessageBoxText().find("Try to connect!\nORVANTE2 V1.3"), std::string::npos);
    EXPECT_EQ(responder.shown.size(), 0u);
    EXPECT_EQ(ActiveMainPage(), kPageParam);
    int serviceVisible = 1;
    GetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, &serviceVisible);
    EXPECT_EQ(serviceVisible, 0);
    EXPECT_TRUE(Visible(AppState.DataPanel));
    EXPECT_FALSE(Visible(AppState.ScopePanel));
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_SEND));
    EXPECT_EQ(GetCtrlText(AppState.TabConnect, TABP_CONNECT_STRING_ID), "S-1");
    QWidget *main = PanelWidget(AppState.MainPanel);
    EXPECT_EQ(main->windowTitle().toStdString(), "ORVANTE2 Scope V1.3");
    EXPECT_EQ(main->width(), 1014);
    EXPECT_EQ(main->height(), 690);
    QWidget *data = PanelWidget(AppState.DataPanel);
    EXPECT_EQ(data->x(), 385);
    EXPECT_EQ(data->y(), 63);
}

TEST_F(Startup, WithoutASensorTheOperatorWorksOffline)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    WriteTcpSettings(port);
    InitAll();
    ASSERT_EQ(responder.countOf(PopupRequest::kGeneric), 1);
    EXPECT_EQ(AppState.MemorySelect, 3);
    EXPECT_FALSE(Dimmed(AppState.MainPanel, MAINP_BUTTON_SEND));
    EXPECT_TRUE(Dimmed(AppState.MainPanel, MAINP_BUTTON_GO));
}

TEST_F(Startup, DemoModeConnectsToTheBuiltInSensor)
{
    StartOptions o;
    o.demo = true;
    o.settingsDir = dir.path().toStdString();
    SetStartOptions(o);
    InitAll();
    EXPECT_EQ(AppState.SensorConnected, 1) << MessageBoxText();
    EXPECT_EQ(AppState.ComProtocol, 1);
    EXPECT_STREQ(AppState.ServerAddress, "127.0.0.1");
    EXPECT_NE(std::string(AppState.SettingsPath).find("PanelSettingsDemo.cfg"), std::string::npos);
}

TEST_F(AppTest, DisplayAreaShowsExactlyOnePanel)
{
    QWidget *main = PanelWidget(AppState.MainPanel);
    auto shown = [&] {
        std::vector<int> v;
        for (int p : {AppState.DataPanel, AppState.GraphPanel, AppState.ScopePanel,
                      AppState.ConvPanel})
            if (PanelWidget(p)->isVisibleTo(main))
                v.push_back(p);
        return v;
    };
    ShowChildPanelDisp(AppState.ScopePanel);
    EXPECT_EQ(shown(), std::vector<int>{AppState.ScopePanel});
    ShowChildPanelDisp(AppState.ConvPanel);
    EXPECT_EQ(shown(), std::vector<int>{AppState.ConvPanel});
    ShowChildPanelDisp(AppState.MainPanel); // not a display panel
    EXPECT_EQ(shown(), std::vector<int>{AppState.DataPanel});
    ShowChildPanelDisp(9999);
    EXPECT_EQ(shown(), std::vector<int>{AppState.DataPanel});
}

TEST_F(AppTest, TabChangesStopTheLoopAndSwitchTheDisplayArea)
{
    auto *tab = qobject_cast<QTabWidget *>(CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN));
    ASSERT_NE(tab, nullptr);
    QWidget *main = PanelWidget(AppState.MainPanel);
    main->show();
    for (int c : {TABP_CONNECT_BUTTON_ACCEPT, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE,
                  TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE})
        SetCtrlAttribute(AppState.TabConnect, c, ATTR_DIMMED, 0);

    AppState.AcquisitionRunning = 1;
    tab->setCurrentIndex(kPageScope); // as the operator's click does
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_TRUE(PanelWidget(AppState.ScopePanel)->isVisibleTo(main));

    tab->setCurrentIndex(kPageConvTable);
    EXPECT_TRUE(PanelWidget(AppState.ConvPanel)->isVisibleTo(main));

    AppState.AcquisitionRunning = 1;
    tab->setCurrentIndex(kPageConnect);
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT));
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE));
    EXPECT_TRUE(Dimmed(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE));
}

TEST_F(AppTest, RightDoubleClickRestoresTheWindowSize)
{
    QWidget *main = PanelWidget(AppState.MainPanel);
    main->show();
    SetPanelSize(AppState.MainPanel, 400, 600);
    QTest::mouseDClick(main, Qt::RightButton, Qt::NoModifier, QPoint(700, 660));
    EXPECT_EQ(main->width(), 1014);
    EXPECT_EQ(main->height(), 690);
}

TEST_F(AppTest, RightClickOnTheTabControlShowsItsHelp)
{
    QWidget *tabBar = CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN)->findChild<QTabBar *>();
    ASSERT_NE(tabBar, nullptr);
    const int before = ActiveMainPage();
    QTest::mouseClick(tabBar, Qt::RightButton, Qt::NoModifier, QPoint(10, 8));
    ASSERT_EQ(responder.shown.size(), 1u);
    EXPECT_EQ(responder.shown[0].text, "Select TAB-window.");
    EXPECT_EQ(ActiveMainPage(), before);
}

TEST_F(AppTest, CloseRequestGoesThroughThePanelCallback)
{
    CopyField(AppState.SettingsPath, SettingsFilePath(dir.path().toStdString()).c_str());
    QWidget *main = PanelWidget(AppState.MainPanel);
    main->show();
    AppState.AcquisitionRunning = 1;
    main->close();
    EXPECT_EQ(AppState.AcquisitionRunning, 0);
    EXPECT_TRUE(QFile::exists(QString::fromUtf8(AppState.SettingsPath)));
    EXPECT_EQ(RunUserInterface(), 0);
}
