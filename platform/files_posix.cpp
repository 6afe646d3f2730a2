// The POSIX side of platform/files.h.
#include "platform/files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t CurrentUmask()
{
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

} // namespace

AppendFile::~AppendFile()
{
    close();
}

bool AppendFile::open(const std::string &path, const std::string &likePath)
{
    close();
    mode_t mode = 0666 & ~CurrentUmask();
    struct stat st;
    if (!likePath.empty() && ::stat(likePath.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        mode = st.st_mode & 07777;
    // Never through a link that someone put where the file goes.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd_ < 0)
        return false;
    ::fchmod(fd_, mode); // an existing file keeps its permissions otherwise
    return true;
}

bool AppendFile::append(const std::string &text)
{
    if (fd_ < 0)
        return false;
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

bool AppendRecordDurably(const std::string &path, const std::string &record)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW,
                          0666 & ~CurrentUmask());
    if (fd < 0)
        return false;
    // Other writers (the app and the tool) append to the same file: a lock keeps the check of
    // the last byte and the write together.
    while (::flock(fd, LOCK_EX) < 0 && errno == EINTR) {
    }
    std::string text = record;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && st.st_size > 0) {
        char last = '\n';
        if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
            text.insert(text.begin(), '\n');
    }
    // One write for the whole record; only a signal or a full disk can cut it short, and a
    // record cut short is the torn last line that a reader skips.
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += size_t(n);
    }
    ok = ::fsync(fd) == 0 && ok;
    ::flock(fd, LOCK_UN);
    ok = ::close(fd) == 0 && ok;
    return ok;
}

bool AppendFile::flush()
{
    return fd_ >= 0; // append() writes straight to the system: nothing waits in this process
}

bool AppendFile::sync()
{
    return fd_ >= 0 && (::fsync(fd_) == 0 || errno == EINVAL);
}

bool AppendFile::close()
{
    if (fd_ < 0)
        return true;
    const bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
}

bool RenameFile(const std::string &from, const std::string &to)
{
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string &path)
{
    return ::unlink(path.c_str()) == 0;
}

PathKind KindOfPath(const std::string &path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::kMissing : PathKind::kUnknown;
    if (S_ISREG(st.st_mode))
        return PathKind::kRegularFile;
    if (S_ISDIR(st.st_mode))
        return PathKind::kDirectory;
    if (S_ISCHR(st.st_mode))
        return PathKind::kCharacterDevice;
    return PathKind::kOther;
}

bool MayWrite(const std::string &path)
{
    return ::access(path.c_str(), W_OK) == 0;
}

void WriteAll(int fd, const char *text, unsigned long length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, text, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        length -= static_cast<unsigned long>(n);
    }
}

void OnTerminationSignals(void (*handler)(int))
{
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&sa.sa_mask, s); // one handler at a time
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(s, &sa, nullptr);
}

void DefaultTerminationSignals()
{
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        std::signal(s, SIG_DFL);
}

void ExitNow(int code)
{
    ::_exit(code);
}

bool StandardErrorIsTerminal()
{
    return ::isatty(2) == 1;
}

namespace {

constexpr int kMaxForwarded = 256;
pid_t gForwardTo[kMaxForwarded];
volatile sig_atomic_t gForwardCount = 0;
volatile sig_atomic_t gSignalReceived = 0;

extern "C" void Forward(int signal)
{
    gSignalReceived = signal;
    for (int i = 0; i < gForwardCount; ++i)
        if (gForwardTo[i] > 0)
            ::kill(gForwardTo[i], signal);
}

} // namespace

void ForwardTerminationSignals(const long *pids, int count)
{
    gForwardCount = 0;
    for (int i = 0; i < count && i < kMaxForwarded; ++i)
        gForwardTo[i] = pid_t(pids[i]);
    gForwardCount = count < kMaxForwarded ? count : kMaxForwarded;
    OnTerminationSignals(Forward);
}

int SignalReceived()
{
    return gSignalReceived;
}
