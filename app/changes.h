// Every write to the sensor goes into the change log (support/changelog.h) with the sensor's
// identity as the last connect found it, the Panel ID and who wrote it. The log lies beside the
// panel settings file (AppState.SettingsPath); with no settings file nothing is logged.
#pragma once

#include "app/messages.h"

#include <string>

// What was written (the `what` field of a record).
inline constexpr const char *kChangeParameters = "PARAMETERS";
inline constexpr const char *kChangeConvTable = "CONVERSION TABLE";
inline constexpr const char *kChangeConvData = "CONVERSION DATA";
inline constexpr const char *kChangeOffsets = "OFFSETS";
inline constexpr const char *kChangeSettingTimeFactor = "SETTING TIME FACTOR";
inline constexpr const char *kChangeBaudrate = "BAUDRATE";
inline constexpr const char *kChangeEepromToRam = "EEPROM TO RAM";
inline constexpr const char *kChangeRamToEeprom = "RAM TO EEPROM";

// Appends one record; a log that cannot be written is reported through the sink (once per
// path and run, so that a read-only folder does not answer every write with a popup).
void LogSensorWrite(const char *what, const char *memory, const std::string &changes, bool ok);

// Called by every write to the sensor before its first order: the command-line tool reads the
// sensor's identity there (once) for the records; the app knows it from connecting.
void BeforeSensorWrite();
void SetBeforeSensorWriteHook(void (*hook)());

// "app" unless the command-line tool says "cli".
void SetChangeLogProgram(const char *program);
// Where a log that cannot be written is reported; the app's default is a message popup.
using ChangeLogFailureSink = void (*)(const std::string &message);
void SetChangeLogFailureSink(ChangeLogFailureSink sink);

// The change log of this run (empty: none).
std::string CurrentChangeLogPath();
// The operating-system user and the computer, "user@host".
std::string WriterName();

extern const Msg kMsgChangeLogNotWritten;
