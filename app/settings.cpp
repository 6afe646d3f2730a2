#include "app/settings.h"

#include "app/appstate.h"
#include "app/language.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "link/connect.h"
#include "service/service.h"
#include "support/ini.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Section and key names, exactly as they stand in the file.
constexpr const char *kSecGeneral = "GENERAL INFO";
constexpr const char *kKeyFileType = "FILE TYPE:";
constexpr const char *kKeyScopeVersion = "SCOPE VERSION:";
constexpr const char *kKeyPanelId = "PANEL ID:";
constexpr const char *kKeyLanguage = "LANGUAGE";
constexpr const char *kSecPosition = "PANEL POSITION";
constexpr const char *kKeyFullscreen = "MAINPANEL FULLSCREEN";
constexpr const char *kKeyLeft = "MAINPANEL LEFT";
constexpr const char *kKeyTop = "MAINPANEL TOP";
constexpr const char *kKeyWidth = "MAINPANEL WIDTH";
constexpr const char *kKeyHeight = "MAINPANEL HEIGHT";
constexpr const char *kSecDirectories = "DIRECTORIES";
constexpr const char *kKeyParameterFile = "PARAMETER FILE";
constexpr const char *kKeyRecorderFile = "RECORDER FILE";
constexpr const char *kKeyHardwareFile = "HARDWARE INI FILE";
constexpr const char *kKeyConvTableFile = "CONVERSION TABLE FILE";
constexpr const char *kSecAddresses = "IP ADDRESSES";
constexpr const char *kKeyListItems = "LIST ITEMS";
constexpr const char *kKeyAddressPrefix = "IP ADDR ";
constexpr const char *kSecCommunication = "COMMUNICATION SETTINGS";
constexpr const char *kKeyProtocol = "COMPROTOCOL";
constexpr const char *kKeyComPort = "COMPORT";
constexpr const char *kKeyBaudrate = "BAUDRATE";
constexpr const char *kKeyServer = "IP ADRESS";
constexpr const char *kKeyPortNumber = "PORT NUMBER";
constexpr const char *kFileType = "Panel Settings";

constexpr const char *kDefaultParameterFile = "Parameter.ini";
constexpr const char *kDefaultRecordFile = "RecordFile.dat";
constexpr const char *kDefaultHardwareFile = "HardwareInitialFile.ini";
constexpr const char *kDefaultConvTableFile = "ConversionTableFile.ini";

constexpr int kDefaultLeft = 10;
constexpr int kDefaultTop = 40;
// A window narrower or lower than this is no window an operator can use.
constexpr int kMinWindowSide = 100;
// The window can be grabbed when this much of its top strip (the title bar) lies on a screen.
constexpr int kGrabWidth = 100;
constexpr int kGrabHeight = 30;

bool DirWritable(const QString &dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

// The program's own directory keeps settings and files only when it is a directory of the
// operator's: an installed program (bin/ beside share/orvante2-scope/) never writes into bin/,
// even when it runs with the rights to.
bool ProgramDirHoldsFiles(const QString &exeDir)
{
    if (!DirWritable(exeDir))
        return false;
    return !QFileInfo(QString::fromStdString(InstalledDataDirectory(exeDir.toStdString())))
                .isDir();
}

std::string Join(const std::string &dir, const char *name)
{
    return dir + "/" + name;
}

struct Store {
    IniText ini = Ini_New(0);
    ~Store() { Ini_Dispose(ini); }
};

// Opens the settings file; null when it is missing or not a panel settings file.
bool OpenSettings(Store &s)
{
    if (!s.ini || !QFileInfo::exists(QString::fromUtf8(AppState.SettingsPath)))
        return false;
    Ini_ReadFromFile(s.ini, AppState.SettingsPath);
    char type[64];
    return Ini_GetStringIntoBuffer(s.ini, kSecGeneral, kKeyFileType, type, sizeof type) == 1 &&
           std::strcmp(type, kFileType) == 0;
}

int GetIntOr(IniText ini, const char *section, const char *key, int fallback)
{
    int v = fallback;
    return Ini_GetInt(ini, section, key, &v) == 1 ? v : fallback;
}

template <size_t N>
void GetPathOr(IniText ini, const char *key, char (&field)[N], const std::string &fallback)
{
    if (Ini_GetStringIntoBuffer(ini, kSecDirectories, key, field, N) != 1)
        CopyField(field, fallback.c_str());
}

// The general settings onto the panels: language, record file, sensor identification.
void ApplyGeneralSettings()
{
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, AppState.LanguageIndex);
    SetOffsetInstruction();
    if (AppState.LanguageIndex != 1)
        InitLanguage();
    SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_TEXTBOX_REC_FILE, AppState.RecordFilePath);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_ID, AppState.SensorId);
    SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_STRING_REC_ID, AppState.SensorId);
}

} // namespace

std::string SettingsFilePath(const std::string &dir, bool demo)
{
    const char *name = demo ? kDemoSettingsFileName : kSettingsFileName;
    if (!dir.empty())
        return Join(dir, name);
    const QString exeDir = QString::fromStdString(GetProjectDir());
    if (ProgramDirHoldsFiles(exeDir))
        return Join(exeDir.toStdString(), name);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return Join(config.toStdString(), name);
}

std::string DataDirectory()
{
    const QString exeDir = QString::fromStdString(GetProjectDir());
    return ProgramDirHoldsFiles(exeDir) ? exeDir.toStdString() : QDir::homePath().toStdString();
}

WindowPlace PlaceOnScreens(WindowPlace w, const std::vector<ScreenArea> &screens)
{
    if (w.width < kMinWindowSide)
        w.width = kMainWidth;
    if (w.height < kMinWindowSide)
        w.height = kMainHeight;
    if (screens.empty())
        return w;
    const long long needWidth = std::min(kGrabWidth, w.width);
    for (const ScreenArea &s : screens) {
        const long long x0 = std::max<long long>(w.left, s.left);
        const long long x1 = std::min<long long>(0LL + w.left + w.width, 0LL + s.left + s.width);
        const long long y0 = std::max<long long>(w.top, s.top);
        const long long y1 = std::min<long long>(0LL + w.top + kGrabHeight, 0LL + s.top + s.height);
        if (x1 - x0 >= needWidth && y1 - y0 >= kGrabHeight)
            return w;
    }
    const ScreenArea &p = screens.front();
    if (p.width >= kMinWindowSide)
        w.width = std::min(w.width, p.width);
    if (p.height >= kMinWindowSide)
        w.height = std::min(w.height, p.height);
    w.left = p.left + std::max(0, std::min(kDefaultLeft, p.width - w.width));
    w.top = p.top + std::max(0, std::min(kDefaultTop, p.height - w.height));
    return w;
}

void LoadPanelSettings()
{
    const std::string dataDir = DataDirectory();
    CopyField(AppState.ParameterFilePath, Join(dataDir, kDefaultParameterFile).c_str());
    CopyField(AppState.RecordFilePath, Join(dataDir, kDefaultRecordFile).c_str());
    CopyField(AppState.HardwareFilePath, Join(dataDir, kDefaultHardwareFile).c_str());
    CopyField(AppState.ConvTableFilePath, Join(dataDir, kDefaultConvTableFile).c_str());
    AppState.SensorId[0] = '\0';
    AppState.LanguageIndex = 1;

    Store s;
    if (OpenSettings(s)) {
        Ini_GetStringIntoBuffer(s.ini, kSecGeneral, kKeyPanelId, AppState.SensorId,
                                sizeof AppState.SensorId);
        AppState.LanguageIndex = GetIntOr(s.ini, kSecGeneral, kKeyLanguage, 1);

        int zoom = 0;
        if (Ini_GetInt(s.ini, kSecPosition, kKeyFullscreen, &zoom) == 1) {
            if (zoom == VAL_MAXIMIZE) {
                SetPanelAttribute(AppState.MainPanel, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
            } else {
                WindowPlace stored;
                stored.left = GetIntOr(s.ini, kSecPosition, kKeyLeft, kDefaultLeft);
                stored.top = GetIntOr(s.ini, kSecPosition, kKeyTop, kDefaultTop);
                stored.width = GetIntOr(s.ini, kSecPosition, kKeyWidth, kMainWidth);
                stored.height = GetIntOr(s.ini, kSecPosition, kKeyHeight, kMainHeight);
                // A file from another screen arrangement must not put the window where
                // nobody can reach it.
                const WindowPlace w = PlaceOnScreens(stored, AvailableScreenAreas());
                SetPanelPos(AppState.MainPanel, w.top, w.left);
                SetPanelSize(AppState.MainPanel, w.height, w.width);
            }
        }

        GetPathOr(s.ini, kKeyParameterFile, AppState.ParameterFilePath, dataDir);
        GetPathOr(s.ini, kKeyRecorderFile, AppState.RecordFilePath,
                  Join(dataDir, kDefaultRecordFile));
        GetPathOr(s.ini, kKeyHardwareFile, AppState.HardwareFilePath, dataDir);
        GetPathOr(s.ini, kKeyConvTableFile, AppState.ConvTableFilePath, dataDir);

        int items = 0;
        if (Ini_GetInt(s.ini, kSecAddresses, kKeyListItems, &items) == 1) {
            if (items > kAddressHistorySize)
                items = kAddressHistorySize;
            for (int i = 1; i <= items; ++i) {
                char key[32];
                std::snprintf(key, sizeof key, "%s%d", kKeyAddressPrefix, i);
                char address[1024];
                if (Ini_GetStringIntoBuffer(s.ini, kSecAddresses, key, address, sizeof address) ==
                    1)
                    AppendAddressHistory(address);
            }
        }
    }
    ApplyGeneralSettings();
}

void GetConnectionSettingsFromFile()
{
    AppState.ComProtocol = 0;
    AppState.ComPort = 1;
    AppState.BaudrateIndex = 4;
    AppState.ServerAddress[0] = '\0';
    CopyField(AppState.PortNumberText, "5000");

    Store s;
    if (OpenSettings(s)) {
        AppState.ComProtocol = uint16_t(GetIntOr(s.ini, kSecCommunication, kKeyProtocol, 0));
        AppState.ComPort = uint16_t(GetIntOr(s.ini, kSecCommunication, kKeyComPort, 1));
        AppState.BaudrateIndex = uint16_t(GetIntOr(s.ini, kSecCommunication, kKeyBaudrate, 4));
        Ini_GetStringIntoBuffer(s.ini, kSecCommunication, kKeyServer, AppState.ServerAddress,
                                sizeof AppState.ServerAddress);
        if (Ini_GetStringIntoBuffer(s.ini, kSecCommunication, kKeyPortNumber,
                                    AppState.PortNumberText, sizeof AppState.PortNumberText) != 1)
            CopyField(AppState.PortNumberText, "5000");
    }
    PutLinkSettingsOnPanel();
}

bool StorePanelSettings()
{
    GetCtrlString(AppState.TabConnect, TABP_CONNECT_STRING_ID, AppState.SensorId,
                  sizeof AppState.SensorId);
    Store s;
    if (!s.ini)
        return false;
    Ini_PutString(s.ini, kSecGeneral, kKeyFileType, kFileType);
    Ini_PutString(s.ini, kSecGeneral, kKeyScopeVersion, kScopeTitle);
    Ini_PutString(s.ini, kSecGeneral, kKeyPanelId, AppState.SensorId);
    int language = 1;
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, &language);
    Ini_PutInt(s.ini, kSecGeneral, kKeyLanguage, language);

    int zoom = 0, left = 0, top = 0, width = 0, height = 0;
    GetPanelAttribute(AppState.MainPanel, ATTR_WINDOW_ZOOM, &zoom);
    GetPanelAttribute(AppState.MainPanel, ATTR_LEFT, &left);
    GetPanelAttribute(AppState.MainPanel, ATTR_TOP, &top);
    GetPanelAttribute(AppState.MainPanel, ATTR_WIDTH, &width);
    GetPanelAttribute(AppState.MainPanel, ATTR_HEIGHT, &height);
    Ini_PutInt(s.ini, kSecPosition, kKeyFullscreen, zoom);
    Ini_PutInt(s.ini, kSecPosition, kKeyLeft, left);
    Ini_PutInt(s.ini, kSecPosition, kKeyTop, top);
    Ini_PutInt(s.ini, kSecPosition, kKeyWidth, width);
    Ini_PutInt(s.ini, kSecPosition, kKeyHeight, height);

    Ini_PutString(s.ini, kSecDirectories, kKeyParameterFile, AppState.ParameterFilePath);
    Ini_PutString(s.ini, kSecDirectories, kKeyRecorderFile, AppState.RecordFilePath);
    Ini_PutString(s.ini, kSecDirectories, kKeyHardwareFile, AppState.HardwareFilePath);
    Ini_PutString(s.ini, kSecDirectories, kKeyConvTableFile, AppState.ConvTableFilePath);

    const std::vector<std::string> history = AddressHistory();
    const int items = std::min(int(history.size()), kAddressHistorySize);
    Ini_PutInt(s.ini, kSecAddresses, kKeyListItems, items);
    for (int i = 1; i <= items; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "%s%d", kKeyAddressPrefix, i);
        Ini_PutString(s.ini, kSecAddresses, key, history[size_t(i - 1)].c_str());
    }

    ReadLinkSettingsFromPanel();
    Ini_PutInt(s.ini, kSecCommunication, kKeyProtocol, AppState.ComProtocol);
    Ini_PutInt(s.ini, kSecCommunication, kKeyComPort, AppState.ComPort);
    Ini_PutInt(s.ini, kSecCommunication, kKeyBaudrate, AppState.BaudrateIndex);
    Ini_PutString(s.ini, kSecCommunication, kKeyServer, AppState.ServerAddress);
    Ini_PutString(s.ini, kSecCommunication, kKeyPortNumber, AppState.PortNumberText);

    // The settings of this run are lost when the file cannot be written; the operator hears of
    // it (the old file, if any, stays as it was).
    if (AppState.SettingsPath[0] && Ini_WriteToFile(s.ini, AppState.SettingsPath) < 0) {
        ReportFileNotSaved(AppState.SettingsPath);
        return false;
    }
    return true;
}
