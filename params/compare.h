// Comparing two parameter sets word by word: what `params diff` of the command-line tool prints
// and a view of the app can show.
#pragma once

#include "params/record.h"

#include <cstdint>
#include <vector>

struct WordDifference {
    const char *name; // the word's key in the parameter file, e.g. "POWER CH0"
    uint16_t first;
    uint16_t second;
};

// The words whose values differ, in parameter-file order; empty when the sets are equal.
std::vector<WordDifference> CompareParameters(const ParameterRecord &first,
                                              const ParameterRecord &second);
