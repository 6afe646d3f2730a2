#include "app/changes.h"

#include "app/appstate.h"
#include "link/connect.h"
#include "platform/ui.h"
#include "support/changelog.h"

#include <QDateTime>
#include <QDir>
#include <QSysInfo>

#include <set>

const Msg kMsgChangeLogNotWritten{"Aenderungsprotokoll konnte nicht geschrieben werden: ",
                                  "Change log could not be written: "};

namespace {

std::string gProgram = "app";

void ShowFailure(const std::string &message)
{
    MessagePopup(Tr(kMsgInfoTitle), message.c_str());
}

ChangeLogFailureSink gSink = ShowFailure;
void (*gBeforeWrite)() = nullptr;

} // namespace

void BeforeSensorWrite()
{
    if (gBeforeWrite)
        gBeforeWrite();
}

void SetBeforeSensorWriteHook(void (*hook)())
{
    gBeforeWrite = hook;
}

void SetChangeLogProgram(const char *program)
{
    gProgram = program;
}

void SetChangeLogFailureSink(ChangeLogFailureSink sink)
{
    gSink = sink ? sink : ShowFailure;
}

std::string CurrentChangeLogPath()
{
    return ChangeLogPathBeside(AppState.SettingsPath);
}

std::string WriterName()
{
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty())
        user = QDir::home().dirName(); // the login's home folder bears its name
    if (user.isEmpty())
        user = "?";
    return (user + "@" + QSysInfo::machineHostName()).toStdString();
}

void LogSensorWrite(const char *what, const char *memory, const std::string &changes, bool ok)
{
    const std::string path = CurrentChangeLogPath();
    if (path.empty())
        return;
    ChangeRecord r;
    r.time = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString();
    r.program = gProgram;
    r.user = WriterName();
    if (AppState.FirmwareId[0])
        r.firmware = SplitFirmwareId(AppState.FirmwareId).versionLine();
    r.sensor = AppState.SensorName;
    if (AppState.SensorSerial >= 0)
        r.serial = std::to_string(AppState.SensorSerial);
    r.panel = AppState.SensorId;
    r.what = what;
    r.memory = memory;
    r.changes = changes;
    r.result = ok ? kChangeResultOk : kChangeResultFailed;
    if (AppendChangeRecord(path, r))
        return;
    static std::set<std::string> reported;
    if (reported.insert(path).second)
        gSink(std::string(Tr(kMsgChangeLogNotWritten)) + path);
}
