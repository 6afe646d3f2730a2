#include "params/transfer.h"

#include "app/appstate.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "params/controls.h"
#include "params/paramfile.h"
#include "params/record.h"
#include "params/rules.h"
#include "params/synced.h"
#include "app/changes.h"
#include "params/compare.h"

#include <cstdio>
#include <functional>
#include <string>

const Msg kMsgRamPlausibility{
    " Plausibilitaets-Check der Parameter im RAM fehlgeschlagen, wurden auf Voreinstellung "
    "gesetzt!",
    " Parameter in RAM did not pass plausibility check and were set to default value!"};
const Msg kMsgEepromPlausibility{
    " Plausibilitaets-Check der Parameter im EEPROM fehlgeschlagen, wurden auf Voreinstellung "
    "gesetzt!\n\n",
    " Parameter from EEPROM did not pass plausibility check and were set to default value!\n\n"};

namespace {

const Msg kStatusSentRam{"Parameter ins RAM gesendet.", "Parameters sent to the RAM."};
const Msg kStatusSentEeprom{"Parameter ins RAM und EEPROM gesendet.",
                            "Parameters sent to the RAM and the EEPROM."};
const Msg kStatusReadRam{"Parameter aus dem RAM gelesen.", "Parameters read from the RAM."};
const Msg kStatusReadEeprom{"Parameter aus dem EEPROM gelesen.",
                            "Parameters read from the EEPROM."};


const Msg kHelpSend{
    "Alle Parameter der PC-Nutzeroberflaeche werden an den Sensor oder in eine auswaehlbare "
    "Datei uebertragen. \nDas Ziel der Parameteruebertragung wird mit der Button-Auswahl (RAM, "
    "EEPROM, DATEI) bestimmt. \n\nFunktionstaste: F9",
    "All the parameters of the PC-User-Interface are transferred to the sensor or to a "
    "selectable file. \nThe target of the parameter transfer is determined by the select button "
    "(RAM, EEPROM, FILE). \n\nShortcut Key: F9."};
const Msg kHelpGet{
    "Sensor- oder Dateiparameter werden auf die PC-Nutzeroberflaeche uebertragen. \nDie Quelle "
    "der Parameteruebertragung wird mit der Button-Auswahl (RAM, EEPROM, DATEI) bestimmt. "
    "\n\nFunktionstaste: F10",
    "Sensor or file parameters are transferred to the PC-User-Interface. \nThe source of the "
    "parameter transfer is determined by the select button (RAM, EEPROM, FILE). \n\nShortcut "
    "Key: F10."};
const Msg kHelpSelectMem{"Waehlen Sie die Quelle bzw. das Ziel fuer die Parameteruebertragung.",
                         "Select source respectively the target for the parameter transfer."};

// One exchange without request payload; true when it succeeded.
bool Exchange(uint8_t order)
{
    AppState.OrderNumber = order;
    FillTxBuf(order, 0, 0);
    return DataExchange(frame::kHeaderSize) == 1;
}

std::string PlausibilityReport(const Msg &text)
{
    return std::string(Tr(kMsgInfoTitle)) + "\n" + std::to_string(AppState.RxHeader.arg) + Tr(text);
}

struct MemoryButton {
    int control;
    int value;
};
constexpr MemoryButton kMemoryButtons[] = {
    {MAINP_BUTTON_RAM, kMemoryRam},
    {MAINP_BUTTON_EEPROM, kMemoryEeprom},
    {MAINP_BUTTON_FILE, kMemoryFile},
};

} // namespace

void GetPanelValues()
{
    for (const ParamControl &c : kParamControls) {
        const int page = AppState.*c.page;
        if (c.field == &ParameterRecord::Hold) {
            double ms = HoldMsFromField(Parameters.Hold);
            GetCtrlVal(page, c.control, &ms);
            Parameters.Hold = HoldFieldFromMs(ms);
        } else {
            GetCtrlVal(page, c.control, &(Parameters.*c.field));
        }
    }
}

void SetPanelValues()
{
    for (const ParamControl &c : kParamControls) {
        const int page = AppState.*c.page;
        if (c.field == &ParameterRecord::Hold)
            SetCtrlVal(page, c.control, HoldMsFromField(Parameters.Hold));
        else
            SetCtrlVal(page, c.control, int(Parameters.*c.field));
    }
}

int SendParaRecord(const ParameterRecord &record, bool toEeprom, bool logged)
{
    if (logged)
        BeforeSensorWrite();
    const std::string changes =
        logged ? ParameterChangesText(SensorSet(), record) : std::string();
    const auto log = [&](bool ok) {
        if (logged)
            LogSensorWrite(kChangeParameters, toEeprom ? "RAM+EEPROM" : "RAM", changes, ok);
        return ok ? 1 : -1;
    };
    RecordToBytes(record, AppState.TxFrame + frame::kHeaderSize);
    AppState.OrderNumber = frame::kOrderWriteRam;
    FillTxBuf(frame::kOrderWriteRam, 0, kParameterRecordSize);
    if (DataExchange(frame::kHeaderSize + kParameterRecordSize) != 1)
        return log(false);
    if (AppState.RxHeader.arg != 0) {
        // The sensor refused the set and now works with its defaults. Storing those in the
        // EEPROM would overwrite the set kept there, which the operator never asked for, so the
        // EEPROM is left alone.
        ForgetSensorSet();
        CopyField(AppState.ErrorText, PlausibilityReport(kMsgRamPlausibility).c_str());
        log(false);
        SetTimeout();
        return -1;
    }
    SetSensorSet(record);
    if (toEeprom && !Exchange(frame::kOrderStoreEeprom))
        return log(false);
    return log(true);
}

int GetParaRecord(bool fromEeprom, ParameterRecord *record,
                  const std::function<void(const std::string &)> &eepromReport)
{
    if (fromEeprom) {
        if (!Exchange(frame::kOrderLoadEeprom))
            return -1;
        if (AppState.RxHeader.arg != 0 && eepromReport)
            eepromReport(PlausibilityReport(kMsgEepromPlausibility));
    }
    if (!Exchange(frame::kOrderReadRam))
        return -1;
    // The receive buffer is cleared before every exchange, so fields the sensor did not send
    // read as 0.
    *record = RecordFromBytes(AppState.RxBuffer + frame::kHeaderSize);
    SetSensorSet(*record);
    return 1;
}

void SendPara()
{
    AppState.SendRequest = 0;
    GetPanelValues();
    const bool eeprom = AppState.MemorySelect == kMemoryEeprom;
    if (SendParaRecord(Parameters, eeprom) == 1)
        ShowStatus(eeprom ? kStatusSentEeprom : kStatusSentRam);
}

void GetPara()
{
    AppState.GetRequest = 0;
    const auto report = [](const std::string &text) {
        SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageConnect);
        AppendTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, text.c_str());
    };
    const bool eeprom = AppState.MemorySelect == kMemoryEeprom;
    if (GetParaRecord(eeprom, &Parameters, report) != 1)
        return;
    SetPanelValues();
    RunParameterRules();
    ShowStatus(eeprom ? kStatusReadEeprom : kStatusReadRam);
    RefreshUnsyncedMarks();
}

int CBF_ButtonSend(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpSend);
    } else if (event == EVENT_COMMIT) {
        if (AppState.MemorySelect == kMemoryFile) {
            SendParaToFile();
        } else if (AppState.AcquisitionRunning == 1) {
            AppState.SendRequest = 1;
        } else {
            SetButtonsDimmed(0, 1);
            SendPara();
            SetButtonsDimmed(0, 0);
        }
    }
    return 0;
}

int CBF_ButtonGet(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpGet);
    } else if (event == EVENT_COMMIT) {
        if (AppState.MemorySelect == kMemoryFile) {
            ReadParaFromFile();
        } else if (AppState.AcquisitionRunning == 1) {
            AppState.GetRequest = 1;
        } else {
            SetButtonsDimmed(0, 1);
            GetPara();
            SetButtonsDimmed(0, 0);
        }
    }
    return 0;
}

int CBF_ButtonSelectMem(int panel, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpSelectMem);
        return 0;
    }
    if (event != EVENT_COMMIT && event != EVENT_VAL_CHANGED)
        return 0;
    // The chosen button first: an exclusive group never lets its pressed button be released.
    for (const MemoryButton &b : kMemoryButtons)
        if (b.control == control) {
            SetCtrlVal(panel, b.control, 1);
            AppState.MemorySelect = uint16_t(b.value);
        }
    for (const MemoryButton &b : kMemoryButtons)
        if (b.control != control)
            SetCtrlVal(panel, b.control, 0);
    return 0;
}

void InstallTransferCallbacks()
{
    const int p = AppState.MainPanel;
    InstallCtrlCallback(p, MAINP_BUTTON_SEND, CBF_ButtonSend, nullptr);
    InstallCtrlCallback(p, MAINP_BUTTON_GET, CBF_ButtonGet, nullptr);
    for (const MemoryButton &b : kMemoryButtons)
        InstallCtrlCallback(p, b.control, CBF_ButtonSelectMem, nullptr);
}
