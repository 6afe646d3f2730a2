#include "service/service.h"

#include "app/appstate.h"
#include "app/changes.h"
#include "app/language.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "link/frame.h"

#include <cmath>
#include <cstdio>
#include <string>

const Msg kMsgCoverReceiver{
    "Sicherstellen, dass der Empfaenger des Sensors verdeckt ist! \nOffset Wert sollte unter "
    "100 sein.",
    "Make sure, that the receiver of the sensor is covered! \nOffset value should be lower than "
    "100!"};

namespace {

const Msg kStatusOffsetRead{"Offset und Zeitfaktor gelesen:",
                            "Offset and setting time factor read:"};
const Msg kStatusOffsetCalculated{"Offset berechnet (mit OFFSET SENDEN speichern):",
                                  "Offset calculated (SEND OFFSET stores it):"};
const Msg kStatusOffsetSent{"Offset ins EEPROM geschrieben:", "Offset written to the EEPROM:"};
const Msg kStatusFactorSent{"Zeitfaktor ins EEPROM geschrieben:",
                            "Setting time factor written to the EEPROM:"};

const Msg kHelpSendOffset{"Offset Werte ins EEPROM des Sensors schreiben.",
                          "Send offset values to the EEPROM of the sensor."};
const Msg kHelpGetOffset{"Offset Werte aus dem Sensor auslesen.",
                         "Read offset values and setting time factor from sensor."};
const Msg kHelpCalcOffset{"Offset Berechnung starten.", "Start offset calculation."};
const Msg kHelpOffsetVal{"Editierbox fuer Offset Werte.", "Edit Box for the offset values."};
const Msg kHelpSettingTimeFactor{
    "Editierbox fuer einen Zeitfaktor im AC MODUS. \nStandardwert ist 1.0. \nFuer IR Sensoren "
    "2.5 waehlen.",
    "Edit box for a setting time factor in AC MODE. \nDefault value is 1,0.\nSelect 2,5 for IR "
    "sensors."};
const Msg kHelpSendSettingTimeFactor{"Zeitfaktor ins EEPROM des Sensors senden.",
                                     "Send setting time factor to the EEPROM of the sensor."};
const Msg kHelpCloseService{"Schliesst PANEL und kehrt zu HAUPT PANEL zurueck.",
                            "Close PANEL and return to MAIN PANEL."};

void PutU16(uint8_t *p, uint16_t v)
{
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t(v >> 8);
}

// One order-100 exchange with `length` payload bytes already staged. An answer shorter than
// `answerBytes` would leave stale buffer bytes to be shown as the sensor's values, so it counts
// as a bad data frame.
int OffsetExchange(unsigned arg, unsigned length, int answerBytes)
{
    AppState.OrderNumber = frame::kOrderOffset;
    FillTxBuf(frame::kOrderOffset, arg, length);
    if (DataExchange(frame::kHeaderSize + int(length)) != 1)
        return -1;
    if (AppState.RxHeader.length < answerBytes) {
        CopyField(AppState.ErrorText, Tr(kMsgBadData));
        SetTimeout();
        return -1;
    }
    return 1;
}

const uint8_t *Answer() { return AppState.RxBuffer + frame::kHeaderSize; }

int ReadOffsetField(int control)
{
    int value = 0;
    GetCtrlVal(AppState.TabService, control, &value);
    return value;
}

std::string ShownFactor()
{
    double factor = 0.0;
    GetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, &factor);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", factor);
    return text;
}

// What the page's fields hold after a transfer, for the status line.
std::string ShownOffsets(bool withFactor)
{
    std::string text = "CH0 " + std::to_string(ReadOffsetField(TABP_SERVICE_NUMERIC_OFFSET_CH0)) +
                       ", CH1 " + std::to_string(ReadOffsetField(TABP_SERVICE_NUMERIC_OFFSET_CH1));
    if (withFactor)
        text += ", " + ShownFactor();
    return text;
}

// Dims the operation controls around one transfer; a completed one is reported on the status
// line (a failed one has been, by the failure handler).
void Dimmed(int (*transfer)(), const Msg &done, bool offsets, bool factor)
{
    SetButtonsDimmed(0, 1);
    if (transfer() == 1)
        ShowStatus(done, offsets ? ShownOffsets(factor) : ShownFactor());
    SetButtonsDimmed(0, 0);
}

int HelpOr(int event, const Msg &help, int (*transfer)() = nullptr, const Msg &done = {"", ""},
           bool offsets = true, bool factor = false)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(help);
    else if (event == EVENT_COMMIT && transfer)
        Dimmed(transfer, done, offsets, factor);
    return 0;
}

} // namespace

uint16_t SettingTimeFactorToWire(double factor)
{
    const double tenths = std::trunc(factor * 10.0);
    if (!(tenths > 0.0)) // also NaN
        return 0;
    return tenths >= 65535.0 ? 65535 : uint16_t(tenths);
}

double SettingTimeFactorFromWire(uint16_t word) { return word / 10.0; }

int ReadOffsets(OffsetValues *values)
{
    if (OffsetExchange(kOffsetArgRead, 0, kOffsetReadAnswerBytes) != 1)
        return -1;
    const uint8_t *p = Answer();
    values->ch0 = frame::GetU16(p);
    values->ch1 = frame::GetU16(p + 2);
    values->factorWire = frame::GetU16(p + 4);
    return 1;
}

int CalculateOffsets(OffsetValues *values)
{
    if (OffsetExchange(kOffsetArgCalculate, 0, kOffsetCalcAnswerBytes) != 1)
        return -1;
    const uint8_t *p = Answer();
    values->ch0 = frame::GetU16(p);
    values->ch1 = frame::GetU16(p + 2);
    return 1;
}

int WriteOffsets(uint16_t ch0, uint16_t ch1)
{
    BeforeSensorWrite();
    uint8_t *p = AppState.TxFrame + frame::kHeaderSize;
    PutU16(p, ch0);
    PutU16(p + 2, ch1);
    const int result = OffsetExchange(kOffsetArgWrite, 4, 0);
    LogSensorWrite(kChangeOffsets, "EEPROM",
                   "CH0 " + std::to_string(ch0) + "; CH1 " + std::to_string(ch1), result == 1);
    return result;
}

int GetOffset()
{
    OffsetValues v;
    if (ReadOffsets(&v) != 1)
        return -1;
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH0, int(v.ch0));
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH1, int(v.ch1));
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR,
               SettingTimeFactorFromWire(v.factorWire));
    return 1;
}

int CalcOffset()
{
    OffsetValues v;
    if (CalculateOffsets(&v) != 1)
        return -1;
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH0, int(v.ch0));
    SetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_OFFSET_CH1, int(v.ch1));
    return 1;
}

int SendOffset()
{
    return WriteOffsets(uint16_t(ReadOffsetField(TABP_SERVICE_NUMERIC_OFFSET_CH0)),
                        uint16_t(ReadOffsetField(TABP_SERVICE_NUMERIC_OFFSET_CH1)));
}

int SendSettingTimeFactor()
{
    double factor = 0.0;
    GetCtrlVal(AppState.TabService, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, &factor);
    const uint16_t wire = SettingTimeFactorToWire(factor);
    PutU16(AppState.TxFrame + frame::kHeaderSize, wire);
    const int result = OffsetExchange(kOffsetArgWriteFactor, 2, 0);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", SettingTimeFactorFromWire(wire));
    LogSensorWrite(kChangeSettingTimeFactor, "EEPROM", text, result == 1);
    return result;
}

void SetOffsetInstruction()
{
    SetCtrlVal(AppState.TabService, TABP_SERVICE_TEXTMSG_OFFSET_INSTRUCTION,
               Tr(kMsgOffsetInstruction));
}

void CloseServicePage()
{
    SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, 0);
    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);
}

int CBF_ButtonSendOffset(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpSendOffset, SendOffset, kStatusOffsetSent);
}

int CBF_ButtonGetOffset(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpGetOffset, GetOffset, kStatusOffsetRead, true, true);
}

int CBF_ButtonCalcOffset(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpCalcOffset);
    else if (event == EVENT_COMMIT && ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgCoverReceiver)) == 1)
        Dimmed(CalcOffset, kStatusOffsetCalculated, true, false);
    return 0;
}

int CBF_EditOffsetVal(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpOffsetVal);
}

int CBF_EditSettingTimeFactor(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpSettingTimeFactor);
}

int CBF_ButtonSendSettingTimeFactor(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpSendSettingTimeFactor, SendSettingTimeFactor, kStatusFactorSent,
                  false);
}

int CBF_ButtonCloseOffsetCompensation(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpCloseService);
    else if (event == EVENT_COMMIT)
        CloseServicePage();
    return 0;
}

void InstallServiceCallbacks()
{
    const int page = AppState.TabService;
    InstallCtrlCallback(page, TABP_SERVICE_BUTTON_SEND_OFFSET, CBF_ButtonSendOffset, nullptr);
    InstallCtrlCallback(page, TABP_SERVICE_BUTTON_GET_OFFSET, CBF_ButtonGetOffset, nullptr);
    InstallCtrlCallback(page, TABP_SERVICE_BUTTON_CALC_OFFSET, CBF_ButtonCalcOffset, nullptr);
    InstallCtrlCallback(page, TABP_SERVICE_NUMERIC_OFFSET_CH0, CBF_EditOffsetVal, nullptr);
    InstallCtrlCallback(page, TABP_SERVICE_NUMERIC_OFFSET_CH1, CBF_EditOffsetVal, nullptr);
    InstallCtrlCallback(page, TABP_SERVICE_NUMERIC_SETTING_TIME_FACTOR, CBF_EditSettingTimeFactor,
                        nullptr);
    InstallCtrlCallback(page, TABP_SERVICE_BUTTON_SEND_SETTING_TIME_FACTOR,
                        CBF_ButtonSendSettingTimeFactor, nullptr);
    InstallCtrlCallback(page, TABP_SERVICE_BUTTON_CLOSE_OFFSET_COMPENSATION,
                        CBF_ButtonCloseOffsetCompensation, nullptr);
    for (int c : {TABP_SERVICE_BUTTON_SEND_OFFSET, TABP_SERVICE_BUTTON_GET_OFFSET,
                  TABP_SERVICE_BUTTON_CALC_OFFSET, TABP_SERVICE_BUTTON_SEND_SETTING_TIME_FACTOR})
        RegisterOperationControl(&AppState.TabService, c);

    InstallPanelCallback(AppState.PasswordPanel, CBF_PASSWORDP, nullptr);
    InstallCtrlCallback(AppState.PasswordPanel, PASSWORDP_STRING_PASSWORD, CBF_StringEnterPW,
                        nullptr);
    InstallCtrlCallback(AppState.PasswordPanel, PASSWORDP_BUTTON_CANCEL_PASSWORD,
                        CBF_ButtonCancelPW, nullptr);
}
