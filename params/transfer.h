// Moving the parameter set between the two parameter pages, the record and the sensor's RAM or
// EEPROM (orders 1 to 4), with the sensor's plausibility reports.
#pragma once

#include <functional>
#include <string>

void GetPanelValues(); // all 26 controls -> Parameters
void SetPanelValues(); // Parameters -> all 26 controls
void SendPara();       // pages -> sensor (RAM, and with EEPROM selected also order 3)
void GetPara();        // sensor -> record and pages (with EEPROM selected first order 4)

// The wire side of SEND and GET, shared by the pages and the command-line tool. Both return 1,
// or -1 after a failure that has gone through SetTimeout (a set refused by the sensor's RAM
// plausibility check included). SendParaRecord stores RAM in the EEPROM (order 3) after a
// successful order 1 when `toEeprom`. GetParaRecord leaves `record` alone on failure; with
// `fromEeprom` it loads the EEPROM first (order 4) and hands a failed EEPROM plausibility check
// to `eepromReport` as "<title>\n<arg><text>" before it reads RAM (the sensor's defaults then).
// Both keep the set the sensor's RAM holds (params/synced.h) up to date; SendParaRecord adds a
// record to the change log unless `logged` is false (putting back what RAM held before).
struct ParameterRecord;
int SendParaRecord(const ParameterRecord &record, bool toEeprom, bool logged = true);
int GetParaRecord(bool fromEeprom, ParameterRecord *record,
                  const std::function<void(const std::string &)> &eepromReport);

#include "app/messages.h"

// Memory selector values (AppState.MemorySelect).
inline constexpr int kMemoryRam = 1;
inline constexpr int kMemoryEeprom = 2;
inline constexpr int kMemoryFile = 3;

// The sensor's plausibility reports: "<title>\n<arg><text>".
extern const Msg kMsgRamPlausibility;
extern const Msg kMsgEepromPlausibility;

// SEND, GET and the memory selector of the main panel. While live acquisition runs, SEND and
// GET aimed at the sensor only set AppState.SendRequest / GetRequest; the live loop serves them
// between two data frames (SendPara and GetPara clear them).
int CBF_ButtonSend(int panel, int control, int event, void *, int, int);
int CBF_ButtonGet(int panel, int control, int event, void *, int, int);
int CBF_ButtonSelectMem(int panel, int control, int event, void *, int, int);
void InstallTransferCallbacks();
