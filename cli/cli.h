// The command-line tool's shared pieces: options, exit codes, output helpers and the one-order
// exchange. Each command group lives in its own file of cli/ and is dispatched from main.cpp.
#pragma once

#include "app/messages.h"

#include "support/ini.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

enum ExitCode { kExitOk = 0, kExitUsage = 1, kExitLink = 2, kExitVersion = 3, kExitFile = 4 };

struct Options {
    std::string tcp, serial, lang = "en", memory, file;
    long baud = 115200;
    int count = -1;
    int ch0 = -1, ch1 = -1;
    double timeout = 0; // seconds; 0 keeps the exchange's own limit
    bool clamp = false; // params send: send values the app's controls change, after listing them
    // Raw values of the record and scope options; their commands parse and check them.
    std::string interval, trigger, level, pretrigger, rate;
    std::string id; // record: the identification line of the record file
    std::vector<std::string> words; // the command and its sub-command
};

extern const Msg kMsgFileNotWritten;
extern const Msg kMsgFileNotRead;

// Prints text and a line end if it has none.
void Print(FILE *to, const std::string &text);
// Reports a usage problem with the usage text; returns kExitUsage.
int Usage(const std::string &problem);
// The text up to its first line end.
std::string FirstLine(const std::string &text);
// Reads one of the app's INI files: kExitOk, or kExitFile after the failure is reported. A file
// `refusedAs` gives a question for (another type or version) is refused with that question's
// first line and `refusal`; so is one whose values `take` could not all read, with
// `unreadHeader` and the names of what it could not read.
int ReadAppFile(const std::string &path, const std::function<const Msg *(IniText)> &refusedAs,
                const std::function<std::vector<std::string>(IniText)> &take,
                const std::string &unreadHeader, const std::string &refusal);
// Sends one order with its argument and reads the whole answer into AppState.RxBuffer.
bool Exchange(uint8_t order, unsigned arg = 0);

struct ParameterRecord;
struct ChangedWord;
// The set as the app's pages hold it once it is shown there (control ranges and page rules
// applied); false, after a message, when the pages cannot be loaded (cli/pages.cpp). With
// `changed`, the words the controls could not take (reported with the values of `written`).
bool ThroughThePages(ParameterRecord *record,
                     const std::map<std::string, long> *written = nullptr,
                     std::vector<ChangedWord> *changed = nullptr);

// Command groups (cli/record_scope.cpp, cli/convtable_hwinfo.cpp). With checkOnly they check
// their options (and read their input file) without any exchange and return kExitOk or the
// failure's exit code: main() calls them so before it opens the link, so that a usage or file
// error is reported as one also when no sensor is there.
int Record(const Options &o, bool checkOnly = false);
int Scope(const Options &o, bool checkOnly = false);
int ConvTable(const Options &o, const std::string &what, bool checkOnly = false); // get, send, send-data
int HwInfo(const Options &o, bool checkOnly = false);
