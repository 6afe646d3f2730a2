// Parameter files: one parameter set as an INI text file with a file type and a program
// version, written by SEND and read by GET when the memory selector is on FILE. The hardware
// information file carries the same PARAMETER section through AppendParaToIniHandle.
#pragma once

#include "app/messages.h"
#include "params/record.h"
#include "support/ini.h"

#include <string>
#include <vector>

inline constexpr const char *kSectionGeneralInfo = "GENERAL INFO";
inline constexpr const char *kKeyFileType = "FILE TYPE:";
inline constexpr const char *kKeyScopeVersion = "SCOPE VERSION:";
inline constexpr const char *kParameterFileType = "Parameter File";
inline constexpr const char *kParameterFileVersion = "ORVANTE2 Scope V1.3";
inline constexpr const char *kSectionParameter = "PARAMETER";
inline constexpr const char *kDefaultParameterFileName = "Parameter.ini";

struct ParameterKey {
    const char *key;
    uint16_t ParameterRecord::*field;
    uint16_t defaultValue; // taken when a file lacks the key or its value is no integer
};

// The PARAMETER section in file order: the record order, except that DEAD TIME comes before
// EVALUATION MODE.
extern const ParameterKey kParameterKeys[kParameterRecordSize / 2];

// Puts the 26 items of `record` into the section PARAMETER of `ini`, in file order.
void PutParameters(IniText ini, const ParameterRecord &record);
// Reads the 26 items of the section PARAMETER into `record`: the low 16 bits of every valid
// integer, the default for a missing, empty or non-integer value. Returns the keys that were
// replaced by their defaults, in file order.
std::vector<std::string> TakeParameters(IniText ini, ParameterRecord *record);

// The same on the process-wide record; AcquireParaFromIniHandle shows the missing-key report.
void AppendParaToIniHandle(IniText ini);
void AcquireParaFromIniHandle(IniText ini);

// A complete parameter file holding `record`, written atomically; Ini_WriteToFile's result.
int WriteParameterFile(const ParameterRecord &record, const char *path);
// The GENERAL INFO checks that GET from a file asks the operator about.
enum class ParameterFileCheck { kGood, kNotParameterFile, kOtherVersion };
ParameterFileCheck CheckParameterFile(IniText ini);

// The parameter file dialog (VAL_LOAD_BUTTON or VAL_SAVE_BUTTON), starting where the current
// parameter file lies; a chosen path becomes AppState.ParameterFilePath. The dialog's result.
int ChooseParameterFile(int buttonMode);
// Reads the parameter file at `path` into `record` as GET from a file does: the questions about
// another type or version (false when refused), defaults for missing keys with their report.
bool ReadParameterFileAsking(const char *path, ParameterRecord *record);

// SEND and GET with the memory selector on FILE: a file dialog, then write or read.
void SendParaToFile();
void ReadParaFromFile();

extern const Msg kMsgNoFileSelected;
extern const Msg kMsgNotParameterFile;
extern const Msg kMsgVersionMismatchFile;
extern const Msg kMsgNoParameterRead;
extern const Msg kMsgMissingParameters;
