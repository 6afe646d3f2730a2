// The installed layout: bin/ beside share/orvante2-scope/. The program finds its language files
// and logo there when they are neither beside it nor in the current directory.
#include "app/language.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(InstalledLayout, DataFilesAreFoundUnderShareAfterTheOtherPlaces)
{
    QTemporaryDir prefix, current;
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin"));
    ASSERT_TRUE(QDir(prefix.path()).mkpath("share/orvante2-scope"));
    const std::string bin = prefix.filePath("bin").toStdString();
    const std::string share = prefix.filePath("share/orvante2-scope").toStdString();
    const std::string cur = current.path().toStdString();
    EXPECT_EQ(InstalledDataDirectory(bin), share);
    EXPECT_EQ(InstalledDataDirectory(""), "");

    auto touch = [](const std::string &dir) {
        QFile f(QString::fromStdString(dir + "/logoQX.bmp"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    EXPECT_EQ(FindProgramFile("logoQX.bmp", bin, cur), "logoQX.bmp");
    touch(share);
    EXPECT_EQ(FindProgramFile("logoQX.bmp", bin, cur), share + "/logoQX.bmp");
    touch(cur);
    EXPECT_EQ(FindProgramFile("logoQX.bmp", bin, cur), cur + "/logoQX.bmp");
    touch(bin);
    EXPECT_EQ(FindProgramFile("logoQX.bmp", bin, cur), bin + "/logoQX.bmp");
}
