// The record file's format and the record-time arithmetic: pure functions, no panels, no files.
// The file is plain bytes (CR LF line ends written as such): a header written when the operator
// chooses the file, then one tab-separated line per recorded data frame.
#pragma once

#include "live/data_frame.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

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

// ---- Reading a record file back -------------------------------------------------------------
// A record file is recognised by its header (either language's title line, the identification
// line, the column line) or, for a file recordings were appended to before any header was
// written, by a first line that is a data line. Anything else before the first data line makes
// it a foreign file. After that, a line that is not a whole data line (damaged, cut short, a
// value beyond 16 bits, a last line without its line end) is skipped and counted; empty lines
// are passed over. A file with more such lines than data lines is refused as damaged.

enum class RecordReadResult {
    kOk,
    kUnreadable, // cannot be opened or read
    kEmpty,      // no byte at all
    kForeign,    // not a record file
    kNoLines,    // a record file's header without a data line
    kDamaged,    // more lines skipped than read
};

// One value column of a record file, in the order of the file's columns.
enum RecordSignal { kRecCh0 = 0, kRecCh1 = 1, kRecTemp = 2, kRecSig = 3, kRecSignals = 4 };
inline constexpr const char *kRecordSignalNames[kRecSignals] = {"CH0", "CH1", "TEMP", "SIG"};

struct RecordContents {
    int language = -1;    // of the header: 0 German, 1 English, -1 none
    std::string program;  // what the title line names
    std::string sensorId; // the identification line's text ("" when it has none)
    std::vector<int64_t>
        time; // per line: seconds since 1970-01-01 of its date and time, as written
    std::vector<int16_t> values[kRecSignals];
    size_t skipped = 0;      // lines that were not whole data lines
    size_t firstSkipped = 0; // the file line number of the first of them (1-based), 0: none
    size_t lines() const { return time.size(); }
};

// The longest line a record file holds; a longer one is not a record file's line.
inline constexpr size_t kMaxRecordLine = 128;

// Takes a record file's bytes in pieces of any size. Holds no more than one line of text beside
// the values it has read. `feed` returns false as soon as the bytes cannot be a record file;
// the caller stops reading then.
class RecordFileParser {
public:
    explicit RecordFileParser(RecordContents &out) : out_(out) {}
    bool feed(const char *data, size_t size);
    RecordReadResult finish();
    // The file's size, when known: room for its lines is made once the first data line shows
    // it to be a record file.
    void expectBytes(size_t size) { expected_ = size; }
    size_t bufferedBytes() const { return partial_.size(); } // of a line not yet complete

private:
    bool line(const char *begin, size_t size);
    RecordContents &out_;
    std::string partial_;
    bool overlong_ = false; // the current line grew past kMaxRecordLine
    bool inData_ = false;   // a data line has been read
    bool foreign_ = false;
    bool recognised_ = false; // a header line or a data line was seen
    bool any_ = false;        // a byte was seen
    size_t expected_ = 0;
    size_t lineNo_ = 0;
    int headerLines_ = 0;
};

// Parses one data line (without its line end): date MM-DD-YYYY, time HH:MM:SS and four signed
// 16-bit values, tab-separated. False when the line is anything else.
bool ParseRecordLine(const char *line, size_t size, int64_t *time, int16_t values[kRecSignals]);

// Reads the file at `path` in pieces of kRecordReadChunk bytes. `bytesRead` (optional) gets how
// many bytes were read: a foreign file is left after its first piece.
inline constexpr size_t kRecordReadChunk = 64 * 1024;
RecordReadResult ReadRecordFile(const char *path, RecordContents &out, size_t *bytesRead = nullptr);

// The date and time of a `RecordContents::time` value as the file writes them ("MM-DD-YYYY
// HH:MM:SS").
std::string RecordTimeText(int64_t time);
