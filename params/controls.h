// The one control of each parameter field on the parameter and threshold pages, shared by the
// transfer (all 26 at once) and the rules (the few each rule tests).
#pragma once

#include "app/appstate.h"
#include "platform/ui.h"
#include "params/record.h"

struct ParamControl {
    int AppStateRec::*page; // TabParam or TabThreshold
    int control;
    uint16_t ParameterRecord::*field;
};

// In record order. HOLD's control shows milliseconds; GetPanelValues and SetPanelValues
// convert it, everything else is copied as it is.
inline constexpr ParamControl kParamControls[kParameterRecordSize / 2] = {
    {&AppStateRec::TabParam, TABP_PARAM_RING_POWER_SOURCE, &ParameterRecord::PowerSource},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_POWER_CH0, &ParameterRecord::PowerCh0},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_POWER_CH1, &ParameterRecord::PowerCh1},
    {&AppStateRec::TabParam, TABP_PARAM_RING_POWER_MODE, &ParameterRecord::PowerMode},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_DYNWIN_LO, &ParameterRecord::DynWinLo},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_DYNWIN_HI, &ParameterRecord::DynWinHi},
    {&AppStateRec::TabParam, TABP_PARAM_RING_LED_MODE, &ParameterRecord::LedMode},
    {&AppStateRec::TabParam, TABP_PARAM_RING_GAIN, &ParameterRecord::Gain},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_AVERAGE, &ParameterRecord::Average},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_INTEGRAL, &ParameterRecord::Integral},
    {&AppStateRec::TabParam, TABP_PARAM_RING_ANALOG_OUTMODE, &ParameterRecord::AnalogOutmode},
    {&AppStateRec::TabParam, TABP_PARAM_RING_ANALOG_RANGE, &ParameterRecord::AnalogRange},
    {&AppStateRec::TabParam, TABP_PARAM_RING_ANALOG_OUT, &ParameterRecord::AnalogOut},
    {&AppStateRec::TabParam, TABP_PARAM_RING_DIGITAL_OUTMODE, &ParameterRecord::DigitalOutmode},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_HOLD, &ParameterRecord::Hold},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_RING_THRESHOLD_MODE,
     &ParameterRecord::ThresholdMode},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_RING_THRESHOLD_TRACING,
     &ParameterRecord::ThresholdTracing},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_TT_UP, &ParameterRecord::TtUp},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_TT_DOWN, &ParameterRecord::TtDown},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_RING_THRESHOLD_CALC,
     &ParameterRecord::ThresholdCalc},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_TEACH_VALUE, &ParameterRecord::TeachValue},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_TOLERANCE, &ParameterRecord::Tolerance},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_NUMERIC_HYSTERESIS, &ParameterRecord::Hysteresis},
    {&AppStateRec::TabThreshold, TABP_THRESHOLD_RING_EXTERN_TEACH, &ParameterRecord::ExternTeach},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_EVALUATION_MODE, &ParameterRecord::EvaluationMode},
    {&AppStateRec::TabParam, TABP_PARAM_NUMERIC_DEAD_TIME, &ParameterRecord::DeadTime},
};
