#include "platform/system.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

// ---- Termination request -----------------------------------------------------------------------

namespace {

// The signal handler only writes a byte into a socket pair; the event loop reads it and calls the
// program's handler, where anything may be done.
int gSignalFds[2] = {-1, -1};
std::function<void()> gTerminationHandler;

void OnTerminationSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalFds[0], &c, 1);
}

} // namespace

void OnTerminationRequest(std::function<void()> handler)
{
    if (gSignalFds[0] >= 0 || !qApp || ::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalFds) != 0)
        return;
    gTerminationHandler = std::move(handler);
    auto *notifier = new QSocketNotifier(gSignalFds[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(gSignalFds[1], &c, 1);
        if (gTerminationHandler)
            gTerminationHandler();
    });
    struct sigaction sa = {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

void IgnoreBrokenPipe()
{
    std::signal(SIGPIPE, SIG_IGN);
}

// ---- Serial driver queues ----------------------------------------------------------------------

int DriverQueueLength(intptr_t handle, DriverQueue queue)
{
    int n = 0;
    const int fd = int(handle);
    const unsigned long request = queue == DriverQueue::kReceive ? TIOCINQ : TIOCOUTQ;
    return fd >= 0 && ::ioctl(fd, request, &n) == 0 ? n : -1;
}

bool SerialDeviceGone(intptr_t handle)
{
    const int fd = int(handle);
    if (fd < 0)
        return true;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool SetSerialReadThreshold(intptr_t handle, int bytes, SerialSettings *settings)
{
    static_assert(sizeof(termios) <= sizeof settings->data);
    const int fd = int(handle);
    if (fd < 0)
        return false;
    termios t{};
    if (settings->read) {
        std::memcpy(&t, settings->data, sizeof t);
    } else {
        if (::tcgetattr(fd, &t) != 0)
            return false;
        settings->read = true;
    }
    // Without an inter-byte time the minimum count is what readiness waits for; the device
    // is opened non-blocking, so a read never waits for it.
    t.c_cc[VMIN] = cc_t(std::clamp(bytes, 0, 255));
    t.c_cc[VTIME] = 0;
    std::memcpy(settings->data, &t, sizeof t);
    // The driver call itself: the library's tcsetattr reads the settings before and after,
    // three calls where one does. The kernel's settings are the first part of the library's.
    return ::ioctl(fd, TCSETS, &t) == 0;
}

int WriteSerialNow(intptr_t handle, const uint8_t *data, int count)
{
    const int fd = int(handle);
    if (fd < 0 || count <= 0)
        return 0;
    const ssize_t n = ::write(fd, data, size_t(count));
    if (n >= 0)
        return int(n);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

// ---- Whole files -------------------------------------------------------------------------------

namespace {

constexpr int kMaxTempNumber = 999;
constexpr int kMaxTempRefusals = 100;

FileStatus FromErrno(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT: return FileStatus::kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return FileStatus::kAccessDenied;
    default: return FileStatus::kIoError;
    }
}

FileStatus WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return FromErrno(errno);
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return FileStatus::kOk;
}

// Checks that an existing target may be replaced: only a writable regular file is.
FileStatus CheckTarget(const char *path, bool &exists, mode_t &mode)
{
    struct stat st;
    if (::stat(path, &st) != 0) {
        if (errno == ENOENT) {
            exists = false;
            return FileStatus::kOk;
        }
        return errno == EACCES ? FileStatus::kAccessDenied : FileStatus::kPathNotExaminable;
    }
    exists = true;
    mode = st.st_mode & 07777;
    if (!S_ISREG(st.st_mode) || ::access(path, W_OK) != 0)
        return FileStatus::kAccessDenied;
    return FileStatus::kOk;
}

// A temporary file that no writer holds locked was left by a writer that died (killed, power
// lost): removes it so that its name can be used again. Without this every such death would use
// up one of the names for good, and after a thousand of them no file could be written again.
bool ReclaimStaleTemp(const std::string &tempPath)
{
    const int fd = ::open(tempPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0)
        return false;
    // Only a file with something in it, or one untouched for ten minutes, is taken for a dead
    // writer's: an empty file that someone has just put there is left alone.
    struct stat st;
    bool stale = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                 (st.st_size > 0 || ::time(nullptr) - st.st_mtime > 600) &&
                 ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (stale)
        stale = ::unlink(tempPath.c_str()) == 0;
    ::close(fd);
    return stale;
}

// Whether `fd` is still the file at `path` (a writer that took it for stale may have removed it
// in the moment between its creation and its lock).
bool StillAtPath(int fd, const std::string &path)
{
    struct stat a, b;
    return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// Creates "ini$$<n>.tmp" beside the target, the first free number from 0 up, and holds it
// locked while it is written (the lock ends with the writer, however it ends).
FileStatus CreateTempFile(const std::string &directoryPrefix, std::string &tempPath, int &fd)
{
    int refusals = 0;
    bool reclaimed = false;
    for (int n = 0; n <= kMaxTempNumber; ++n) {
        tempPath = directoryPrefix + "ini$$" + std::to_string(n) + ".tmp";
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillAtPath(fd, tempPath))
                return FileStatus::kOk;
            ::close(fd);
            fd = -1;
            continue;
        }
        // The open's error, before the reclaim's calls overwrite errno (the other writer's
        // file may be gone by then, and ENOENT is no reason to give up).
        const int openError = errno;
        if (openError == EEXIST && !reclaimed && ReclaimStaleTemp(tempPath)) {
            reclaimed = true; // one name taken back per write is enough
            --n;
            continue;
        }
        if (openError == EEXIST || openError == EINTR)
            continue;
        if (openError == EACCES && ++refusals <= kMaxTempRefusals)
            continue;
        return FileStatus::kCannotCreateTemp;
    }
    return FileStatus::kNoTempName;
}

} // namespace

FileStatus ReplaceFileContents(const char *path, std::string_view text)
{
    bool exists = false;
    mode_t mode = 0;
    if (FileStatus rc = CheckTarget(path, exists, mode); rc != FileStatus::kOk)
        return rc;

    const std::string_view target = path;
    const size_t slash = target.rfind('/');
    const std::string prefix(slash == std::string_view::npos ? "" : target.substr(0, slash + 1));
    std::string tempPath;
    int fd = -1;
    if (FileStatus rc = CreateTempFile(prefix, tempPath, fd); rc != FileStatus::kOk)
        return rc;
    if (exists)
        ::fchmod(fd, mode); // keep the target's permissions; a failure here is harmless

    FileStatus rc = WriteAll(fd, text);
    if (rc == FileStatus::kOk && ::fsync(fd) != 0 &&
        errno != EINVAL) // EINVAL: no sync on this file system
        rc = FromErrno(errno);
    if (::close(fd) != 0 && rc == FileStatus::kOk)
        rc = FromErrno(errno);
    if (rc == FileStatus::kOk && ::rename(tempPath.c_str(), path) != 0)
        rc = FromErrno(errno);
    if (rc != FileStatus::kOk) {
        ::unlink(tempPath.c_str());
        return rc;
    }

    // Make the rename itself durable; the data is already safe, so errors are not reported.
    const std::string directory = prefix.empty() ? "." : prefix;
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return FileStatus::kOk;
}

FileStatus ReadFileContents(const char *path, std::string &text)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return FileStatus::kCannotOpen;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return FileStatus::kCannotOpen;
    }
    FileStatus rc = FileStatus::kOk;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            rc = FileStatus::kReadError;
            break;
        }
        if (n == 0)
            break;
        text.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return rc;
}
