#include "app/startup.h"

#include "app/appstate.h"
#include "app/changelog_view.h"
#include "app/header.h"
#include "app/messages.h"
#include "app/settings.h"
#include "app/status_line.h"
#include "platform/rs232.h"
#include "platform/system.h"
#include "platform/tcp.h"
#include "platform/ui.h"
#include "convtable/convtable.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "live/live.h"
#include "params/compare_view.h"
#include "params/rules.h"
#include "params/synced.h"
#include "recorder/record_view.h"
#include "recorder/recorder.h"
#include "params/transfer.h"
#include "scope/capture.h"
#include "service/service.h"
#include "sim/sim_runner.h"

#include <QCoreApplication>

#include <memory>

namespace {

StartOptions gOptions;
std::unique_ptr<sim::SimRunner> gDemoSensor;

const Msg kHelpTabMain{"Waehlen Sie eine Registerkarte.", "Select TAB-window."};

bool IsDisplayPanel(int panel)
{
    return panel != 0 && (panel == AppState.DataPanel || panel == AppState.GraphPanel ||
                          panel == AppState.ScopePanel || panel == AppState.ConvPanel);
}

void LookUpPages()
{
    int *pages[] = {&AppState.TabConnect, &AppState.TabParam, &AppState.TabThreshold,
                    &AppState.TabConvTable, &AppState.TabRecorder, &AppState.TabScope,
                    &AppState.TabService};
    for (int i = 0; i < 7; ++i)
        GetPanelHandleFromTabPage(AppState.MainPanel, MAINP_TAB_MAIN, i, pages[i]);
    GetPanelHandleFromTabPage(AppState.DataPanel, DATAP_TAB_DATA, 0, &AppState.DataPage0);
    GetPanelHandleFromTabPage(AppState.DataPanel, DATAP_TAB_DATA, 1, &AppState.DataPage1);
}

void InstallMainCallbacks()
{
    InstallPanelCallback(AppState.MainPanel, CBF_MAINP, nullptr);
    InstallCtrlCallback(AppState.MainPanel, MAINP_TAB_MAIN, CBF_TabMain1, nullptr);
    for (int c : {MAINP_DECORATION_HEADER, MAINP_PICTURE_LOGO})
        InstallCtrlCallback(AppState.MainPanel, c, CBF_MainHeader, nullptr);
}

// Demo mode: the simulated sensor runs in its own thread on a free loopback port, and the link
// settings point at it for this run.
void StartDemoSensor()
{
    if (!gOptions.demo || gDemoSensor)
        return;
    gDemoSensor = std::make_unique<sim::SimRunner>();
    if (!gDemoSensor->start()) {
        gDemoSensor.reset();
        return;
    }
    UseDemoLink(gDemoSensor->tcpPort());
}

// SIGTERM and SIGINT close the main window the way its close button does (settings stored,
// clean exit); the work happens in the event loop.
void OnTermination()
{
    // An open popup would otherwise hold the program until somebody answers it.
    SetPopupsDismissed(1);
    if (AppState.MainPanel > 0)
        CBF_MAINP(AppState.MainPanel, EVENT_CLOSE, nullptr, 0, 0);
    else
        QuitUserInterface(0);
}

} // namespace

const StartOptions &CurrentStartOptions() { return gOptions; }
void SetStartOptions(const StartOptions &options) { gOptions = options; }

int LoadPanels()
{
    AppState.MainPanel = LoadPanel(0, MAINP);
    if (AppState.MainPanel < 0)
        return -1;
    AppState.DataPanel = LoadPanel(AppState.MainPanel, DATAP);
    AppState.GraphPanel = LoadPanel(AppState.MainPanel, GRAPHP);
    AppState.ScopePanel = LoadPanel(AppState.MainPanel, SCOPEP);
    AppState.ConvPanel = LoadPanel(AppState.MainPanel, CONVP);
    AppState.PasswordPanel = LoadPanel(0, PASSWORDP);
    if (AppState.DataPanel < 0 || AppState.GraphPanel < 0 || AppState.ScopePanel < 0 ||
        AppState.ConvPanel < 0 || AppState.PasswordPanel < 0)
        return -1;
    SetPanelAttribute(AppState.MainPanel, ATTR_TITLE, kScopeTitle);
    InitStatusLine();
    for (int p : {AppState.DataPanel, AppState.GraphPanel, AppState.ScopePanel, AppState.ConvPanel})
        SetPanelPos(p, kDisplayAreaTop, kDisplayAreaLeft);
    LookUpPages();
    InstallMainCallbacks();
    InstallConnectCallbacks();
    InstallServiceCallbacks();
    InstallConvTableCallbacks();
    InstallRecorderCallbacks();
    InstallScopeCallbacks();
    InstallParamsCallbacks();
    InstallLiveCallbacks();
    InstallCompareCallbacks();
    InstallChangeLogCallbacks();
    InstallRecordViewCallbacks();
    InstallUnsyncedMarks();
    return 0;
}

void InitAll()
{
    AppState.TcpConnected = 0;
    AppState.OrderNumber = 1;
    AppState.MemorySelect = 1;
    AppState.AcquisitionRunning = 0;
    AppState.SendRequest = 0;
    AppState.GetRequest = 0;

    LookUpPages();
    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);

    CopyField(AppState.SettingsPath, SettingsFilePath(gOptions.settingsDir, gOptions.demo).c_str());
    InitPasswordCtrl();
    ShowLogo();
    GetPanelValues(); // the record starts from the pages' initial values
    InitServerAddressCombo();
    InitConvTable();

    LoadPanelSettings();

    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);
    SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, 0);
    ShowChildPanelDisp(AppState.DataPanel);
    DisplayPanel(AppState.MainPanel);

    GetConnectionSettingsFromFile();
    StartDemoSensor();
    InitConnectPanel();

    SetButtonsDimmed(0, 1);
    TryToConnect();
    if (AppState.SensorConnected == 1)
        SetButtonsDimmed(0, 0);
}

void Shutdown()
{
    if (AppState.TcpConnected) {
        DisconnectFromTCPServer(AppState.TcpHandle);
        AppState.TcpConnected = 0;
    }
    CloseCom(AppState.ComPort);
    if (AppState.PasswordPanel > 0)
        DiscardPanel(AppState.PasswordPanel);
    if (AppState.MainPanel > 0)
        DiscardPanel(AppState.MainPanel);
    AppState.MainPanel = AppState.DataPanel = AppState.GraphPanel = AppState.ScopePanel =
        AppState.ConvPanel = AppState.PasswordPanel = 0;
    if (gDemoSensor) {
        gDemoSensor->stop();
        gDemoSensor.reset();
    }
    ProcessSystemEvents(); // let closed transports be deleted
}

int RunApplication(const StartOptions &options)
{
    SetStartOptions(options);
    if (InitUserInterfaceLayer() < 0)
        return -1;
    if (LoadPanels() < 0)
        return -1;
    OnTerminationRequest(OnTermination);
    InitAll();
    RunUserInterface();
    Shutdown();
    CloseUserInterfaceLayer();
    return 0;
}

void ShowChildPanelDisp(int panel)
{
    for (int p : {AppState.DataPanel, AppState.GraphPanel, AppState.ScopePanel, AppState.ConvPanel})
        HidePanel(p);
    DisplayPanel(IsDisplayPanel(panel) ? panel : AppState.DataPanel);
}

void InitPanelCtrlAttr()
{
    RunParameterRules();
}

int CBF_MAINP(int panel, int event, void *, int, int)
{
    switch (event) {
    case EVENT_CLOSE:
        AppState.AcquisitionRunning = 0;
        AppState.ScanRunning = 0; // a capture waiting for its trigger must not keep the window open
        StorePanelSettings();
        QuitUserInterface(0);
        break;
    case EVENT_RIGHT_DOUBLE_CLICK:
        SetPanelSize(panel, kMainHeight, kMainWidth);
        CenterPanelOnScreen(panel);
        break;
    default:
        break;
    }
    return 0;
}

int CBF_MainHeader(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_DOUBLE_CLICK)
        CBF_MAINP(panel, EVENT_RIGHT_DOUBLE_CLICK, nullptr, 0, 0);
    return 0;
}

int CBF_TabMain1(int panel, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpTabMain);
        return 0;
    }
    if (event != EVENT_ACTIVE_TAB_CHANGE)
        return 0;
    int page = 0;
    GetActiveTabPage(panel, control, &page);
    switch (page) {
    case kPageConnect:
        AppState.AcquisitionRunning = 0;
        WaitForConnect();
        break;
    case kPageScope:
        AppState.AcquisitionRunning = 0;
        ShowChildPanelDisp(AppState.ScopePanel);
        break;
    case kPageConvTable:
        ShowChildPanelDisp(AppState.ConvPanel);
        break;
    case kPageRecorder: {
        InitRecordPanel();
        int mode = 0;
        GetCtrlVal(AppState.TabRecorder, TABP_RECORDER_RING_RECORD_MODE, &mode);
        if (mode == 0)
            CalcRecTime();
        break;
    }
    default:
        break;
    }
    return 0;
}
