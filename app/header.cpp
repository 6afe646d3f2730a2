#include "app/header.h"

#include "app/appstate.h"
#include "app/language.h"
#include "app/startup.h"
#include "platform/ui.h"

#include <string>

namespace {
constexpr const char *kFullVersion = "ORVANTE2 Scope V1.3.0";
constexpr const char *kMakerLines[] = {"ORVANTE2 Sensor Systems", "Tel. +49 (0) 000 000 00 0",
                                       "www.orvante2-sensors.example"};
constexpr const char *kLogoFile = "logoQX.bmp";
} // namespace

int ShowInfoText(const char *text, int withVersion, int left, int top, int pointSize,
                 int backgroundColour, int textColour)
{
    const int c = NewTextMsg(AppState.MainPanel, text, top, left);
    if (c < 0)
        return c;
    SetCtrlAttribute(AppState.MainPanel, c, ATTR_TEXT_POINT_SIZE, pointSize);
    SetCtrlAttribute(AppState.MainPanel, c, ATTR_TEXT_BGCOLOR, backgroundColour);
    SetCtrlAttribute(AppState.MainPanel, c, ATTR_TEXT_COLOR, textColour);
    if (withVersion)
        SetCtrlAttribute(AppState.MainPanel, c, ATTR_TOOLTIP_TEXT, kFullVersion);
    SetCtrlVal(AppState.MainPanel, c, text);
    InstallCtrlCallback(AppState.MainPanel, c, CBF_MainHeader, nullptr);
    return c;
}

void ShowLogo()
{
    ShowInfoText("ORVANTE2 Scope V1.3", 1, 547, 29, 19, VAL_TRANSPARENT, VAL_WHITE);
    const int tops[] = {6, 22, 36};
    for (int i = 0; i < 3; ++i)
        ShowInfoText(kMakerLines[i], 0, 15, tops[i], 11, VAL_TRANSPARENT, VAL_WHITE);
    SetCtrlAttribute(AppState.MainPanel, MAINP_DECORATION_HEADER, ATTR_FRAME_COLOR, 0x0080FF);
    const std::string logo = FindProgramFile(kLogoFile);
    SetCtrlAttribute(AppState.MainPanel, MAINP_PICTURE_LOGO, ATTR_TOP, 6);
    SetCtrlAttribute(AppState.MainPanel, MAINP_PICTURE_LOGO, ATTR_LEFT, 549);
    DisplayImageFile(AppState.MainPanel, MAINP_PICTURE_LOGO, logo.c_str());
    SetCtrlAttribute(AppState.MainPanel, MAINP_PICTURE_LOGO, ATTR_VISIBLE, 1);
}
