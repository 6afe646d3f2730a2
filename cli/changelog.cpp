// The tool's side of the change log: where the log lies (--settings-dir, else the app's own
// settings folder), the sensor's identity for the records of its writes, and `log`.
#include "cli/cli.h"

#include "app/appstate.h"
#include "app/changes.h"
#include "app/settings.h"
#include "link/frame.h"
#include "support/changelog.h"
#include "support/ini.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <cstring>

void FetchSensorIdentityOnce();

namespace {

const Msg kMsgLogUnreadable{"Aenderungsprotokoll kann nicht gelesen werden: ",
                            "Change log cannot be read: "};
const Msg kMsgLogSkipped{" unvollstaendige Zeilen im Aenderungsprotokoll uebersprungen: ",
                         " incomplete lines of the change log skipped: "};

void ReportLogFailure(const std::string &message)
{
    Report(message);
}

} // namespace

void UseChangeLog(const Options &o)
{
    // The app's settings folder: its own name decides where the system keeps it.
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("orvante2-scope");
    CopyField(AppState.SettingsPath, SettingsFilePath(o.settingsDir, false).c_str());
    QCoreApplication::setApplicationName(name);
    SetChangeLogProgram("cli");
    SetChangeLogFailureSink(ReportLogFailure);
    SetBeforeSensorWriteHook(FetchSensorIdentityOnce);
    // The Panel ID the app keeps for this sensor, when its settings file is there.
    IniText ini = Ini_New(0);
    if (ini && QFileInfo::exists(QString::fromUtf8(AppState.SettingsPath)) &&
        Ini_ReadFromFile(ini, AppState.SettingsPath) >= 0)
        Ini_GetStringIntoBuffer(ini, "GENERAL INFO", "PANEL ID:", AppState.SensorId,
                                sizeof AppState.SensorId);
    if (ini)
        Ini_Dispose(ini);
}

void FetchSensorIdentityOnce()
{
    static bool fetched = false;
    if (!fetched)
        fetched = FetchSensorIdentity();
}

bool FetchSensorIdentity()
{
    if (!Exchange(frame::kOrderFirmwareId))
        return false;
    std::memcpy(AppState.FirmwareId, AppState.RxBuffer + frame::kHeaderSize, 72);
    AppState.FirmwareId[72] = '\0';
    if (!Exchange(frame::kOrderNameSerial))
        return false;
    std::memset(AppState.SensorName, 0, sizeof AppState.SensorName);
    const int length =
        std::min<int>(AppState.RxHeader.length, int(sizeof AppState.SensorName) - 1);
    std::memcpy(AppState.SensorName, AppState.RxBuffer + frame::kHeaderSize, size_t(length));
    AppState.SensorSerial = AppState.RxHeader.arg;
    return true;
}

int ShowChangeLog(const Options &o)
{
    const std::string path = CurrentChangeLogPath();
    const ChangeLogContents log = ReadChangeLog(path, o.logSerial);
    if (!log.readable) {
        Report(std::string(Tr(kMsgLogUnreadable)) + path);
        return kExitFile;
    }
    if (log.skipped > 0 && !JsonOutput())
        Report(std::to_string(log.skipped) + Tr(kMsgLogSkipped) + path);
    if (JsonOutput()) {
        for (const ChangeRecord &r : log.records)
            EmitJson({{"time", QString::fromStdString(r.time)},
                      {"program", QString::fromStdString(r.program)},
                      {"user", QString::fromStdString(r.user)},
                      {"firmware", QString::fromStdString(r.firmware)},
                      {"sensor_name", QString::fromStdString(r.sensor)},
                      {"serial_number", QString::fromStdString(r.serial)},
                      {"panel_id", QString::fromStdString(r.panel)},
                      {"what", QString::fromStdString(r.what)},
                      {"memory", QString::fromStdString(r.memory)},
                      {"changes", QString::fromStdString(r.changes)},
                      {"result", QString::fromStdString(r.result)}});
        return kExitOk;
    }
    std::string out =
        "TIME\tPROGRAM\tUSER\tFIRMWARE\tSENSOR\tSERIAL\tPANEL ID\tWHAT\tMEMORY\tCHANGES\tRESULT\n";
    for (const ChangeRecord &r : log.records)
        out += FormatChangeRecord(r);
    std::fputs(out.c_str(), stdout);
    return kExitOk;
}
