#include "link/connect.h"

#include "app/appstate.h"
#include "app/changes.h"
#include "app/language.h"
#include "app/messages.h"
#include "platform/rs232.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "live/live.h"
#include "platform/tcp.h"
#include "platform/ui.h"
#include "link/exchange.h"
#include "params/synced.h"
#include "params/transfer.h"
#include "service/service.h"

#include <cstdio>
#include <cstring>

const Msg kMsgTryToConnect{"Verbindungsaufbau!\n", "Try to connect!\n"};
const Msg kMsgCouldNotConnect{
    "Verbindung konnte nicht aufgebaut werden! \nFenster schliessen oder im Offline-Modus "
    "arbeiten!",
    "Could not establish connection! \nClose window or work in offline mode!"};
const Msg kMsgClose{"Schliessen", "Close"};
const Msg kMsgOffline{"Offline", "Offline"};

const Msg kMsgVersionMismatch{
    "Sensor-Firmware und Scope-Version stimmen nicht ueberein! \nFirmware des verbundenen "
    "Sensors ist: ",
    "Sensor firmware and scope version do not match! \nFirmware of connected sensor is: "};
const Msg kMsgSensor{"Sensor: ", "Sensor: "};
const Msg kMsgSerial{"Seriennummer: ", "Serial number: "};

const Msg kMsgNoSensor{"Kein Sensor verbunden!\n\n", "No sensor connected!\n\n"};
const Msg kMsgChangeBaudrate{"Baudrate aendern!\n", "Try to change baudrate!\n"};
const Msg kMsgSuccess{"Erledigt!\n", "Success!\n"};
const Msg kMsgConfirmBaudrate{
    "ACHTUNG!!!   Neue Baudrate mit EEPROM und SENDEN bestaetigen!\n\n",
    "ATTENTION!!!   Confirm new baudrate with EEPROM and SEND!\n\n"};
const Msg kMsgComPortsAvailable{"Folgende COM PORTS sind verfuegbar:\n",
                                "Following COM PORTS are available:\n"};

namespace {

const Msg kStatusConnected{"Verbunden:", "Connected:"};
const Msg kStatusSettingsStored{"Verbindungseinstellungen gespeichert.",
                                "Connection settings stored."};
const Msg kWhyBusy{"Gesperrt, solange eine Operation laeuft.", "Locked while an operation runs."};
const Msg kWhyLive{"Gesperrt, solange die Live-Erfassung laeuft: STOP beendet sie.",
                   "Locked while live acquisition runs: STOP ends it."};
const Msg kWhyNoSensor{"Wartet auf VERBINDEN: kein Sensor verbunden.",
                       "Waits for CONNECT: no sensor connected."};
const Msg kWhyLinkFailed{"Wartet auf VERBINDEN: die Verbindung ist nach einem Fehler unterbrochen.",
                         "Waits for CONNECT: the link failed."};
const Msg kWhySettingsUnchecked{
    "Wartet auf VERBINDEN, das die Einstellungen dieser Seite prueft.",
    "Waits for CONNECT, which checks the settings on this page."};
const Msg kWhyFileOrConnect{"Wartet auf VERBINDEN, oder DATEI waehlen, um mit einer "
                            "Parameterdatei zu arbeiten.",
                            "Waits for CONNECT, or choose FILE to work with a parameter file."};
const Msg kWhyNotConnected{"Keine Verbindung, die getrennt werden koennte.",
                           "No link to disconnect."};

const Msg kHelpTryToConnect{"Verbindungsaufbau zum Sensor.", "Try to connect sensor."};
const Msg kHelpDisconnect{"Verbindungsabbruch vom Sensor.", "Disconnect from sensor."};
const Msg kHelpAccept{"Verbindungseinstellungen bestaetigen \nund zum Parametrierungs-Reiter "
                      "wechseln.",
                      "Accept settings for communication \nand switch to para-panel."};
const Msg kHelpChangeBaudrate{
    "Ausgewaehlte Baudrate auf Sensor speichern. \n\nNeue Baudrate mit EEPROM und SENDEN "
    "bestaetigen.",
    "Save selected Baudrate to sensor. \n\nConfirm new baudrate with EEPROM and SEND."};
const Msg kHelpHwInfo{
    "Hardware Initialisierungs-Datei auf Festplatte speichern. \nSenden Sie diese Datei an den "
    "Hersteller fuer Support.",
    "Save Hardware Initial File to disk. \nSend this file to your supplier for assistance."};
const Msg kHelpFindComPorts{"Zeigt eine Liste der verfuegbaren COM PORTS.",
                            "Shows a list of available COM PORTS."};
const Msg kHelpProtocol{"Waehlen Sie die RS232 oder TCP/IP Schnittstelle.",
                        "Select RS232 or TCP/IP Interface."};
const Msg kMsgNoComDevice{"kein Geraet", "no device"};
const Msg kHelpComPort{"Waehlen Sie einen seriellen COM-Port.", "Select a serial COM-PORT."};
const Msg kHelpBaudrate{
    "Waehlen Sie die Baudrate fuer die Datenuebertragung. \n\nAchtung! Sensor und "
    "Nutzeroberflaeche \nmuessen mit der gleichen Baudrate arbeiten.",
    "Select the Baudrate for data transfer. \n\nAttention! Sensor and user surface \nmust work "
    "with the same Baudrate."};
const Msg kHelpServer{"Waehlen Sie einen Server per Bezeichnung oder IP-Adresse.",
                      "Select a Server by name or IP address."};
const Msg kHelpPortNumber{"Waehlen Sie eine Port-Nummer.", "Select a port number."};
const Msg kHelpId{"Sensor-Identifikation einfuegen. \nDiese ID wird in einigen Fenstern der "
                  "Software angezeigt.",
                  "Insert sensor identification. \nThis ID will be displayed in some panels of "
                  "the software."};
const Msg kHelpLanguage{"Sprache auswaehlen.", "Select a language."};

constexpr const char *kScopeVersionLabel = "ORVANTE2 Scope V1.3.0";

void Say(const char *text)
{
    AppendTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, text);
}

void Say(const Msg &m) { Say(Tr(m)); }

void SetStatus(const char *text)
{
    SetCtrlVal(AppState.DataPanel, DATAP_STRING_STATUS, text);
}

// What SetButtonsDimmed last dimmed for: -1 nothing, else the scope of the running operation
// (1 the live loop).
int gBusyScope = -1;

// Why a dimmed control of the link's rules cannot be used now.
const Msg &WhyDimmed(int panel, int control)
{
    const bool linkButton =
        panel == AppState.TabConnect &&
        (control == TABP_CONNECT_BUTTON_ACCEPT || control == TABP_CONNECT_BUTTON_CHANGE_BAUDRATE ||
         control == TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE);
    if (gBusyScope >= 0 && !linkButton)
        return gBusyScope == 1 ? kWhyLive : kWhyBusy;
    if (panel == AppState.TabConnect && control == TABP_CONNECT_BUTTON_DISCONNECT)
        return kWhyNotConnected;
    if (panel == AppState.MainPanel &&
        (control == MAINP_BUTTON_SEND || control == MAINP_BUTTON_GET))
        return kWhyFileOrConnect;
    if (LinkReady())
        return linkButton ? kWhySettingsUnchecked : kWhyBusy;
    return LinkFailureReported() ? kWhyLinkFailed : kWhyNoSensor;
}

void Explain(int panel, int control)
{
    int dimmed = 0;
    if (GetCtrlAttribute(panel, control, ATTR_DIMMED, &dimmed) == 0 && dimmed)
        SetCtrlAttribute(panel, control, ATTR_DIMMED_REASON, Tr(WhyDimmed(panel, control)));
}

void DimLinkButtons(bool accept, bool baudrate, bool hwInfo)
{
    if (accept)
        SetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT, ATTR_DIMMED, 1);
    if (baudrate)
        SetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE, ATTR_DIMMED, 1);
    if (hwInfo)
        SetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE, ATTR_DIMMED, 1);
    ExplainDimmedControls();
}

// The Close / Offline choice after a failed connection. Close ends the program without
// storing the settings.
void CloseOrOffline(const std::string &text)
{
    ShowStatus(kMsgCouldNotConnect);
    const int choice = GenericMessagePopup(Tr(kMsgInfoTitle), text.c_str(), Tr(kMsgClose),
                                           Tr(kMsgOffline));
    if (choice == GENERIC_MSG_BUTTON_1)
        QuitUserInterface(0);
    else
        Disconnect();
}

bool Exchange(int order, unsigned arg)
{
    AppState.OrderNumber = uint8_t(order);
    FillTxBuf(order, arg, 0);
    return DataExchange(frame::kHeaderSize) == 1;
}

// Controls of other pages that the link dims around sensor operations; those pages register
// theirs at start-up.
struct DimCtrl {
    const int *panel;
    int control;
};

std::vector<DimCtrl> &OperationControls()
{
    static std::vector<DimCtrl> controls;
    return controls;
}

} // namespace

FirmwareParts SplitFirmwareId(const std::string &id)
{
    FirmwareParts p;
    size_t pos = id.find('.');
    if (pos == std::string::npos) {
        p.a = id;
        return p;
    }
    p.a = id.substr(0, pos);
    const size_t second = id.find('.', pos + 1);
    if (second == std::string::npos) {
        p.b = id.substr(pos + 1);
        return p;
    }
    p.b = id.substr(pos + 1, second - pos - 1);
    const size_t blank = id.find(' ', second + 1);
    if (blank != std::string::npos)
        p.d = id.substr(blank + 1);
    return p;
}

unsigned PortNumberOf(const char *text)
{
    unsigned long v = 0;
    for (const char *c = text; c && *c >= '0' && *c <= '9'; ++c) {
        v = v * 10 + unsigned(*c - '0');
        if (v > 0xFFFFFFFFul)
            return 0xFFFFFFFFu;
    }
    return unsigned(v);
}

std::vector<std::string> UpdatedHistory(std::vector<std::string> history,
                                        const std::string &address)
{
    for (auto it = history.begin(); it != history.end(); ++it)
        if (*it == address) {
            history.erase(it);
            break;
        }
    history.insert(history.begin(), address);
    if (history.size() > size_t(kAddressHistorySize))
        history.resize(kAddressHistorySize);
    return history;
}

void RegisterOperationControl(const int *panel, int control)
{
    for (const DimCtrl &d : OperationControls())
        if (d.panel == panel && d.control == control)
            return;
    OperationControls().push_back({panel, control});
}

void SetButtonsDimmed(int scope, int dimmed)
{
    // Undimming after a link failure or without an open link (the server closed the
    // conversation, the port's device went away, the operator chose Offline) leaves only what
    // works without a sensor: connecting and the baud rate, DISCONNECT while not offline, and
    // SEND and GET while they work on the parameter file. Everything else would only fail, or
    // worse, work on a link nobody has checked since it failed; it stays dimmed until the next
    // connect.
    const int sensorOnly = dimmed || !LinkReady() ? 1 : 0;
    const int fileOnly = AppState.MemorySelect == 3 ? 0 : 1;
    if (scope == 0) {
        for (int c : {MAINP_BUTTON_SEND, MAINP_BUTTON_GET})
            SetCtrlAttribute(AppState.MainPanel, c, ATTR_DIMMED,
                             dimmed || (sensorOnly && fileOnly));
        for (int c : {MAINP_BUTTON_RAM, MAINP_BUTTON_EEPROM, MAINP_BUTTON_FILE})
            SetCtrlAttribute(AppState.MainPanel, c, ATTR_DIMMED, sensorOnly);
    }
    SetCtrlAttribute(AppState.MainPanel, MAINP_BUTTON_GO, ATTR_DIMMED, sensorOnly);
    for (int c : {TABP_CONNECT_BUTTON_TRY_TO_CONNECT, TABP_CONNECT_RING_BAUDRATE})
        SetCtrlAttribute(AppState.TabConnect, c, ATTR_DIMMED, dimmed);
    SetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_BUTTON_DISCONNECT, ATTR_DIMMED,
                     dimmed || (sensorOnly && !fileOnly));
    for (const DimCtrl &d : OperationControls())
        SetCtrlAttribute(*d.panel, d.control, ATTR_DIMMED, sensorOnly);
    gBusyScope = dimmed ? scope : -1;
    if (sensorOnly)
        DimLinkButtons(false, true, true);
    else
        ExplainDimmedControls();
    ProcessSystemEvents();
}

void ExplainDimmedControls()
{
    const int main = AppState.MainPanel, connect = AppState.TabConnect;
    for (int c : {MAINP_BUTTON_SEND, MAINP_BUTTON_GET, MAINP_BUTTON_RAM, MAINP_BUTTON_EEPROM,
                  MAINP_BUTTON_FILE, MAINP_BUTTON_GO})
        Explain(main, c);
    for (int c : {TABP_CONNECT_BUTTON_TRY_TO_CONNECT, TABP_CONNECT_RING_BAUDRATE,
                  TABP_CONNECT_BUTTON_DISCONNECT, TABP_CONNECT_BUTTON_ACCEPT,
                  TABP_CONNECT_BUTTON_CHANGE_BAUDRATE, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE})
        Explain(connect, c);
    for (const DimCtrl &d : OperationControls())
        Explain(*d.panel, d.control);
}

void WaitForConnect()
{
    DimLinkButtons(true, true, true);
}

namespace {

// Beside COM PORT: the Linux device the number stands for, or that there is none.
void ShowComDevice()
{
    int port = 0;
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, &port);
    const std::string device = ComPortDevice(port);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_TEXTMSG_COM_DEVICE,
               device.empty() ? Tr(kMsgNoComDevice) : ("= " + device).c_str());
}

} // namespace

void InitConnectPanel()
{
    int protocol = 0;
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, &protocol);
    AppState.ComProtocol = uint16_t(protocol);
    if (protocol != 0 && protocol != 1)
        return;
    const int serial = protocol == 0 ? 1 : 0;
    for (int c : {TABP_CONNECT_BUTTON_FIND_COM_PORTS, TABP_CONNECT_NUMERIC_COM_PORT,
                  TABP_CONNECT_RING_BAUDRATE, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE,
                  TABP_CONNECT_TEXTMSG_COM_DEVICE})
        SetCtrlAttribute(AppState.TabConnect, c, ATTR_VISIBLE, serial);
    ShowComDevice();
    for (int c : {TABP_CONNECT_COMBO_SERVER_ADDRESS, TABP_CONNECT_STRING_PORT_NUMBER})
        SetCtrlAttribute(AppState.TabConnect, c, ATTR_VISIBLE, 1 - serial);
}

void ReadLinkSettingsFromPanel()
{
    int v = 0;
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, &v);
    AppState.ComProtocol = uint16_t(v);
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, &v);
    AppState.ComPort = uint16_t(v);
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, &v);
    AppState.BaudrateIndex = uint16_t(v);
    GetCtrlString(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, AppState.ServerAddress,
                  sizeof AppState.ServerAddress);
    GetCtrlString(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER, AppState.PortNumberText,
                  sizeof AppState.PortNumberText);
}

void PutLinkSettingsOnPanel()
{
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, int(AppState.ComProtocol));
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, int(AppState.ComPort));
    ShowComDevice();
    if (SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, int(AppState.BaudrateIndex)) < 0)
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, 4); // off the list: 115200
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, AppState.ServerAddress);
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_STRING_PORT_NUMBER, AppState.PortNumberText);
}

void UseDemoLink(unsigned port)
{
    AppState.ComProtocol = 1;
    CopyField(AppState.ServerAddress, "127.0.0.1");
    std::snprintf(AppState.PortNumberText, sizeof AppState.PortNumberText, "%u", port);
    PutLinkSettingsOnPanel();
}

void TryToConnect()
{
    // Both links, as DISCONNECT does: a conversation left open would later tear down the new
    // link when its server closes it.
    CloseLink();
    SetStatus(Tr(kMsgTryToConnect));
    Say(kMsgTryToConnect);
    ReadLinkSettingsFromPanel();
    ProcessSystemEvents();

    SetCtrlVal(AppState.DataPanel, DATAP_NUMERIC_COM_PORT, int(AppState.ComPort));
    SetCtrlVal(AppState.DataPanel, DATAP_STRING_SERVER_ADDRESS, AppState.ServerAddress);
    AppState.PortNumber = PortNumberOf(AppState.PortNumberText);

    const int serial = AppState.ComProtocol == 0 ? 1 : 0;
    SetCtrlAttribute(AppState.DataPanel, DATAP_NUMERIC_COM_PORT, ATTR_VISIBLE, serial);
    SetCtrlAttribute(AppState.DataPanel, DATAP_STRING_SERVER_ADDRESS, ATTR_VISIBLE, 1 - serial);
    if (serial)
        InitRS232();
    else
        InitTCP_IP();

    if (AppState.OpenResult >= 0)
        CheckComLine();
    else
        CloseOrOffline(Tr(kMsgCouldNotConnect));
}

void CheckComLine()
{
    if (!Exchange(frame::kOrderFirmwareId, 0)) {
        CloseOrOffline(Tr(kMsgCouldNotConnect));
        return;
    }
    std::memcpy(AppState.FirmwareId, AppState.RxBuffer + 8, 72);
    AppState.FirmwareId[72] = '\0';
    SetCtrlAttribute(AppState.DataPanel, DATAP_STRING_STATUS, ATTR_TOOLTIP_TEXT,
                     AppState.FirmwareId);

    const FirmwareParts parts = SplitFirmwareId(AppState.FirmwareId);
    if (parts.version() != kFirmwareVersion) {
        CloseOrOffline(std::string(Tr(kMsgVersionMismatch)) + parts.version() + "\n\n" +
                       Tr(kMsgCouldNotConnect));
        return;
    }
    const std::string versionLine = parts.versionLine();
    SetStatus(versionLine.c_str());
    Say(versionLine.c_str());

    if (!Exchange(frame::kOrderNameSerial, 0)) {
        CloseOrOffline(Tr(kMsgCouldNotConnect));
        return;
    }
    std::memset(AppState.SensorName, 0, sizeof AppState.SensorName);
    const int length = std::min<int>(AppState.RxHeader.length, sizeof AppState.SensorName - 1);
    std::memcpy(AppState.SensorName, AppState.RxBuffer + 8, size_t(length));
    AppState.SensorSerial = AppState.RxHeader.arg;
    std::string report = "\n";
    report += Tr(kMsgSensor);
    report += AppState.SensorName;
    report += "\n";
    report += Tr(kMsgSerial);
    report += std::to_string(AppState.RxHeader.arg);
    report += "\n\n";
    Say(report.c_str());

    AppState.SensorConnected = 1;
    GetPara(); // a link failure here clears SensorConnected
    if (AppState.SensorConnected != 1) {
        // Detected but not readable: a failed connection like any other, with its choice.
        CloseOrOffline(Tr(kMsgCouldNotConnect));
        return;
    }
    for (int c : {TABP_CONNECT_BUTTON_ACCEPT, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE,
                  TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE})
        SetCtrlAttribute(AppState.TabConnect, c, ATTR_DIMMED, 0);
    ShowStatus(kStatusConnected, versionLine + ", " + AppState.SensorName);
}

void Disconnect()
{
    SetButtonsDimmed(0, 1);
    int port = AppState.ComPort;
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, &port);
    CloseCom(port);
    CloseLink(); // the port in use, should the page show another one by now, and TCP
    ForgetSensorSet();
    SetStatus(Tr(kMsgNoSensor));
    Say(kMsgNoSensor);
    SetCtrlVal(AppState.MainPanel, MAINP_BUTTON_FILE, 1);
    SetCtrlVal(AppState.MainPanel, MAINP_BUTTON_RAM, 0);
    SetCtrlVal(AppState.MainPanel, MAINP_BUTTON_EEPROM, 0);
    AppState.MemorySelect = 3;
    for (int c : {TABP_CONNECT_BUTTON_TRY_TO_CONNECT, TABP_CONNECT_RING_BAUDRATE})
        SetCtrlAttribute(AppState.TabConnect, c, ATTR_DIMMED, 0);
    for (int c : {MAINP_BUTTON_SEND, MAINP_BUTTON_GET})
        SetCtrlAttribute(AppState.MainPanel, c, ATTR_DIMMED, 0);
    AppState.SensorConnected = 0;
    // The displays keep the last frame, which is no longer live.
    ShowLiveValuesStale();
    gBusyScope = -1;
    ExplainDimmedControls();
    ShowStatus(kMsgNoSensor);
}

void ChangeBaudrate()
{
    int index = 4;
    GetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_BAUDRATE, &index);
    const std::string change = std::to_string(BaudrateOfIndex(AppState.BaudrateIndex)) + "->" +
                               std::to_string(BaudrateOfIndex(index));
    AppState.BaudrateIndex = uint16_t(index);
    Say(kMsgChangeBaudrate);
    const bool sent = Exchange(frame::kOrderBaudrate, AppState.BaudrateIndex);
    LogSensorWrite(kChangeBaudrate, "SENSOR", change, sent);
    if (!sent)
        return;
    Say(kMsgSuccess);
    InitRS232();
    AppState.SensorConnected = 1;
    TryToConnect();
    if (AppState.SensorConnected == 1) {
        Say(kMsgConfirmBaudrate);
        ShowStatus(kMsgConfirmBaudrate);
    }
}

// ---- Address history (the editable combo box) ------------------------------------------------

void InitServerAddressCombo()
{
    SetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, ATTR_TEXT_BGCOLOR,
                     0xE0E0E0);
}

void AppendAddressHistory(const char *address)
{
    InsertListItem(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, -1, address, 0);
}

std::vector<std::string> AddressHistory()
{
    int n = 0;
    GetNumListItems(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, &n);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
        std::string label;
        GetLabelFromIndex(AppState.TabConnect, TABP_CONNECT_COMBO_SERVER_ADDRESS, i, &label);
        out.push_back(label);
    }
    return out;
}

// ---- Callbacks -------------------------------------------------------------------------------

int CBF_ButtonTryToConnect(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpTryToConnect);
    else if (event == EVENT_COMMIT) {
        SetButtonsDimmed(0, 1);
        TryToConnect();
        if (AppState.SensorConnected == 1)
            SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_ButtonDisconnect(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpDisconnect);
    else if (event == EVENT_COMMIT)
        Disconnect();
    return 0;
}

int CBF_ButtonAccept(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpAccept);
    else if (event == EVENT_COMMIT) {
        if (StorePanelSettings())
            ShowStatus(kStatusSettingsStored);
        SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, kPageParam);
    }
    return 0;
}

int CBF_ButtonChangeBaudrate(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpChangeBaudrate);
    else if (event == EVENT_COMMIT) {
        SetButtonsDimmed(0, 1);
        DimLinkButtons(true, true, true);
        ChangeBaudrate();
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_ButtonFindComPorts(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpFindComPorts);
    } else if (event == EVENT_COMMIT) {
        int ports[255];
        const int n = LocateCom("", ports, 255);
        if (n == 0)
            return 0;
        Say(kMsgComPortsAvailable);
        for (int i = 0; i < n; ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "COM%d   (%s)\n", ports[i],
                          ComPortDevice(ports[i]).c_str());
            Say(line);
        }
        Say("\n");
    }
    return 0;
}

int CBF_ButtonGenHwInfoFile(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpHwInfo);
    else if (event == EVENT_COMMIT) {
        SetButtonsDimmed(0, 1);
        GenerateHWInfoFile();
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_EditCommunicationProtocol(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpProtocol);
    else if (event == EVENT_COMMIT) {
        InitConnectPanel();
        DimLinkButtons(true, true, true);
    }
    return 0;
}

int CBF_EditSelectComPort(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpComPort);
    else if (event == EVENT_COMMIT) {
        ShowComDevice();
        DimLinkButtons(true, true, true);
    }
    return 0;
}

int CBF_EditSelectBaudrate(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpBaudrate);
    else if (event == EVENT_COMMIT)
        DimLinkButtons(true, false, false);
    return 0;
}

int CBF_StringIpAdress(int panel, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpServer);
    } else if (event == EVENT_COMMIT) {
        DimLinkButtons(true, false, false);
        GetCtrlString(panel, control, AppState.ServerAddress, sizeof AppState.ServerAddress);
        const std::vector<std::string> history =
            UpdatedHistory(AddressHistory(), AppState.ServerAddress);
        DeleteListItem(panel, control, 0, -1);
        for (const std::string &a : history)
            AppendAddressHistory(a.c_str());
        SetCtrlVal(panel, control, AppState.ServerAddress);
    }
    return 0;
}

int CBF_StringPortNumber(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpPortNumber);
    else if (event == EVENT_COMMIT)
        DimLinkButtons(true, false, false);
    return 0;
}

int CBF_EditID(int panel, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpId);
    } else if (event == EVENT_COMMIT) {
        GetCtrlString(panel, control, AppState.SensorId, sizeof AppState.SensorId);
        SetCtrlVal(AppState.TabRecorder, TABP_RECORDER_STRING_REC_ID, AppState.SensorId);
    }
    return 0;
}

int CBF_EditLanguage(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpLanguage);
    else if (event == EVENT_COMMIT)
        InitLanguage();
    return 0;
}

void InstallConnectCallbacks()
{
    const int p = AppState.TabConnect;
    InstallCtrlCallback(p, TABP_CONNECT_BUTTON_TRY_TO_CONNECT, CBF_ButtonTryToConnect, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_BUTTON_DISCONNECT, CBF_ButtonDisconnect, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_BUTTON_ACCEPT, CBF_ButtonAccept, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE, CBF_ButtonChangeBaudrate, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_BUTTON_FIND_COM_PORTS, CBF_ButtonFindComPorts, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE, CBF_ButtonGenHwInfoFile, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_RING_COM_PROTOCOL, CBF_EditCommunicationProtocol, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_NUMERIC_COM_PORT, CBF_EditSelectComPort, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_RING_BAUDRATE, CBF_EditSelectBaudrate, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_COMBO_SERVER_ADDRESS, CBF_StringIpAdress, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_STRING_PORT_NUMBER, CBF_StringPortNumber, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_STRING_ID, CBF_EditID, nullptr);
    InstallCtrlCallback(p, TABP_CONNECT_RING_LANGUAGE, CBF_EditLanguage, nullptr);
}
