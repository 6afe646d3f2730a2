#include "params/paramfile.h"

#include "app/appstate.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "params/pagecheck.h"
#include "params/rules.h"
#include "params/transfer.h"

#include <cstring>

const Msg kMsgNoFileSelected{"Keine Datei ausgewaehlt! \nAktion wird nicht ausgefuehrt!",
                             "No file was selected! \nProcess will not be done!"};
const Msg kMsgNotParameterFile{
    "Gewaehlte Datei ist keine Parameter-Datei! \nTrotzdem fortfahren?",
    "Selected file is not a parameter file! \nDo you want to proceed anyway?"};
const Msg kMsgVersionMismatchFile{
    "Gewaehlte Datei und Scope-Version stimmen nicht ueberein! \nTrotzdem fortfahren?",
    "Selected file and scope version do not match! \nDo you want to proceed anyway?"};
const Msg kMsgNoParameterRead{"Keine Parameter eingelesen!", "No parameter were read!"};
const Msg kMsgMissingParameters{
    "Folgende Parameter konnten nicht eingelesen werden \nund wurden auf Voreinstellung "
    "gesetzt:\n\n",
    "Following parameter could not be read \nand were set to default value:\n\n"};

const ParameterKey kParameterKeys[kParameterRecordSize / 2] = {
    {"POWER SOURCE", &ParameterRecord::PowerSource, 0},
    {"POWER CH0", &ParameterRecord::PowerCh0, 500},
    {"POWER CH1", &ParameterRecord::PowerCh1, 500},
    {"POWER MODE", &ParameterRecord::PowerMode, 0},
    {"DYNWIN LO", &ParameterRecord::DynWinLo, 3200},
    {"DYNWIN HI", &ParameterRecord::DynWinHi, 3300},
    {"LED MODE", &ParameterRecord::LedMode, 0},
    {"GAIN", &ParameterRecord::Gain, 5},
    {"AVERAGE", &ParameterRecord::Average, 1},
    {"INTEGRAL", &ParameterRecord::Integral, 1},
    {"ANALOG OUTMODE", &ParameterRecord::AnalogOutmode, 0},
    {"ANALOG RANGE", &ParameterRecord::AnalogRange, 0},
    {"ANALOG OUT", &ParameterRecord::AnalogOut, 0},
    {"DIGITAL OUTMODE", &ParameterRecord::DigitalOutmode, 1},
    {"HOLD", &ParameterRecord::Hold, 100}, // 0.1 ms units, as on the wire
    {"THRESHOLD MODE", &ParameterRecord::ThresholdMode, 0},
    {"THRESHOLD TRACING", &ParameterRecord::ThresholdTracing, 0},
    {"TT UP", &ParameterRecord::TtUp, 100},
    {"TT DOWN", &ParameterRecord::TtDown, 100},
    {"THRESHOLD CALC", &ParameterRecord::ThresholdCalc, 1},
    {"TEACH VALUE", &ParameterRecord::TeachValue, 2000},
    {"TOLERANCE", &ParameterRecord::Tolerance, 20},
    {"HYSTERESIS", &ParameterRecord::Hysteresis, 10},
    {"EXTERN TEACH", &ParameterRecord::ExternTeach, 0},
    {"DEAD TIME", &ParameterRecord::DeadTime, 0},
    {"EVALUATION MODE", &ParameterRecord::EvaluationMode, 0},
};

namespace {

const Msg kStatusParametersSaved{"Parameter gespeichert:", "Parameters saved:"};
const Msg kStatusParametersLoaded{"Parameter geladen:", "Parameters loaded:"};
const Msg kStatusParametersLoadedChanged{"Parameter geladen, einige Werte angepasst:",
                                         "Parameters loaded, some values adjusted:"};


constexpr size_t kGeneralInfoBufferSize = 1024;

// The file dialog of both directions, starting in the directory of the current parameter file.
// Returns the dialog's result; a chosen path becomes the current one.
int SelectParameterFile(int buttonMode)
{
    std::string directory = AppState.ParameterFilePath;
    const size_t slash = directory.find_last_of('/');
    directory = slash == std::string::npos ? DataDirectory() : directory.substr(0, slash + 1);
    char path[sizeof AppState.ParameterFilePath] = {};
    const int result = FileSelectPopup(directory.c_str(), kDefaultParameterFileName, "*.ini",
                                       "Parameter", buttonMode, path, int(sizeof path));
    if (result > 0)
        CopyField(AppState.ParameterFilePath, path);
    return result;
}

// The file's GENERAL INFO item as text, empty when it is missing.
std::string GeneralInfo(IniText ini, const char *key)
{
    char buffer[kGeneralInfoBufferSize] = {};
    if (Ini_GetStringIntoBuffer(ini, kSectionGeneralInfo, key, buffer, sizeof buffer) != 1)
        return {};
    return buffer;
}

// The type and version checks; false when the operator refused the file.
bool AcceptFile(IniText ini)
{
    if (GeneralInfo(ini, kKeyFileType) != kParameterFileType &&
        ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgNotParameterFile)) != 1) {
        ShowStatus(kMsgNoParameterRead, AppState.ParameterFilePath);
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgNoParameterRead));
        return false;
    }
    if (GeneralInfo(ini, kKeyScopeVersion) != kParameterFileVersion &&
        ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgVersionMismatchFile)) != 1) {
        ShowStatus(kMsgNoParameterRead, AppState.ParameterFilePath);
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgNoParameterRead));
        return false;
    }
    return true;
}

} // namespace

int ChooseParameterFile(int buttonMode)
{
    return SelectParameterFile(buttonMode);
}

bool ReadParameterFileAsking(const char *path, ParameterRecord *record)
{
    IniText ini = Ini_New(0);
    if (!ini)
        return false;
    Ini_ReadFromFile(ini, path);
    bool read = AcceptFile(ini);
    if (read) {
        const std::vector<std::string> missing = TakeParameters(ini, record);
        if (!missing.empty()) {
            std::string report = Tr(kMsgMissingParameters);
            for (const std::string &key : missing)
                report += key + "\n";
            MessagePopup(Tr(kMsgInfoTitle), report.c_str());
        }
    }
    Ini_Dispose(ini);
    return read;
}

void PutParameters(IniText ini, const ParameterRecord &record)
{
    for (const ParameterKey &k : kParameterKeys)
        Ini_PutInt(ini, kSectionParameter, k.key, int(record.*k.field));
}

std::vector<std::string> TakeParameters(IniText ini, ParameterRecord *record)
{
    std::vector<std::string> missing;
    for (const ParameterKey &k : kParameterKeys) {
        int value = 0;
        if (Ini_GetInt(ini, kSectionParameter, k.key, &value) == 1) {
            record->*k.field = uint16_t(unsigned(value) & 0xFFFFu);
        } else {
            record->*k.field = k.defaultValue;
            missing.push_back(k.key);
        }
    }
    return missing;
}

void AppendParaToIniHandle(IniText ini)
{
    PutParameters(ini, Parameters);
}

void AcquireParaFromIniHandle(IniText ini)
{
    const std::vector<std::string> missing = TakeParameters(ini, &Parameters);
    if (missing.empty())
        return;
    std::string report = Tr(kMsgMissingParameters);
    for (const std::string &key : missing)
        report += key + "\n";
    MessagePopup(Tr(kMsgInfoTitle), report.c_str());
}

void SendParaToFile()
{
    if (SelectParameterFile(VAL_SAVE_BUTTON) <= 0) {
        ShowStatus(kMsgNoFileSelected);
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgNoFileSelected));
        return;
    }
    GetPanelValues();
    if (WriteParameterFile(Parameters, AppState.ParameterFilePath) < 0)
        ReportFileNotSaved(AppState.ParameterFilePath);
    else
        ShowStatus(kStatusParametersSaved, AppState.ParameterFilePath);
}

int WriteParameterFile(const ParameterRecord &record, const char *path)
{
    IniText ini = Ini_New(0);
    if (!ini)
        return -1;
    Ini_PutString(ini, kSectionGeneralInfo, kKeyFileType, kParameterFileType);
    Ini_PutString(ini, kSectionGeneralInfo, kKeyScopeVersion, kParameterFileVersion);
    PutParameters(ini, record);
    const int result = Ini_WriteToFile(ini, path);
    Ini_Dispose(ini);
    return result;
}

ParameterFileCheck CheckParameterFile(IniText ini)
{
    if (GeneralInfo(ini, kKeyFileType) != kParameterFileType)
        return ParameterFileCheck::kNotParameterFile;
    if (GeneralInfo(ini, kKeyScopeVersion) != kParameterFileVersion)
        return ParameterFileCheck::kOtherVersion;
    return ParameterFileCheck::kGood;
}

void ReadParaFromFile()
{
    if (SelectParameterFile(VAL_LOAD_BUTTON) != VAL_EXISTING_FILE_SELECTED) {
        ShowStatus(kMsgNoFileSelected);
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgNoFileSelected));
        return;
    }
    IniText ini = Ini_New(0);
    if (!ini)
        return;
    // A file that cannot be read reads as an empty one: the questions and the report follow.
    Ini_ReadFromFile(ini, AppState.ParameterFilePath);
    const bool accepted = AcceptFile(ini);
    WrittenValues written;
    if (accepted) {
        AcquireParaFromIniHandle(ini);
        written = ParameterValuesAsWritten(ini);
    }
    Ini_Dispose(ini);
    // A refused file changes nothing: the pages keep what the operator has edited since the
    // record was last filled from them.
    if (!accepted)
        return;
    const std::vector<ChangedWord> changed = SetPanelValuesChecked(written);
    RunParameterRules();
    ShowStatus(changed.empty() ? kStatusParametersLoaded : kStatusParametersLoadedChanged,
               AppState.ParameterFilePath);
    // What the controls could not take is what SEND would send changed: the operator is told,
    // once, after the page rules have said their part.
    if (!changed.empty())
        MessagePopup(Tr(kMsgInfoTitle), ChangedWordsText(changed).c_str());
}
