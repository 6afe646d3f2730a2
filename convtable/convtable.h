// The conversion table page and the conversion graph panel: the 64-row table control, its
// defaults and the assign rule, the conversion table file, the conversion data calculated from
// the table and drawn, and the transfers of table and data to and from the sensor's EEPROM.
#pragma once

#include "app/messages.h"
#include "convtable/convcalc.h"

#include <cstdint>

inline constexpr const char *kConvTableFileType = "Conversion table";
inline constexpr const char *kDefaultConvTableFileName = "ConversionTableFile.ini";

// The interpolated SETVALUE of every signal value; all zeros until the first calculation.
extern double ConvData[kConvDataSize];
// 1 after a calculation that found the table consistent, 0 after one that did not.
extern uint16_t ConvDataValid;

// The table control as values, and back (rows 1..64, both columns).
ConvRows ReadConvTable();
void WriteConvTable(const ConvRows &rows);

void ResetConvTable();
void GetConvTableFromFile();
void SaveConvTableToFile();
void AssignSignalToTable();

void CalcConvData();
int GetConvTableFromEE();
int SaveConvTableToEE();
int SaveConvDataToEE();

// Start-up: the built-in menu items hidden and the table reset.
void InitConvTable();
void InstallConvTableCallbacks();

int CBF_ButtonResetConvTable(int panel, int control, int event, void *, int, int);
int CBF_ButtonAssign(int panel, int control, int event, void *, int, int);
int CBF_ButtonGetConvTableFromFile(int panel, int control, int event, void *, int, int);
int CBF_ButtonSaveConvTableToFile(int panel, int control, int event, void *, int, int);
int CBF_ButtonGetConvTableFromEE(int panel, int control, int event, void *, int, int);
int CBF_ButtonSaveConvTableToEE(int panel, int control, int event, void *, int, int);
int CBF_ButtonCalcConvData(int panel, int control, int event, void *, int, int);
int CBF_ButtonSaveConvDataToEE(int panel, int control, int event, void *, int, int);
int CBF_ButtonZoomConv11(int panel, int control, int event, void *, int, int);
int CBF_ButtonCloseCP(int panel, int control, int event, void *, int, int);
int CBF_GraphConv(int panel, int control, int event, void *, int, int);
int CBF_CONVP(int panel, int event, void *, int, int);

// The messages, for tests.
extern const Msg kMsgConvNoFile;
extern const Msg kMsgConvNotTableFile;
extern const Msg kMsgConvVersionMismatch;
extern const Msg kMsgConvNoValues;
extern const Msg kMsgConvReportHeader;
extern const Msg kMsgConvFileExists;
extern const Msg kMsgConvWrongCell;
extern const Msg kMsgConvBothCells;
extern const Msg kMsgConvCalcDone;
extern const Msg kMsgConvTableSaved;
extern const Msg kMsgConvTableNotSaved;
extern const Msg kMsgConvDataSaved;
extern const Msg kMsgConvDataNotSaved;
extern const Msg kMsgConvCannotSave;
