// Comparing parameter sets word by word: what `params diff` of the command-line tool prints, the
// compare view shows side by side and the change log records for a parameter write.
#pragma once

#include "params/record.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct WordDifference {
    const char *name; // the word's key in the parameter file, e.g. "POWER CH0"
    uint16_t first;
    uint16_t second;
};

// The words whose values differ, in parameter-file order; empty when the sets are equal.
std::vector<WordDifference> CompareParameters(const ParameterRecord &first,
                                              const ParameterRecord &second);

// For the change log: "NAME old->new" for every word that changed, joined by "; "; without
// `before` (the sensor's set was not known) every word, with "?" as the old value.
std::string ParameterChangesText(const ParameterRecord *before, const ParameterRecord &after);

// A word as the pages show it: HOLD in milliseconds ("12.5 ms"), DEAD TIME in percent ("5 %"),
// every other word as its number. The compare view puts ring items in place of numbers.
std::string WordInPageUnits(uint16_t ParameterRecord::*field, uint16_t value);
using WordFormatter = std::function<std::string(uint16_t ParameterRecord::*field, uint16_t value)>;

// One line of the side-by-side view: the word's name, its text in each set (empty where a set is
// missing) and whether the sets present disagree on it.
struct CompareRow {
    const char *name;
    uint16_t ParameterRecord::*field;
    std::vector<std::string> shown;
    bool differs = false;
};
// The 26 words in parameter-file order over `sets` (a null entry: that set is not there).
std::vector<CompareRow> CompareSideBySide(const std::vector<const ParameterRecord *> &sets,
                                          const WordFormatter &format = WordInPageUnits);
