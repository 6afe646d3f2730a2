// The compare view: the sensor's RAM and EEPROM parameter sets and a parameter file side by side,
// in the units the pages show, every word that differs marked, and the four copies between them
// (RAM to EEPROM, EEPROM to RAM, file to RAM, RAM to file) with the existing orders and messages.
// A window of its own, opened modal from the parameter page.
#pragma once

#include "app/messages.h"
#include "params/compare.h"
#include "params/record.h"

#include <optional>
#include <string>

// What the view holds: the sets read last (none where reading failed or nothing was chosen).
struct CompareSets {
    std::optional<ParameterRecord> ram, eeprom, file;
    std::string filePath;
};
const CompareSets &ComparedSets();

// Reads RAM and EEPROM (the EEPROM through RAM: order 4, order 2, then RAM is written back
// unlogged). 1, or -1 after the failure went through SetTimeout.
int ReadRamAndEeprom(CompareSets *sets);

// The text a word has on the pages: ring items by their text in the current language, HOLD in
// ms, DEAD TIME in %, numbers as they are.
std::string WordOnPages(uint16_t ParameterRecord::*field, uint16_t value);

// The word's caption on its page in the current language (`key` where it has none).
std::string WordLabelOnPages(uint16_t ParameterRecord::*field, const char *key);

void ShowCompareView();  // loads the window on first use, reads, shows it modal
void RefreshCompareView(); // reads the sensor again (and the file) and fills the table
void CloseCompareView();
int ComparePanel(); // the window's panel handle (0 before it was first shown)

int CBF_ButtonCompare(int panel, int control, int event, void *, int, int);
int CBF_COMPAREP(int panel, int event, void *, int, int);
int CBF_TableCompare(int panel, int control, int event, void *, int, int);
int CBF_ButtonCompareChooseFile(int panel, int control, int event, void *, int, int);
int CBF_ButtonCompareRead(int panel, int control, int event, void *, int, int);
int CBF_ButtonCopyParameters(int panel, int control, int event, void *, int, int);
int CBF_ButtonCloseCompare(int panel, int control, int event, void *, int, int);
void InstallCompareCallbacks(); // the parameter page's button

extern const Msg kMsgValuesDiffer;
extern const Msg kMsgValuesAgree;
extern const Msg kMsgNoSensorForCompare;
