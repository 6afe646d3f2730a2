#include "support/changelog.h"

#include "platform/files.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

std::string Cleaned(const std::string &field)
{
    std::string out = field;
    std::replace_if(
        out.begin(), out.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return out;
}

std::string ChangeRecord::*const kFields[kChangeRecordFields] = {
    &ChangeRecord::time,   &ChangeRecord::program, &ChangeRecord::user,
    &ChangeRecord::firmware, &ChangeRecord::sensor, &ChangeRecord::serial,
    &ChangeRecord::panel,  &ChangeRecord::what,    &ChangeRecord::memory,
    &ChangeRecord::changes, &ChangeRecord::result,
};

} // namespace

std::string FormatChangeRecord(const ChangeRecord &record)
{
    std::string line;
    for (int i = 0; i < kChangeRecordFields; ++i) {
        if (i)
            line += '\t';
        line += Cleaned(record.*kFields[i]);
    }
    return line + '\n';
}

bool ParseChangeRecord(const std::string &line, ChangeRecord *record)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    if (int(fields.size()) != kChangeRecordFields || fields[0].empty())
        return false;
    for (int i = 0; i < kChangeRecordFields; ++i)
        record->*kFields[i] = fields[size_t(i)];
    return true;
}

bool AppendChangeRecord(const std::string &path, const ChangeRecord &record)
{
    return !path.empty() && AppendRecordDurably(path, FormatChangeRecord(record));
}

ChangeLogContents ReadChangeLog(const std::string &path, const std::string &serial)
{
    ChangeLogContents out;
    QFile file(QString::fromStdString(path));
    if (!file.exists())
        return out;
    if (!file.open(QIODevice::ReadOnly)) {
        out.readable = false;
        return out;
    }
    const QByteArray all = file.readAll();
    qsizetype start = 0;
    while (start < all.size()) {
        const qsizetype end = all.indexOf('\n', start);
        if (end < 0) { // no line feed: a record cut short
            ++out.skipped;
            break;
        }
        ChangeRecord r;
        std::string line = all.mid(start, end - start).toStdString();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty()) {
            if (!ParseChangeRecord(line, &r))
                ++out.skipped;
            else if (serial.empty() || r.serial == serial)
                out.records.push_back(std::move(r));
        }
        start = end + 1;
    }
    // Appended in time order: the newest is the last line. Records of one second keep the
    // file's order reversed too.
    std::reverse(out.records.begin(), out.records.end());
    return out;
}

std::string ChangeLogPathBeside(const std::string &settingsPath)
{
    if (settingsPath.empty())
        return {};
    const QString dir = QFileInfo(QString::fromStdString(settingsPath)).absolutePath();
    return (dir + "/" + kChangeLogFileName).toStdString();
}

uint32_t Crc32(const uint8_t *data, size_t size, uint32_t crc)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string ChecksumText(uint32_t crc)
{
    char text[24];
    std::snprintf(text, sizeof text, "CRC32 %08x", unsigned(crc));
    return text;
}
