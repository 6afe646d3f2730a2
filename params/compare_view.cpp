#include "params/compare_view.h"

#include "app/appstate.h"
#include "app/changes.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "params/controls.h"
#include "params/paramfile.h"
#include "params/synced.h"
#include "params/transfer.h"
#include "platform/ui.h"

#include <string>
#include <vector>

const Msg kMsgValuesDiffer{"Abweichende Werte: ", "Values that differ: "};
const Msg kMsgValuesAgree{"Alle Werte stimmen ueberein.", "All values agree."};
const Msg kMsgNoSensorForCompare{"Kein Sensor verbunden: RAM und EEPROM nicht gelesen.",
                                 "No sensor connected: RAM and EEPROM not read."};

namespace {

const Msg kTitle{"Parameter vergleichen", "Compare parameters"};
const Msg kTableCaption{"PARAMETER IN RAM, EEPROM UND DATEI (Abweichungen markiert)",
                        "PARAMETERS IN RAM, EEPROM AND FILE (differences marked)"};
const Msg kColumnName{"PARAMETER", "PARAMETER"};
const Msg kColumnFile{"DATEI", "FILE"};
const Msg kFileCaption{"DATEI", "FILE"};
const Msg kMsgReadFailed{"RAM und EEPROM konnten nicht gelesen werden.",
                         "RAM and EEPROM could not be read."};

const Msg kHelpCompare{"Zeigt die Parameter im RAM und EEPROM des Sensors und in einer Datei "
                       "nebeneinander; abweichende Werte sind markiert.",
                       "Shows the parameters in the sensor's RAM and EEPROM and in a file side "
                       "by side; values that differ are marked."};
const Msg kHelpTable{"Die 26 Parameter in den Einheiten der Parameterseiten; markierte Zeilen "
                     "weichen ab.",
                     "The 26 parameters in the units of the parameter pages; marked rows "
                     "differ."};
const Msg kHelpChooseFile{"Waehlen Sie eine Parameter-Datei zum Vergleich.",
                          "Choose a parameter file to compare."};
const Msg kHelpRead{"Liest RAM und EEPROM des Sensors und die Datei erneut.",
                    "Reads the sensor's RAM and EEPROM and the file again."};
const Msg kHelpRamToEeprom{"Speichert die Parameter im RAM des Sensors in seinem EEPROM.",
                           "Stores the parameters in the sensor's RAM in its EEPROM."};
const Msg kHelpEepromToRam{"Laedt die Parameter im EEPROM des Sensors in sein RAM.",
                           "Loads the parameters in the sensor's EEPROM into its RAM."};
const Msg kHelpFileToRam{"Sendet die Parameter der Datei in das RAM des Sensors.",
                         "Sends the file's parameters to the sensor's RAM."};
const Msg kHelpRamToFile{"Schreibt die Parameter im RAM des Sensors in eine Parameter-Datei.",
                         "Writes the parameters in the sensor's RAM into a parameter file."};
const Msg kHelpClose{"Schliesst das Fenster (Esc).", "Closes this window (Escape)."};

struct Labelled {
    int control;
    Msg label; // the caption; the help text is the tooltip too
    const Msg *help;
};
const Labelled kLabels[] = {
    {COMPAREP_BUTTON_COMPARE_CHOOSE_FILE, {"DATEI...", "FILE..."}, &kHelpChooseFile},
    {COMPAREP_BUTTON_COMPARE_READ, {"NEU LESEN", "READ AGAIN"}, &kHelpRead},
    {COMPAREP_BUTTON_RAM_TO_EEPROM, {"RAM INS EEPROM", "RAM TO EEPROM"}, &kHelpRamToEeprom},
    {COMPAREP_BUTTON_EEPROM_TO_RAM, {"EEPROM INS RAM", "EEPROM TO RAM"}, &kHelpEepromToRam},
    {COMPAREP_BUTTON_FILE_TO_RAM, {"DATEI INS RAM", "FILE TO RAM"}, &kHelpFileToRam},
    {COMPAREP_BUTTON_RAM_TO_FILE, {"RAM IN DATEI", "RAM TO FILE"}, &kHelpRamToFile},
    {COMPAREP_BUTTON_CLOSE_COMPARE, {"SCHLIESSEN", "CLOSE"}, &kHelpClose},
};

constexpr int kDifferColor = 0xFFD0A0;
constexpr int kColumns = 4; // name, RAM, EEPROM, file

int gPanel = 0;
CompareSets gSets;
bool gBusy = false; // an exchange of the view is under way: its buttons wait

// Runs one action of the view unless another is under way (an exchange keeps the window alive,
// so a second press could otherwise start a second exchange inside the first).
template <typename F> void Once(F action)
{
    if (gBusy)
        return;
    gBusy = true;
    action();
    gBusy = false;
}

bool SensorThere()
{
    return AppState.SensorConnected == 1 && LinkReady();
}

void Label()
{
    SetPanelAttribute(gPanel, ATTR_TITLE, Tr(kTitle));
    SetCtrlVal(gPanel, COMPAREP_TEXTMSG_COMPARE_TABLE, Tr(kTableCaption));
    SetCtrlVal(gPanel, COMPAREP_TEXTMSG_COMPARE_FILE, Tr(kFileCaption));
    SetCtrlAttribute(gPanel, COMPAREP_STRING_COMPARE_FILE, ATTR_TOOLTIP_TEXT, Tr(kHelpChooseFile));
    SetCtrlAttribute(gPanel, COMPAREP_TABLE_COMPARE, ATTR_TOOLTIP_TEXT, Tr(kHelpTable));
    for (const Labelled &l : kLabels) {
        SetCtrlAttribute(gPanel, l.control, ATTR_LABEL_TEXT, Tr(l.label));
        SetCtrlAttribute(gPanel, l.control, ATTR_TOOLTIP_TEXT, Tr(*l.help));
    }
    SetTableColumnLabel(gPanel, COMPAREP_TABLE_COMPARE, 1, Tr(kColumnName));
    SetTableColumnLabel(gPanel, COMPAREP_TABLE_COMPARE, 2, "RAM");
    SetTableColumnLabel(gPanel, COMPAREP_TABLE_COMPARE, 3, "EEPROM");
    SetTableColumnLabel(gPanel, COMPAREP_TABLE_COMPARE, 4, Tr(kColumnFile));
}

void ShowTable()
{
    const std::vector<CompareRow> rows = CompareSideBySide(
        {gSets.ram ? &*gSets.ram : nullptr, gSets.eeprom ? &*gSets.eeprom : nullptr,
         gSets.file ? &*gSets.file : nullptr},
        WordOnPages);
    SetNumTableRows(gPanel, COMPAREP_TABLE_COMPARE, int(rows.size()));
    std::string differing;
    for (size_t r = 0; r < rows.size(); ++r) {
        const int row = int(r) + 1;
        const std::string name = WordLabelOnPages(rows[r].field, rows[r].name);
        SetTableCellText(gPanel, COMPAREP_TABLE_COMPARE, row, 1, name.c_str());
        for (int c = 0; c < kColumns - 1; ++c) {
            const std::string &text = rows[r].shown[size_t(c)];
            SetTableCellText(gPanel, COMPAREP_TABLE_COMPARE, row, c + 2,
                             text.empty() ? "-" : text.c_str());
        }
        for (int c = 1; c <= kColumns; ++c)
            SetTableCellColor(gPanel, COMPAREP_TABLE_COMPARE, row, c,
                              rows[r].differs ? kDifferColor : VAL_TRANSPARENT);
        if (rows[r].differs)
            differing += (differing.empty() ? "" : ", ") + name;
    }
    std::string status;
    if (!gSets.ram && !SensorThere())
        status = Tr(kMsgNoSensorForCompare);
    else if (!gSets.ram)
        status = Tr(kMsgReadFailed);
    if (!differing.empty())
        status += (status.empty() ? "" : " ") + std::string(Tr(kMsgValuesDiffer)) + differing;
    else if (gSets.ram)
        status += (status.empty() ? "" : " ") + std::string(Tr(kMsgValuesAgree));
    SetCtrlVal(gPanel, COMPAREP_TEXTMSG_COMPARE_STATUS, status.c_str());
    SetCtrlVal(gPanel, COMPAREP_STRING_COMPARE_FILE, gSets.filePath.c_str());

    // A copy needs both of its ends.
    const bool sensor = gSets.ram.has_value() && SensorThere();
    SetCtrlAttribute(gPanel, COMPAREP_BUTTON_COMPARE_READ, ATTR_DIMMED, SensorThere() ? 0 : 1);
    SetCtrlAttribute(gPanel, COMPAREP_BUTTON_RAM_TO_EEPROM, ATTR_DIMMED, sensor ? 0 : 1);
    SetCtrlAttribute(gPanel, COMPAREP_BUTTON_EEPROM_TO_RAM, ATTR_DIMMED, sensor ? 0 : 1);
    SetCtrlAttribute(gPanel, COMPAREP_BUTTON_RAM_TO_FILE, ATTR_DIMMED, sensor ? 0 : 1);
    SetCtrlAttribute(gPanel, COMPAREP_BUTTON_FILE_TO_RAM, ATTR_DIMMED,
                     sensor && gSets.file ? 0 : 1);
}

void ReadFile()
{
    gSets.file.reset();
    if (gSets.filePath.empty())
        return;
    ParameterRecord r;
    if (ReadParameterFileAsking(gSets.filePath.c_str(), &r))
        gSets.file = r;
    else
        gSets.filePath.clear();
}

// Order 3 or 4 alone, as SEND and GET with EEPROM selected use them.
bool EepromOrder(uint8_t order)
{
    AppState.OrderNumber = order;
    FillTxBuf(order, 0, 0);
    return DataExchange(frame::kHeaderSize) == 1;
}

void RamToEeprom()
{
    const std::string changes = gSets.eeprom ? ParameterChangesText(&*gSets.eeprom, *gSets.ram)
                                             : ParameterChangesText(nullptr, *gSets.ram);
    const bool ok = EepromOrder(frame::kOrderStoreEeprom);
    LogSensorWrite(kChangeRamToEeprom, "EEPROM", changes, ok);
}

void EepromToRam()
{
    const std::string changes = gSets.eeprom ? ParameterChangesText(&*gSets.ram, *gSets.eeprom)
                                             : std::string();
    const bool ok = EepromOrder(frame::kOrderLoadEeprom);
    const bool accepted = ok && AppState.RxHeader.arg == 0;
    LogSensorWrite(kChangeEepromToRam, "RAM", changes, accepted);
    if (ok && !accepted) {
        // The stored set failed the sensor's check: RAM now holds the defaults.
        const std::string report = std::string(Tr(kMsgInfoTitle)) + "\n" +
                                   std::to_string(AppState.RxHeader.arg) +
                                   Tr(kMsgEepromPlausibility);
        MessagePopup(Tr(kMsgInfoTitle), report.c_str());
    }
}

void RamToFile()
{
    if (ChooseParameterFile(VAL_SAVE_BUTTON) <= 0) {
        MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgNoFileSelected));
        return;
    }
    if (WriteParameterFile(*gSets.ram, AppState.ParameterFilePath) < 0) {
        ReportFileNotSaved(AppState.ParameterFilePath);
        return;
    }
    gSets.filePath = AppState.ParameterFilePath;
}

} // namespace

const CompareSets &ComparedSets()
{
    return gSets;
}

std::string WordLabelOnPages(uint16_t ParameterRecord::*field, const char *key)
{
    for (const ParamControl &c : kParamControls)
        if (c.field == field) {
            const std::string label = GetCtrlLabel(AppState.*c.page, c.control);
            return label.empty() ? key : label;
        }
    return key;
}

std::string WordOnPages(uint16_t ParameterRecord::*field, uint16_t value)
{
    for (const ParamControl &c : kParamControls) {
        if (c.field != field)
            continue;
        int index = -1;
        std::string label;
        const int page = AppState.*c.page;
        if (GetIndexFromValue(page, c.control, &index, value) == 0 &&
            GetLabelFromIndex(page, c.control, index, &label) == 0)
            return label;
        int items = 0;
        if (GetNumListItems(page, c.control, &items) == 0) // a ring without that item
            return "? (" + std::to_string(value) + ")";
    }
    return WordInPageUnits(field, value);
}

int ReadRamAndEeprom(CompareSets *sets)
{
    sets->ram.reset();
    sets->eeprom.reset();
    ParameterRecord ram, eeprom;
    if (GetParaRecord(false, &ram, {}) != 1)
        return -1;
    sets->ram = ram;
    std::string report;
    const int read = GetParaRecord(true, &eeprom, [&](const std::string &text) { report = text; });
    // Loading the EEPROM replaced RAM: what RAM held goes back, whatever the read gave.
    if (SendParaRecord(ram, false, false) != 1)
        return -1;
    if (read != 1)
        return -1;
    if (!report.empty())
        MessagePopup(Tr(kMsgInfoTitle), report.c_str());
    else
        sets->eeprom = eeprom;
    return 1;
}

void RefreshCompareView()
{
    if (gPanel <= 0)
        return;
    Label();
    if (SensorThere()) {
        SetWaitCursor(1);
        ReadRamAndEeprom(&gSets);
        SetWaitCursor(0);
    } else {
        gSets.ram.reset();
        gSets.eeprom.reset();
    }
    ShowTable();
    FitTableColumns(gPanel, COMPAREP_TABLE_COMPARE);
}

void ShowCompareView()
{
    if (gPanel <= 0) {
        gPanel = LoadPanel(0, COMPAREP);
        if (gPanel <= 0)
            return;
        InstallPanelCallback(gPanel, CBF_COMPAREP, nullptr);
        InstallCtrlCallback(gPanel, COMPAREP_TABLE_COMPARE, CBF_TableCompare, nullptr);
        InstallCtrlCallback(gPanel, COMPAREP_BUTTON_COMPARE_CHOOSE_FILE,
                            CBF_ButtonCompareChooseFile, nullptr);
        InstallCtrlCallback(gPanel, COMPAREP_BUTTON_COMPARE_READ, CBF_ButtonCompareRead, nullptr);
        for (int c : {COMPAREP_BUTTON_RAM_TO_EEPROM, COMPAREP_BUTTON_EEPROM_TO_RAM,
                      COMPAREP_BUTTON_FILE_TO_RAM, COMPAREP_BUTTON_RAM_TO_FILE})
            InstallCtrlCallback(gPanel, c, CBF_ButtonCopyParameters, nullptr);
        InstallCtrlCallback(gPanel, COMPAREP_BUTTON_CLOSE_COMPARE, CBF_ButtonCloseCompare,
                            nullptr);
    }
    Label();
    CenterPanelOnScreen(gPanel);
    InstallPopup(gPanel);
    Once(RefreshCompareView);
}

int ComparePanel()
{
    return gPanel;
}

void CloseCompareView()
{
    if (gPanel > 0)
        RemovePopup(gPanel);
}

int CBF_ButtonCompare(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpCompare);
    else if (event == EVENT_COMMIT)
        ShowCompareView();
    return 0;
}

int CBF_COMPAREP(int, int event, void *, int, int)
{
    if (event == EVENT_CLOSE)
        CloseCompareView();
    return 0;
}

int CBF_TableCompare(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpTable);
    return 0;
}

int CBF_ButtonCompareChooseFile(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpChooseFile);
    } else if (event == EVENT_COMMIT) {
        if (ChooseParameterFile(VAL_LOAD_BUTTON) != VAL_EXISTING_FILE_SELECTED) {
            MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgNoFileSelected));
            return 0;
        }
        if (gBusy)
            return 0;
        gSets.filePath = AppState.ParameterFilePath;
        ReadFile();
        ShowTable();
        FitTableColumns(gPanel, COMPAREP_TABLE_COMPARE);
    }
    return 0;
}

int CBF_ButtonCompareRead(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpRead);
    } else if (event == EVENT_COMMIT) {
        Once([] {
            ReadFile();
            RefreshCompareView();
        });
    }
    return 0;
}

int CBF_ButtonCopyParameters(int, int control, int event, void *, int, int)
{
    for (const Labelled &l : kLabels)
        if (l.control == control && event == EVENT_RIGHT_CLICK)
            ShowHelp(*l.help);
    if (event != EVENT_COMMIT || !gSets.ram)
        return 0;
    Once([control] {
        switch (control) {
        case COMPAREP_BUTTON_RAM_TO_EEPROM: RamToEeprom(); break;
        case COMPAREP_BUTTON_EEPROM_TO_RAM: EepromToRam(); break;
        case COMPAREP_BUTTON_FILE_TO_RAM:
            if (gSets.file)
                SendParaRecord(*gSets.file, false);
            break;
        case COMPAREP_BUTTON_RAM_TO_FILE:
            RamToFile();
            ReadFile(); // what the file holds now
            break;
        default: return;
        }
        RefreshCompareView();
    });
    return 0;
}

int CBF_ButtonCloseCompare(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpClose);
    else if (event == EVENT_COMMIT)
        CloseCompareView();
    return 0;
}

void InstallCompareCallbacks()
{
    gPanel = 0; // loaded again with the next panels
    gSets = CompareSets{};
    InstallCtrlCallback(AppState.TabParam, TABP_PARAM_BUTTON_COMPARE, CBF_ButtonCompare, nullptr);
    RegisterOperationControl(&AppState.TabParam, TABP_PARAM_BUTTON_COMPARE);
}
