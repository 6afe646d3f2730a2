// Every message pair of the program, pinned once against its exact German and English text: a
// wrong letter in either language fails here, whatever the other tests compare with. The first
// table holds the texts the system has always shown, the second the program's own wording.
#include "app/language.h"
#include "app/messages.h"
#include "convtable/convtable.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "params/pagecheck.h"
#include "params/paramfile.h"
#include "params/rules.h"
#include "params/transfer.h"
#include "recorder/recorder.h"
#include "scope/display.h"
#include "service/service.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Pinned {
    const char *name;
    const Msg *msg;
    const char *de;
    const char *en;
};

const Pinned kSystemTexts[] = {
    {"StatusTimeout", &kMsgStatusTimeout, "TIMEOUT!", "TIMEOUT!"},
    {"TryToConnect", &kMsgTryToConnect, "Verbindungsaufbau!\n", "Try to connect!\n"},
    {"CouldNotConnect", &kMsgCouldNotConnect,
     "Verbindung konnte nicht aufgebaut werden! \nFenster schliessen oder im Offline-Modus "
     "arbeiten!",
     "Could not establish connection! \nClose window or work in offline mode!"},
    {"Close", &kMsgClose, "Schliessen", "Close"},
    {"Offline", &kMsgOffline, "Offline", "Offline"},
    {"NoSensor", &kMsgNoSensor, "Kein Sensor verbunden!\n\n", "No sensor connected!\n\n"},
    {"ChangeBaudrate", &kMsgChangeBaudrate, "Baudrate aendern!\n", "Try to change baudrate!\n"},
    {"Success", &kMsgSuccess, "Erledigt!\n", "Success!\n"},
    {"ConfirmBaudrate", &kMsgConfirmBaudrate,
     "ACHTUNG!!!   Neue Baudrate mit EEPROM und SENDEN bestaetigen!\n\n",
     "ATTENTION!!!   Confirm new baudrate with EEPROM and SEND!\n\n"},
    {"ComPortsAvailable", &kMsgComPortsAvailable, "Folgende COM PORTS sind verfuegbar:\n",
     "Following COM PORTS are available:\n"},
    {"OffsetInstruction", &kMsgOffsetInstruction,
     "Sicherstellen, dass der Empfaenger des Sensors verdeckt ist! \n\nOFFSET "
     "BERECHNEN waehlen um den Offset zu ermitteln. \n\nOFFSET SENDEN waehlen "
     "um den Sensor zu aktualisieren.",
     "Make sure that the Receiver of the sensor is covered! \n\nPush CALCULATE "
     "OFFSET to detect the offset. \n\nPush SEND OFFSET to update the sensor."},
    {"InfoTitle", &kMsgInfoTitle,
     "Info!",
     "Message!"},
    {"Timeout", &kMsgTimeout,
     "TIMEOUT! \nKeine Daten erhalten! \nVerbindungsfehler! \nSpannungsversorgung "
     "und COM Einstellungen ueberpruefen. \nVerbindungsaufbau wiederholen!",
     "TIMEOUT! \nNo data received! \nCommunication error! \nCheck power supply "
     "and COM settings. \nTry to connect again!"},
    {"BadHeader", &kMsgBadHeader,
     "ACHTUNG! \nEmpfangener header frame ist ungueltig!",
     "ATTENTION! \nReceived header frame is incorrect!"},
    {"BadData", &kMsgBadData,
     "ACHTUNG! \nEmpfangener Daten frame ist ungueltig!",
     "ATTENTION! \nReceived data frame is incorrect!"},
    {"InvalidOrder", &kMsgInvalidOrder,
     "Ungueltiger Befehl! \nPC und Sensor-Software ueberpruefen!",
     "Invalid order number! \nVerify PC and sensor software!"},
    {"CommError", &kMsgCommError,
     "Verbindungsfehler! \nEventuell Baudrate reduzieren!",
     "Communication error! \nYou may have to reduce baudrate!"},
    {"ServerClosed", &kMsgServerClosed,
     "Server hat Verbindung beendet!",
     "Server has closed connection!"},
    {"VersionMismatch", &kMsgVersionMismatch,
     "Sensor-Firmware und Scope-Version stimmen nicht ueberein! \nFirmware des "
     "verbundenen Sensors ist: ",
     "Sensor firmware and scope version do not match! \nFirmware of connected "
     "sensor is: "},
    {"Sensor", &kMsgSensor,
     "Sensor: ",
     "Sensor: "},
    {"Serial", &kMsgSerial,
     "Seriennummer: ",
     "Serial number: "},
    {"NoFileSelected", &kMsgNoFileSelected,
     "Keine Datei ausgewaehlt! \nAktion wird nicht ausgefuehrt!",
     "No file was selected! \nProcess will not be done!"},
    {"NotParameterFile", &kMsgNotParameterFile,
     "Gewaehlte Datei ist keine Parameter-Datei! \nTrotzdem fortfahren?",
     "Selected file is not a parameter file! \nDo you want to proceed anyway?"},
    {"VersionMismatchFile", &kMsgVersionMismatchFile,
     "Gewaehlte Datei und Scope-Version stimmen nicht ueberein! \nTrotzdem fortfahren?",
     "Selected file and scope version do not match! \nDo you want to proceed "
     "anyway?"},
    {"NoParameterRead", &kMsgNoParameterRead,
     "Keine Parameter eingelesen!",
     "No parameter were read!"},
    {"MissingParameters", &kMsgMissingParameters,
     "Folgende Parameter konnten nicht eingelesen werden \nund wurden auf Voreinstellung "
     "gesetzt:\n\n",
     "Following parameter could not be read \nand were set to default value:\n"
     "\n"},
    {"RamPlausibility", &kMsgRamPlausibility,
     " Plausibilitaets-Check der Parameter im RAM fehlgeschlagen, wurden auf "
     "Voreinstellung gesetzt!",
     " Parameter in RAM did not pass plausibility check and were set to default "
     "value!"},
    {"EepromPlausibility", &kMsgEepromPlausibility,
     " Plausibilitaets-Check der Parameter im EEPROM fehlgeschlagen, wurden "
     "auf Voreinstellung gesetzt!\n\n",
     " Parameter from EEPROM did not pass plausibility check and were set to "
     "default value!\n\n"},
    {"GainWarning", &kMsgGainWarning,
     "ACHTUNG! \n\nWenn VST1234, VST5678, VST1357 oder VST2468 gewaehlt ist, "
     "\ndann koennen IN0 und IN1 nicht anderweitig genutzt werden. \n\n",
     "ATTENTION! \n\nIf AMP1234, AMP5678, AMP1357 or AMP2468 is selected, \n"
     "IN0 and IN1 can not be used for anything else. \n\n"},
    {"GainAnalogRange", &kMsgGainAnalogRange,
     "ANALOGBEREICH wird auf VOLL gesetzt.\n",
     "ANALOG RANGE will be set to FULL.\n"},
    {"GainAnalogOut", &kMsgGainAnalogOut,
     "ANALOGAUSGANG wird auf KONT gesetzt.\n",
     "ANALOG OUT will be set to CONT.\n"},
    {"GainExternTeach", &kMsgGainExternTeach,
     "EXTERN TEACH wird auf AUS gesetzt.\n",
     "EXTERN TEACH will be set to OFF.\n"},
    {"DynNotPossible", &kMsgDynNotPossible,
     "ACHTUNG! \n\nEXTERN TEACH = DYN ist nicht \nmoeglich wenn POWER SOURCE "
     "= AUS. \nEXTERN TEACH wird auf AUS gesetzt.",
     "ATTENTION! \n\nEXTERN TEACH = DYN is not \npossible when POWER SOURCE "
     "= OFF. \nEXTERN TEACH is set to OFF."},
    {"ConvNoFile", &kMsgConvNoFile,
     "Keine Datei ausgewaehlt! \nAktion wird nicht ausgefuehrt!",
     "No file was selected! \nProcess will not be done!"},
    {"ConvNotTableFile", &kMsgConvNotTableFile,
     "Gewaehlte Datei enthaelt keine Umrechungstabelle. \nTrotzdem fortfahren?",
     "Selected file is not a conversion table file! \nDo you want to proceed "
     "anyway?"},
    {"ConvVersionMismatch", &kMsgConvVersionMismatch,
     "Gewaehlte Datei und Scope-Version stimmen nicht ueberein! \nTrotzdem fortfahren?",
     "Selected file and scope version do not match! \nDo you want to proceed "
     "anyway?"},
    {"ConvNoValues", &kMsgConvNoValues,
     "Keine Werte erkannt!",
     "No values were read!"},
    {"ConvReportHeader", &kMsgConvReportHeader,
     "Folgende Tabellenwerte \nkonnten nicht erkannt werden \nund wurden auf "
     "Voreinstellung gesetzt:",
     "Following table values \ncould not be read and \nwere set to default value:"},
    {"ConvFileExists", &kMsgConvFileExists,
     "Datei existiert bereits! \nWollen Sie die bestehende Datei auswaehlen?",
     "File already exists! \nDo you want to select existing file?"},
    {"ConvWrongCell", &kMsgConvWrongCell,
     "Falsche Zelle markiert! \nNur Zellen der Spalte AKTUELLER WERT koennen "
     "markiert werden! \nErste und letzte Zeile der Spalte AKTUELLER WERT koennen "
     "nicht geaendert werden!",
     "Wrong cell selected! \nOnly cells in column ACTUAL VALUE can be selected! "
     "\nFirst and last row in column ACTUAL VALUE can not be changed!"},
    {"ConvBothCells", &kMsgConvBothCells,
     "Beide Zellen einer Zeile muessen gesetzt oder deaktiviert (-1) werden.",
     "Both cells in a row must be set or disabled (-1)."},
    {"ConvCalcDone", &kMsgConvCalcDone,
     "Berechnung erfolgreich. \nUmrechnungsdaten koennen ins EEPROM gespeichert "
     "werden.",
     "Calculation successful. \nConversion data can be saved to EEPROM of sensor."},
    {"ConvTableSaved", &kMsgConvTableSaved,
     "Umrechnungstabelle ins EE gespeichert.",
     "Conversion table was saved to EE."},
    {"ConvTableNotSaved", &kMsgConvTableNotSaved,
     "ACHTUNG! \nUmrechnungstabelle wurde NICHT ins EE gespeichert.",
     "ATTENTION! \nConversion table was NOT saved to EE."},
    {"ConvDataSaved", &kMsgConvDataSaved,
     "Umrechnungsdaten ins EE gespeichert.",
     "Conversion data were saved to EE."},
    {"ConvDataNotSaved", &kMsgConvDataNotSaved,
     "ACHTUNG! \nUmrechungsdaten wurden NICHT ins EE gespeichert.",
     "ATTENTION! \nConversion data were NOT saved to EE."},
    {"ConvCannotSave", &kMsgConvCannotSave,
     "ACHTUNG! \nDaten koennen nicht gespeichert werden. \nTabelle ueberpruefen "
     "und Berechnung wiederholen.",
     "ATTENTION! \nData can not be saved. \nCheck table and repeat calculation."},
    {"CoverReceiver", &kMsgCoverReceiver,
     "Sicherstellen, dass der Empfaenger des Sensors verdeckt ist! \nOffset "
     "Wert sollte unter 100 sein.",
     "Make sure, that the receiver of the sensor is covered! \nOffset value "
     "should be lower than 100!"},
    {"WrongPassword", &kMsgWrongPassword,
     "Passwort falsch. \nBitte versuchen Sie es erneut.",
     "Wrong password. \nPlease try again."},
    {"HwFileSaved", &kMsgHwFileSaved,
     "Datei wurde gespeichert!",
     "File has been saved!"},
    {"HwNoFileSelected", &kMsgHwNoFileSelected,
     "Keine Datei ausgewaehlt! \nAktion wird nicht ausgefuehrt!",
     "No file was selected! \nProcess will not be done!"},
    {"FileDialogTitle", &kMsgFileDialogTitle,
     "Dateiname!",
     "Filename!"},
    {"NoFile", &kMsgNoFile,
     "Keine Datei ausgewaehlt! \nAktion wird nicht ausgefuehrt!",
     "No file was selected! \nProcess will not be done!"},
    {"FileExists", &kMsgFileExists,
     "Datei existiert bereits! \nWollen Sie die bestehende Datei auswaehlen?",
     "File already exists! \nDo you want to select existing file?"},
    {"FileMustBeFree", &kMsgFileMustBeFree,
     "Stellen Sie sicher dass die Datei in keinem anderen Programm verwendet "
     "wird. \nAnsonsten kann sie nicht gespeichert werden.",
     "Make sure, that the file is not opened by any other program. \nOtherwise "
     "it can not be saved."},
    {"StartConfirm", &kMsgStartConfirm,
     "Sind Sie sicher dass Sie die richtige Datei gewaehlt haben?",
     "Are you sure, that you have selected the right file name?"},
    {"RecordSaved", &kMsgRecordSaved,
     "Datei wurde gespeichert!",
     "File has been saved!"},
    {"ReportTitle", &kMsgReportTitle,
     "Screenshot des Scope-Bildschirms.",
     "Scope Screen Shot"},
    {"PanelId", &kMsgPanelId,
     "Fenster ID:",
     "Panel ID: "},
    {"Comment", &kMsgComment,
     "Kommentar:",
     "Comment:"},
    {"PrintDone", &kMsgPrintDone,
     "Ausdruck erfolgreich!",
     "Print successful!"},
    {"PrintFailed", &kMsgPrintFailed,
     "Druckfehler!",
     "Print error!"},
};

// The program's own wording: the failure reports added since, and the texts it words itself.
const Pinned kOwnTexts[] = {
    {"ReportFailed", &kMsgReportFailed,
     "Report konnte nicht initialisiert werden...",
     "Could not initialize Reports..."},
    {"PageOf", &kMsgPageOf,
     "Seite <page> von <pages>",
     "Page <page> of <pages>"},
    {"FileNotSaved", &kMsgFileNotSaved,
     "Datei konnte nicht gespeichert werden!",
     "File could not be saved!"},
    {"ChangedWords", &kMsgChangedWords,
     "Folgende Werte der Datei kann die Oberflaeche nicht einstellen; \nsie "
     "wurden geaendert (Name: Wert in der Datei -> verwendeter Wert):\n\n",
     "The controls cannot take the following values of the file; \nthey were "
     "changed (name: value in the file -> value used):\n\n"},
    {"HwFileNotSaved", &kMsgHwFileNotSaved,
     "Datei konnte nicht gespeichert werden!",
     "File could not be saved!"},
    {"RecordLinesLost", &kMsgRecordLinesLost,
     "%u von %u Zeilen konnten nicht geschrieben werden in:\n",
     "%u of %u lines could not be written to:\n"},
};

void ExpectPinned(const Pinned &p)
{
    EXPECT_EQ(std::string(p.msg->de), p.de) << p.name;
    EXPECT_EQ(std::string(p.msg->en), p.en) << p.name;
    // German without umlauts and sharp s.
    for (const char *bad : {"\xC3\xA4", "\xC3\xB6", "\xC3\xBC", "\xC3\x84", "\xC3\x96",
                            "\xC3\x9C", "\xC3\x9F"})
        EXPECT_EQ(std::string(p.msg->de).find(bad), std::string::npos) << p.name;
}

} // namespace

TEST(MessageTexts, SystemTextsStandLetterForLetter)
{
    for (const Pinned &p : kSystemTexts)
        ExpectPinned(p);
}

TEST(MessageTexts, OwnTextsStandLetterForLetter)
{
    for (const Pinned &p : kOwnTexts)
        ExpectPinned(p);
}
