// The change log: every write to a sensor, from the app and from the command-line tool, as one
// record in `changes.log` in the settings folder. The file only ever grows: one record a line,
// its fields separated by tabs, each record written whole and on the disk before the write is
// reported. A last line without its line feed (the writer was killed in mid-write) and any line
// with another number of fields are not records and are skipped when reading; the file is never
// rewritten to repair them.
//
// Fields, in this order:
//   time      local date and time with seconds, "2026-12-08 21:14:03"
//   program   "app" or "cli"
//   user      who wrote: the operating-system user and the computer, "anna@line3"
//   firmware  the sensor's firmware line
//   sensor    the sensor's name
//   serial    the sensor's serial number (empty when not known)
//   panel     the Panel ID, the operator's identification of the sensor
//   what      PARAMETERS, CONVERSION TABLE, CONVERSION DATA, OFFSETS, SETTING TIME FACTOR,
//             BAUDRATE, EEPROM TO RAM or RAM TO EEPROM
//   memory    RAM, EEPROM, RAM+EEPROM or SENSOR
//   changes   parameters: "NAME old->new" for each word that changed, separated by "; " (old
//             "?" when the sensor's set was not known); tables and data: "CRC32 xxxxxxxx" over
//             the blocks sent; offsets "CH0 n; CH1 n"; others "old->new" or the value sent
//   result    OK or FAILED
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ChangeRecord {
    std::string time, program, user, firmware, sensor, serial, panel, what, memory, changes,
        result;
    bool operator==(const ChangeRecord &) const = default;
};

inline constexpr int kChangeRecordFields = 11;
inline constexpr const char *kChangeLogFileName = "changes.log";
inline constexpr const char *kChangeResultOk = "OK";
inline constexpr const char *kChangeResultFailed = "FAILED";

// The record as one line, line feed included; tabs and line ends inside a field become blanks.
std::string FormatChangeRecord(const ChangeRecord &record);
// One line (without its line feed) back into a record; false when it has not exactly the
// fields of a record.
bool ParseChangeRecord(const std::string &line, ChangeRecord *record);

// Appends the record to the log at `path`; false when it could not be written whole.
bool AppendChangeRecord(const std::string &path, const ChangeRecord &record);

struct ChangeLogContents {
    std::vector<ChangeRecord> records; // newest first
    int skipped = 0;                   // lines that are no record (a torn last line included)
    bool readable = true;              // false: the file is there but could not be read
};
// The records of the log at `path`, newest first; only those of `serial` when it is not empty.
// A missing file is an empty log.
ChangeLogContents ReadChangeLog(const std::string &path, const std::string &serial = {});

// The log beside the settings file `settingsPath` (empty when that is empty).
std::string ChangeLogPathBeside(const std::string &settingsPath);

// CRC-32 (IEEE 802.3) of `size` bytes, continuing from `crc` (0 to start).
uint32_t Crc32(const uint8_t *data, size_t size, uint32_t crc = 0);
// "CRC32 1a2b3c4d".
std::string ChecksumText(uint32_t crc);
