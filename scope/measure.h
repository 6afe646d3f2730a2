// Measurements between the scope's two cursors beyond the deltas: the frequency that the cursor
// distance stands for, and the minimum, maximum and mean of one signal between the cursors.
#pragma once

#include "scope/capture.h"

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
