#include "app/messages.h"

#include "app/appstate.h"
#include "app/status_line.h"
#include "platform/ui.h"

#include <string>

const char *Tr(const Msg &m)
{
    return AppState.LanguageIndex == 0 ? m.de : m.en;
}

void ShowHelp(const Msg &help)
{
    MessagePopup(Tr(kMsgInfoTitle), Tr(help));
}

void ReportFileNotSaved(const char *path)
{
    const std::string text = std::string(Tr(kMsgFileNotSaved)) + "\n" + (path ? path : "");
    ShowStatus(kMsgFileNotSaved, path ? path : "");
    MessagePopup(Tr(kMsgInfoTitle), text.c_str());
}
