#include "support/ini.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ini_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        store_ = Ini_New(0);
    }
    void TearDown() override
    {
        Ini_Dispose(store_);
        fs::remove_all(dir_);
    }
    std::string Path(const std::string &name) const { return (dir_ / name).string(); }
    void WriteBytes(const std::string &name, const std::string &bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string ReadBytes(const std::string &name) const
    {
        std::ostringstream s;
        s << std::ifstream(Path(name), std::ios::binary).rdbuf();
        return s.str();
    }
    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(dir_))
            names.push_back(e.path().filename().string());
        return names;
    }
    // Reads the file into a fresh store, replacing store_.
    int Reload(const std::string &name)
    {
        Ini_Dispose(store_);
        store_ = Ini_New(0);
        return Ini_ReadFromFile(store_, Path(name).c_str());
    }
    std::string Get(const char *section, const char *item, int expectedRc = 1)
    {
        char buffer[4096];
        EXPECT_EQ(Ini_GetStringIntoBuffer(store_, section, item, buffer, sizeof buffer),
                  expectedRc)
            << section << " / " << item;
        return buffer;
    }

    fs::path dir_;
    IniText store_ = nullptr;
};

TEST_F(IniFileTest, WritesSectionsAndItemsByteForByte)
{
    Ini_PutString(store_, "GENERAL INFO", "FILE TYPE:", "Parameter File");
    Ini_PutString(store_, "GENERAL INFO", "SCOPE VERSION:", "V1.3");
    Ini_PutInt(store_, "PARAMETER", "POWER CH0", 500);
    Ini_PutInt(store_, "PARAMETER", "DEAD TIME", -3);
    Ini_PutString(store_, " general info ", "Scope Version:", "V1.4");  // replaced in place
    ASSERT_EQ(Ini_WriteToFile(store_, Path("p.ini").c_str()), 0);
    EXPECT_EQ(ReadBytes("p.ini"), "[GENERAL INFO]\r\n"
                                  "FILE TYPE: = \"Parameter File\"\r\n"
                                  "SCOPE VERSION: = \"V1.4\"\r\n"
                                  "\r\n"
                                  "[PARAMETER]\r\n"
                                  "POWER CH0 = 500\r\n"
                                  "DEAD TIME = -3\r\n"
                                  "\r\n");
    EXPECT_EQ(Listing(), std::vector<std::string>{"p.ini"});  // no temporary file left over
}

TEST_F(IniFileTest, EscapedStringsSurviveAFile)
{
    const struct {
        std::string text, written;
    } cases[] = {
        {"a\nb \"q\"", R"("a\nb \"q\"")"},
        {"tab\there\r", R"("tab\there\r")"},
        {"C:\\Data\\x41", R"("C:\\Data\\x41")"},  // a literal \x41 must not turn into "A"
        {"\x01\x1f\x7f", R"("\x01\x1f\x7f")"},
        {"caf\xc3\xa9", "\"caf\xc3\xa9\""},
        {"  padded  ", "\"  padded  \""},
        {"", "\"\""},
    };
    for (const auto &c : cases) {
        IniText store = Ini_New(0);
        Ini_PutString(store, "S", "K", c.text.c_str());
        ASSERT_EQ(Ini_WriteToFile(store, Path("e.ini").c_str()), 0);
        Ini_Dispose(store);
        EXPECT_EQ(ReadBytes("e.ini"), "[S]\r\nK = " + c.written + "\r\n\r\n");
        ASSERT_EQ(Reload("e.ini"), 0);
        EXPECT_EQ(Get("S", "K"), c.text);
    }
}

TEST_F(IniFileTest, DataItemsKeepEveryByte)
{
    const std::string bytes("v\0u\xff\n\"", 6);
    Ini_PutData(store_, "PANEL", "Flags", bytes.data(), bytes.size());
    ASSERT_EQ(Ini_WriteToFile(store_, Path("d.ini").c_str()), 0);
    ASSERT_EQ(Reload("d.ini"), 0);
    char buffer[2];
    size_t size = 0;
    EXPECT_EQ(Ini_GetData(store_, "panel", "FLAGS", buffer, sizeof buffer, &size), 1);
    EXPECT_EQ(size, bytes.size());  // full length reported even into a short buffer
    char whole[16];
    Ini_GetData(store_, "PANEL", "Flags", whole, sizeof whole, &size);
    EXPECT_EQ(std::string(whole, size), bytes);
}

TEST_F(IniFileTest, LongValuesAreSplitByEscapedLengthAndJoined)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += static_cast<char>('a' + i % 26);
    // 58 characters, but 85 once every backslash is doubled; the split falls inside a "\\".
    std::string path = "C:xy";
    for (int i = 0; i < 27; ++i)
        path += "\\d";
    const std::string exact(80, 'z');
    Ini_PutString(store_, "S", "Long", text.c_str());
    Ini_PutString(store_, "S", "Path", path.c_str());
    Ini_PutString(store_, "S", "Exact", exact.c_str());
    ASSERT_EQ(Ini_WriteToFile(store_, Path("l.ini").c_str()), 0);

    std::string escapedPath;
    for (char c : path)
        escapedPath += c == '\\' ? std::string("\\\\") : std::string(1, c);
    EXPECT_EQ(ReadBytes("l.ini"),
              "[S]\r\n"
              "Long Line0001 = \"" + text.substr(0, 80) + "\"\r\n"
              "Long Line0002 = \"" + text.substr(80, 80) + "\"\r\n"
              "Long Line0003 = \"" + text.substr(160) + "\"\r\n"
              "Path Line0001 = \"" + escapedPath.substr(0, 80) + "\"\r\n"
              "Path Line0002 = \"" + escapedPath.substr(80) + "\"\r\n"
              "Exact = \"" + exact + "\"\r\n\r\n");
    ASSERT_EQ(Reload("l.ini"), 0);
    EXPECT_EQ(Get("S", "Long"), text);
    EXPECT_EQ(Get("S", "Path"), path);
    EXPECT_EQ(Get("S", "Exact"), exact);
}

TEST_F(IniFileTest, UnquotedValueReadBackKeepsBlanksAtTheSplit)
{
    const std::string value = std::string(79, 'u') + " tail";
    WriteBytes("u.ini", "[S]\r\nU = " + value + "\r\n");
    ASSERT_EQ(Reload("u.ini"), 0);
    ASSERT_EQ(Ini_WriteToFile(store_, Path("u.ini").c_str()), 0);
    ASSERT_EQ(Reload("u.ini"), 0);
    EXPECT_EQ(Get("S", "U"), value);
}

TEST_F(IniFileTest, ContinuationRunsOnlyJoinTheirOwnName)
{
    WriteBytes("r.ini", "[S]\r\nA Line0001 = \"ab\"\r\nA Line2 = \"cd\"\r\n"
                        "B Line0002 = \"zz\"\r\nA Line0001 = \"new\"\r\n");
    ASSERT_EQ(Reload("r.ini"), 0);
    EXPECT_EQ(Get("S", "A"), "abcd");  // first run wins over the later one
    EXPECT_EQ(Get("S", "B Line0002"), "zz");
}

TEST_F(IniFileTest, IntegerParsing)
{
    const struct {
        const char *value;
        int rc, result;
    } cases[] = {
        {"42", 1, 42},           {" \t42  ", 1, 42},        {"+7", 1, 7},
        {"-2147483648", 1, INT_MIN}, {"2147483647", 1, INT_MAX}, {"\"17\"", 1, 17},
        {"12abc", kIniInvalidInteger, 0}, {"- 5", kIniInvalidInteger, 0},
        {"+", kIniInvalidInteger, 0}, {"0x10", kIniInvalidInteger, 0},
        {"1.5", kIniInvalidInteger, 0}, {"2147483648", kIniInvalidInteger, 0},
        {"-2147483649", kIniInvalidInteger, 0},
        {"99999999999999999999999", kIniInvalidInteger, 0},
        {"", 0, 0}, {"   ", 0, 0}, {"\"  \"", 0, 0},
    };
    for (const auto &c : cases) {
        WriteBytes("i.ini", std::string("[S]\r\nN =") + c.value + "\r\n");
        ASSERT_EQ(Reload("i.ini"), 0);
        int value = -99;
        EXPECT_EQ(Ini_GetInt(store_, "S", "N", &value), c.rc) << c.value;
        EXPECT_EQ(value, c.rc == 1 ? c.result : -99) << c.value;
    }
}

TEST_F(IniFileTest, ReaderSkipsWhatItCannotUseAndFirstMatchWins)
{
    WriteBytes("x.ini", "; comment\r\nOrphan = 1\r\n  [ General Info ]  \r\n"
                        "  File Type: = \"Parameter File\"\r\nNoEquals\r\n = nameless\r\n"
                        "Lone = \"\r\nOpen = \"abc\r\nDup = first\r\nDup = second\r\n"
                        "[Broken\r\nAfterBroken = yes\r\n[X] junk\r\n[]\r\n"
                        "[GENERAL INFO]\r\nSecond = only here\r\n[a]b]\r\nK = v\r\n");
    ASSERT_EQ(Reload("x.ini"), 0);
    EXPECT_EQ(Ini_GetNumberOfSections(store_), 3);
    EXPECT_EQ(Get("general info", "file type:"), "Parameter File");
    EXPECT_EQ(Get(" GENERAL INFO ", " FILE TYPE: "), "Parameter File");
    EXPECT_EQ(Get("General Info", "Lone"), "\"");
    EXPECT_EQ(Get("General Info", "Open"), "\"abc");
    EXPECT_EQ(Get("General Info", "Dup"), "first");
    EXPECT_EQ(Get("General Info", "AfterBroken"), "yes");
    EXPECT_EQ(Get("General Info", "Second", 0), "");
    EXPECT_EQ(Get("General Info", "Orphan", 0), "");
    EXPECT_EQ(Get("a]b", "K"), "v");
}

TEST_F(IniFileTest, AnyLineEndReadsTheSame)
{
    const std::string ends[] = {"\r\n", "\n", "\r", "\n\r", std::string(1, '\0')};
    for (const std::string &e : ends) {
        WriteBytes("n.ini", "[A]" + e + "X = 1" + e + e + "[B]" + e + "Y = \"two\"");
        ASSERT_EQ(Reload("n.ini"), 0);
        EXPECT_EQ(Ini_GetNumberOfSections(store_), 2);
        EXPECT_EQ(Get("A", "X"), "1");
        EXPECT_EQ(Get("B", "Y"), "two");
    }
}

TEST_F(IniFileTest, OverlongLineIsCutAndItsRestDropped)
{
    WriteBytes("o.ini", "[S]\r\nK = \"" + std::string(2000, 'x') + "\"\r\nNext = 1\r\n");
    ASSERT_EQ(Reload("o.ini"), 0);
    EXPECT_EQ(Get("S", "K"), "\"" + std::string(1019, 'x'));  // closing quote was cut off
    EXPECT_EQ(Get("S", "Next"), "1");
    EXPECT_EQ(Ini_SectionExists(store_, "s"), 1);
}

TEST_F(IniFileTest, ShortBufferGetsTheStartOfTheValue)
{
    Ini_PutString(store_, "S", "K", "0123456789abcdefghij");
    char buffer[16];
    EXPECT_EQ(Ini_GetStringIntoBuffer(store_, "S", "K", buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "0123456789abcde");
    EXPECT_EQ(Ini_GetStringIntoBuffer(store_, "S", "Missing", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
}

TEST_F(IniFileTest, FailedWritesLeaveNoTraceAndTheTargetIntact)
{
    Ini_PutString(store_, "S", "K", "new");
    EXPECT_EQ(Ini_WriteToFile(store_, Path("missing/t.ini").c_str()), kIniCannotCreateTemp);
    fs::create_directory(Path("t.ini"));
    EXPECT_EQ(Ini_WriteToFile(store_, Path("t.ini").c_str()), kIniAccessDenied);
    EXPECT_TRUE(fs::is_directory(Path("t.ini")));
    EXPECT_EQ(Listing(), std::vector<std::string>{"t.ini"});
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);  // only regular files are replaced
    EXPECT_EQ(Ini_WriteToFile(store_, Path("fifo").c_str()), kIniAccessDenied);
    EXPECT_TRUE(fs::is_fifo(Path("fifo")));
    EXPECT_EQ(Ini_ReadFromFile(store_, Path("t.ini").c_str()), kIniCannotOpenFile);
    EXPECT_EQ(Ini_ReadFromFile(store_, Path("none.ini").c_str()), kIniCannotOpenFile);
}

TEST_F(IniFileTest, WriteCutShortKeepsTheOldFile)
{
    WriteBytes("t.ini", "old");
    for (int i = 0; i < 100; ++i)
        Ini_PutString(store_, "S", ("K" + std::to_string(i)).c_str(), std::string(80, 'v').c_str());
    // Let the file size limit fail the write part-way, as a full disk would.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    const int rc = Ini_WriteToFile(store_, Path("t.ini").c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);
    EXPECT_EQ(rc, kIniIoError);
    EXPECT_EQ(ReadBytes("t.ini"), "old");
    EXPECT_EQ(Listing(), std::vector<std::string>{"t.ini"});
}

TEST_F(IniFileTest, AllTemporaryNamesTakenKeepsTheOldFile)
{
    WriteBytes("t.ini", "old");
    for (int n = 0; n <= 999; ++n)
        WriteBytes("ini$$" + std::to_string(n) + ".tmp", "");
    Ini_PutInt(store_, "S", "K", 1);
    EXPECT_EQ(Ini_WriteToFile(store_, Path("t.ini").c_str()), kIniNoTempName);
    EXPECT_EQ(ReadBytes("t.ini"), "old");
}

}  // namespace
