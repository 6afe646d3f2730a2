#include "support/ini.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct IniItem {
    std::string name;
    std::string value;  // as stored in the file: escaped, without the quotes
    bool quoted = false;
};

struct IniSection {
    std::string name;
    std::vector<IniItem> items;
};

}  // namespace

struct IniStore {
    std::vector<IniSection> sections;
};

namespace {

constexpr std::string_view kLineSuffix = " Line";
constexpr std::string_view kSeparator = " = ";
constexpr std::string_view kLineEnd = "\r\n";
constexpr int kMaxTempNumber = 999;
constexpr int kMaxTempRefusals = 100;

// The longest line the writer can produce: a cut name, a continuation suffix with a four-digit
// counter, the separator and a quoted value chunk. Keeping it inside the line limit means a value
// never has to be cut to fit.
static_assert(kIniMaxNameLength + kLineSuffix.size() + 4 + kSeparator.size() +
                      kIniMaxValueLineLength + 2 <=
              kIniMaxLineLength);

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s)
{
    return TrimRight(TrimLeft(s));
}

// The form in which names are stored and compared.
std::string_view NormaliseName(std::string_view name)
{
    name = Trim(name);
    if (name.size() > kIniMaxNameLength)
        name = TrimRight(name.substr(0, kIniMaxNameLength));
    return name;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    }
    return true;
}

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7f;
}

std::string Escape(std::string_view raw)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(raw.size());
    for (char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (IsControl(c)) {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 0xf];
            } else {
                out += ch;
            }
        }
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Calls emit(char) for each byte of the unescaped value and returns how many there were.
// A backslash before any other character stands for that character; a trailing one for itself.
template <typename Emit>
size_t Unescape(std::string_view v, Emit &&emit)
{
    size_t count = 0;
    for (size_t i = 0; i < v.size(); ++i, ++count) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            emit(v[i]);
            continue;
        }
        const char c = v[++i];
        if (c == 'n') {
            emit('\n');
        } else if (c == 'r') {
            emit('\r');
        } else if (c == 't') {
            emit('\t');
        } else if (c == 'x' && i + 2 < v.size() && HexDigit(v[i + 1]) >= 0
                   && HexDigit(v[i + 2]) >= 0) {
            emit(static_cast<char>(HexDigit(v[i + 1]) * 16 + HexDigit(v[i + 2])));
            i += 2;
        } else {
            emit(c);
        }
    }
    return count;
}

IniSection *FindSection(IniStore *store, std::string_view name)
{
    for (IniSection &s : store->sections) {
        if (SameName(s.name, name))
            return &s;
    }
    return nullptr;
}

const IniItem *FindItem(IniStore *store, const char *section, const char *item)
{
    IniSection *s = FindSection(store, NormaliseName(section));
    if (!s)
        return nullptr;
    const std::string_view key = NormaliseName(item);
    for (const IniItem &i : s->items) {
        if (SameName(i.name, key))
            return &i;
    }
    return nullptr;
}

// A value that would not read back as it is unless quoted: blank at either end (the reader
// trims), empty (the reader drops it), or looking like a quoted value itself.
bool NeedsQuotes(std::string_view v)
{
    return v.empty() || IsBlank(v.front()) || IsBlank(v.back())
           || (v.size() >= 2 && v.front() == '"' && v.back() == '"');
}

void AppendItemLine(std::string &out, std::string_view name, std::string_view value, bool quoted)
{
    out += name;
    out += kSeparator;
    quoted = quoted || NeedsQuotes(value);
    if (quoted)
        out += '"';
    out += value;
    if (quoted)
        out += '"';
    out += kLineEnd;
}

// If name ends in " Line" and digits, sets base and whether the number is 1.
bool SplitLineName(std::string_view name, std::string_view &base, bool &first)
{
    size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        --digits;
    if (digits == name.size() || digits < kLineSuffix.size() + 1)
        return false;
    if (name.substr(digits - kLineSuffix.size(), kLineSuffix.size()) != kLineSuffix)
        return false;
    base = TrimRight(name.substr(0, digits - kLineSuffix.size()));
    std::string_view number = name.substr(digits);
    while (number.size() > 1 && number.front() == '0')
        number.remove_prefix(1);
    first = number == "1";
    return true;
}

// Turns each "<name> Line1", "<name> Line2", ... run back into one item. A run ends at the next
// item numbered 1 or at an item of another name.
void JoinLongValues(IniSection &section)
{
    std::vector<IniItem> joined;
    joined.reserve(section.items.size());
    auto &items = section.items;
    for (size_t i = 0; i < items.size();) {
        std::string_view base;
        bool first = false;
        if (SplitLineName(items[i].name, base, first) && first) {
            IniItem item{std::string(base), std::move(items[i].value), items[i].quoted};
            size_t j = i + 1;
            std::string_view nextBase;
            bool nextFirst = false;
            while (j < items.size() && SplitLineName(items[j].name, nextBase, nextFirst)
                   && !nextFirst && SameName(nextBase, item.name)) {
                item.value += items[j].value;
                ++j;
            }
            joined.push_back(std::move(item));
            i = j;
        } else {
            joined.push_back(std::move(items[i]));
            ++i;
        }
        joined.back().name = std::string(NormaliseName(joined.back().name));
    }
    items = std::move(joined);
}

int ErrnoToCode(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return kIniDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return kIniAccessDenied;
    default:
        return kIniIoError;
    }
}

int WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ErrnoToCode(errno);
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

std::string FormatStore(const IniStore &store)
{
    std::string out;
    for (const IniSection &section : store.sections) {
        out += '[';
        out += section.name;
        out += ']';
        out += kLineEnd;
        for (const IniItem &item : section.items) {
            const std::string_view value = item.value;
            if (value.size() <= kIniMaxValueLineLength) {
                AppendItemLine(out, item.name, value, item.quoted);
                continue;
            }
            for (size_t pos = 0, line = 1; pos < value.size();
                 pos += kIniMaxValueLineLength, ++line) {
                char counter[24];
                std::snprintf(counter, sizeof counter, "%04zu", line);
                std::string name = item.name;
                name += kLineSuffix;
                name += counter;
                AppendItemLine(out, name, value.substr(pos, kIniMaxValueLineLength), item.quoted);
            }
        }
        out += kLineEnd;
    }
    return out;
}

void ParseLine(IniStore &store, std::string_view line, bool &inSection)
{
    line = TrimLeft(line.substr(0, kIniMaxLineLength));
    if (line.empty() || line.front() == ';')
        return;
    if (line.front() == '[') {
        const size_t close = line.rfind(']');
        if (close == std::string_view::npos || !TrimLeft(line.substr(close + 1)).empty())
            return;
        const std::string_view name = NormaliseName(line.substr(1, close - 1));
        if (name.empty())
            return;
        store.sections.push_back(IniSection{std::string(name), {}});
        inSection = true;
        return;
    }
    if (!inSection)
        return;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return;
    const std::string_view name = TrimRight(line.substr(0, eq));
    std::string_view value = Trim(line.substr(eq + 1));
    if (name.empty() || value.empty())
        return;
    bool quoted = false;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
        quoted = true;
    }
    // Names are cut only after long values are joined, so the " Line" endings survive.
    store.sections.back().items.push_back(IniItem{std::string(name), std::string(value), quoted});
}

// Lines end at CR, LF or NUL. Pairs such as CR LF or LF CR would only add empty lines, which are
// skipped anyway, so every end character can be treated alike.
void ParseText(IniStore &store, std::string_view text)
{
    const size_t firstNew = store.sections.size();
    bool inSection = false;
    while (!text.empty()) {
        const size_t end = text.find_first_of(std::string_view("\r\n\0", 3));
        ParseLine(store, text.substr(0, end), inSection);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    for (size_t i = firstNew; i < store.sections.size(); ++i)
        JoinLongValues(store.sections[i]);
}

int PutValue(IniText store, const char *section, const char *item, std::string value,
             bool quoted)
{
    if (!store || !section || !item)
        return kIniNullArgument;
    const std::string_view sectionName = NormaliseName(section);
    const std::string_view itemName = NormaliseName(item);
    if (sectionName.empty() || itemName.empty())
        return kIniNullArgument;
    try {
        IniSection *s = FindSection(store, sectionName);
        if (!s) {
            IniSection fresh{std::string(sectionName), {}};
            fresh.items.push_back(IniItem{std::string(itemName), std::move(value), quoted});
            store->sections.push_back(std::move(fresh));
            return 0;
        }
        for (IniItem &i : s->items) {
            if (SameName(i.name, itemName)) {
                i.value = std::move(value);
                i.quoted = quoted;
                return 0;
            }
        }
        s->items.push_back(IniItem{std::string(itemName), std::move(value), quoted});
        return 0;
    } catch (const std::bad_alloc &) {
        return kIniOutOfMemory;
    }
}

// Checks that an existing target may be replaced: only a writable regular file is.
int CheckTarget(const char *path, bool &exists, mode_t &mode)
{
    struct stat st;
    if (::stat(path, &st) != 0) {
        if (errno == ENOENT) {
            exists = false;
            return 0;
        }
        return errno == EACCES ? kIniAccessDenied : kIniPathNotExaminable;
    }
    exists = true;
    mode = st.st_mode & 07777;
    if (!S_ISREG(st.st_mode) || ::access(path, W_OK) != 0)
        return kIniAccessDenied;
    return 0;
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
int CreateTempFile(const std::string &directoryPrefix, std::string &tempPath, int &fd)
{
    int refusals = 0;
    bool reclaimed = false;
    for (int n = 0; n <= kMaxTempNumber; ++n) {
        tempPath = directoryPrefix + "ini$$" + std::to_string(n) + ".tmp";
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillAtPath(fd, tempPath))
                return 0;
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
        return kIniCannotCreateTemp;
    }
    return kIniNoTempName;
}

int WriteText(const char *path, std::string_view text)
{
    bool exists = false;
    mode_t mode = 0;
    if (int rc = CheckTarget(path, exists, mode); rc != 0)
        return rc;

    const std::string_view target = path;
    const size_t slash = target.rfind('/');
    const std::string prefix(slash == std::string_view::npos ? "" : target.substr(0, slash + 1));
    std::string tempPath;
    int fd = -1;
    if (int rc = CreateTempFile(prefix, tempPath, fd); rc != 0)
        return rc;
    if (exists)
        ::fchmod(fd, mode);  // keep the target's permissions; a failure here is harmless

    int rc = WriteAll(fd, text);
    if (rc == 0 && ::fsync(fd) != 0 && errno != EINVAL)  // EINVAL: no sync on this file system
        rc = ErrnoToCode(errno);
    if (::close(fd) != 0 && rc == 0)
        rc = ErrnoToCode(errno);
    if (rc == 0 && ::rename(tempPath.c_str(), path) != 0)
        rc = ErrnoToCode(errno);
    if (rc != 0) {
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
    return 0;
}

}  // namespace

IniText Ini_New(int /*automaticSorting*/)
{
    return new (std::nothrow) IniStore;
}

void Ini_Dispose(IniText store)
{
    delete store;
}

int Ini_PutString(IniText store, const char *section, const char *item, const char *text)
{
    if (!text)
        return kIniNullArgument;
    return Ini_PutData(store, section, item, text, std::strlen(text));
}

int Ini_PutInt(IniText store, const char *section, const char *item, int value)
{
    try {
        return PutValue(store, section, item, std::to_string(value), false);
    } catch (const std::bad_alloc &) {
        return kIniOutOfMemory;
    }
}

int Ini_PutData(IniText store, const char *section, const char *item, const void *data,
                size_t size)
{
    if (!data && size > 0)
        return kIniNullArgument;
    try {
        const std::string_view raw(static_cast<const char *>(data), size);
        return PutValue(store, section, item, Escape(raw), true);
    } catch (const std::bad_alloc &) {
        return kIniOutOfMemory;
    }
}

int Ini_WriteToFile(IniText store, const char *path)
{
    if (!store || !path || !*path)
        return kIniNullArgument;
    std::string text;
    try {
        text = FormatStore(*store);
    } catch (const std::bad_alloc &) {
        return kIniOutOfMemory;
    }
    return WriteText(path, text);
}

int Ini_ReadFromFile(IniText store, const char *path)
{
    if (!store || !path)
        return kIniNullArgument;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return kIniCannotOpenFile;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return kIniCannotOpenFile;
    }

    int rc = 0;
    try {
        std::string text;
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                // Keep the complete lines read so far; a partial last line is not trusted.
                rc = kIniReadError;
                const size_t end = text.find_last_of(std::string_view("\r\n\0", 3));
                text.resize(end == std::string::npos ? 0 : end);
                break;
            }
            if (n == 0)
                break;
            text.append(chunk, static_cast<size_t>(n));
        }
        ParseText(*store, text);
    } catch (const std::bad_alloc &) {
        rc = kIniOutOfMemory;
    }
    ::close(fd);
    return rc;
}

int Ini_GetStringIntoBuffer(IniText store, const char *section, const char *item, char *buffer,
                            size_t bufferSize)
{
    if (!buffer || bufferSize == 0)
        return kIniNullArgument;
    buffer[0] = '\0';
    if (!store || !section || !item)
        return kIniNullArgument;
    const IniItem *found = FindItem(store, section, item);
    if (!found)
        return 0;
    size_t used = 0;
    Unescape(found->value, [&](char c) {
        if (used + 1 < bufferSize)
            buffer[used++] = c;
    });
    buffer[used] = '\0';
    return 1;
}

int Ini_GetInt(IniText store, const char *section, const char *item, int *value)
{
    if (!store || !section || !item || !value)
        return kIniNullArgument;
    const IniItem *found = FindItem(store, section, item);
    if (!found)
        return 0;
    std::string_view text = Trim(found->value);
    if (text.empty())
        return 0;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return kIniInvalidInteger;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return kIniInvalidInteger;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return kIniInvalidInteger;
    }
    *value = static_cast<int>(negative ? -magnitude : magnitude);
    return 1;
}

int Ini_GetData(IniText store, const char *section, const char *item, void *buffer,
                size_t bufferSize, size_t *dataSize)
{
    if (dataSize)
        *dataSize = 0;
    if (!store || !section || !item || (!buffer && bufferSize > 0))
        return kIniNullArgument;
    const IniItem *found = FindItem(store, section, item);
    if (!found)
        return 0;
    auto *out = static_cast<char *>(buffer);
    size_t used = 0;
    const size_t total = Unescape(found->value, [&](char c) {
        if (used < bufferSize)
            out[used++] = c;
    });
    if (dataSize)
        *dataSize = total;
    return 1;
}

int Ini_GetNumberOfSections(IniText store)
{
    return store ? static_cast<int>(store->sections.size()) : 0;
}

int Ini_SectionExists(IniText store, const char *section)
{
    if (!store || !section)
        return 0;
    return FindSection(store, NormaliseName(section)) ? 1 : 0;
}
