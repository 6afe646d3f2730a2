// A writer killed at any moment leaves every INI-style file (panel settings, parameter,
// conversion table and hardware information files all go through Ini_WriteToFile) either wholly
// as it was or wholly new, and leaves no stray temporary files that would block later writes.
// The writer is this test program itself, started again with IniKill.WriterLoop selected.
#include "support/ini.h"

#include "platform/ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr const char *kTargetEnv = "ORVANTE2_KILL_TARGET";

// Two contents, A and B, large enough that a write takes a while.
IniText Content(int which)
{
    IniText ini = Ini_New(0);
    for (int s = 0; s < 150; ++s) {
        const std::string section = "SECTION " + std::to_string(s);
        for (int k = 0; k < 12; ++k) {
            const std::string item = "ITEM " + std::to_string(k);
            Ini_PutString(ini, section.c_str(), item.c_str(),
                          (std::string(which ? "new \"value\"\t" : "old value ") +
                           std::string(size_t(40 + (s * k) % 90), which ? 'b' : 'a'))
                              .c_str());
            Ini_PutInt(ini, section.c_str(), (item + " N").c_str(), which ? -s * k : s * k);
        }
    }
    return ini;
}

std::string Bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Written(int which, const std::string &path)
{
    IniText ini = Content(which);
    EXPECT_EQ(Ini_WriteToFile(ini, path.c_str()), 0);
    Ini_Dispose(ini);
    return Bytes(path);
}

// Temporary files lying beside the target; `withData`: only those with something written.
int StrayTempFiles(const QString &dir, bool withData = false)
{
    int n = 0;
    for (const QFileInfo &f : QDir(dir).entryInfoList({QStringLiteral("ini$$*")}, QDir::Files))
        n += !withData || f.size() > 0;
    return n;
}

} // namespace

// The writer: replaces the target with A and B in turn until it is killed. Skipped unless the
// kill test below starts it.
TEST(IniKill, WriterLoop)
{
    const char *target = std::getenv(kTargetEnv);
    if (!target)
        GTEST_SKIP() << "started only by IniKill.EveryKillLeavesTheOldOrTheNewFile";
    IniText contents[2] = {Content(0), Content(1)};
    for (unsigned n = 1;; ++n)
        Ini_WriteToFile(contents[n % 2], target);
}

TEST(IniKill, EveryKillLeavesTheOldOrTheNewFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string target = dir.filePath("PanelSettings.cfg").toStdString();
    const std::string a = Written(0, dir.filePath("a.ini").toStdString());
    const std::string b = Written(1, dir.filePath("b.ini").toStdString());
    ASSERT_NE(a, b);
    ASSERT_EQ(Written(0, target), a);

    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string env = std::string(kTargetEnv) + "=" + target;
    std::vector<std::string> envStrings;
    for (char **e = environ; *e; ++e)
        envStrings.push_back(*e);
    envStrings.push_back(env);
    std::vector<char *> envp;
    for (std::string &s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string arg0 = self, arg1 = "--gtest_filter=IniKill.WriterLoop";
    char *argv[] = {arg0.data(), arg1.data(), nullptr};

    std::mt19937 random(20261208);
    int sawA = 0, sawB = 0, midWrite = 0;
    const int kKills = 60;
    for (int i = 0; i < kKills; ++i) {
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        // Start-up of the writer takes some tens of milliseconds; kill it somewhere in its loop.
        const double delay = 0.06 + std::uniform_real_distribution<double>(0, 0.15)(random);
        WaitForEvents(Timer() + delay);
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";

        midWrite += StrayTempFiles(dir.path()) > 0;
        const std::string now = Bytes(target);
        ASSERT_TRUE(now == a || now == b) << "kill " << i << " left " << now.size() << " bytes";
        sawA += now == a;
        sawB += now == b;
    }
    // A temporary file left by a killed writer is taken over by the next write: at most the
    // one of the last kill lies there, and a write still succeeds and removes it. (A writer
    // killed before its first byte leaves an empty file, which only ages out.)
    EXPECT_LE(StrayTempFiles(dir.path(), true), 1);
    EXPECT_EQ(Written(1, target), b);
    EXPECT_EQ(StrayTempFiles(dir.path(), true), 0);
    std::printf("%d kills: %d left the old file, %d the new one, %d hit a write in progress\n",
                kKills, sawA, sawB, midWrite);
}
