// The parameter set the sensor's RAM last reported (read at connect or by GET, or accepted by a
// SEND), and the marks on the parameter and threshold pages that point at every control whose
// value differs from it: edits the sensor does not have yet.
#pragma once

#include "params/record.h"

#include <vector>

inline constexpr int kUnsyncedMarkColor = 0xE07000; // an orange frame

void SetSensorSet(const ParameterRecord &set);
void ForgetSensorSet();         // no sensor: no marks
const ParameterRecord *SensorSet(); // null when not known

// The set the two pages show now (Parameters is left alone).
ParameterRecord PagesRecord();
// The controls (kParamControls indexes, record order) whose values differ from SensorSet();
// none when it is not known.
std::vector<int> UnsyncedControls();
// Marks exactly those controls; runs after every commit callback once installed.
void RefreshUnsyncedMarks();
void InstallUnsyncedMarks();
