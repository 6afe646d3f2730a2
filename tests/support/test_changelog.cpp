// The change log file: records appended whole, read back newest first, filtered by serial
// number; a record cut short by a killed writer is skipped and never glued to the next one.
#include "support/changelog.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace {

ChangeRecord Record(const std::string &time, const std::string &serial, const std::string &what)
{
    ChangeRecord r;
    r.time = time;
    r.program = "app";
    r.user = "anna@line3";
    r.firmware = "V1.3sim";
    r.sensor = "ORVANTE2 SIM";
    r.serial = serial;
    r.panel = "Line 3 left";
    r.what = what;
    r.memory = "RAM";
    r.changes = "POWER CH0 500->700; HOLD 100->125";
    r.result = kChangeResultOk;
    return r;
}

std::string Contents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void AppendRaw(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << bytes;
}

class ChangeLog : public ::testing::Test {
protected:
    std::string path() const { return dir.filePath(kChangeLogFileName).toStdString(); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(ChangeLog, RecordsComeBackNewestFirstAndByTheirSerialNumber)
{
    ASSERT_TRUE(AppendChangeRecord(path(), Record("2026-12-08 10:00:00", "4711", "PARAMETERS")));
    ASSERT_TRUE(AppendChangeRecord(path(), Record("2026-12-08 10:00:05", "815", "OFFSETS")));
    ASSERT_TRUE(AppendChangeRecord(path(), Record("2026-12-08 10:01:00", "4711", "BAUDRATE")));

    const ChangeLogContents all = ReadChangeLog(path());
    ASSERT_EQ(all.records.size(), 3u);
    EXPECT_EQ(all.records[0].what, "BAUDRATE");
    EXPECT_EQ(all.records[2].what, "PARAMETERS");
    EXPECT_EQ(all.records[2], Record("2026-12-08 10:00:00", "4711", "PARAMETERS"));
    EXPECT_EQ(all.skipped, 0);

    const ChangeLogContents one = ReadChangeLog(path(), "4711");
    ASSERT_EQ(one.records.size(), 2u);
    EXPECT_EQ(one.records[0].what, "BAUDRATE");
    EXPECT_EQ(one.records[1].what, "PARAMETERS");
    // A serial number is matched whole, not as a part of another.
    EXPECT_TRUE(ReadChangeLog(path(), "471").records.empty());
    EXPECT_TRUE(ReadChangeLog(dir.filePath("none.log").toStdString()).records.empty());
}

TEST_F(ChangeLog, TabsAndLineEndsInsideAFieldCannotSplitARecord)
{
    ChangeRecord r = Record("2026-12-08 10:00:00", "1", "PARAMETERS");
    r.panel = "left\tright\nnext";
    r.sensor = "a\r\nb";
    ASSERT_TRUE(AppendChangeRecord(path(), r));
    const std::string text = Contents(path());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), kChangeRecordFields - 1);
    const ChangeLogContents log = ReadChangeLog(path());
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].panel, "left right next");
    EXPECT_EQ(log.records[0].sensor, "a  b");
}

TEST_F(ChangeLog, ATornLastLineIsSkippedAndTheNextRecordStartsOnALineOfItsOwn)
{
    ASSERT_TRUE(AppendChangeRecord(path(), Record("2026-12-08 10:00:00", "1", "PARAMETERS")));
    // What a writer killed in mid-write leaves: the start of a record, no line feed.
    const std::string whole = FormatChangeRecord(Record("2026-12-08 10:00:01", "1", "OFFSETS"));
    AppendRaw(path(), whole.substr(0, whole.size() / 2));
    const std::string before = Contents(path());

    ChangeLogContents log = ReadChangeLog(path());
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].what, "PARAMETERS");
    EXPECT_EQ(log.skipped, 1);
    EXPECT_EQ(Contents(path()), before) << "reading never repairs the file";

    ASSERT_TRUE(AppendChangeRecord(path(), Record("2026-12-08 10:00:02", "1", "BAUDRATE")));
    const std::string after = Contents(path());
    EXPECT_EQ(after.substr(0, before.size()), before) << "what was there stays as it was";
    log = ReadChangeLog(path());
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[0], Record("2026-12-08 10:00:02", "1", "BAUDRATE"));
    EXPECT_EQ(log.skipped, 1); // the torn fragment, now a line of its own
}

TEST_F(ChangeLog, WritersInSeveralProcessesNeverInterleaveTheirRecords)
{
    constexpr int kWriters = 4, kEach = 50;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0; i < kEach; ++i) {
                ChangeRecord r = Record("2026-12-08 10:00:00", std::to_string(w), "PARAMETERS");
                r.changes = std::string(300 + i, char('a' + w));
                if (!AppendChangeRecord(path(), r))
                    _exit(1);
            }
            _exit(0);
        }
    }
    for (int w = 0; w < kWriters; ++w) {
        int status = 0;
        wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const ChangeLogContents log = ReadChangeLog(path());
    EXPECT_EQ(log.skipped, 0);
    ASSERT_EQ(int(log.records.size()), kWriters * kEach);
    for (const ChangeRecord &r : log.records)
        EXPECT_EQ(r.changes.find_first_not_of(r.changes[0]), std::string::npos);
}

TEST(ChangeLogChecksum, IsTheStandardCrc32)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t *>(check.data()), check.size()), 0xCBF43926u);
    // In pieces as in one go.
    const auto *d = reinterpret_cast<const uint8_t *>(check.data());
    EXPECT_EQ(Crc32(d + 4, 5, Crc32(d, 4)), 0xCBF43926u);
    EXPECT_EQ(ChecksumText(0xCBF43926u), "CRC32 cbf43926");
}
