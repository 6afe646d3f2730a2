// The screenshot tool's command line: a mistyped option or language is refused before anything
// is written, and a run leaves one picture per main page under the page's name.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "e2e/process_outcome.h"

#include <gtest/gtest.h>

namespace {

Outcome RunShots(const QStringList &args, const QString &workDir)
{
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(ORVANTE2_SHOTS_EXE, args);
    return WaitForOutcome(p, 90000);
}

} // namespace

TEST(ShotsTool, HelpNamesTheLanguageOption)
{
    QTemporaryDir dir;
    const Outcome help = RunShots({"--help"}, dir.path());
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_NE(help.out.find("--language"), std::string::npos) << help.out;
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(ShotsTool, RefusesWhatItDoesNotKnowAndWritesNothing)
{
    const QStringList cases[] = {
        {"--no-such-option", "out"}, // an unknown option is no output folder
        {"-x", "out"},
        {"--language", "fr", "out"},
        {"--language"}, // the option without its value
        {"out", "second"},
    };
    for (const QStringList &args : cases) {
        QTemporaryDir dir;
        const Outcome r = RunShots(args, dir.path());
        EXPECT_NE(r.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.empty()) << args.join(' ').toStdString();
        EXPECT_TRUE(QDir(dir.path()).isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(ShotsTool, GermanRunWritesEveryPageByName)
{
    QTemporaryDir dir;
    const Outcome r = RunShots({"--language", "de", "pictures"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QDir out(dir.filePath("pictures"));
    for (const char *page : {"connect", "parameter", "threshold", "conversion-table", "recorder",
                             "scope", "service"}) {
        const QImage image(out.filePath(QString(page) + ".png"));
        EXPECT_FALSE(image.isNull()) << page;
        EXPECT_GT(image.width(), 500) << page;
    }
    EXPECT_EQ(out.entryList(QDir::Files).size(), 7);
}
