#include "app/language.h"

#include "app/appstate.h"
#include "app/ui.h"

void InitLanguage()
{
    int language = 1;
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, &language);
    AppState.LanguageIndex = language;
}
