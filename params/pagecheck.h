// The words of a parameter set that the parameter and threshold pages cannot show as they
// stand: a ring without an item of that value keeps its previous item, a number beyond its
// control's range is held at the range's end. The app lists them after loading a parameter
// file; the command-line tool refuses such a file unless told to go on.
#pragma once

#include "app/messages.h"
#include "support/ini.h"

#include <map>
#include <string>
#include <vector>

struct ChangedWord {
    std::string name; // the key of the parameter file
    long written = 0; // the value as the file holds it (or the record's word)
    unsigned used = 0; // the value the control holds instead
    bool operator==(const ChangedWord &) const = default;
};

// Values as a parameter file holds them, by key: what TakeParameters read before it kept the
// low 16 bits.
using WrittenValues = std::map<std::string, long>;
WrittenValues ParameterValuesAsWritten(IniText ini);

// Puts Parameters into the controls of both pages (SetPanelValues; no page rule runs) and
// returns the words the controls changed, in file order. Parameters itself keeps what it held.
// `written` gives the values to report as the file's (the record's word where it has none).
std::vector<ChangedWord> SetPanelValuesChecked(const WrittenValues &written = {});

// The list as the operator reads it: the header, then one line per word,
// "NAME: value in the file -> value used".
std::string ChangedWordsText(const std::vector<ChangedWord> &changed);

extern const Msg kMsgChangedWords;
