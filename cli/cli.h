// The command-line tool's shared pieces: options, exit codes, output helpers and the one-order
// exchange. Each command group lives in its own file of cli/ and is dispatched from main.cpp.
#pragma once

#include "app/messages.h"

#include "support/ini.h"

#include <QJsonObject>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

enum ExitCode { kExitOk = 0, kExitUsage = 1, kExitLink = 2, kExitVersion = 3, kExitFile = 4 };
// params diff: the two sets differ (no failure).
inline constexpr int kExitDiffer = 1;
// Ended by SIGINT or SIGTERM: 128 + the signal, as a shell reports it.
inline constexpr int kExitInterrupted = 130, kExitTerminated = 143;

struct Link {
    bool tcp = true;
    std::string address; // HOST[:PORT], or the serial device / COMn
};

struct Options {
    std::vector<Link> links; // every --tcp and --serial, in the order given
    std::string tcp, serial; // the one link of this process
    std::string lang = "en", memory, file;
    long baud = 115200;
    int count = -1;
    int ch0 = -1, ch1 = -1;
    double timeout = 0; // seconds; 0 keeps the exchange's own limit
    bool clamp = false; // params send: send values the app's controls change, after listing them
    double triggerWait = 0; // scope: seconds to wait for the trigger; 0 keeps the default
    bool json = false, verify = false;
    // Raw values of the record and scope options; their commands parse and check them.
    std::string interval, trigger, level, pretrigger, rate;
    std::string id; // record: the identification line of the record file
    std::string save; // scope: the capture file to write
    bool csv = false; // scope: the traces as CSV on standard output
    std::string png, svg;    // scope: pictures of the capture to write
    std::string load;        // scope: a capture file taken instead of a capture from the sensor
    std::string settingsDir; // where the app's settings and the change log lie; empty: the app's
    std::string logSerial;   // log: only the records of this serial number
    std::vector<std::string> words; // the command, its sub-command and their operands
};

extern const Msg kMsgFileNotWritten;
extern const Msg kMsgFileNotRead;

// Prints text and a line end if it has none.
void Print(FILE *to, const std::string &text);
// A message for the operator about a failure or a refusal: on standard error, or with --json
// collected for the `message` of the error object that ends the output.
void Report(const std::string &text);
// With --json: one object as one line on standard output.
void EmitJson(const QJsonObject &object);
// With --json: prints the error object for `code` now, its message what Report collected, with
// the keys of `extra` beside; the end of main() prints none then.
void EmitError(int code, const QJsonObject &extra = {});
// With --json: the error object for `code` has been printed already (it carries more than the
// message); the end of main() prints none.
void ErrorObjectPrinted();
// Whether --json was given.
bool JsonOutput();
// The error code of a failing exit status, as the error objects carry it.
const char *ErrorCodeName(int exitCode);
// The local time now in ISO 8601 with milliseconds and the offset from UTC.
std::string IsoTimeNow();
// Progress of a long command on standard error, only when that is a terminal: "done/total".
// Progress(0, 0) clears the line.
void Progress(const char *what, int done, int total);

// Reports a usage problem in one line and points to --help; returns kExitUsage.
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

// The change log (cli/changelog.cpp). UseChangeLog finds the log (--settings-dir or the app's
// settings folder) and the Panel ID there; FetchSensorIdentity reads firmware, name and serial
// number (orders 7 and 15) for the records of a write, run by UseChangeLog's hook before the
// first write; ShowChangeLog is `log`.
void UseChangeLog(const Options &o);
bool FetchSensorIdentity();
int ShowChangeLog(const Options &o);

// Many sensors at once (cli/many.cpp): runs this program once per link of `o`, in parallel,
// and passes their output on, each line marked with its target; returns the worst exit status.
int RunForEveryLink(const Options &o, int argc, char **argv);
