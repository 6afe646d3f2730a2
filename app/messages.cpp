#include "app/messages.h"

#include "app/appstate.h"
#include "platform/ui.h"

const char *Tr(const Msg &m)
{
    return AppState.LanguageIndex == 0 ? m.de : m.en;
}

void ShowHelp(const Msg &help)
{
    MessagePopup(Tr(kMsgInfoTitle), Tr(help));
}
