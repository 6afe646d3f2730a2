#include "scope/reference.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "scope/capture.h"
#include "scope/capture_doc.h"
#include "scope/display.h"

#include <algorithm>
#include <cmath>

const Msg kMsgReferenceLaid{"Referenz unterlegt: ", "Reference laid: "};
const Msg kMsgReferenceRemoved{"Referenz entfernt: ", "Reference removed: "};
const Msg kMsgReferenceOtherTimeBase{
    "Die Referenz wurde nicht unterlegt: ihre Zeitbasis (SCAN RATE, Zykluszeit) ist eine andere "
    "als die der gezeigten Aufnahme: ",
    "The reference was not laid: its time base (SCAN RATE, cycle time) differs from the capture "
    "shown: "};
const Msg kMsgReferenceDropped{
    "Referenz entfernt, die neue Aufnahme hat eine andere Zeitbasis (SCAN RATE, Zykluszeit): ",
    "Reference removed, the new capture has another time base (SCAN RATE, cycle time): "};
const Msg kMsgReportReference{"Referenz", "Reference"};

namespace {

const Msg kHelpLayReference{
    "Legt eine gespeicherte Scope-Aufnahme als Referenz unter die gezeigte Aufnahme (gestrichelt, "
    "in blasseren Farben, in der Legende als REF). Die Cursor-Anzeigen zeigen dann an jedem "
    "Cursor Aufnahme minus Referenz. Die Referenz bleibt bei neuen Aufnahmen stehen, solange sie "
    "dieselbe SCAN RATE und Zykluszeit haben.",
    "Lays a saved scope capture under the capture shown as a reference (dashed, in paler "
    "colours, in the legend as REF). The cursor readouts then show capture minus reference at "
    "each cursor. The reference stays while new captures come in with the same SCAN RATE and "
    "cycle time."};
const Msg kHelpRemoveReference{"Entfernt die unterlegte Referenz.",
                               "Removes the reference laid under the capture."};
const Msg kWhyNoReference{"Keine Referenz unterlegt.", "No reference laid."};

constexpr int kColorRefCh0 = 0xE88080;
constexpr int kColorRefCh1 = 0x78C878;
constexpr int kColorRefSig = 0xC0B860;

struct Reference {
    bool laid = false;
    ScopeCapture capture;
    std::string path;
};
Reference gReference;

std::string BaseName(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The reference's name on the panel and the REMOVE button's dimming follow what is laid.
void ShowReferenceState()
{
    SetCtrlVal(AppState.ScopePanel, SCOPEP_STRING_REFERENCE,
               gReference.laid ? ScopeReferenceTitle().c_str() : "-");
    DimForReason(AppState.TabScope, TABP_SCOPE_BUTTON_REMOVE_REFERENCE, !gReference.laid,
                 kWhyNoReference);
}

bool ComparableWithShown(const ScopeCapture &reference)
{
    if (!ScopeCaptureShown())
        return true;
    return SameScopeTimeBase(ShownScopeCapture().request.ScanRate, CycleTimeMs,
                             reference.request.ScanRate, reference.cycleTimeMs);
}

void Drop()
{
    gReference = {};
    ShowReferenceState();
}

} // namespace

bool SameScopeTimeBase(int scanRateA, double cycleTimeMsA, int scanRateB, double cycleTimeMsB)
{
    if (scanRateA != scanRateB)
        return false;
    if (!(cycleTimeMsA > 0) || !(cycleTimeMsB > 0))
        return true;
    return std::abs(cycleTimeMsA - cycleTimeMsB) <= 0.01 * std::max(cycleTimeMsA, cycleTimeMsB);
}

const ScopeCapture *ScopeReference()
{
    return gReference.laid ? &gReference.capture : nullptr;
}

std::string ScopeReferencePath()
{
    return gReference.laid ? gReference.path : std::string();
}

std::string ScopeReferenceTitle()
{
    if (!gReference.laid)
        return {};
    std::string title = BaseName(gReference.path);
    if (!gReference.capture.date.empty())
        title += ", " + gReference.capture.date;
    return title;
}

std::string LayScopeReferenceFrom(const std::string &path, bool *laid)
{
    *laid = false;
    ScopeCapture c;
    if (std::string failure; !ReadScopeCaptureFor(path, &c, &failure))
        return failure;
    if (!ComparableWithShown(c))
        return ScopeFileOutcome(kMsgReferenceOtherTimeBase, path);
    gReference.laid = true;
    gReference.capture = c;
    gReference.path = path;
    ShowReferenceState();
    PlotScopeSignals();
    *laid = true;
    return ScopeFileOutcome(kMsgReferenceLaid, path);
}

void RemoveScopeReference()
{
    if (!gReference.laid)
        return;
    Drop();
    PlotScopeSignals();
}

void KeepScopeReferenceIfComparable()
{
    if (!gReference.laid || ComparableWithShown(gReference.capture))
        return;
    const std::string path = gReference.path;
    Drop();
    ShowStatus(kMsgReferenceDropped, path);
}

ReferenceLook ReferenceLookOf(int signal)
{
    switch (signal) {
    case 1: return {"REF CH1", kColorRefCh1};
    case 2: return {"REF SIG", kColorRefSig};
    default: return {"REF CH0", kColorRefCh0};
    }
}

void PlotScopeReference(int selected)
{
    if (!gReference.laid)
        return;
    const ScopeTracesRec &t = gReference.capture.traces;
    const ScopeTrace *traces[] = {&t.Ch0Trace, &t.Ch1Trace, &t.SigTrace};
    for (int signal = 0; signal < 3; ++signal) {
        if (selected != 0 && selected != signal + 1)
            continue;
        double y[kScopeSamples];
        for (int k = 0; k < kScopeSamples; ++k)
            y[k] = (*traces[signal])[size_t(k)];
        const ReferenceLook look = ReferenceLookOf(signal);
        const int plot =
            PlotY(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, y, kScopeSamples, look.color, VAL_DASH);
        if (plot > 0)
            SetPlotName(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, plot, look.name);
    }
}

int CBF_ButtonLayReference(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpLayReference);
        return 0;
    }
    if (event != EVENT_COMMIT)
        return 0;
    char path[1024] = {};
    if (FileSelectPopup(DataDirectory().c_str(), "", "*.ini", "Scope Capture", VAL_LOAD_BUTTON,
                        path, int(sizeof path)) <= 0)
        return 0;
    bool laid = false;
    const std::string text = LayScopeReferenceFrom(path, &laid);
    if (laid)
        ShowChildPanelDisp(AppState.ScopePanel);
    MessagePopup(Tr(kMsgInfoTitle), text.c_str());
    return 0;
}

int CBF_ButtonRemoveReference(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpRemoveReference);
    } else if (event == EVENT_COMMIT && gReference.laid) {
        const std::string path = gReference.path;
        RemoveScopeReference();
        ShowStatus(kMsgReferenceRemoved, path);
    }
    return 0;
}

void InstallScopeReferenceCallbacks()
{
    InstallCtrlCallback(AppState.TabScope, TABP_SCOPE_BUTTON_LAY_REFERENCE, CBF_ButtonLayReference,
                        nullptr);
    InstallCtrlCallback(AppState.TabScope, TABP_SCOPE_BUTTON_REMOVE_REFERENCE,
                        CBF_ButtonRemoveReference, nullptr);
    // New panels start without a reference.
    Drop();
}
