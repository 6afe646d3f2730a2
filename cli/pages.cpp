// The parameter set as the app's pages hold it: the app shows every set it reads in the controls
// of its parameter and threshold pages, where each control keeps to its range and the page rules
// force what a setting excludes, and it saves and sends what the pages then hold. The tool runs
// the same pages, unseen, so that its files and transfers match the app's.
#include "cli/cli.h"

#include "app/startup.h"
#include "platform/ui.h"
#include "params/pagecheck.h"
#include "params/record.h"
#include "params/rules.h"
#include "params/transfer.h"

bool ThroughThePages(ParameterRecord *record, const std::map<std::string, long> *written,
                     std::vector<ChangedWord> *changed)
{
    static const bool loaded = [] {
        if (InitUserInterfaceLayer() < 0 || LoadPanels() < 0)
            return false;
        // A rule that would ask the operator gets the cautious answer.
        SetPopupResponder([](const PopupRequest &) { return PopupAnswer{}; });
        return true;
    }();
    if (!loaded) {
        Print(stderr, "orvante2-cli: the parameter pages could not be loaded");
        return false;
    }
    Parameters = *record;
    const std::vector<ChangedWord> c = SetPanelValuesChecked(written ? *written : WrittenValues{});
    if (changed)
        *changed = c;
    RunParameterRules();
    GetPanelValues();
    *record = Parameters;
    return true;
}
