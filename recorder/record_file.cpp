#include "recorder/record_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
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
