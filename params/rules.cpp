#include "params/rules.h"

#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "live/data_frame.h"
#include "params/controls.h"
#include "params/record.h"
#include "params/transfer.h"
#include "service/service.h"

#include <string>

const Msg kMsgGainWarning{
    "ACHTUNG! \n\nWenn VST1234, VST5678, VST1357 oder VST2468 gewaehlt ist, \ndann koennen IN0 "
    "und IN1 nicht anderweitig genutzt werden. \n\n",
    "ATTENTION! \n\nIf AMP1234, AMP5678, AMP1357 or AMP2468 is selected, \nIN0 and IN1 can not "
    "be used for anything else. \n\n"};
const Msg kMsgGainAnalogRange{"ANALOGBEREICH wird auf VOLL gesetzt.\n",
                              "ANALOG RANGE will be set to FULL.\n"};
const Msg kMsgGainAnalogOut{"ANALOGAUSGANG wird auf KONT gesetzt.\n",
                            "ANALOG OUT will be set to CONT.\n"};
const Msg kMsgGainExternTeach{"EXTERN TEACH wird auf AUS gesetzt.\n",
                              "EXTERN TEACH will be set to OFF.\n"};
const Msg kMsgDynNotPossible{
    "ACHTUNG! \n\nEXTERN TEACH = DYN ist nicht \nmoeglich wenn POWER SOURCE = AUS. \nEXTERN "
    "TEACH wird auf AUS gesetzt.",
    "ATTENTION! \n\nEXTERN TEACH = DYN is not \npossible when POWER SOURCE = OFF. \nEXTERN TEACH "
    "is set to OFF."};

namespace {

// Values of the enumerated fields the rules test.
constexpr uint16_t kFirstGainSet = 9; // GAIN AMP1234 and up: IN0/IN1 switch the stages
constexpr uint16_t kAnalogRangeFull = 0;
constexpr uint16_t kAnalogRangeMinMax = 1; // MIN-MAX when IN0
constexpr uint16_t kAnalogOutCont = 0;
constexpr uint16_t kAnalogOutRisingEdge = 1; // RISING EDGE of IN1
constexpr uint16_t kOutmodeOff = 0;          // ANALOG OUTMODE and DIGITAL OUTMODE
constexpr uint16_t kAnalogVoltage = 1;
constexpr uint16_t kAnalogCurrent = 2;
constexpr uint16_t kExternTeachOff = 0;
constexpr uint16_t kExternTeachDyn1 = 2; // above it: MAX, MIN, (MAX+MIN)/2
constexpr uint16_t kSourceAlternating1 = 1;
constexpr uint16_t kSourceAlternating3 = 3;
constexpr uint16_t kSourcePowerCh0 = 4;
constexpr uint16_t kSourcePowerCh1 = 5;
constexpr uint16_t kSourcePowerOff = 6;
constexpr uint16_t kPowerStatic = 0;
constexpr uint16_t kPowerDynamic = 1;
constexpr uint16_t kLedAc = 1;
constexpr uint16_t kTracingOff = 0;
constexpr uint16_t kTracingOnCont = 2;

using Field = uint16_t ParameterRecord::*;

const ParamControl &ControlOf(Field field)
{
    for (const ParamControl &c : kParamControls)
        if (c.field == field)
            return c;
    return kParamControls[0]; // every field has its control
}

// Reads the field's control into the record and returns the value.
uint16_t Read(Field field)
{
    const ParamControl &c = ControlOf(field);
    GetCtrlVal(AppState.*c.page, c.control, &(Parameters.*field));
    return Parameters.*field;
}

// A forced value goes into the control only; the record follows at the next GetPanelValues.
void Force(Field field, uint16_t value)
{
    const ParamControl &c = ControlOf(field);
    SetCtrlVal(AppState.*c.page, c.control, int(value));
}

void Show(Field field, bool visible)
{
    const ParamControl &c = ControlOf(field);
    SetCtrlAttribute(AppState.*c.page, c.control, ATTR_VISIBLE, visible ? 1 : 0);
}

// Why the rules dim a control, told in its tooltip.
const Msg kWhySourceOff{"Gesperrt: die SENDEQUELLE ist AUS.",
                        "Dimmed: POWER SOURCE is OFF."};
const Msg kWhyDyn1{"Gesperrt: EXTERN TEACH = DYN1 regelt die Sendeleistung.",
                   "Dimmed: EXTERN TEACH = DYN1 controls the transmitter power."};
const Msg kWhyDynamicPower{"Gesperrt: im dynamischen Leistungsmodus regelt der Sensor die "
                           "Sendeleistung selbst.",
                           "Dimmed: in POWER MODE DYNAMIC the sensor sets the power itself."};
const Msg kWhyIntegral{"Gesperrt: wird im dynamischen Leistungsmodus mit dieser Sendequelle "
                       "nicht verwendet.",
                       "Dimmed: not used in POWER MODE DYNAMIC with this POWER SOURCE."};
const Msg kWhyStaticPower{"Gesperrt: wird nur im dynamischen Leistungsmodus verwendet.",
                          "Dimmed: used in POWER MODE DYNAMIC only."};
const Msg kWhyAlternating{"Gesperrt: eine wechselnde Sendequelle verlangt LED-MODUS AC.",
                          "Dimmed: an alternating POWER SOURCE needs LED MODE AC."};
const Msg kWhyRefFromSensor{"Gesperrt: REF kommt vom Sensor (EXTERN TEACH oder "
                            "Schwellennachfuehrung ist an).",
                            "Dimmed: REF comes from the sensor (EXTERN TEACH or THRESHOLD "
                            "TRACING is on)."};
const Msg kWhyTracingOff{"Gesperrt: wird nur bei eingeschalteter Schwellennachfuehrung "
                         "verwendet.",
                         "Dimmed: used with THRESHOLD TRACING on only."};

void Dim(Field field, bool dimmed, const Msg &why)
{
    const ParamControl &c = ControlOf(field);
    DimForReason(AppState.*c.page, c.control, dimmed, why);
}

bool Alternating(uint16_t source)
{
    return source >= kSourceAlternating1 && source <= kSourceAlternating3;
}

// ---- Help texts --------------------------------------------------------------------------------

const Msg kHelpSlidePower{
    "Intensitaet der Sende-LED einstellen. \n0 = keine Intensitaet,  1000 = volle Intensitaet.",
    "Select the intensity of the transmitter LED. \n0 = no intensity,  1000 = full intensity."};
const Msg kHelpLedMode{
    "Betriebsmodus der LED waehlen. \nDC: Lichtquelle ist permanent eingeschaltet. \nAC: "
    "Lichtquelle ist moduliert.",
    "Select the LED operation mode. \nDC: Light source is permanant on. \nAC: Light source is "
    "modulated."};
const Msg kHelpDynWinLoHi{
    "Bereich fuer die dynamische Regulierung \nwaehlen wenn PMOD = DYNAMISCH.",
    "Select a window for dynamic regaluation \nif POWER MODE = DYNAMIC."};
const Msg kHelpAverage{
    "Die Anzahl der Scanwerte (gemessene Werte) waehlen \nueber die das Rohsignal gemittelt "
    "wird (Mittelwert!).",
    "Select the number of scanning values (measured values) \nover which the raw signal is "
    "averaged (meanvalue!)."};
const Msg kHelpIntegral{
    "Die Anzahl (0...250) der Werte waehlen \nueber die das Rohsignal integriert wird.",
    "Select the number (0...250) of values \nover which the raw signal is integrated."};
const Msg kHelpAnaOutmode{"Die Analogausgangs-Signale waehlen.",
                          "Select the analog output signals."};
const Msg kHelpHold{
    "Die minimale Pulsdauer wenn ein \nDigitalausgang schaltet waehlen. \nAufloesung ist 0.1ms.",
    "Select the minimum pulse length \nwhen a digital output changes.\nResolution is 0,1ms."};
const Msg kHelpTeach{
    "Aktuelles Signal als TEACH WERT uebernehmen. \nSENDE klicken um den Sensor zu "
    "aktualisieren.",
    "Assign current signal to TEACH VALUE. \nPush SEND to update sensor."};
const Msg kHelpEvalMode{"Waehle wie SIG berechnet werden soll.", "Select how to calculate SIG."};
const Msg kHelpTtUp{
    "Die Zeitverzoegerung fuer die Schwellennachfuehrung nach Oben waehlen. \nWertebereich geht "
    "von 0 bis 60000. \nAusfloesung ist 100 Microsekunden pro Schritt.",
    "Select a time delay for \nthreshold tracing Up. \nRange goes from 0 to 60000. \nResolution "
    "is 100 Microseconds per step."};
const Msg kHelpTtDown{
    "Die Zeitverzoegerung fuer die Schwellennachfuehrung nach Unten waehlen. \nWertebereich "
    "geht von 0 bis 60000. \nAusfloesung ist 100 Microsekunden pro Schritt.",
    "Select a time delay for \nthreshold tracing Down. \nRange goes from 0 to 60000. "
    "\nResolution is 100 Microseconds per step."};
const Msg kHelpTolerance{"TOLERANZ fuer Schaltschwellen- \nberechnung (rote Linie) waehlen.",
                         "Select a TOLERANCE for switching \nthreshold calculation (red line)."};
const Msg kHelpHysteresis{
    "HYSTERESE fuer Schalthysteresen- \nberechnung (schwarz gestrichelte Linie) waehlen.",
    "Select a HYSTERESIS for switching \nhysteresis calculation (black dashed line)."};

const Msg kHelpPowerSource{
    "Waehle die Sendequelle des Sensors (Abhaengig vom Sensortyp). \n\n"
    "POWER CH0 + CH1: Jeder Empfaenger hat seinen eigenen Sender, beide schalten gemeinsam. \n"
    "ALTERNATING 1: Die Sender schalten nacheinander. CH0 = CH0 mit CH0-Sender an minus CH0 "
    "mit beiden aus, ebenso CH1. \n"
    "ALTERNATING 2: Wie 1, aber CH0 = CH0 mit CH1-Sender an minus CH0 mit beiden aus, ebenso "
    "CH1. \n"
    "ALTERNATING 3: Wie 1, aber CH0 = Aenderung von CH0 beim Schalten des CH0-Senders, CH1 = "
    "Aenderung von CH0 beim Schalten des CH1-Senders. \n"
    "POWER CH0: Ein Sender an CH0 fuer beide Empfaenger. \n"
    "POWER CH1: Ein Sender an CH1 fuer beide Empfaenger. \n"
    "POWER OFF: Sender aus.",
    "Select the power sources of the sensor (Depends on the sensor type). \n\n"
    "POWER CH0 + CH1: Each receiver has its own transmitter, both switch together. \n"
    "ALTERNATING 1: The transmitters switch one after the other. CH0 = CH0 with the CH0 "
    "transmitter on minus CH0 with both off, likewise CH1. \n"
    "ALTERNATING 2: As 1, but CH0 = CH0 with the CH1 transmitter on minus CH0 with both off, "
    "likewise CH1. \n"
    "ALTERNATING 3: As 1, but CH0 = change of CH0 when the CH0 transmitter switches, CH1 = "
    "change of CH0 when the CH1 transmitter switches. \n"
    "POWER CH0: One transmitter at CH0 serves both receivers. \n"
    "POWER CH1: One transmitter at CH1 serves both receivers. \n"
    "POWER OFF: Transmitters off."};
const Msg kHelpPmode{
    "Betriebsmodus der Sendereinheit waehlen. \n\n"
    "STATISCH: Die Sendeleistung bleibt auf der eingestellten LEISTUNG CH0 und CH1. \n"
    "DYNAMISCH: Der Sensor regelt die Sendeleistung so, dass das Empfangssignal im Fenster "
    "DYNWIN LO bis DYNWIN HI bleibt.",
    "Select the operating mode of the transmitter unit. \n\n"
    "STATIC: The transmitter power stays at the selected POWER value. \n"
    "DYNAMIC: The sensor regulates the transmitter power so that the received signal stays "
    "within the window DYNWIN LO to DYNWIN HI."};
const Msg kHelpGain{
    "Verstaerkerstufe des Empfaengers waehlen. \n\n"
    "VST1..VST8: Eine feste Verstaerkerstufe, VST1 ist die niedrigste, VST8 die hoechste. \n"
    "VST1234, VST5678, VST1357, VST2468: Ein Satz von vier Stufen, zwischen denen die Eingaenge "
    "IN0 und IN1 umschalten. Bei VST2468 waehlen IN1 low und IN0 low VST2, IN1 low und IN0 high "
    "VST4, IN1 high und IN0 low VST6, beide high VST8. \n"
    "Mit einem Satz koennen IN0 und IN1 nicht anderweitig genutzt werden.",
    "Select amplification stage of receiver. \n\n"
    "AMP1..AMP8: One fixed amplification stage, AMP1 is the lowest, AMP8 the highest. \n"
    "AMP1234, AMP5678, AMP1357, AMP2468: A set of four stages that the inputs IN0 and IN1 "
    "switch between. With AMP2468, IN1 low and IN0 low select AMP2, IN1 low and IN0 high AMP4, "
    "IN1 high and IN0 low AMP6, both high AMP8. \n"
    "With a set, IN0 and IN1 can not be used for anything else."};
const Msg kHelpAnaRange{
    "VOLL: Der volle Ausgangsbereich entspricht dem Signalbereich 0..4095. \n"
    "MIN-MAX wenn IN0: Solange IN0 high ist, werden ein minimaler und ein maximaler Signalwert "
    "ermittelt; der volle Ausgangsbereich umfasst dann MIN..MAX. \n"
    "KONV TABELLE: Das ueber die Konvertierungstabelle des Sensors umgerechnete Signal wird "
    "ausgegeben.",
    "FULL: The full output range corresponds to the signal range 0..4095. \n"
    "MIN-MAX when IN0: A minimum and a maximum signal value are detected while IN0 is high; the "
    "full output range then spans MIN..MAX. \n"
    "CONV TABLE: The signal converted through the sensor's conversion table is output."};
const Msg kHelpAnaOut{
    "KONT: Der Signalwert wird kontinuierlich ausgegeben. \n"
    "STEIGENDE FLANKE an IN1: Der Signalwert wird bei einer steigenden Flanke an IN1 ausgegeben "
    "und bis zur naechsten steigenden Flanke gehalten. \n\n"
    "STEIGENDE FLANKE an IN1 ist mit VST1234, VST5678, VST1357 und VST2468 nicht moeglich.",
    "CONT:  The signal value is output continuously. \n"
    "RISING EDGE of IN1: The signal value is output at a rising edge of IN1 and held until the "
    "next rising edge. \n\n"
    "RISING EDGE of IN1 is not possible with AMP1234, AMP5678, AMP1357 and AMP2468."};
const Msg kHelpDigOutmode{
    "Die Auswertung der Digitalausgaenge waehlen. \n\n"
    "AUS: Der Digitalausgang ist abgeschaltet. \n"
    "DIREKT: Der Ausgang ist high (+24 V), solange das Signal innerhalb der Toleranz liegt. \n"
    "INVERS: Der Ausgang ist low (0 V), solange das Signal innerhalb der Toleranz liegt.",
    "Select how to set the digital output. \n\n"
    "OFF: The digital output is disabled. \n"
    "DIRECT: The output is high (+24 V) while the signal is within the tolerance. \n"
    "INVERSE: The output is low (0 V) while the signal is within the tolerance."};
const Msg kHelpDeadTime{
    "Waehrend der TOTZEIT aktualisiert der Sensor seine Ausgaenge nicht. \n\n"
    "Die TOTZEIT wird in Prozent (0..100) der Zeit zwischen zwei Schaltvorgaengen angegeben. "
    "\n0 schaltet die Totzeit ab: die Ausgaenge folgen dann sofort dem Signal.",
    "During DEAD TIME the sensor doesn't update the outputs. \n\n"
    "DEAD TIME is given in percent (0..100) of the time between two switching events. \n"
    "0 disables the dead time: the outputs then follow the signal at once."};
const Msg kHelpThresholdMode{
    "Schwellenmodus waehlen. \n\n"
    "UNTERHALB: Der Ausgang schaltet, wenn das Signal unter die Schaltschwelle REF-TOLERANZ "
    "faellt; die Schalthysterese liegt bei REF-TOLERANZ+HYSTERESE. \n"
    "OBERHALB: Schaltschwelle REF+TOLERANZ, Schalthysterese REF+TOLERANZ-HYSTERESE. \n"
    "FENSTER: Beide Schwellen; der Ausgang schaltet, wenn das Signal das Fenster verlaesst, und "
    "schaltet zurueck, wenn es wieder in das Hysteresefenster eintritt.",
    "Select a treshold mode. \n\n"
    "LOW: The output switches when the signal falls below the switching threshold "
    "REF-TOLERANCE; the switching hysteresis is REF-TOLERANCE+HYSTERESIS. \n"
    "HIGH: Switching threshold REF+TOLERANCE, switching hysteresis REF+TOLERANCE-HYSTERESIS. \n"
    "WIN: Both thresholds; the output switches when the signal leaves the window and switches "
    "back when it re-enters the hysteresis window."};
const Msg kHelpThresholdTracing{
    "Schwellen-Nachfuehrung waehlen. \n\n"
    "AUS: Der Referenzwert REF ist der TEACHWERT. \n"
    "IN TOL: REF wird nur nachgefuehrt, solange das Signal innerhalb der Toleranz liegt. \n"
    "KONT AN: REF wird staendig nachgefuehrt. \n"
    "Die Nachfuehrung folgt mit den Verzoegerungen TT UP und TT DOWN.",
    "Select threshold tracing. \n\n"
    "OFF: The reference value REF is the TEACH VALUE. \n"
    "ON TOL: REF is traced only while the signal is within the tolerance. \n"
    "ON CONT: REF is traced continuously. \n"
    "Tracing follows with the delays TT UP and TT DOWN."};
const Msg kHelpTeachValue{
    "Teachwert ist der Referenzwert REF (blau gestrichelte Linie) fuer die Berechnung der "
    "Schaltschwelle, in Digits (0..4095). \n"
    "Er gilt, solange SCHWELLEN-NACHFUEHRUNG und EXTERN TEACH auf AUS stehen; sonst liefert der "
    "Sensor REF. \nTEACH uebernimmt das aktuelle Signal.",
    "Teach value is reference value REF (blue dashed line) for switching threshold "
    "calculation, in digits (0..4095). \n"
    "It is used while THRESHOLD TRACING and EXTERN TEACH are OFF; otherwise the sensor "
    "provides REF. \nTEACH takes the current signal."};
const Msg kHelpTrshCalc{
    "Schwellenberechnung waehlen. \n\n"
    "ABSOLUT: TOLERANZ und HYSTERESE werden in Digits des Signals angegeben. \n"
    "RELATIV: TOLERANZ und HYSTERESE werden in Prozent des Referenzwerts REF angegeben.",
    "Select threshold calculation. \n\n"
    "ABSOLUTE: TOLERANCE and HYSTERESIS are given in signal digits. \n"
    "RELATIVE: TOLERANCE and HYSTERESIS are given in percent of the reference value REF."};
const Msg kHelpExtTeach{
    "Externen Teachmodus waehlen. \n\n"
    "AUS: Kein externes Teachen. \n"
    "DIREKT: REF wird auf das aktuelle Signal gesetzt, wenn IN0 high wird. \n"
    "DYN1: Wenn IN0 high wird, regelt der Sensor die Sendeleistung dynamisch ein und arbeitet "
    "dann statisch mit dieser Leistung; REF wird auf das aktuelle Signal gesetzt und im RAM "
    "gespeichert. Nicht moeglich mit SENDEQUELLE = POWER OFF. \n"
    "MAX: REF wird auf das groesste Signal gesetzt, solange IN0 high war. \n"
    "MIN: REF wird auf das kleinste Signal gesetzt, solange IN0 high war. \n"
    "(MAX+MIN)/2: Maximum und Minimum werden ermittelt, solange IN0 high ist; REF wird auf ihren "
    "Mittelwert gesetzt, wenn IN0 low wird.",
    "Select external teach mode. \n\n"
    "OFF: No external teach. \n"
    "DIRECT: REF is set to the current signal when IN0 goes high. \n"
    "DYN1: When IN0 goes high the sensor adjusts the transmitter power dynamically, then works "
    "statically with that power; REF is set to the current signal and stored in RAM. Not "
    "possible with POWER SOURCE = POWER OFF. \n"
    "MAX: REF is set to the maximum signal seen while IN0 was high. \n"
    "MIN: REF is set to the minimum signal seen while IN0 was high. \n"
    "(MAX+MIN)/2: Maximum and minimum are detected while IN0 is high; REF is set to their mean "
    "when IN0 goes low."};

// Every callback of the two pages: a right click shows the help, a commit runs the action.
int HelpOr(int event, const Msg &help, void (*action)() = nullptr)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(help);
    else if (event == EVENT_COMMIT && action)
        action();
    return 0;
}

void LedModeRules()
{
    InitPowerMode();
    InitExtTeach();
}

void TracingRules()
{
    InitThresholdTracing();
    InitExtTeach();
}

void Teach()
{
    SetCtrlVal(AppState.TabThreshold, TABP_THRESHOLD_NUMERIC_TEACH_VALUE, int(DataFrame.Sig));
}

} // namespace

// ---- Rules -------------------------------------------------------------------------------------

void InitGain()
{
    if (Read(&ParameterRecord::Gain) < kFirstGainSet)
        return;
    std::string message = Tr(kMsgGainWarning);
    const uint16_t analogOutmode = Read(&ParameterRecord::AnalogOutmode);
    const uint16_t analogRange = Read(&ParameterRecord::AnalogRange);
    const uint16_t analogOut = Read(&ParameterRecord::AnalogOut);
    const uint16_t digitalOutmode = Read(&ParameterRecord::DigitalOutmode);
    const uint16_t externTeach = Read(&ParameterRecord::ExternTeach);
    bool show = false;
    // A change is announced only where it matters: the analog settings while the analog output
    // is on, external teach while the digital output is on.
    if (analogRange == kAnalogRangeMinMax) {
        Force(&ParameterRecord::AnalogRange, kAnalogRangeFull);
        if (analogOutmode != kOutmodeOff) {
            message += Tr(kMsgGainAnalogRange);
            show = true;
        }
    }
    if (analogOut == kAnalogOutRisingEdge) {
        Force(&ParameterRecord::AnalogOut, kAnalogOutCont);
        if (analogOutmode != kOutmodeOff) {
            message += Tr(kMsgGainAnalogOut);
            show = true;
        }
    }
    if (externTeach != kExternTeachOff) {
        Force(&ParameterRecord::ExternTeach, kExternTeachOff);
        if (digitalOutmode != kOutmodeOff) {
            message += Tr(kMsgGainExternTeach);
            show = true;
        }
    }
    if (show)
        MessagePopup(Tr(kMsgInfoTitle), message.c_str());
}

void InitDigOutmode()
{
    const bool on = Read(&ParameterRecord::DigitalOutmode) != kOutmodeOff;
    const uint16_t externTeach = Read(&ParameterRecord::ExternTeach);
    SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageThreshold, on ? 1 : 0);
    Show(&ParameterRecord::Hold, on);
    Show(&ParameterRecord::DeadTime, on);
    SetCtrlAttribute(AppState.DataPanel, DATAP_NUMERIC_REF, ATTR_VISIBLE, on ? 1 : 0);
    if (!on && externTeach == kExternTeachDyn1)
        Force(&ParameterRecord::ExternTeach, kExternTeachOff);
}

void InitAnaOutmode()
{
    const uint16_t outmode = Read(&ParameterRecord::AnalogOutmode);
    const uint16_t range = Read(&ParameterRecord::AnalogRange);
    const uint16_t digitalOutmode = Read(&ParameterRecord::DigitalOutmode);
    const uint16_t externTeach = Read(&ParameterRecord::ExternTeach);
    const bool analogOn = outmode == kAnalogVoltage || outmode == kAnalogCurrent;
    Show(&ParameterRecord::AnalogRange, analogOn);
    Show(&ParameterRecord::AnalogOut, analogOn);
    SetCtrlAttribute(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE, ATTR_VISIBLE,
                     outmode == kAnalogVoltage ? 1 : 0);
    SetCtrlAttribute(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_CURRENT, ATTR_VISIBLE,
                     outmode == kAnalogCurrent ? 1 : 0);
    const bool minMax = (digitalOutmode != kOutmodeOff && externTeach > kExternTeachDyn1) ||
                        (outmode != kOutmodeOff && range == kAnalogRangeMinMax);
    SetCtrlAttribute(AppState.DataPanel, DATAP_NUMERIC_MAX, ATTR_VISIBLE, minMax ? 1 : 0);
    SetCtrlAttribute(AppState.DataPanel, DATAP_NUMERIC_MIN, ATTR_VISIBLE, minMax ? 1 : 0);
}

void InitPowerMode()
{
    const uint16_t source = Read(&ParameterRecord::PowerSource);
    const uint16_t mode = Read(&ParameterRecord::PowerMode);
    const uint16_t externTeach = Read(&ParameterRecord::ExternTeach);

    // Forced values.
    if (source == kSourcePowerCh0)
        Force(&ParameterRecord::PowerCh1, 0);
    if (source == kSourcePowerCh1)
        Force(&ParameterRecord::PowerCh0, 0);
    if (Alternating(source))
        Force(&ParameterRecord::LedMode, kLedAc);
    if (source == kSourcePowerOff) {
        Force(&ParameterRecord::PowerMode, kPowerStatic);
        Force(&ParameterRecord::PowerCh0, 0);
        Force(&ParameterRecord::PowerCh1, 0);
        Force(&ParameterRecord::LedMode, 0);
        if (externTeach == kExternTeachDyn1) {
            // The one forced value that reaches the record at once.
            Parameters.ExternTeach = kExternTeachOff;
            Force(&ParameterRecord::ExternTeach, kExternTeachOff);
            MessagePopup(Tr(kMsgInfoTitle), Tr(kMsgDynNotPossible));
        }
    } else if (externTeach == kExternTeachDyn1) {
        Force(&ParameterRecord::PowerMode, kPowerStatic);
    }

    // Visibility and dimming, from the values as they were read above.
    const bool off = source == kSourcePowerOff;
    const bool dyn1 = !off && externTeach == kExternTeachDyn1;
    const bool free = !off && !dyn1;
    Show(&ParameterRecord::PowerCh0, !off && source != kSourcePowerCh1);
    Show(&ParameterRecord::PowerCh1, !off && source != kSourcePowerCh0);
    Show(&ParameterRecord::DynWinLo, !off);
    Show(&ParameterRecord::DynWinHi, !off);
    const Msg &notFree = off ? kWhySourceOff : kWhyDyn1;
    Dim(&ParameterRecord::PowerMode, !free, notFree);
    const bool powersDimmed = !free || (mode == kPowerDynamic && source != kSourceAlternating3);
    Dim(&ParameterRecord::PowerCh0, powersDimmed, free ? kWhyDynamicPower : notFree);
    Dim(&ParameterRecord::PowerCh1, powersDimmed, free ? kWhyDynamicPower : notFree);
    Dim(&ParameterRecord::Integral, free && mode == kPowerDynamic && source == kSourceAlternating3,
        kWhyIntegral);
    const bool windowDimmed = !free || mode == kPowerStatic;
    Dim(&ParameterRecord::DynWinLo, windowDimmed, free ? kWhyStaticPower : notFree);
    Dim(&ParameterRecord::DynWinHi, windowDimmed, free ? kWhyStaticPower : notFree);
    Dim(&ParameterRecord::LedMode, off || Alternating(source),
        off ? kWhySourceOff : kWhyAlternating);
}

void InitExtTeach()
{
    const uint16_t externTeach = Read(&ParameterRecord::ExternTeach);
    const uint16_t tracing = Read(&ParameterRecord::ThresholdTracing);
    // REF then comes from the sensor, not from the operator.
    const int dimmed = externTeach != kExternTeachOff || tracing != kTracingOff ? 1 : 0;
    const int page = AppState.TabThreshold;
    DimForReason(page, TABP_THRESHOLD_NUMERIC_TEACH_VALUE, dimmed, kWhyRefFromSensor);
    DimForReason(page, TABP_THRESHOLD_BUTTON_TEACH, dimmed, kWhyRefFromSensor);
}

void InitThresholdTracing()
{
    const uint16_t tracing = Read(&ParameterRecord::ThresholdTracing);
    if (tracing > kTracingOnCont)
        return;
    Dim(&ParameterRecord::TtUp, tracing == kTracingOff, kWhyTracingOff);
    Dim(&ParameterRecord::TtDown, tracing == kTracingOff, kWhyTracingOff);
}

void RunParameterRules()
{
    InitGain();
    InitDigOutmode();
    InitAnaOutmode();
    InitPowerMode();
    InitExtTeach();
    InitThresholdTracing();
}

// ---- Callbacks ---------------------------------------------------------------------------------

int CBF_SlidePower(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpSlidePower);
}
int CBF_EditPowerSource(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpPowerSource, InitPowerMode);
}
int CBF_EditPmode(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpPmode, InitPowerMode);
}
int CBF_EditLedMode(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpLedMode, LedModeRules);
}
int CBF_EditGain(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpGain, InitPanelCtrlAttr);
}
int CBF_EditDynWinLoHi(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpDynWinLoHi);
}
int CBF_EditAverage(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpAverage);
}
int CBF_EditIntegral(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpIntegral);
}
int CBF_EditAnaOutmode(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpAnaOutmode, InitPanelCtrlAttr);
}
int CBF_EditAnaRange(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpAnaRange, InitPanelCtrlAttr);
}
int CBF_EditAnaOut(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpAnaOut, InitPanelCtrlAttr);
}
int CBF_EditDigOutmode(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpDigOutmode, InitPanelCtrlAttr);
}
int CBF_EditHold(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpHold);
}
int CBF_EditDeadTime(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpDeadTime);
}
int CBF_EditEvalMode(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpEvalMode);
}
int CBF_EditThresholdMode(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpThresholdMode);
}
int CBF_EditThresholdTracing(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpThresholdTracing, TracingRules);
}
int CBF_EditThresholdTracingUP(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpTtUp);
}
int CBF_EditThresholdTracingDown(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpTtDown);
}
int CBF_EditTeachValue(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpTeachValue);
}
int CBF_EditTrshCalc(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpTrshCalc);
}
int CBF_EditTolerance(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpTolerance);
}
int CBF_EditHysteresis(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpHysteresis);
}
int CBF_EditExtTeach(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpExtTeach, InitPanelCtrlAttr);
}
int CBF_ButtonTeach(int, int, int event, void *, int, int)
{
    return HelpOr(event, kHelpTeach, Teach);
}

int CBF_DecoPara1(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_DOUBLE_CLICK)
        ShowPasswordPanel();
    return 0;
}

void InstallParamsCallbacks()
{
    struct Binding {
        int AppStateRec::*page;
        int control;
        CtrlCallbackPtr callback;
    };
    static constexpr Binding kBindings[] = {
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_POWER_CH0, CBF_SlidePower},
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_POWER_CH1, CBF_SlidePower},
        {&AppStateRec::TabParam, TABP_PARAM_RING_POWER_SOURCE, CBF_EditPowerSource},
        {&AppStateRec::TabParam, TABP_PARAM_RING_POWER_MODE, CBF_EditPmode},
        {&AppStateRec::TabParam, TABP_PARAM_RING_LED_MODE, CBF_EditLedMode},
        {&AppStateRec::TabParam, TABP_PARAM_RING_GAIN, CBF_EditGain},
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_DYNWIN_LO, CBF_EditDynWinLoHi},
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_DYNWIN_HI, CBF_EditDynWinLoHi},
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_AVERAGE, CBF_EditAverage},
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_INTEGRAL, CBF_EditIntegral},
        {&AppStateRec::TabParam, TABP_PARAM_RING_ANALOG_OUTMODE, CBF_EditAnaOutmode},
        {&AppStateRec::TabParam, TABP_PARAM_RING_ANALOG_RANGE, CBF_EditAnaRange},
        {&AppStateRec::TabParam, TABP_PARAM_RING_ANALOG_OUT, CBF_EditAnaOut},
        {&AppStateRec::TabParam, TABP_PARAM_RING_DIGITAL_OUTMODE, CBF_EditDigOutmode},
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_HOLD, CBF_EditHold},
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_DEAD_TIME, CBF_EditDeadTime},
        {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_EVALUATION_MODE, CBF_EditEvalMode},
        {&AppStateRec::TabParam, TABP_PARAM_DECORATION_PARA1, CBF_DecoPara1},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_RING_THRESHOLD_MODE, CBF_EditThresholdMode},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_RING_THRESHOLD_TRACING,
         CBF_EditThresholdTracing},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_TT_UP, CBF_EditThresholdTracingUP},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_TT_DOWN, CBF_EditThresholdTracingDown},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_TEACH_VALUE, CBF_EditTeachValue},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_RING_THRESHOLD_CALC, CBF_EditTrshCalc},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE, CBF_EditTolerance},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_HYSTERESIS, CBF_EditHysteresis},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_RING_EXTERN_TEACH, CBF_EditExtTeach},
        {&AppStateRec::TabThreshold, TABP_THRESHOLD_BUTTON_TEACH, CBF_ButtonTeach},
    };
    for (const Binding &b : kBindings)
        InstallCtrlCallback(AppState.*b.page, b.control, b.callback, nullptr);
    InstallTransferCallbacks();
}
