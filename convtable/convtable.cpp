#include "convtable/convtable.h"

#include "app/appstate.h"
#include "app/changes.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "support/changelog.h"
#include "support/ini.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

double ConvData[kConvDataSize] = {};
uint16_t ConvDataValid = 0;

const Msg kMsgConvNoFile{"Keine Datei ausgewaehlt! \nAktion wird nicht ausgefuehrt!",
                         "No file was selected! \nProcess will not be done!"};
const Msg kMsgConvNotTableFile{
    "Gewaehlte Datei enthaelt keine Umrechungstabelle. \nTrotzdem fortfahren?",
    "Selected file is not a conversion table file! \nDo you want to proceed anyway?"};
const Msg kMsgConvVersionMismatch{
    "Gewaehlte Datei und Scope-Version stimmen nicht ueberein! \nTrotzdem fortfahren?",
    "Selected file and scope version do not match! \nDo you want to proceed anyway?"};
const Msg kMsgConvNoValues{"Keine Werte erkannt!", "No values were read!"};
const Msg kMsgConvReportHeader{
    "Folgende Tabellenwerte \nkonnten nicht erkannt werden \nund wurden auf Voreinstellung "
    "gesetzt:",
    "Following table values \ncould not be read and \nwere set to default value:"};
const Msg kMsgConvFileExists{
    "Datei existiert bereits! \nWollen Sie die bestehende Datei auswaehlen?",
    "File already exists! \nDo you want to select existing file?"};
const Msg kMsgConvWrongCell{
    "Falsche Zelle markiert! \nNur Zellen der Spalte AKTUELLER WERT koennen markiert werden! "
    "\nErste und letzte Zeile der Spalte AKTUELLER WERT koennen nicht geaendert werden!",
    "Wrong cell selected! \nOnly cells in column ACTUAL VALUE can be selected! \nFirst and last "
    "row in column ACTUAL VALUE can not be changed!"};
const Msg kMsgConvBothCells{
    "Beide Zellen einer Zeile muessen gesetzt oder deaktiviert (-1) werden.",
    "Both cells in a row must be set or disabled (-1)."};
const Msg kMsgConvCalcDone{
    "Berechnung erfolgreich. \nUmrechnungsdaten koennen ins EEPROM gespeichert werden.",
    "Calculation successful. \nConversion data can be saved to EEPROM of sensor."};
const Msg kMsgConvTableSaved{"Umrechnungstabelle ins EE gespeichert.",
                             "Conversion table was saved to EE."};
const Msg kMsgConvTableNotSaved{"ACHTUNG! \nUmrechnungstabelle wurde NICHT ins EE gespeichert.",
                                "ATTENTION! \nConversion table was NOT saved to EE."};
const Msg kMsgConvDataSaved{"Umrechnungsdaten ins EE gespeichert.",
                            "Conversion data were saved to EE."};
const Msg kMsgConvDataNotSaved{"ACHTUNG! \nUmrechungsdaten wurden NICHT ins EE gespeichert.",
                               "ATTENTION! \nConversion data were NOT saved to EE."};
const Msg kMsgConvCannotSave{
    "ACHTUNG! \nDaten koennen nicht gespeichert werden. \nTabelle ueberpruefen und Berechnung "
    "wiederholen.",
    "ATTENTION! \nData can not be saved. \nCheck table and repeat calculation."};

namespace {

const Msg kStatusTableSaved{"Tabelle gespeichert:", "Table saved:"};
const Msg kStatusTableLoaded{"Tabelle geladen:", "Table loaded:"};
const Msg kStatusTableKept{"Tabelle nicht gespeichert, die Datei bleibt, wie sie war:",
                           "Table not saved, the file stays as it was:"};
const Msg kStatusTableRead{"Tabelle aus dem EEPROM gelesen.", "Table read from the EEPROM."};

constexpr const char *kSectionGeneralInfo = "GENERAL INFO";
constexpr const char *kKeyFileType = "FILE TYPE:";
constexpr const char *kKeyScopeVersion = "SCOPE VERSION:";
constexpr const char *kKeyActualValue = "ACTUAL VALUE";
constexpr const char *kKeySetValue = "SETVALUE";
constexpr size_t kGeneralInfoBufferSize = 8192;
constexpr int kColActual = 1;
constexpr int kColSet = 2;
// Identifiers of the table's built-in context-menu items kept from the operator.
constexpr int kHiddenMenuItems[] = {-2, -3, -4};

const Msg kTitleLoad{"Umrechungstabelle aus Datei laden.", "Read conversion table from file"};
const Msg kTitleSave{"Umrechnungstabelle in Datei speichern", "Save conversion table to file"};

const Msg kHelpReset{"Umrechnungstabelle zuruecksetzen.", "Reset conversion table."};
const Msg kHelpAssign{
    "Messwert in die ausgewaehlte Zelle der Spalte AKTUELLER WERT eintragen. \nZelle mit "
    "Linksklick auswaehlen.",
    "Assign signal value to selected cell in column ACTUAL VALUE. \nSelect cell to be assigned "
    "with left mouse click."};
const Msg kHelpGetFile{"Umrechnungstabelle aus Datei laden.", "Get conversion table from disk."};
const Msg kHelpSaveFile{"Umrechnungstabelle in Datei speichern.", "Save conversion table to disk."};
const Msg kHelpGetEE{"Umrechnungstabelle aus EEPROM laden.",
                     "Get conversion table from EEPROM of the sensor."};
const Msg kHelpSaveEE{"Umrechnungstabelle ins EEPROM speichern.",
                      "Save conversion table to EEPROM of the sensor."};
const Msg kHelpCalc{"Berechnet Umrechungstabelle und stellt diese in Graph dar.",
                    "Calculate conversion data and display in graph."};
const Msg kHelpSaveData{"Speichert Umrechnungsdaten ins EEPROM.",
                        "Save conversion data to EEPROM of the sensor."};
const Msg kHelpGraph{"Stellt die Umrechnungstabelle graphisch dar.",
                     "Displays the conversion table graphically."};
const Msg kHelpZoom{
    "Zoom in: <Strg>+Linke Maustaste (ziehen zum auswaehlen).\nZoom out: ZOOM 1:1 klicken.",
    "Zoom in: <Ctrl>+Left Mouse Button (drag to select).\nZoom out: Press ZOOM 1:1."};
const Msg kHelpClose{"Schliesst PANEL und kehrt zu HAUPT PANEL zurueck.",
                     "Close PANEL and return to MAIN PANEL."};

void Message(const Msg &m)
{
    ShowStatus(m);
    MessagePopup(Tr(kMsgInfoTitle), Tr(m));
}

int Table()
{
    return AppState.TabConvTable;
}

// The file dialog of both directions, starting in the directory of the current table file.
// A chosen path becomes the current one.
int SelectConvTableFile(const Msg &title, int buttonMode)
{
    std::string directory = AppState.ConvTableFilePath;
    const size_t slash = directory.find_last_of('/');
    directory = slash == std::string::npos ? DataDirectory() : directory.substr(0, slash + 1);
    char path[sizeof AppState.ConvTableFilePath] = {};
    const int result = FileSelectPopup(directory.c_str(), kDefaultConvTableFileName, "*.ini",
                                       Tr(title), buttonMode, path, int(sizeof path));
    if (result > 0)
        CopyField(AppState.ConvTableFilePath, path);
    return result;
}

std::string GeneralInfo(IniText ini, const char *key)
{
    std::vector<char> buffer(kGeneralInfoBufferSize, '\0');
    if (Ini_GetStringIntoBuffer(ini, kSectionGeneralInfo, key, buffer.data(), buffer.size()) != 1)
        return {};
    return buffer.data();
}

// One cell value of a row section: only a whole number that fits a cell counts as read.
bool ReadCell(IniText ini, const char *section, const char *key, int16_t *value)
{
    int v = 0;
    if (Ini_GetInt(ini, section, key, &v) < 1 || v < std::numeric_limits<int16_t>::min() ||
        v > std::numeric_limits<int16_t>::max())
        return false;
    *value = int16_t(v);
    return true;
}

int16_t RowDefault(int row)
{
    if (row == 1)
        return 0;
    if (row == kConvTableRows)
        return 4095;
    return kConvDisabled;
}

std::string RowSection(int row)
{
    return "ROW " + std::to_string(row);
}

const Msg kLegendConvData{"UMRECHNUNGSDATEN", "CONVERSION DATA"};
const Msg kLegendConvPoints{"TABELLENPUNKTE", "TABLE POINTS"};
int gConvDataPlot = 0, gConvPointsPlot = 0;
// The whole view of what is drawn: ZOOM 1:1 returns to it.
ConvGraphView gConvView;

void DrawConvGraph(const double *x, const double *y)
{
    const int panel = AppState.ConvPanel;
    DeleteGraphPlot(panel, CONVP_GRAPH_CONV, -1);
    // The table's points where they lie on the curve: (ACTUAL VALUE, SETVALUE).
    std::vector<double> px, py;
    for (int a = 0; a < kConvDataSize; ++a)
        if (x[a] != -1.0) {
            px.push_back(x[a]);
            py.push_back(y[a]);
        }
    gConvDataPlot = PlotY(panel, CONVP_GRAPH_CONV, ConvData, kConvDataSize, VAL_DK_YELLOW);
    gConvPointsPlot = px.empty() ? 0
                                 : PlotPoints(panel, CONVP_GRAPH_CONV, px.data(), py.data(),
                                              int(px.size()), VAL_BLUE);
    NameConvGraphPlots();
    // A point beyond the axes as they stand brings the whole view back, so that nothing drawn
    // lies outside.
    gConvView = ConvGraphViewOf(ConvData, kConvDataSize, px.data(), py.data(), int(px.size()));
    int mode = 0;
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    GetAxisScalingMode(panel, CONVP_GRAPH_CONV, VAL_BOTTOM_XAXIS, &mode, &x0, &x1);
    GetAxisScalingMode(panel, CONVP_GRAPH_CONV, VAL_LEFT_YAXIS, &mode, &y0, &y1);
    if (gConvView.xMin < x0 || gConvView.xMax > x1 || gConvView.yMin < y0 || gConvView.yMax > y1)
        ZoomConvGraphToView();
}

int Exchange(uint8_t order, uint16_t arg, int length)
{
    AppState.OrderNumber = order;
    FillTxBuf(order, arg, unsigned(length));
    return DataExchange(frame::kHeaderSize + length);
}

} // namespace

ConvRows ReadConvTable()
{
    ConvRows rows{};
    for (int i = 0; i < kConvTableRows; ++i) {
        int a = 0, s = 0;
        GetTableCellVal(Table(), TABP_CONVTABLE_TABLE_CONV, i + 1, kColActual, &a);
        GetTableCellVal(Table(), TABP_CONVTABLE_TABLE_CONV, i + 1, kColSet, &s);
        rows[size_t(i)] = {int16_t(a), int16_t(s)};
    }
    return rows;
}

void WriteConvTable(const ConvRows &rows)
{
    for (int i = 0; i < kConvTableRows; ++i) {
        SetTableCellVal(Table(), TABP_CONVTABLE_TABLE_CONV, i + 1, kColActual,
                        rows[size_t(i)].actual);
        SetTableCellVal(Table(), TABP_CONVTABLE_TABLE_CONV, i + 1, kColSet, rows[size_t(i)].set);
    }
}

void ResetConvTable()
{
    WriteConvTable(DefaultConvRows());
}

void AssignSignalToTable()
{
    int row = 0, col = 0;
    GetActiveTableCell(Table(), TABP_CONVTABLE_TABLE_CONV, &row, &col);
    if (col != kColActual || row < 2 || row > kConvTableRows - 1) {
        Message(kMsgConvWrongCell);
        return;
    }
    SetTableCellVal(Table(), TABP_CONVTABLE_TABLE_CONV, row, kColActual, DataFrame.Sig);
}

void GetConvTableFromFile()
{
    if (SelectConvTableFile(kTitleLoad, VAL_LOAD_BUTTON) != VAL_EXISTING_FILE_SELECTED) {
        Message(kMsgConvNoFile);
        return;
    }
    IniText ini = Ini_New(0);
    if (!ini)
        return;
    // A file that cannot be read reads as an empty one: the questions and the report follow.
    Ini_ReadFromFile(ini, AppState.ConvTableFilePath);
    if ((GeneralInfo(ini, kKeyFileType) != kConvTableFileType &&
         ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgConvNotTableFile)) != 1) ||
        (GeneralInfo(ini, kKeyScopeVersion) != kScopeTitle &&
         ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgConvVersionMismatch)) != 1)) {
        Message(kMsgConvNoValues);
        Ini_Dispose(ini);
        return;
    }
    ConvRows rows{};
    const std::vector<std::string> defaulted = TakeConvRows(ini, &rows);
    WriteConvTable(rows);
    ShowStatus(kStatusTableLoaded, AppState.ConvTableFilePath);
    if (!defaulted.empty()) {
        std::string report = std::string(Tr(kMsgConvReportHeader)) + "\n\n";
        for (const std::string &section : defaulted)
            report += section + "\n";
        MessagePopup(Tr(kMsgInfoTitle), report.c_str());
    }
    Ini_Dispose(ini);
}

void SaveConvTableToFile()
{
    const int result = SelectConvTableFile(kTitleSave, VAL_SAVE_BUTTON);
    if (result <= 0) {
        Message(kMsgConvNoFile);
        return;
    }
    if (result == VAL_EXISTING_FILE_SELECTED &&
        ConfirmPopup(Tr(kMsgInfoTitle), Tr(kMsgConvFileExists)) != 1) {
        ShowStatus(kStatusTableKept, AppState.ConvTableFilePath);
        return;
    }
    if (WriteConvTableFile(ReadConvTable(), AppState.ConvTableFilePath) < 0)
        ReportFileNotSaved(AppState.ConvTableFilePath);
    else
        ShowStatus(kStatusTableSaved, AppState.ConvTableFilePath);
}

int WriteConvTableFile(const ConvRows &rows, const char *path)
{
    IniText ini = Ini_New(0);
    if (!ini)
        return kIniOutOfMemory;
    Ini_PutString(ini, kSectionGeneralInfo, kKeyFileType, kConvTableFileType);
    Ini_PutString(ini, kSectionGeneralInfo, kKeyScopeVersion, kScopeTitle);
    for (int row = 1; row <= kConvTableRows; ++row) {
        const std::string section = RowSection(row);
        Ini_PutInt(ini, section.c_str(), kKeyActualValue, rows[size_t(row - 1)].actual);
        Ini_PutInt(ini, section.c_str(), kKeySetValue, rows[size_t(row - 1)].set);
    }
    const int result = Ini_WriteToFile(ini, path);
    Ini_Dispose(ini);
    return result;
}

ConvTableFileCheck CheckConvTableFile(IniText ini)
{
    if (GeneralInfo(ini, kKeyFileType) != kConvTableFileType)
        return ConvTableFileCheck::kNotTableFile;
    if (GeneralInfo(ini, kKeyScopeVersion) != kScopeTitle)
        return ConvTableFileCheck::kOtherVersion;
    return ConvTableFileCheck::kGood;
}

std::vector<std::string> TakeConvRows(IniText ini, ConvRows *rows)
{
    std::vector<std::string> defaulted;
    for (int row = 1; row <= kConvTableRows; ++row) {
        const std::string section = RowSection(row);
        int16_t a = 0, s = 0;
        if (!ReadCell(ini, section.c_str(), kKeyActualValue, &a) ||
            !ReadCell(ini, section.c_str(), kKeySetValue, &s)) {
            a = s = RowDefault(row);
            defaulted.push_back(section);
        }
        (*rows)[size_t(row - 1)] = {a, s};
    }
    return defaulted;
}

void CalcConvData()
{
    std::vector<double> x(kConvDataSize), y(kConvDataSize);
    const int errorRow = CollectConvPoints(ReadConvTable(), x.data(), y.data());
    if (errorRow > 0) {
        Message(kMsgConvBothCells);
        SetActiveCtrl(Table(), TABP_CONVTABLE_TABLE_CONV);
        SetActiveTableCell(Table(), TABP_CONVTABLE_TABLE_CONV, errorRow, kColActual);
        SelectTableRow(Table(), TABP_CONVTABLE_TABLE_CONV, errorRow);
        ConvDataValid = 0;
        return;
    }
    // From cleared data: what an earlier table with a wider span left beyond this one's last
    // point would otherwise stay in the curve and set the scaling maximum.
    std::fill(std::begin(ConvData), std::end(ConvData), 0.0);
    InterpolateConvData(x.data(), y.data(), ConvData);
    DrawConvGraph(x.data(), y.data());
    ConvDataValid = 1;
}

int ReadConvRowsFromEE(ConvRows *rows)
{
    const int result = Exchange(frame::kOrderConvTable, 1, 0);
    if (result != 1)
        return result;
    // A shorter answer would leave stale bytes in the table: it is a bad payload.
    if (AppState.RxHeader.length < kConvTableImageBytes) {
        CopyField(AppState.ErrorText, Tr(kMsgBadData));
        SetTimeout();
        return -1;
    }
    *rows = UnpackConvRows(AppState.RxBuffer + frame::kHeaderSize);
    return 1;
}

int WriteConvRowsToEE(const ConvRows &rows)
{
    BeforeSensorWrite();
    uint8_t *image = AppState.TxFrame + frame::kHeaderSize;
    PackConvRows(rows, image);
    const std::string checksum = ChecksumText(Crc32(image, kConvTableImageBytes));
    const int result = Exchange(frame::kOrderConvTable, 0, kConvTableImageBytes);
    LogSensorWrite(kChangeConvTable, "EEPROM", checksum, result == 1);
    return result;
}

int GetConvTableFromEE()
{
    ConvRows rows{};
    const int result = ReadConvRowsFromEE(&rows);
    if (result == 1)
        WriteConvTable(rows);
    return result;
}

int SaveConvTableToEE()
{
    return WriteConvRowsToEE(ReadConvTable());
}

int SaveConvDataToEE()
{
    return WriteConvDataToEE(ConvData);
}

int WriteConvDataToEE(const double *convData)
{
    int16_t entries[kConvSentEntries];
    if (!ScaleConvData(convData, entries))
        return -1;
    uint8_t blocks[2 * kConvSentEntries];
    for (int i = 0; i < kConvSentEntries; ++i) {
        const auto u = uint16_t(entries[i]);
        blocks[2 * i] = uint8_t(u & 0xFF);
        blocks[2 * i + 1] = uint8_t(u >> 8);
    }
    const std::string checksum = ChecksumText(Crc32(blocks, sizeof blocks));
    BeforeSensorWrite();
    int result = -1;
    for (int b = 0; b < kConvBlockCount && (b == 0 || result == 1); ++b) {
        const uint16_t address = kConvBlockAddress[b];
        result = Exchange(frame::kOrderConvDataAnnounce, address, 0);
        if (result != 1)
            break;
        std::memcpy(AppState.TxFrame + frame::kHeaderSize,
                    blocks + 2 * b * kConvBlockEntries, 2 * kConvBlockEntries);
        result = Exchange(frame::kOrderConvDataWrite, address, 2 * kConvBlockEntries);
    }
    LogSensorWrite(kChangeConvData, "EEPROM", checksum, result == 1);
    return result;
}

void InitConvTable()
{
    for (int item : kHiddenMenuItems)
        HideBuiltInCtrlMenuItem(Table(), TABP_CONVTABLE_TABLE_CONV, item);
    ResetConvTable();
}

// ---- Callbacks
// -----------------------------------------------------------------------------------

namespace {

// Right click shows the help text, commit runs the action; every other event is ignored.
template <void (*Action)()> int HelpOrAction(int event, const Msg &help)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(help);
    else if (event == EVENT_COMMIT)
        Action();
    return 0;
}

void GetTableFromEEDimmed()
{
    SetButtonsDimmed(0, 1);
    if (GetConvTableFromEE() == 1)
        ShowStatus(kStatusTableRead);
    SetButtonsDimmed(0, 0);
}

void SaveTableToEEDimmed()
{
    SetButtonsDimmed(0, 1);
    SaveConvTableToEE();
    Message(AppState.SensorConnected == 1 ? kMsgConvTableSaved : kMsgConvTableNotSaved);
    SetButtonsDimmed(0, 0);
}

void CalcAndReport()
{
    CalcConvData();
    if (ConvDataValid == 1)
        Message(kMsgConvCalcDone);
}

void CalcAndSaveData()
{
    SetButtonsDimmed(0, 1);
    CalcConvData();
    int16_t entries[kConvSentEntries];
    // A curve without a positive maximum cannot be scaled: nothing is sent.
    if (ConvDataValid == 1 && ScaleConvData(ConvData, entries)) {
        AppState.SensorConnected = 1;
        SaveConvDataToEE();
        Message(AppState.SensorConnected == 1 ? kMsgConvDataSaved : kMsgConvDataNotSaved);
    } else {
        Message(kMsgConvCannotSave);
    }
    SetButtonsDimmed(0, 0);
}

void ZoomConv11()
{
    ZoomConvGraphToView();
}

void CloseConvPanel()
{
    ShowChildPanelDisp(AppState.DataPanel);
}

void Nothing() {}

} // namespace

ConvGraphView ConvGraphViewOf(const double *data, int count, const double *px, const double *py,
                              int points)
{
    ConvGraphView v;
    double lo = v.yMin, hi = v.yMax, left = v.xMin, right = v.xMax;
    const auto take = [&](double x, double y) {
        if (std::isfinite(y)) {
            lo = std::min(lo, y);
            hi = std::max(hi, y);
        }
        if (std::isfinite(x)) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    };
    for (int i = 0; i < count; ++i)
        take(double(i), data[i]);
    for (int i = 0; i < points; ++i)
        take(px[i], py[i]);
    // Beyond the usual view, a margin of 5 % of the span on that side keeps the outermost point
    // off the frame.
    if (lo < v.yMin)
        v.yMin = lo - 0.05 * (hi - lo);
    if (hi > v.yMax)
        v.yMax = hi + 0.05 * (hi - lo);
    if (left < v.xMin)
        v.xMin = left - 0.05 * (right - left);
    if (right > v.xMax)
        v.xMax = right + 0.05 * (right - left);
    return v;
}

void ZoomConvGraphToView()
{
    SetAxisScalingMode(AppState.ConvPanel, CONVP_GRAPH_CONV, VAL_BOTTOM_XAXIS, VAL_MANUAL,
                       gConvView.xMin, gConvView.xMax);
    SetAxisScalingMode(AppState.ConvPanel, CONVP_GRAPH_CONV, VAL_LEFT_YAXIS, VAL_MANUAL,
                       gConvView.yMin, gConvView.yMax);
}

void NameConvGraphPlots()
{
    if (gConvDataPlot > 0)
        SetPlotName(AppState.ConvPanel, CONVP_GRAPH_CONV, gConvDataPlot, Tr(kLegendConvData));
    if (gConvPointsPlot > 0)
        SetPlotName(AppState.ConvPanel, CONVP_GRAPH_CONV, gConvPointsPlot, Tr(kLegendConvPoints));
}

int CBF_ButtonResetConvTable(int, int, int event, void *, int, int)
{
    return HelpOrAction<ResetConvTable>(event, kHelpReset);
}

int CBF_ButtonAssign(int, int, int event, void *, int, int)
{
    return HelpOrAction<AssignSignalToTable>(event, kHelpAssign);
}

int CBF_ButtonGetConvTableFromFile(int, int, int event, void *, int, int)
{
    return HelpOrAction<GetConvTableFromFile>(event, kHelpGetFile);
}

int CBF_ButtonSaveConvTableToFile(int, int, int event, void *, int, int)
{
    return HelpOrAction<SaveConvTableToFile>(event, kHelpSaveFile);
}

int CBF_ButtonGetConvTableFromEE(int, int, int event, void *, int, int)
{
    return HelpOrAction<GetTableFromEEDimmed>(event, kHelpGetEE);
}

int CBF_ButtonSaveConvTableToEE(int, int, int event, void *, int, int)
{
    return HelpOrAction<SaveTableToEEDimmed>(event, kHelpSaveEE);
}

int CBF_ButtonCalcConvData(int, int, int event, void *, int, int)
{
    return HelpOrAction<CalcAndReport>(event, kHelpCalc);
}

int CBF_ButtonSaveConvDataToEE(int, int, int event, void *, int, int)
{
    return HelpOrAction<CalcAndSaveData>(event, kHelpSaveData);
}

int CBF_ButtonZoomConv11(int, int, int event, void *, int, int)
{
    return HelpOrAction<ZoomConv11>(event, kHelpZoom);
}

int CBF_ButtonCloseCP(int, int, int event, void *, int, int)
{
    return HelpOrAction<CloseConvPanel>(event, kHelpClose);
}

int CBF_GraphConv(int, int, int event, void *, int, int)
{
    return HelpOrAction<Nothing>(event, kHelpGraph);
}

int CBF_CONVP(int, int, void *, int, int)
{
    return 0;
}

void InstallConvTableCallbacks()
{
    const int page = AppState.TabConvTable;
    const int conv = AppState.ConvPanel;
    InstallCtrlCallback(page, TABP_CONVTABLE_BUTTON_RESET_CONV_TABLE, CBF_ButtonResetConvTable,
                        nullptr);
    InstallCtrlCallback(page, TABP_CONVTABLE_BUTTON_ASSIGN, CBF_ButtonAssign, nullptr);
    InstallCtrlCallback(page, TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_FILE,
                        CBF_ButtonGetConvTableFromFile, nullptr);
    InstallCtrlCallback(page, TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_FILE,
                        CBF_ButtonSaveConvTableToFile, nullptr);
    InstallCtrlCallback(page, TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_EE,
                        CBF_ButtonGetConvTableFromEE, nullptr);
    InstallCtrlCallback(page, TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_EE,
                        CBF_ButtonSaveConvTableToEE, nullptr);
    InstallCtrlCallback(conv, CONVP_BUTTON_CALC_CONV_DATA, CBF_ButtonCalcConvData, nullptr);
    InstallCtrlCallback(conv, CONVP_BUTTON_SAVE_CONV_DATA_TO_EE, CBF_ButtonSaveConvDataToEE,
                        nullptr);
    InstallCtrlCallback(conv, CONVP_BUTTON_ZOOM_CONV11, CBF_ButtonZoomConv11, nullptr);
    InstallCtrlCallback(conv, CONVP_BUTTON_CLOSE, CBF_ButtonCloseCP, nullptr);
    InstallCtrlCallback(conv, CONVP_GRAPH_CONV, CBF_GraphConv, nullptr);
    InstallPanelCallback(conv, CBF_CONVP, nullptr);

    // What the operator may type: ACTUAL VALUE a signal value or -1, SETVALUE any cell value.
    SetTableColumnRange(page, TABP_CONVTABLE_TABLE_CONV, kColActual, kConvDisabled, kConvMaxActual);
    SetTableColumnRange(page, TABP_CONVTABLE_TABLE_CONV, kColSet,
                        std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());

    for (int c : {TABP_CONVTABLE_BUTTON_GET_CONV_TABLE_FROM_EE,
                  TABP_CONVTABLE_BUTTON_SAVE_CONV_TABLE_TO_EE})
        RegisterOperationControl(&AppState.TabConvTable, c);
    RegisterOperationControl(&AppState.ConvPanel, CONVP_BUTTON_SAVE_CONV_DATA_TO_EE);
}
