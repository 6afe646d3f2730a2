// Ending the program from outside while a popup waits for an answer: SIGTERM must not be held
// up by the popup, and popups the closing program would still ask are answered, never shown.
#include "common/harness.h"

#include "app/settings.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <csignal>

namespace {

// Real dialogs (no responder), and the dismissal undone whatever the test does.
class Dismissal : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        responder.uninstall();
    }
    void TearDown() override
    {
        SetPopupsDismissed(0);
        AppTest::TearDown();
    }
    static int OpenDialogs()
    {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            n += qobject_cast<QDialog *>(w) && w->isVisible();
        return n;
    }
};

// Waits until process `pid` catches SIGTERM (its handler is installed), as the kernel reports
// it in /proc; false after `seconds`.
bool CatchesSigterm(qint64 pid, double seconds)
{
    QElapsedTimer since;
    since.start();
    while (since.elapsed() < seconds * 1000) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (!line.startsWith("SigCgt:"))
                    continue;
                bool ok = false;
                const qulonglong caught = line.mid(7).trimmed().toULongLong(&ok, 16);
                if (ok && (caught & (1ULL << (SIGTERM - 1))) != 0)
                    return true;
            }
        }
        QThread::msleep(20);
    }
    return false;
}

} // namespace

TEST_F(Dismissal, AnOpenPopupEndsWithItsCancelledAnswerAndLaterOnesAreNotShown)
{
    int openWhenDismissed = -1;
    QTimer::singleShot(50, [&] {
        openWhenDismissed = OpenDialogs();
        SetPopupsDismissed(1);
    });
    EXPECT_EQ(ConfirmPopup("Info", "Overwrite?"), 0);
    EXPECT_EQ(openWhenDismissed, 1);
    EXPECT_EQ(OpenDialogs(), 0);

    // Whatever the interrupted caller asks next is answered at once, the cautious way.
    EXPECT_EQ(ConfirmPopup("Info", "Really?"), 0);
    EXPECT_EQ(GenericMessagePopup("Info", "Connection failed", "Close", "Offline"),
              GENERIC_MSG_BUTTON_2);
    char path[256] = "x";
    EXPECT_EQ(FileSelectPopup("/tmp", "a.txt", "*.txt", "Save", VAL_SAVE_BUTTON, path,
                              int(sizeof path)),
              VAL_NO_FILE_SELECTED);
    EXPECT_STREQ(path, "");
    char printer[256] = "";
    EXPECT_EQ(PrinterSelectPopup(printer, int(sizeof printer)), 0);
    EXPECT_EQ(MessagePopup("Info", "Done"), 0);
    EXPECT_EQ(OpenDialogs(), 0);

    // Switched off again, the scripted responder is asked as before.
    SetPopupsDismissed(0);
    responder.install();
    responder.push(1);
    EXPECT_EQ(ConfirmPopup("Info", "Overwrite?"), 1);
    EXPECT_EQ(responder.countOf(PopupRequest::kConfirm), 1);
}

TEST_F(Dismissal, APopupPanelIsTakenDown)
{
    InstallPopup(AppState.PasswordPanel);
    ASSERT_EQ(IsPanelVisible(AppState.PasswordPanel), 1);
    SetPopupsDismissed(1);
    EXPECT_EQ(IsPanelVisible(AppState.PasswordPanel), 0);
}

// The real program, started without a sensor: the Close / Offline question is open when the
// signal comes. The program ends at once with exit code 0 and stores its settings.
TEST(Termination, SigtermEndsTheProgramWhileTheConnectionQuestionIsOpen)
{
    QTemporaryDir dir;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close(); // nobody listens there
    const QString settings = QString::fromStdString(SettingsFilePath(dir.path().toStdString()));
    {
        QFile f(settings);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\nPANEL ID: = \"S-7\"\r\n"
                "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\nIP ADRESS = \"127.0.0.1\"\r\n"
                "PORT NUMBER = \"" +
                QByteArray::number(port) + "\"\r\n");
    }
    const QByteArray before = [&] {
        QFile f(settings);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();

    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    app.setProcessEnvironment(env);
    app.start(ORVANTE2_SCOPE_EXE, {"--settings-dir", dir.path()});
    ASSERT_TRUE(app.waitForStarted(10000));
    // The connection attempt to a closed local port fails at once; give the program time to
    // come up and ask (on a loaded machine the start alone may take longer than that).
    ASSERT_TRUE(CatchesSigterm(app.processId(), 30)) << "the program never took the signal";
    QThread::msleep(1500);
    ASSERT_EQ(app.state(), QProcess::Running) << app.readAllStandardError().toStdString();
    ::kill(pid_t(app.processId()), SIGTERM);
    ASSERT_TRUE(app.waitForFinished(15000)) << "the open popup held the program";
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
    QFile f(settings);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray after = f.readAll();
    EXPECT_NE(after, before) << "the settings were not stored";
    EXPECT_TRUE(after.contains("S-7"));
}
