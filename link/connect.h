// The connect page: choosing RS-232 or TCP/IP and their settings, connecting and identifying the
// sensor with its firmware check, offline mode, disconnect, baud-rate change, the COM port list,
// the server-address history and the dimming of the operation controls.
#pragma once

#include "app/messages.h"

#include <string>
#include <vector>

inline constexpr const char *kFirmwareVersion = "ORVANTE2 V1.3";
inline constexpr int kAddressHistorySize = 10;

// The firmware identification split at the first two '.' and the blank after them: A up to the
// first '.', B up to the next '.', a dropped part up to the next blank, D the rest.
struct FirmwareParts {
    std::string a, b, d;
    std::string version() const { return a + "." + b; }     // compared with kFirmwareVersion
    std::string versionLine() const { return a + "." + b + d; }
};
FirmwareParts SplitFirmwareId(const std::string &id);

// The port-number text read as a decimal number: its leading digits, 0 without any.
unsigned PortNumberOf(const char *text);

// The address history with `address` moved or inserted at the top, at most 10 entries.
std::vector<std::string> UpdatedHistory(std::vector<std::string> history,
                                        const std::string &address);

// The identification texts of the connect page, also used by the command-line tool.
extern const Msg kMsgVersionMismatch; // followed by the sensor's version
// What the connect page says while it connects, changes the baud rate and lists ports.
extern const Msg kMsgTryToConnect, kMsgCouldNotConnect, kMsgClose, kMsgOffline, kMsgNoSensor,
    kMsgChangeBaudrate, kMsgSuccess, kMsgConfirmBaudrate, kMsgComPortsAvailable;
extern const Msg kMsgSensor;
extern const Msg kMsgSerial;

void TryToConnect();
void CheckComLine();
void Disconnect();
void ChangeBaudrate();
void InitConnectPanel();
void SetButtonsDimmed(int scope, int dimmed);
// Gives every dimmed control of the link's rules the reason in its tooltip, in the current
// language (after each change of the dimming, and after a language switch).
void ExplainDimmedControls();
// ACCEPT, CHANGE BAUDRATE and HARDWARE INFO FILE wait for the next CONNECT.
void WaitForConnect();
// Adds a page's operation control to those SetButtonsDimmed dims and undims in every scope.
// `panel` points at the AppState field that holds the page's handle.
void RegisterOperationControl(const int *panel, int control);

// Panel plumbing used by start-up and the settings file.
void InstallConnectCallbacks();
void InitServerAddressCombo();
void AppendAddressHistory(const char *address);
std::vector<std::string> AddressHistory();
void PutLinkSettingsOnPanel();   // AppState link settings -> connect page
void ReadLinkSettingsFromPanel(); // connect page -> AppState link settings
void UseDemoLink(unsigned port);  // TCP to the built-in simulated sensor on 127.0.0.1:port

int CBF_ButtonTryToConnect(int panel, int control, int event, void *, int, int);
int CBF_ButtonDisconnect(int panel, int control, int event, void *, int, int);
int CBF_ButtonAccept(int panel, int control, int event, void *, int, int);
int CBF_ButtonChangeBaudrate(int panel, int control, int event, void *, int, int);
int CBF_ButtonFindComPorts(int panel, int control, int event, void *, int, int);
int CBF_ButtonGenHwInfoFile(int panel, int control, int event, void *, int, int);
int CBF_EditCommunicationProtocol(int panel, int control, int event, void *, int, int);
int CBF_EditSelectComPort(int panel, int control, int event, void *, int, int);
int CBF_EditSelectBaudrate(int panel, int control, int event, void *, int, int);
int CBF_StringIpAdress(int panel, int control, int event, void *, int, int);
int CBF_StringPortNumber(int panel, int control, int event, void *, int, int);
int CBF_EditID(int panel, int control, int event, void *, int, int);
int CBF_EditLanguage(int panel, int control, int event, void *, int, int);
