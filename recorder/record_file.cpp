#include "recorder/record_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

std::string RecordFileHeader(int language, const char *programName, const char *sensorId)
{
    const bool german = language == 0;
    std::string h = "\n";
    h += german ? "Ergebnisse von ... aufzeichnen:" : "Record results of: ";
    h += programName ? programName : "";
    h += "\r\n";
    if (sensorId && *sensorId) {
        h += german ? "Fenster ID:" : "Panel ID: ";
        h += sensorId;
        h += "\r\n";
    }
    h += "\r\n";
    h += "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG\r\n";
    return h;
}

std::string RecordLine(const DataFrameRec &f, const std::tm &when)
{
    char line[96];
    std::snprintf(line, sizeof line, "%02d-%02d-%04d\t%02d:%02d:%02d\t%d\t%d\t%d\t%d\r\n",
                  when.tm_mon + 1, when.tm_mday, when.tm_year + 1900, when.tm_hour, when.tm_min,
                  when.tm_sec, int(f.Ch0), int(f.Ch1), int(f.Temp), int(f.Sig));
    return line;
}

bool AppendRecordLine(const char *path, const std::string &line)
{
    std::FILE *f = std::fopen(path, "ab");
    if (!f)
        return false;
    long before = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        before = std::ftell(f);
    bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok && before >= 0) {
        std::error_code ec;
        std::filesystem::resize_file(path, std::uintmax_t(before), ec);
    }
    return ok;
}

bool WriteRecordHeader(const char *path, const std::string &header)
{
    // Written beside the target and renamed over it: the file is the old one or the new header,
    // never a part of either.
    const std::string temp = std::string(path) + ".new";
    std::FILE *f = std::fopen(temp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    std::error_code ec;
    if (ok)
        std::filesystem::rename(temp, path, ec);
    if (!ok || ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

double ClampedRecInterval(double interval)
{
    // NaN compares false: it too becomes the minimum.
    return interval >= kMinRecInterval ? interval : kMinRecInterval;
}

double NextRecordStart(double due, double now, double interval)
{
    return now - due < interval ? due : now;
}

RecordTime SplitRecordTime(double interval, unsigned values)
{
    const double total = interval * values;
    RecordTime t;
    t.days = int(std::trunc(total / 86400));
    double rest = total - t.days * 86400.0;
    t.hours = int(std::trunc(rest / 3600));
    rest -= t.hours * 3600.0;
    t.minutes = int(std::trunc(rest / 60));
    t.seconds = rest - t.minutes * 60.0;
    return t;
}

// ---- Reading -----------------------------------------------------------------------------------

namespace {

constexpr const char kTitleEnglish[] = "Record results of: ";
constexpr const char kTitleGerman[] = "Ergebnisse von ... aufzeichnen:";
constexpr const char kIdEnglish[] = "Panel ID: ";
constexpr const char kIdGerman[] = "Fenster ID:";
constexpr const char kColumns[] = "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG";
constexpr int kMaxHeaderLines = 8;
// The shortest data line with its CR LF: a rough count of a file's lines from its size.
constexpr size_t kTypicalLineBytes = 36;

bool StartsWith(const char *s, size_t n, const char *prefix, size_t *rest)
{
    const size_t p = std::strlen(prefix);
    if (n < p || std::memcmp(s, prefix, p) != 0)
        return false;
    *rest = p;
    return true;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int *y, unsigned *m, unsigned *d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = int(int64_t(yoe) + era * 400 + (*m <= 2));
}

} // namespace

bool ParseRecordLine(const char *s, size_t n, int64_t *time, int16_t values[kRecSignals])
{
    size_t i = 0;
    auto fixed = [&](int width, int *v) {
        *v = 0;
        for (int k = 0; k < width; ++k, ++i) {
            if (i >= n || s[i] < '0' || s[i] > '9')
                return false;
            *v = *v * 10 + (s[i] - '0');
        }
        return true;
    };
    auto sep = [&](char c) {
        if (i >= n || s[i] != c)
            return false;
        ++i;
        return true;
    };
    int month, day, year, hour, minute, second;
    if (!fixed(2, &month) || !sep('-') || !fixed(2, &day) || !sep('-') || !fixed(4, &year) ||
        !sep('\t') || !fixed(2, &hour) || !sep(':') || !fixed(2, &minute) || !sep(':') ||
        !fixed(2, &second))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return false;
    for (int k = 0; k < kRecSignals; ++k) {
        if (!sep('\t'))
            return false;
        const bool negative = i < n && s[i] == '-';
        if (negative)
            ++i;
        long v = 0;
        int digits = 0;
        for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i, ++digits) {
            v = v * 10 + (s[i] - '0');
            if (v > 32768)
                return false;
        }
        if (digits == 0)
            return false;
        v = negative ? -v : v;
        if (v > 32767)
            return false;
        values[k] = int16_t(v);
    }
    if (i != n)
        return false;
    *time = DaysFromCivil(year, unsigned(month), unsigned(day)) * 86400 + hour * 3600 +
            minute * 60 + second;
    return true;
}

std::string RecordTimeText(int64_t time)
{
    int64_t days = time / 86400, rest = time % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    int y;
    unsigned m, d;
    CivilFromDays(days, &y, &m, &d);
    char text[40];
    std::snprintf(text, sizeof text, "%02u-%02u-%04d %02d:%02d:%02d", m, d, y, int(rest / 3600),
                  int(rest / 60 % 60), int(rest % 60));
    return text;
}

bool RecordFileParser::line(const char *s, size_t n)
{
    ++lineNo_;
    if (n > 0 && s[n - 1] == '\r')
        --n;
    if (n == 0)
        return true;
    int64_t t;
    int16_t v[kRecSignals];
    if (ParseRecordLine(s, n, &t, v)) {
        if (!inData_ && expected_ > 0) {
            const size_t guess = expected_ / kTypicalLineBytes + 16;
            out_.time.reserve(guess);
            for (auto &column : out_.values)
                column.reserve(guess);
        }
        inData_ = recognised_ = true;
        out_.time.push_back(t);
        for (int k = 0; k < kRecSignals; ++k)
            out_.values[k].push_back(v[k]);
        return true;
    }
    if (inData_) {
        if (out_.skipped++ == 0)
            out_.firstSkipped = lineNo_;
        return true;
    }
    // Still in the header: only the header's own lines may stand here.
    size_t rest = 0;
    if (++headerLines_ > kMaxHeaderLines) {
        foreign_ = true;
    } else if (StartsWith(s, n, kTitleEnglish, &rest)) {
        out_.language = 1;
        out_.program.assign(s + rest, n - rest);
    } else if (StartsWith(s, n, kTitleGerman, &rest)) {
        out_.language = 0;
        out_.program.assign(s + rest, n - rest);
    } else if (StartsWith(s, n, kIdEnglish, &rest) || StartsWith(s, n, kIdGerman, &rest)) {
        out_.sensorId.assign(s + rest, n - rest);
    } else if (!(n == std::strlen(kColumns) && std::memcmp(s, kColumns, n) == 0)) {
        foreign_ = true;
    }
    recognised_ = recognised_ || !foreign_;
    return !foreign_;
}

bool RecordFileParser::feed(const char *data, size_t size)
{
    if (foreign_)
        return false;
    any_ = any_ || size > 0;
    const char *end = data + size;
    while (data < end) {
        const char *nl = static_cast<const char *>(std::memchr(data, '\n', size_t(end - data)));
        const char *stop = nl ? nl : end;
        if (!overlong_) {
            const size_t piece = size_t(stop - data);
            if (partial_.size() + piece > kMaxRecordLine + 1) {
                // Not a line of a record file: in the header that makes the file foreign, among
                // the data it is skipped up to its end.
                overlong_ = true;
                partial_.clear();
                if (!inData_) {
                    foreign_ = true;
                    return false;
                }
            } else if (nl && partial_.empty()) {
                if (!line(data, piece))
                    return false;
            } else {
                partial_.append(data, piece);
                if (nl) {
                    const bool ok = line(partial_.data(), partial_.size());
                    partial_.clear();
                    if (!ok)
                        return false;
                }
            }
        }
        if (nl && overlong_) {
            overlong_ = false;
            ++lineNo_;
            if (out_.skipped++ == 0)
                out_.firstSkipped = lineNo_;
        }
        data = nl ? nl + 1 : end;
    }
    return true;
}

RecordReadResult RecordFileParser::finish()
{
    if (!foreign_ && (overlong_ || !partial_.empty())) {
        // A last line without its line end: the recorder ends every line it writes, so this one
        // was cut short. Header text is taken as such; anything else is counted as skipped.
        const std::string last = std::move(partial_);
        partial_.clear();
        int64_t t;
        int16_t v[kRecSignals];
        std::string_view text(last);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        if (!overlong_ && !inData_ && !ParseRecordLine(text.data(), text.size(), &t, v)) {
            line(last.data(), last.size());
        } else {
            ++lineNo_;
            if (out_.skipped++ == 0)
                out_.firstSkipped = lineNo_;
        }
        overlong_ = false;
    }
    if (!any_)
        return RecordReadResult::kEmpty;
    if (foreign_ || !recognised_)
        return RecordReadResult::kForeign;
    if (out_.lines() == 0)
        return RecordReadResult::kNoLines;
    if (out_.skipped > out_.lines())
        return RecordReadResult::kDamaged;
    return RecordReadResult::kOk;
}

RecordReadResult ReadRecordFile(const char *path, RecordContents &out, size_t *bytesRead)
{
    out = RecordContents{};
    if (bytesRead)
        *bytesRead = 0;
    std::FILE *f = std::fopen(path, "rb");
    if (!f)
        return RecordReadResult::kUnreadable;
    RecordFileParser parser(out);
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec)
        parser.expectBytes(size_t(size));
    std::vector<char> chunk(kRecordReadChunk);
    bool failed = false;
    for (;;) {
        const size_t n = std::fread(chunk.data(), 1, chunk.size(), f);
        if (bytesRead)
            *bytesRead += n;
        if (n > 0 && !parser.feed(chunk.data(), n))
            break;
        if (n < chunk.size()) {
            failed = std::ferror(f) != 0;
            break;
        }
    }
    std::fclose(f);
    if (failed) {
        out = RecordContents{};
        return RecordReadResult::kUnreadable;
    }
    const RecordReadResult result = parser.finish();
    if (result != RecordReadResult::kOk)
        out = RecordContents{}; // nothing of a refused file stays
    return result;
}
