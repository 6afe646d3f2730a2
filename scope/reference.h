// A saved capture laid under the scope panel's capture as a reference: drawn dashed in paler
// colours with legends of its own ("REF CH0"), kept while new captures come in, and compared
// with the capture shown at each cursor. Both are drawn over the sample number, so a reference
// is only laid under captures of the same time base (scan rate and cycle time).
#pragma once

#include "app/messages.h"
#include "scope/capture_file.h"

#include <string>

// Whether two captures sample at the same rate: the same scan rate and, where both cycle times
// are known, cycle times within 1 % of each other (the drift stays below 1.3 samples over the
// capture). A cycle time not measured on either side is taken as the same.
bool SameScopeTimeBase(int scanRateA, double cycleTimeMsA, int scanRateB, double cycleTimeMsB);

// The reference laid, or nullptr.
const ScopeCapture *ScopeReference();
// The file it came from ("" when none is laid).
std::string ScopeReferencePath();
// How the reference is named in the report and on the panel: the file's name and its date.
std::string ScopeReferenceTitle();

// Lays the capture file at `path` under the capture shown; refused when the file is no good
// capture or when a capture of another time base is shown. The result is also the status text.
std::string LayScopeReferenceFrom(const std::string &path, bool *laid);
// Takes the reference away (nothing when none is laid).
void RemoveScopeReference();
// Called when another capture is put on the panel: a reference of another time base than the
// new capture is taken away, with a line in the status line.
void KeepScopeReferenceIfComparable();

// Plots the reference's analog traces that the signal selector shows (0 all, 1 CH0, 2 CH1,
// 3 SIG) on the analog graph; nothing when none is laid.
void PlotScopeReference(int selected);

// The reference's trace beside each of the capture's, as drawn and printed.
struct ReferenceLook {
    const char *name; // legend name
    int color;
};
ReferenceLook ReferenceLookOf(int signal); // 0 CH0, 1 CH1, 2 SIG

extern const Msg kMsgReferenceLaid;
extern const Msg kMsgReferenceRemoved;
extern const Msg kMsgReferenceOtherTimeBase;
extern const Msg kMsgReferenceDropped;
extern const Msg kMsgReportReference;

// Installs LAY REFERENCE and REMOVE REFERENCE on the scope page; the panels start without one.
void InstallScopeReferenceCallbacks();

int CBF_ButtonLayReference(int panel, int control, int event, void *, int, int);
int CBF_ButtonRemoveReference(int panel, int control, int event, void *, int, int);
