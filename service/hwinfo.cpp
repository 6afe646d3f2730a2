#include "service/service.h"

#include "app/appstate.h"
#include "app/settings.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "params/paramfile.h"
#include "params/transfer.h"
#include "support/ini.h"

#include <cstdio>

const Msg kMsgHwFileSaved{"Datei wurde gespeichert!", "File has been saved!"};
const Msg kMsgHwFileNotSaved{"Datei konnte nicht gespeichert werden!",
                             "File could not be saved!"};
const Msg kMsgHwNoFileSelected{"Keine Datei ausgewaehlt! \nAktion wird nicht ausgefuehrt!",
                               "No file was selected! \nProcess will not be done!"};

namespace {

void Say(const char *text)
{
    AppendTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, text);
}

// The file dialog, starting in the directory of the last hardware information file; the chosen
// path becomes the remembered one.
int SelectHardwareFile()
{
    std::string directory = AppState.HardwareFilePath;
    const size_t slash = directory.find_last_of('/');
    directory = slash == std::string::npos ? DataDirectory() : directory.substr(0, slash + 1);
    char path[sizeof AppState.HardwareFilePath] = {};
    const int result = FileSelectPopup(directory.c_str(), kDefaultHardwareFileName, "*.ini",
                                       kHwFileDialogTitle, VAL_SAVE_BUTTON, path,
                                       int(sizeof path));
    if (result > 0)
        CopyField(AppState.HardwareFilePath, path);
    return result;
}

int OffsetField(int control)
{
    int value = 0;
    GetCtrlVal(AppState.TabService, control, &value);
    return value;
}

int WriteHardwareFile(const std::string &data)
{
    GetPanelValues();
    HardwareInfoFile file;
    file.firmwareId = AppState.FirmwareId;
    file.data = data;
    file.parameters = Parameters;
    file.offsetCh0 = OffsetField(TABP_SERVICE_NUMERIC_OFFSET_CH0);
    file.offsetCh1 = OffsetField(TABP_SERVICE_NUMERIC_OFFSET_CH1);
    return WriteHardwareInfoFile(file, AppState.HardwareFilePath);
}

} // namespace

std::string HardwareDataText(const uint8_t *bytes)
{
    std::string text;
    text.reserve(kHwInfoDataChars);
    char word[8];
    for (int i = 0; i < kHwInfoBytes; i += 2) {
        std::snprintf(word, sizeof word, "%04X", unsigned(frame::GetU16(bytes + i)));
        text += word;
    }
    return text;
}

int WriteHardwareInfoFile(const HardwareInfoFile &file, const char *path)
{
    IniText ini = Ini_New(0);
    if (!ini)
        return kIniOutOfMemory;
    Ini_PutString(ini, kSectionGeneralInfo, kKeyFileType, kHwFileType);
    Ini_PutString(ini, kSectionGeneralInfo, kKeyScopeVersion, kHwScopeVersion);
    Ini_PutString(ini, kSectionGeneralInfo, kKeyFirmwareVersion, file.firmwareId.c_str());
    Ini_PutString(ini, kSectionHardwareInfo, kKeyHardwareData, file.data.c_str());
    PutParameters(ini, file.parameters);
    Ini_PutInt(ini, kSectionOffset, kKeyOffsetCh0, file.offsetCh0);
    Ini_PutInt(ini, kSectionOffset, kKeyOffsetCh1, file.offsetCh1);
    const int result = Ini_WriteToFile(ini, path);
    Ini_Dispose(ini);
    return result;
}

// A shorter answer is refused rather than padded with whatever the buffer held.
int ReadHardwareInfo(std::string *data)
{
    AppState.OrderNumber = frame::kOrderHardwareInfo;
    FillTxBuf(frame::kOrderHardwareInfo, kHwInfoAccessCode, 0);
    if (DataExchange(frame::kHeaderSize) != 1)
        return -1;
    if (AppState.RxHeader.length < kHwInfoBytes) {
        CopyField(AppState.ErrorText, Tr(kMsgBadData));
        SetTimeout();
        return -1;
    }
    *data = HardwareDataText(AppState.RxBuffer + frame::kHeaderSize);
    return 1;
}

void GenerateHWInfoFile()
{
    AppState.SensorConnected = 1; // every failed exchange clears it

    const uint16_t memory = AppState.MemorySelect;
    AppState.MemorySelect = kMemoryRam;
    GetPara();
    AppState.MemorySelect = memory;
    if (AppState.SensorConnected == 0)
        return;

    if (GetOffset() != 1 || AppState.SensorConnected == 0)
        return;
    std::string data;
    if (ReadHardwareInfo(&data) != 1 || AppState.SensorConnected == 0)
        return;

    if (SelectHardwareFile() <= 0) {
        ShowStatus(kMsgHwNoFileSelected);
        Say(Tr(kMsgHwNoFileSelected));
        Say("\n\n");
        return;
    }
    const int written = WriteHardwareFile(data);
    ShowStatus(written >= 0 ? kMsgHwFileSaved : kMsgHwFileNotSaved, AppState.HardwareFilePath);
    Say(Tr(written >= 0 ? kMsgHwFileSaved : kMsgHwFileNotSaved));
    Say("\n");
    Say(AppState.HardwareFilePath);
    Say("\n\n");
}
