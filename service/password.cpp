#include "service/service.h"

#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"

#include <cstring>

const Msg kMsgWrongPassword{"Passwort falsch. \nBitte versuchen Sie es erneut.",
                            "Wrong password. \nPlease try again."};

namespace {

const Msg kHelpPassword{"Service-Passwort eingeben und mit Enter bestaetigen.",
                        "Type the service password and confirm with Enter."};

const Msg kHelpCancelPassword{"Schliesst das Fenster, ohne die Service-Seite freizugeben (Esc).",
                               "Closes the window without unlocking the service page (Escape)."};
const Msg kPasswordLabel{"Service-Passwort:", "Service password:"};
const Msg kPasswordHint{"Enter bestaetigt, Esc bricht ab.", "Press Enter to confirm, Escape to cancel."};
const Msg kPasswordCancel{"Abbrechen", "Cancel"};
const Msg kPasswordTitle{"Service", "Service"};

void ClearPassword()
{
    // Setting the text also clears the field's modified flag, so hiding the popup afterwards
    // cannot commit what was typed.
    SetCtrlVal(AppState.PasswordPanel, PASSWORDP_STRING_PASSWORD, "");
}

} // namespace

int ServiceLevelOf(const char *password)
{
    if (!password)
        return 0;
    if (std::strcmp(password, kPasswordSecondLevel) == 0)
        return 2;
    if (std::strcmp(password, kPasswordFirstLevel) == 0)
        return 1;
    return 0;
}

void InitPasswordCtrl()
{
    const int p = AppState.PasswordPanel;
    SetCtrlAttribute(p, PASSWORDP_STRING_PASSWORD, ATTR_MAX_ENTRY_LENGTH, kPasswordMaxLength);
    SetCtrlAttribute(p, PASSWORDP_STRING_PASSWORD, ATTR_PASSWORD_MASK, int('*'));
    SetCommitOnEnter(p, PASSWORDP_STRING_PASSWORD);
    ClearPassword();
}

// The language files leave this panel alone: its few texts follow the current language here.
void LabelPasswordPanel()
{
    const int p = AppState.PasswordPanel;
    SetPanelAttribute(p, ATTR_TITLE, Tr(kPasswordTitle));
    SetCtrlVal(p, PASSWORDP_TEXTMSG_PASSWORD, Tr(kPasswordLabel));
    SetCtrlVal(p, PASSWORDP_TEXTMSG_PASSWORD_HINT, Tr(kPasswordHint));
    SetCtrlAttribute(p, PASSWORDP_BUTTON_CANCEL_PASSWORD, ATTR_LABEL_TEXT, Tr(kPasswordCancel));
}

void ClosePasswordPanel(int panel)
{
    ClearPassword();
    RemovePopup(panel);
}

void ShowPasswordPanel()
{
    ClearPassword();
    LabelPasswordPanel();
    CenterPanelOnScreen(AppState.PasswordPanel);
    InstallPopup(AppState.PasswordPanel);
}

void UnlockServicePage(int level)
{
    SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, 1);
    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageService);
    const bool second = level == 2;
    SetCtrlAttribute(AppState.TabService, TABP_SERVICE_BUTTON_SEND_SETTING_TIME_FACTOR,
                     ATTR_VISIBLE, second ? 1 : 0);
    SetCtrlAttribute(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR,
                     ATTR_CTRL_MODE, second ? VAL_HOT : VAL_INDICATOR);
}

int CBF_StringEnterPW(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpPassword);
    if (event != EVENT_COMMIT)
        return 0;
    char password[kPasswordMaxLength + 1] = {};
    GetCtrlString(AppState.PasswordPanel, PASSWORDP_STRING_PASSWORD, password,
                  int(sizeof password));
    const int level = ServiceLevelOf(password);
    std::memset(password, 0, sizeof password);
    if (level == 0) {
        ClearPassword();
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgWrongPassword));
        InstallPopup(AppState.PasswordPanel); // back to the front, the field ready for the next try
        return 0;
    }
    ClearPassword();
    RemovePopup(AppState.PasswordPanel);
    UnlockServicePage(level);
    return 0;
}

int CBF_PASSWORDP(int panel, int event, void *, int, int)
{
    if (event == EVENT_CLOSE)
        ClosePasswordPanel(panel);
    return 0;
}

int CBF_ButtonCancelPW(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpCancelPassword);
    if (event == EVENT_COMMIT)
        ClosePasswordPanel(panel);
    return 0;
}
