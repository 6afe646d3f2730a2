// Files that grow while a long job runs, and the few file-system questions the command-line tool
// asks (what a path is, whether it may be written), behind small functions so that the callers
// hold no system calls of their own. The POSIX implementation is files_posix.cpp.
#pragma once

#include <string>

// A file written line by line: every append reaches the operating system before it returns, so
// what was appended survives the end of the process (a signal, a crash); sync() asks for it to
// be on the disk as well.
class AppendFile {
public:
    AppendFile() = default;
    AppendFile(const AppendFile &) = delete;
    AppendFile &operator=(const AppendFile &) = delete;
    ~AppendFile(); // closes, keeping the file

    // Creates the file, or empties the one there, with the permissions `likePath` has when it is
    // an existing file and those of a new file otherwise.
    bool open(const std::string &path, const std::string &likePath = {});
    bool append(const std::string &text); // the whole text, or false
    bool flush();                         // hands everything appended to the system (no buffer)
    bool sync();                          // data on the disk
    bool close();
    bool isOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Appends one record (a line ending in a line feed) to the file at `path`, creating it when it is
// missing: the record goes to the system in one write at the file's end and is on the disk
// (fsync) before this returns true. A last line that an earlier writer left without its line
// feed (a kill in mid-write) is ended first, so that the new record starts on a line of its own;
// nothing already in the file is changed.
bool AppendRecordDurably(const std::string &path, const std::string &record);

// Renames `from` over `to` in one step (both in the same folder).
bool RenameFile(const std::string &from, const std::string &to);
bool RemoveFile(const std::string &path);

enum class PathKind { kMissing, kRegularFile, kDirectory, kCharacterDevice, kOther, kUnknown };
// What `path` is, following symbolic links (kUnknown: it could not be found out, e.g. a folder
// on the way may not be read).
PathKind KindOfPath(const std::string &path);
// Whether the process may write `path` (an existing file or device).
bool MayWrite(const std::string &path);

// Writes all of `text` to descriptor `fd`, retrying after interruptions; async-signal-safe.
void WriteAll(int fd, const char *text, unsigned long length);
// Calls `handler` on SIGINT, SIGTERM and SIGHUP; `handler` must be async-signal-safe and end
// the process.
void OnTerminationSignals(void (*handler)(int signal));
// Restores the default reaction to those signals.
void DefaultTerminationSignals();
// Whether standard error goes to a terminal (progress lines are shown only then).
bool StandardErrorIsTerminal();
// Passes SIGINT, SIGTERM and SIGHUP on to the processes `pids` (the parent of several runs of
// the tool); the receiving process goes on and learns through SignalReceived().
void ForwardTerminationSignals(const long *pids, int count);
int SignalReceived(); // the last signal forwarded, or 0
// Ends the process at once with `code`, without running exit handlers; async-signal-safe.
[[noreturn]] void ExitNow(int code);
