#include "params/synced.h"

#include "app/appstate.h"
#include "params/controls.h"
#include "platform/ui.h"

#include <optional>

namespace {

std::optional<ParameterRecord> gSensorSet;
bool gInstalled = false;

} // namespace

void SetSensorSet(const ParameterRecord &set)
{
    gSensorSet = set;
    RefreshUnsyncedMarks();
}

void ForgetSensorSet()
{
    gSensorSet.reset();
    RefreshUnsyncedMarks();
}

const ParameterRecord *SensorSet()
{
    return gSensorSet ? &*gSensorSet : nullptr;
}

ParameterRecord PagesRecord()
{
    ParameterRecord r;
    for (const ParamControl &c : kParamControls) {
        const int page = AppState.*c.page;
        if (c.field == &ParameterRecord::Hold) {
            double ms = HoldMsFromField(r.Hold);
            GetCtrlVal(page, c.control, &ms);
            r.Hold = HoldFieldFromMs(ms);
        } else {
            GetCtrlVal(page, c.control, &(r.*c.field));
        }
    }
    return r;
}

std::vector<int> UnsyncedControls()
{
    std::vector<int> out;
    if (!gSensorSet || AppState.TabParam <= 0 || AppState.TabThreshold <= 0)
        return out;
    const ParameterRecord pages = PagesRecord();
    for (int i = 0; i < int(std::size(kParamControls)); ++i) {
        const auto field = kParamControls[i].field;
        if (pages.*field != (*gSensorSet).*field)
            out.push_back(i);
    }
    return out;
}

void RefreshUnsyncedMarks()
{
    if (!gInstalled || AppState.TabParam <= 0 || AppState.TabThreshold <= 0)
        return;
    const std::vector<int> unsynced = UnsyncedControls();
    size_t next = 0;
    for (int i = 0; i < int(std::size(kParamControls)); ++i) {
        const bool marked = next < unsynced.size() && unsynced[next] == i;
        if (marked)
            ++next;
        const ParamControl &c = kParamControls[i];
        int now = VAL_TRANSPARENT;
        GetCtrlMark(AppState.*c.page, c.control, &now);
        const int want = marked ? kUnsyncedMarkColor : VAL_TRANSPARENT;
        if (now != want)
            SetCtrlMark(AppState.*c.page, c.control, want);
    }
}

void InstallUnsyncedMarks()
{
    gInstalled = true;
    gSensorSet.reset(); // new panels: no sensor has reported yet
    SetAfterCommitHook(RefreshUnsyncedMarks);
    RefreshUnsyncedMarks();
}
