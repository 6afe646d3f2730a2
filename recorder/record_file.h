// The record file's format and the record-time arithmetic: pure functions, no panels, no files.
// The file is plain bytes (CR LF line ends written as such): a header written when the operator
// chooses the file, then one tab-separated line per recorded data frame.
#pragma once

#include "live/data_frame.h"

#include <ctime>
#include <string>

inline constexpr const char *kDefaultRecordFileName = "RecordFile.dat";
inline constexpr const char *kRecordFileFilter = "*.dat";
inline constexpr double kMinRecInterval = 0.25; // seconds

// The header in language 0 (German) or any other (English); the Panel ID line only when
// `sensorId` is not empty.
std::string RecordFileHeader(int language, const char *programName, const char *sensorId);

// One data line: date MM-DD-YYYY, time HH:MM:SS (24 h), CH0, CH1, TEMP and SIG as signed
// decimals, tab-separated, CR LF.
std::string RecordLine(const DataFrameRec &frame, const std::tm &when);

// Appends `line` to the file at `path` (created when missing). True when the whole line is in
// the file; otherwise the file is cut back to its length before, so that no half line stays.
bool AppendRecordLine(const char *path, const std::string &line);
// Replaces the file at `path` by `header`; false when it could not be written whole.
bool WriteRecordHeader(const char *path, const std::string &header); // old file or new, whole

// The interval a recording uses: never below kMinRecInterval.
double ClampedRecInterval(double interval);

// When the next request of an interval recording starts, given when it was due and when the
// wait for it ended: on the schedule, so a late wake-up does not add up over a long recording;
// after an exchange that took longer than an interval a new schedule begins at `now`.
double NextRecordStart(double due, double now, double interval);

// interval x values seconds split into whole days, hours and minutes and the seconds left over
// (with their fraction).
struct RecordTime {
    int days = 0, hours = 0, minutes = 0;
    double seconds = 0;
};
RecordTime SplitRecordTime(double interval, unsigned values);
