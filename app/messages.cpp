#include "app/messages.h"

#include "app/appstate.h"
#include "app/status_line.h"
#include "platform/ui.h"

#include <map>
#include <string>
#include <utility>

const char *Tr(const Msg &m)
{
    return AppState.LanguageIndex == 0 ? m.de : m.en;
}

void ShowHelp(const Msg &help)
{
    MessagePopup(Tr(kMsgInfoTitle), Tr(help));
}

namespace {
// The reason each control was last dimmed for, so that a language switch can tell it anew.
std::map<std::pair<int, int>, const Msg *> &DimReasons()
{
    static std::map<std::pair<int, int>, const Msg *> reasons;
    return reasons;
}
} // namespace

void DimForReason(int panel, int control, bool dimmed, const Msg &why)
{
    if (dimmed)
        SetCtrlAttribute(panel, control, ATTR_DIMMED_REASON, Tr(why));
    SetCtrlAttribute(panel, control, ATTR_DIMMED, dimmed ? 1 : 0);
    if (dimmed)
        DimReasons()[{panel, control}] = &why;
    else
        DimReasons().erase({panel, control});
}

void RelabelDimReasons()
{
    for (const auto &[ctrl, why] : DimReasons()) {
        int dimmed = 0;
        if (GetCtrlAttribute(ctrl.first, ctrl.second, ATTR_DIMMED, &dimmed) == 0 && dimmed)
            SetCtrlAttribute(ctrl.first, ctrl.second, ATTR_DIMMED_REASON, Tr(*why));
    }
}

void ReportFileNotSaved(const char *path)
{
    const std::string text = std::string(Tr(kMsgFileNotSaved)) + "\n" + (path ? path : "");
    ShowStatus(kMsgFileNotSaved, path ? path : "");
    MessagePopup(Tr(kMsgInfoTitle), text.c_str());
}
