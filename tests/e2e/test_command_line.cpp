// The program's command line as a new user tries it: --help and --version need no display and
// say what the program is; an unknown option is refused.
#include <QProcess>
#include <QProcessEnvironment>

#include "e2e/process_outcome.h"

#include <gtest/gtest.h>

namespace {

Outcome Start(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"); // as on a machine without a display: nothing may need one
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.start(ORVANTE2_SCOPE_EXE, args);
    return WaitForOutcome(p, 30000);
}

} // namespace

TEST(CommandLine, VersionAndHelpWithoutADisplay)
{
    const Outcome version = Start({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "orvante2-scope 1.3.0\n");

    const Outcome help = Start({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_NE(help.out.find("ORVANTE2 Scope V1.3"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("--demo"), std::string::npos);
    EXPECT_NE(help.out.find("--settings-dir <DIR>"), std::string::npos);
    EXPECT_NE(help.out.find("orvante2-sensor"), std::string::npos);

    const Outcome unknown = Start({"--no-such-option"});
    EXPECT_NE(unknown.exitCode, 0);
}
