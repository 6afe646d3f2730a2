// Reading record files back: both languages' headers, the values exactly as written, foreign and
// damaged files refused, bad lines skipped and counted, and no more held than a line at a time.
#include "recorder/record_file.h"

#include "common/harness.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <string>

namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second)
{
    return CalendarTime(year, month, day, hour, minute, second);
}

DataFrameRec Frame(int ch0, int ch1, int temp, int sig)
{
    DataFrameRec f;
    f.Ch0 = int16_t(ch0);
    f.Ch1 = int16_t(ch1);
    f.Temp = int16_t(temp);
    f.Sig = int16_t(sig);
    return f;
}

// The recorder's own bytes: header in `language`, then three lines a second apart.
std::string RecorderFile(int language, const char *id)
{
    std::string text = RecordFileHeader(language, "ORVANTE2 Scope V1.3", id);
    text += RecordLine(Frame(1234, -16, 412, 2048), At(2026, 3, 14, 23, 59, 59));
    text += RecordLine(Frame(-32768, 32767, 0, 7), At(2026, 3, 15, 0, 0, 0));
    text += RecordLine(Frame(5, 6, 7, 8), At(2026, 3, 15, 0, 0, 1));
    return text;
}

class RecordRead : public testing::Test {
protected:
    std::string Write(const std::string &text)
    {
        const std::string path = dir.filePath("f.dat").toStdString();
        WriteAll(path, text);
        return path;
    }
    RecordReadResult Read(const std::string &text)
    {
        return ReadRecordFile(Write(text).c_str(), contents);
    }
    QTemporaryDir dir;
    RecordContents contents;
};

} // namespace

TEST_F(RecordRead, BothLanguagesHeadersAndTheValuesAsWritten)
{
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        ASSERT_EQ(Read(RecorderFile(language, "S-17")), RecordReadResult::kOk);
        EXPECT_EQ(contents.language, language);
        EXPECT_EQ(contents.program, "ORVANTE2 Scope V1.3");
        EXPECT_EQ(contents.sensorId, "S-17");
        ASSERT_EQ(contents.lines(), 3u);
        EXPECT_EQ(contents.skipped, 0u);
        EXPECT_EQ(contents.values[kRecCh0], (std::vector<int16_t>{1234, -32768, 5}));
        EXPECT_EQ(contents.values[kRecCh1], (std::vector<int16_t>{-16, 32767, 6}));
        EXPECT_EQ(contents.values[kRecTemp], (std::vector<int16_t>{412, 0, 7}));
        EXPECT_EQ(contents.values[kRecSig], (std::vector<int16_t>{2048, 7, 8}));
        // Across midnight the clock goes on: one second, then one more.
        EXPECT_EQ(contents.time[1] - contents.time[0], 1);
        EXPECT_EQ(contents.time[2] - contents.time[1], 1);
        EXPECT_EQ(RecordTimeText(contents.time[0]), "03-14-2026 23:59:59");
    }
    ASSERT_EQ(Read(RecorderFile(1, "")), RecordReadResult::kOk);
    EXPECT_EQ(contents.sensorId, "");
}

TEST_F(RecordRead, LinesAppendedWithoutAHeaderAndLineFeedsOnly)
{
    // Recordings append to a file that was never chosen, so it has no header.
    const std::string lines = RecordLine(Frame(1, 2, 3, 4), At(2024, 2, 29, 12, 0, 0)) +
                              RecordLine(Frame(5, 6, 7, 8), At(2024, 2, 29, 12, 0, 1));
    ASSERT_EQ(Read(lines), RecordReadResult::kOk);
    EXPECT_EQ(contents.language, -1);
    EXPECT_EQ(contents.lines(), 2u);
    EXPECT_EQ(RecordTimeText(contents.time[0]), "02-29-2024 12:00:00");
    std::string lfOnly = RecorderFile(1, "X");
    for (size_t at; (at = lfOnly.find('\r')) != std::string::npos;)
        lfOnly.erase(at, 1);
    ASSERT_EQ(Read(lfOnly), RecordReadResult::kOk);
    EXPECT_EQ(contents.lines(), 3u);
}

TEST_F(RecordRead, ForeignEmptyAndUnrecordedFilesAreRefusedWithNothingKept)
{
    const struct {
        const char *name;
        std::string text;
        RecordReadResult result;
    } cases[] = {
        {"empty", "", RecordReadResult::kEmpty},
        {"text", "hello world\n03-14-2026\t09:05:07\t1\t2\t3\t4\r\n", RecordReadResult::kForeign},
        {"csv", "time,ch0,ch1\n1,2,3\n", RecordReadResult::kForeign},
        {"ini", "[Parameter]\nGain=3\n", RecordReadResult::kForeign},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0", 11), RecordReadResult::kForeign},
        {"blank lines only", "\n\r\n\n", RecordReadResult::kForeign},
        {"header only", RecordFileHeader(0, "P", "ID"), RecordReadResult::kNoLines},
        {"more bad than good",
         RecordFileHeader(1, "P", "") + RecordLine(Frame(1, 2, 3, 4), At(2026, 1, 1, 0, 0, 0)) +
             "x\r\ny\r\n",
         RecordReadResult::kDamaged},
        {"no file", "", RecordReadResult::kUnreadable},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        contents.skipped = 99;
        const std::string path = c.result == RecordReadResult::kUnreadable
                                     ? dir.filePath("missing/f.dat").toStdString()
                                     : Write(c.text);
        EXPECT_EQ(ReadRecordFile(path.c_str(), contents), c.result);
        EXPECT_EQ(contents.lines(), 0u);
        EXPECT_EQ(contents.skipped, 0u);
        EXPECT_EQ(contents.values[kRecSig].size(), 0u);
    }
}

TEST_F(RecordRead, DamagedLinesAreSkippedAndCounted)
{
    std::string text = RecorderFile(1, "S");
    text += "03-15-2026\t00:00:02\t1\t2\t3\r\n";        // a value missing
    text += "03-15-2026\t00:00:03\t1\t2\t3\t40000\r\n"; // beyond 16 bits
    text += "\r\n";                                     // empty: passed over
    text += std::string(5000, 'x') + "\r\n";            // far too long
    text += RecordLine(Frame(9, 9, 9, 9), At(2026, 3, 15, 0, 0, 5));
    text += "03-15-2026\t00:00:06\t1\t2\t3\t4"; // cut short: no line end
    ASSERT_EQ(Read(text), RecordReadResult::kOk);
    EXPECT_EQ(contents.lines(), 4u);
    EXPECT_EQ(contents.skipped, 4u);
    EXPECT_EQ(contents.firstSkipped, 9u); // the header's five lines, then three data lines
    EXPECT_EQ(contents.values[kRecSig].back(), 9);
}

TEST(RecordLineParse, OnlyWholeDataLines)
{
    const char *bad[] = {
        "13-01-2026\t00:00:00\t1\t2\t3\t4",     "00-01-2026\t00:00:00\t1\t2\t3\t4",
        "01-32-2026\t00:00:00\t1\t2\t3\t4",     "01-01-2026\t24:00:00\t1\t2\t3\t4",
        "01-01-2026\t00:60:00\t1\t2\t3\t4",     "1-01-2026\t00:00:00\t1\t2\t3\t4",
        "01-01-2026 00:00:00\t1\t2\t3\t4",      "01-01-2026\t00:00:00\t1\t2\t3\t4\t5",
        "01-01-2026\t00:00:00\t1\t2\t3\t",      "01-01-2026\t00:00:00\t+1\t2\t3\t4",
        "01-01-2026\t00:00:00\t 1\t2\t3\t4",    "01-01-2026\t00:00:00\t1 \t2\t3\t4",
        "01-01-2026\t00:00:00\t32768\t2\t3\t4", "01-01-2026\t00:00:00\t-32769\t2\t3\t4",
        "01-01-2026\t00:00:00\t-\t2\t3\t4",     "DATE\tTIME\tCH0\tCH1\tTEMP\tSIG",
    };
    int64_t t = 0;
    int16_t v[kRecSignals] = {};
    for (const char *line : bad)
        EXPECT_FALSE(ParseRecordLine(line, std::strlen(line), &t, v)) << line;
    const char good[] = "12-31-1999\t23:59:59\t-32768\t0\t32767\t-1";
    ASSERT_TRUE(ParseRecordLine(good, std::strlen(good), &t, v));
    EXPECT_EQ(v[kRecCh0], -32768);
    EXPECT_EQ(v[kRecTemp], 32767);
    EXPECT_EQ(v[kRecSig], -1);
    EXPECT_EQ(t, 946684799); // one second before 2000-01-01
}

TEST(RecordFileParser, PiecesOfAnySizeGiveTheSameContents)
{
    std::string text = RecorderFile(0, "Anlage 3");
    for (int i = 0; i < 50; ++i)
        text += RecordLine(Frame(i, -i, 400 + i, 2 * i), At(2026, 6, 1, 10, i / 60, i % 60));
    RecordContents whole, bytes;
    RecordFileParser a(whole);
    ASSERT_TRUE(a.feed(text.data(), text.size()));
    ASSERT_EQ(a.finish(), RecordReadResult::kOk);
    RecordFileParser b(bytes);
    for (char ch : text)
        ASSERT_TRUE(b.feed(&ch, 1));
    ASSERT_EQ(b.finish(), RecordReadResult::kOk);
    EXPECT_EQ(bytes.lines(), 53u);
    EXPECT_EQ(bytes.sensorId, "Anlage 3");
    EXPECT_EQ(bytes.time, whole.time);
    for (int k = 0; k < kRecSignals; ++k)
        EXPECT_EQ(bytes.values[k], whole.values[k]);
}

TEST_F(RecordRead, HoldsNoMoreThanALineAndLeavesAForeignFileEarly)
{
    // A large foreign file is left after its first piece.
    std::string big(4 * kRecordReadChunk, 'a');
    for (size_t i = 100; i < big.size(); i += 100)
        big[i] = '\n';
    size_t bytesRead = 0;
    EXPECT_EQ(ReadRecordFile(Write(big).c_str(), contents, &bytesRead), RecordReadResult::kForeign);
    EXPECT_LE(bytesRead, kRecordReadChunk);
    // One endless line among the data: never held, counted once it ends.
    RecordFileParser parser(contents);
    const std::string head = RecorderFile(1, "");
    ASSERT_TRUE(parser.feed(head.data(), head.size()));
    const std::string junk(1 << 16, '7');
    for (int i = 0; i < 64; ++i) {
        ASSERT_TRUE(parser.feed(junk.data(), junk.size()));
        ASSERT_LE(parser.bufferedBytes(), kMaxRecordLine + 1);
    }
    ASSERT_TRUE(parser.feed("\r\n", 2));
    EXPECT_EQ(parser.finish(), RecordReadResult::kOk);
    EXPECT_EQ(contents.skipped, 1u);
    EXPECT_EQ(contents.lines(), 3u);
}
