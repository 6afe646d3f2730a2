// The conversion table page and the conversion graph panel: the 64-row table control, its
// defaults and the assign rule, the conversion table file, the conversion data calculated from
// the table and drawn, and the transfers of table and data to and from the sensor's EEPROM.
#pragma once

#include "app/messages.h"
#include "convtable/convcalc.h"
#include "support/ini.h"

#include <cstdint>
#include <string>
#include <vector>

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

// The table file and the EEPROM transfers without the page, shared by the page and the
// command-line tool.
// A complete conversion table file holding `rows`, written atomically; Ini_WriteToFile's result.
int WriteConvTableFile(const ConvRows &rows, const char *path);
// The GENERAL INFO checks that loading a table file asks the operator about.
enum class ConvTableFileCheck { kGood, kNotTableFile, kOtherVersion };
ConvTableFileCheck CheckConvTableFile(IniText ini);
// Rows 1..64 from the ROW sections of `ini`. A row whose ACTUAL VALUE or SETVALUE is missing or
// no whole number that fits a cell takes its default in both cells (row 1: 0, row 64: 4095,
// others -1). Returns the section names of those rows, in row order.
std::vector<std::string> TakeConvRows(IniText ini, ConvRows *rows);
// Order 103: the sensor's table into `rows` (left alone on failure), or the rows to the sensor.
// Each returns 1, or -1 after the failure went through SetTimeout; an answer shorter than the
// table counts as a bad data frame.
int ReadConvRowsFromEE(ConvRows *rows);
int WriteConvRowsToEE(const ConvRows &rows);
// Scales `convData` (kConvDataSize entries) and writes it in its four blocks (orders 180 and
// 182). -1 with nothing sent when the curve cannot be scaled; otherwise the last exchange's
// result: the transfer stops at the first failed exchange.
int WriteConvDataToEE(const double *convData);

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
// The conversion graph's whole view: x 0..4100 and y 0..10000, widened to every value of the
// curve and every table point beyond them (a table may hold set values outside 0..10000).
struct ConvGraphView {
    double xMin = 0, xMax = 4100, yMin = 0, yMax = 10000;
};
ConvGraphView ConvGraphViewOf(const double *data, int count, const double *px, const double *py,
                              int points);
// ZOOM 1:1: the graph shows its whole view (that of the last calculation).
void ZoomConvGraphToView();
// Names the curve and the table points in the graph's legend in the current language.
void NameConvGraphPlots();

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
