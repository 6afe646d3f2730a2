#include "app/changelog_view.h"

#include "app/appstate.h"
#include "app/changes.h"
#include "platform/ui.h"
#include "support/changelog.h"

#include <string>

const Msg kMsgChangeLogCount{"Eintraege: ", "Records: "};
const Msg kMsgChangeLogSkipped{" unvollstaendige Zeilen uebersprungen.",
                               " incomplete lines skipped."};
const Msg kMsgChangeLogUnreadable{"Aenderungsprotokoll kann nicht gelesen werden: ",
                                  "Change log cannot be read: "};

namespace {

const Msg kTitle{"Aenderungsprotokoll", "Change log"};
const Msg kSerialCaption{"SERIENNUMMER", "SERIAL NUMBER"};
const Msg kTableCaption{"SCHREIBVORGAENGE AM SENSOR, NEUESTE ZUERST",
                        "WRITES TO THE SENSOR, NEWEST FIRST"};
const Msg kHelpOpen{"Zeigt jeden Schreibvorgang an einem Sensor (Programm und "
                    "Kommandozeilenwerkzeug), neueste zuerst.",
                    "Shows every write to a sensor (program and command-line tool), newest "
                    "first."};
const Msg kHelpSerial{"Nur die Schreibvorgaenge an dem Sensor mit dieser Seriennummer; leer: "
                      "alle Sensoren. Mit Enter bestaetigen.",
                      "Only the writes to the sensor with this serial number; empty: all "
                      "sensors. Confirm with Enter."};
const Msg kHelpThisSensor{"Nur die Schreibvorgaenge am verbundenen Sensor.",
                          "Only the writes to the connected sensor."};
const Msg kHelpAll{"Die Schreibvorgaenge an allen Sensoren.", "The writes to every sensor."};
const Msg kHelpTable{"Zeit, Seriennummer, Sensor, was in welchen Speicher geschrieben wurde, "
                     "Ergebnis, von wem, und die Aenderungen (alt->neu).",
                     "Time, serial number, sensor, what was written into which memory, result, "
                     "by whom, and the changes (old->new)."};
const Msg kHelpClose{"Schliesst das Fenster (Esc).", "Closes this window (Escape)."};

const Msg kLabelThisSensor{"DIESER SENSOR", "THIS SENSOR"};
const Msg kLabelAll{"ALLE SENSOREN", "ALL SENSORS"};
const Msg kLabelClose{"SCHLIESSEN", "CLOSE"};

const Msg kColumns[] = {
    {"ZEIT", "TIME"},           {"SERIENNR.", "SERIAL"},     {"SENSOR", "SENSOR"},
    {"GESCHRIEBEN", "WRITTEN"}, {"SPEICHER", "MEMORY"},      {"ERGEBNIS", "RESULT"},
    {"VON", "BY"},              {"AENDERUNGEN", "CHANGES"},
};

struct Word {
    const char *word;
    Msg text;
};
const Word kWords[] = {
    {kChangeParameters, {"PARAMETER", "PARAMETERS"}},
    {kChangeConvTable, {"UMRECHNUNGSTABELLE", "CONVERSION TABLE"}},
    {kChangeConvData, {"UMRECHNUNGSDATEN", "CONVERSION DATA"}},
    {kChangeOffsets, {"OFFSETS", "OFFSETS"}},
    {kChangeSettingTimeFactor, {"ZEITFAKTOR", "SETTING TIME FACTOR"}},
    {kChangeBaudrate, {"BAUDRATE", "BAUDRATE"}},
    {kChangeEepromToRam, {"EEPROM INS RAM", "EEPROM TO RAM"}},
    {kChangeRamToEeprom, {"RAM INS EEPROM", "RAM TO EEPROM"}},
    {kChangeResultOk, {"OK", "OK"}},
    {kChangeResultFailed, {"FEHLGESCHLAGEN", "FAILED"}},
};

constexpr int kFailedColor = 0xFFC8C8;

int gPanel = 0;

} // namespace

std::string ChangeWordText(const std::string &word)
{
    for (const Word &w : kWords)
        if (word == w.word)
            return Tr(w.text);
    return word;
}

void FillChangeLogView(const std::string &serial)
{
    if (gPanel <= 0)
        return;
    const std::string path = CurrentChangeLogPath();
    const ChangeLogContents log = ReadChangeLog(path, serial);
    SetNumTableRows(gPanel, CHANGELOGP_TABLE_LOG, int(log.records.size()));
    int row = 0;
    for (const ChangeRecord &r : log.records) {
        ++row;
        const std::string sensor = r.sensor + (r.panel.empty() ? "" : " (" + r.panel + ")");
        const std::string by = r.user + " (" + r.program + ")";
        const std::string cells[] = {r.time,
                                     r.serial,
                                     sensor,
                                     ChangeWordText(r.what),
                                     r.memory,
                                     ChangeWordText(r.result),
                                     by,
                                     r.changes};
        for (int c = 0; c < int(std::size(cells)); ++c) {
            SetTableCellText(gPanel, CHANGELOGP_TABLE_LOG, row, c + 1, cells[c].c_str());
            SetTableCellColor(gPanel, CHANGELOGP_TABLE_LOG, row, c + 1,
                              r.result == kChangeResultOk ? VAL_TRANSPARENT : kFailedColor);
        }
    }
    FitTableColumns(gPanel, CHANGELOGP_TABLE_LOG);
    std::string status;
    if (!log.readable)
        status = std::string(Tr(kMsgChangeLogUnreadable)) + path;
    else
        status = Tr(kMsgChangeLogCount) + std::to_string(log.records.size()) + " (" +
                 (path.empty() ? std::string("-") : path) + ")";
    if (log.skipped > 0)
        status += "; " + std::to_string(log.skipped) + Tr(kMsgChangeLogSkipped);
    SetCtrlVal(gPanel, CHANGELOGP_TEXTMSG_LOG_STATUS, status.c_str());
}

void ShowChangeLogView()
{
    if (gPanel <= 0) {
        gPanel = LoadPanel(0, CHANGELOGP);
        if (gPanel <= 0)
            return;
        InstallPanelCallback(gPanel, CBF_CHANGELOGP, nullptr);
        InstallCtrlCallback(gPanel, CHANGELOGP_STRING_LOG_SERIAL, CBF_StringLogSerial, nullptr);
        SetCommitOnEnter(gPanel, CHANGELOGP_STRING_LOG_SERIAL);
        for (int c : {CHANGELOGP_BUTTON_LOG_THIS_SENSOR, CHANGELOGP_BUTTON_LOG_ALL})
            InstallCtrlCallback(gPanel, c, CBF_ButtonLogFilter, nullptr);
        InstallCtrlCallback(gPanel, CHANGELOGP_TABLE_LOG, CBF_TableLog, nullptr);
        InstallCtrlCallback(gPanel, CHANGELOGP_BUTTON_CLOSE_LOG, CBF_ButtonCloseLog, nullptr);
    }
    const int p = gPanel;
    SetPanelAttribute(p, ATTR_TITLE, Tr(kTitle));
    SetCtrlVal(p, CHANGELOGP_TEXTMSG_LOG_SERIAL, Tr(kSerialCaption));
    SetCtrlAttribute(p, CHANGELOGP_STRING_LOG_SERIAL, ATTR_TOOLTIP_TEXT, Tr(kHelpSerial));
    SetCtrlVal(p, CHANGELOGP_TEXTMSG_LOG_TABLE, Tr(kTableCaption));
    SetCtrlAttribute(p, CHANGELOGP_TABLE_LOG, ATTR_TOOLTIP_TEXT, Tr(kHelpTable));
    SetCtrlAttribute(p, CHANGELOGP_BUTTON_LOG_THIS_SENSOR, ATTR_LABEL_TEXT, Tr(kLabelThisSensor));
    SetCtrlAttribute(p, CHANGELOGP_BUTTON_LOG_THIS_SENSOR, ATTR_TOOLTIP_TEXT, Tr(kHelpThisSensor));
    SetCtrlAttribute(p, CHANGELOGP_BUTTON_LOG_THIS_SENSOR, ATTR_DIMMED,
                     AppState.SensorSerial >= 0 ? 0 : 1);
    SetCtrlAttribute(p, CHANGELOGP_BUTTON_LOG_ALL, ATTR_LABEL_TEXT, Tr(kLabelAll));
    SetCtrlAttribute(p, CHANGELOGP_BUTTON_LOG_ALL, ATTR_TOOLTIP_TEXT, Tr(kHelpAll));
    SetCtrlAttribute(p, CHANGELOGP_BUTTON_CLOSE_LOG, ATTR_LABEL_TEXT, Tr(kLabelClose));
    SetCtrlAttribute(p, CHANGELOGP_BUTTON_CLOSE_LOG, ATTR_TOOLTIP_TEXT, Tr(kHelpClose));
    for (int c = 0; c < int(std::size(kColumns)); ++c)
        SetTableColumnLabel(p, CHANGELOGP_TABLE_LOG, c + 1, Tr(kColumns[c]));
    // The connected sensor's writes first; the operator widens the view with ALL SENSORS.
    const std::string serial =
        AppState.SensorSerial >= 0 ? std::to_string(AppState.SensorSerial) : std::string();
    SetCtrlVal(p, CHANGELOGP_STRING_LOG_SERIAL, serial.c_str());
    FillChangeLogView(serial);
    CenterPanelOnScreen(p);
    InstallPopup(p);
}

int ChangeLogPanel()
{
    return gPanel;
}

void CloseChangeLogView()
{
    if (gPanel > 0)
        RemovePopup(gPanel);
}

int CBF_ButtonChangeLog(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpOpen);
    else if (event == EVENT_COMMIT)
        ShowChangeLogView();
    return 0;
}

int CBF_CHANGELOGP(int, int event, void *, int, int)
{
    if (event == EVENT_CLOSE)
        CloseChangeLogView();
    return 0;
}

int CBF_StringLogSerial(int panel, int control, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(kHelpSerial);
    } else if (event == EVENT_COMMIT) {
        char serial[16] = {};
        GetCtrlString(panel, control, serial, int(sizeof serial));
        std::string s = serial;
        while (!s.empty() && s.back() == ' ')
            s.pop_back();
        while (!s.empty() && s.front() == ' ')
            s.erase(s.begin());
        FillChangeLogView(s);
    }
    return 0;
}

int CBF_ButtonLogFilter(int panel, int control, int event, void *, int, int)
{
    const bool mine = control == CHANGELOGP_BUTTON_LOG_THIS_SENSOR;
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelp(mine ? kHelpThisSensor : kHelpAll);
    } else if (event == EVENT_COMMIT) {
        const std::string serial = mine && AppState.SensorSerial >= 0
                                       ? std::to_string(AppState.SensorSerial)
                                       : std::string();
        SetCtrlVal(panel, CHANGELOGP_STRING_LOG_SERIAL, serial.c_str());
        FillChangeLogView(serial);
    }
    return 0;
}

int CBF_TableLog(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpTable);
    return 0;
}

int CBF_ButtonCloseLog(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpClose);
    else if (event == EVENT_COMMIT)
        CloseChangeLogView();
    return 0;
}

void InstallChangeLogCallbacks()
{
    gPanel = 0; // loaded again with the next panels
    InstallCtrlCallback(AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_LOG, CBF_ButtonChangeLog,
                        nullptr);
}
