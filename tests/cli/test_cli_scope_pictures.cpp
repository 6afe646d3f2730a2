// scope --png, --svg and --load of the command-line tool: the capture's graph as the report draws
// it, from the sensor or from a saved capture without one, and without a display.
#include "cli/cli_fixture.h"
#include "common/harness.h"
#include "common/pictures.h"

#include "scope/capture_file.h"

#include <QImage>
#include <QProcessEnvironment>

namespace {

class CliScopePictures : public CliTest {
protected:
    std::string file(const char *name) const { return dir.filePath(name).toStdString(); }
    // The tool without a link, and without a display or a platform chosen for it.
    Result runAlone(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        p.setProcessEnvironment(env);
        p.start(ORVANTE2_CLI_EXE, args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return ResultOf(p);
    }
};

TEST_F(CliScopePictures, PicturesOfACaptureAndOfTheSameCaptureLoadedLater)
{
    const QString ini = path("cap.ini"), png = path("cap.png"), svg = path("cap.svg");
    const Result r = run({"scope", "--rate", "2", "--save", ini, "--png", png, "--svg", svg});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(QImage(png).size(), QSize(1600, 900));
    EXPECT_GT(PixelsNear(png.toStdString(), QColor(0, 192, 0)), 400); // CH1
    const SvgContent picture = ReadSvg(svg.toStdString());
    ASSERT_TRUE(picture.wellFormed) << picture.error;
    for (const char *text : {"CH0", "CH1", "SIG", "IN0 H", "Time [ms]"})
        EXPECT_TRUE(picture.hasText(text)) << text;

    // The saved capture converted without a sensor: the same picture, the CSV on standard output.
    const Result loaded = runAlone({"scope", "--load", ini, "--svg", path("again.svg"), "--csv"});
    ASSERT_EQ(loaded.code, 0) << loaded.err;
    EXPECT_EQ(read(path("again.svg")), read(svg));
    ASSERT_EQ(runAlone({"--lang", "de", "scope", "--load", ini, "--svg", path("de.svg")}).code, 0);
    EXPECT_TRUE(ReadSvg(path("de.svg").toStdString()).hasText("Zeit [ms]"));
    ScopeCapture capture;
    ASSERT_EQ(ReadScopeCaptureFile(ini.toStdString(), &capture), CaptureFileResult::kOk);
    EXPECT_EQ(loaded.out, ScopeCaptureCsv(capture));
    // With --tcp given as well the sensor is left alone.
    sensor.clearLog();
    EXPECT_EQ(run({"scope", "--load", ini, "--png", path("again.png")}).code, 0);
    EXPECT_TRUE(sensor.receivedFrames().empty());
    EXPECT_EQ(QImage(path("again.png")).size(), QSize(1600, 900));
}

TEST_F(CliScopePictures, BadFilesAndOptionsAreRefusedWithTheirExitCodes)
{
    const QString ini = path("cap.ini");
    ASSERT_EQ(run({"scope", "--save", ini}).code, 0);
    const QByteArray saved = read(ini);
    write(path("other.ini"), "[GENERAL INFO]\r\nFILE TYPE = \"Parameter File\"\r\n");
    const struct {
        QStringList args;
        int code;
        const char *message;
    } cases[] = {
        {{"scope", "--load", path("none.ini")}, 4, "could not be read"},
        {{"scope", "--load", path("other.ini")}, 4, "no scope capture"},
        {{"scope", "--load", ini, "--png", path("missing/c.png")}, 4, "could not be written"},
        {{"scope", "--load", ini, "--svg", path("missing/c.svg")}, 4, "could not be written"},
        {{"scope", "--load", ini, "--rate", "2"}, 1, "--load"},
        {{"scope", "--load", ini, "--png", path("c.svg")}, 1, ".png"},
        {{"scope", "--load", ini, "--svg", path("c.png")}, 1, ".svg"},
        {{"scope", "--load", ini, "--png"}, 1, "--png needs a path"},
        {{"live", "--count", "1", "--load", ini}, 1, "belong to scope"},
    };
    for (const auto &c : cases) {
        const Result r = runAlone(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << c.args.join(' ').toStdString();
    }
    // A damaged capture is named as such; nothing was written anywhere.
    write(path("bad.ini"), saved.left(saved.size() / 2));
    const Result damaged = runAlone({"scope", "--load", path("bad.ini"), "--svg", path("c.svg")});
    EXPECT_EQ(damaged.code, 4);
    EXPECT_NE(damaged.err.find("damaged"), std::string::npos) << damaged.err;
    EXPECT_EQ(QDir(dir.path()).entryList({"*.png", "*.svg", "missing"}), QStringList{});
    // Several sensors would write one picture over the other.
    EXPECT_EQ(run({"--tcp", "127.0.0.1:1", "scope", "--png", path("c.png")}).code, 1);
}

} // namespace
