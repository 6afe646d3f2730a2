// Measurements between the scope's two cursors beyond the deltas: the frequency that the cursor
// distance stands for, and the minimum, maximum and mean of one signal between the cursors.
#pragma once

#include "scope/capture.h"

#include <string>

struct CursorStats {
    bool valid = false; // false when no sample lies between the cursors
    int first = 0, last = 0; // the samples taken into account
    int minimum = 0, maximum = 0;
    double mean = 0;
};

// The samples from the nearer cursor's position to the farther's (rounded inwards, clipped to
// the capture) of `trace`.
CursorStats CursorStatsOf(const ScopeTrace &trace, double x1, double x2);

// 1 / delta X: the frequency in Hz of a period as long as the cursors' distance; 0 when the
// distance is 0 or not known in time.
double CursorFrequencyHz(double deltaXMs);

// The analog trace a signal number names: 0 CH0, 1 CH1, 2 SIG (anything else CH0).
const ScopeTrace &AnalogTraceOf(const ScopeTracesRec &traces, int signal);

// The readouts as the scope panel and the report show them; "-" where a value is not defined.
// 1 / delta X in Hz (undefined when delta X is 0 or the cycle time is not measured).
std::string CursorFrequencyText(double deltaXMs);
struct CursorStatsTexts {
    std::string minimum = "-", maximum = "-", mean = "-";
};
CursorStatsTexts CursorStatsTextsOf(const CursorStats &stats);

// The sample a cursor stands on: its x rounded to the nearest sample; -1 outside the capture.
int CursorSample(double x);
// Capture minus reference at `sample` for the analog traces the signal selector shows (0 all,
// 1 CH0, 2 CH1, 3 SIG): "CH0 -12  CH1 +3  SIG 0"; "-" when the sample is outside the capture.
std::string ReferenceDifferenceText(const ScopeTracesRec &current, const ScopeTracesRec &reference,
                                    int sample, int selected);
