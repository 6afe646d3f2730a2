// The rules that tie the parameters together on the parameter and threshold pages: forced
// values, hidden and dimmed controls and the warnings, applied after an edit, a GET and a
// parameter file; and the callbacks of both pages, TEACH included.
#pragma once

#include "app/messages.h"

// Each rule first reads the controls it tests into their record fields, then forces values
// into controls (not into the record), shows, hides and dims.
void InitGain();
void InitDigOutmode();
void InitAnaOutmode();
void InitPowerMode();
void InitExtTeach();
void InitThresholdTracing();
// All six, in the order above: InitGain may switch EXTERN TEACH off before InitPowerMode and
// InitExtTeach test it, and InitDigOutmode may switch DYN1 off before InitPowerMode.
void RunParameterRules();

// Installs the callbacks of both pages and of SEND, GET and the memory selector.
void InstallParamsCallbacks();

// The rules' popups.
extern const Msg kMsgGainWarning;
extern const Msg kMsgGainAnalogRange;
extern const Msg kMsgGainAnalogOut;
extern const Msg kMsgGainExternTeach;
extern const Msg kMsgDynNotPossible;

int CBF_SlidePower(int panel, int control, int event, void *, int, int);
int CBF_EditPowerSource(int panel, int control, int event, void *, int, int);
int CBF_EditPmode(int panel, int control, int event, void *, int, int);
int CBF_EditLedMode(int panel, int control, int event, void *, int, int);
int CBF_EditGain(int panel, int control, int event, void *, int, int);
int CBF_EditDynWinLoHi(int panel, int control, int event, void *, int, int);
int CBF_EditAverage(int panel, int control, int event, void *, int, int);
int CBF_EditIntegral(int panel, int control, int event, void *, int, int);
int CBF_EditAnaOutmode(int panel, int control, int event, void *, int, int);
int CBF_EditAnaRange(int panel, int control, int event, void *, int, int);
int CBF_EditAnaOut(int panel, int control, int event, void *, int, int);
int CBF_EditDigOutmode(int panel, int control, int event, void *, int, int);
int CBF_EditHold(int panel, int control, int event, void *, int, int);
int CBF_EditDeadTime(int panel, int control, int event, void *, int, int);
int CBF_EditEvalMode(int panel, int control, int event, void *, int, int);
int CBF_EditThresholdMode(int panel, int control, int event, void *, int, int);
int CBF_EditThresholdTracing(int panel, int control, int event, void *, int, int);
int CBF_EditThresholdTracingUP(int panel, int control, int event, void *, int, int);
int CBF_EditThresholdTracingDown(int panel, int control, int event, void *, int, int);
int CBF_EditTeachValue(int panel, int control, int event, void *, int, int);
int CBF_EditTrshCalc(int panel, int control, int event, void *, int, int);
int CBF_EditTolerance(int panel, int control, int event, void *, int, int);
int CBF_EditHysteresis(int panel, int control, int event, void *, int, int);
int CBF_EditExtTeach(int panel, int control, int event, void *, int, int);
int CBF_ButtonTeach(int panel, int control, int event, void *, int, int);
// The transmitter group's frame: a right double click opens the service password panel.
int CBF_DecoPara1(int panel, int control, int event, void *, int, int);
