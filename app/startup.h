// Process entry, start-up and shutdown, the main panel's and main tab control's callbacks and the
// switch of the display area between the four display panels.
#pragma once

#include <string>

// Main tab pages, in their order on the tab control.
enum MainPage {
    kPageConnect = 0,
    kPageParam = 1,
    kPageThreshold = 2,
    kPageConvTable = 3,
    kPageRecorder = 4,
    kPageScope = 5,
    kPageService = 6,
};

inline constexpr const char *kScopeTitle = "ORVANTE2 Scope V1.3";
inline constexpr int kDisplayAreaTop = 63;
inline constexpr int kDisplayAreaLeft = 385;
inline constexpr int kMainWidth = 1014;
inline constexpr int kMainHeight = 690;

struct StartOptions {
    bool demo = false;            // connect to the built-in simulated sensor
    std::string settingsDir;      // where the panel settings live; empty: the default place
};

// Loads the six panels, places the display panels and installs every callback. 0 or -1.
int LoadPanels();
void InitAll();
// Closes the link and discards the panels.
void Shutdown();
// The whole run: load, InitAll, event loop, shutdown. Returns the process exit code.
int RunApplication(const StartOptions &options);

const StartOptions &CurrentStartOptions();
void SetStartOptions(const StartOptions &options);

void ShowChildPanelDisp(int panel);
void InitPanelCtrlAttr();

int CBF_MAINP(int panel, int event, void *callbackData, int eventData1, int eventData2);
int CBF_TabMain1(int panel, int control, int event, void *callbackData, int eventData1,
                 int eventData2);
// The header strip, its logo and texts: a right double click there restores the window's size,
// as one on the window's background does.
int CBF_MainHeader(int panel, int control, int event, void *callbackData, int eventData1,
                   int eventData2);
