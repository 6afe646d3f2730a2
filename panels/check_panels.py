#!/usr/bin/env python3
"""Checks the panel files against the rules the code and the language files rely on: constant
names with their kind prefix and matching class, names unique per panel, captions that label a
control of their own panel, every callback bound to a control, the parameter pages complete and
the main tab pages in order. Usage: check_panels.py [PANEL_DIR]; exit status 1 on any problem."""
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

DIR = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
UIC = shutil.which("uic", path=os.pathsep.join(
    ["/usr/lib/qt6/libexec", "/usr/lib/qt6/bin", os.environ.get("PATH", "")]))
FILES = ["main.ui", "data.ui", "graph.ui", "scope.ui", "conv.ui", "password.ui", "compare.ui",
         "changelog.ui", "recview.ui"]
TOPS = {"main.ui": "MAINP", "data.ui": "DATAP", "graph.ui": "GRAPHP", "scope.ui": "SCOPEP",
        "conv.ui": "CONVP", "password.ui": "PASSWORDP",
        "compare.ui": "COMPAREP", "changelog.ui": "CHANGELOGP",
        "recview.ui": "RECVIEWP"}
CONST = re.compile(r"^[A-Z][A-Z0-9_]*$")
KIND = {"BUTTON_": {"QPushButton"}, "TOGGLE_": {"QPushButton"},
        "NUMERIC_": {"QSpinBox", "QDoubleSpinBox"}, "RING_": {"QComboBox"},
        "COMBO_": {"QComboBox"}, "STRING_": {"QLineEdit"}, "TEXTBOX_": {"QPlainTextEdit"},
        "TEXTMSG_": {"QLabel"}, "LED_": {"LedCtrl"}, "GRAPH_": {"GraphCtrl"},
        "STRIPCHART_": {"StripChartCtrl"}, "TABLE_": {"QTableWidget"}, "SLIDE_": {"QSlider"},
        "TAB_": {"QTabWidget"}, "DECORATION_": {"QFrame"}, "PICTURE_": {"QLabel"}}
CUSTOM = {"LedCtrl", "GraphCtrl", "StripChartCtrl"}

CALLBACKS = """
CBF_MAINP CBF_DATAP CBF_GRAPHP CBF_SCOPEP CBF_CONVP CBF_PASSWORDP
CBF_TabMain1 CBF_ButtonSend CBF_ButtonGet CBF_ButtonGo CBF_ButtonStop CBF_ButtonSelectMem
CBF_TabDataP CBF_DispCha CBF_DispSig CBF_DispRef CBF_DispTemp CBF_DispMaxMin CBF_DispAnaOut
CBF_LedOut CBF_LedIn CBF_GraphAnaCha CBF_GraphEvalSig CBF_DispStatus
CBF_SlidePower CBF_EditPowerSource CBF_EditPmode CBF_EditLedMode CBF_EditGain CBF_EditDynWinLoHi
CBF_EditAverage CBF_EditIntegral CBF_EditAnaOutmode CBF_EditAnaRange CBF_EditAnaOut
CBF_EditDigOutmode CBF_EditHold CBF_EditDeadTime CBF_ButtonTeach CBF_EditEvalMode
CBF_EditThresholdMode CBF_EditThresholdTracing CBF_EditThresholdTracingUP
CBF_EditThresholdTracingDown CBF_EditTeachValue CBF_EditTrshCalc CBF_EditTolerance
CBF_EditHysteresis CBF_EditExtTeach CBF_DecoPara1
CBF_ButtonCloseSP CBF_ButtonZoomScope11 CBF_EditScopeSignal CBF_GraphScope CBF_DispDeltaX
CBF_DispDeltaY CBF_ButtonGetCycleTime CBF_ButtonScan CBF_ButtonBreakScan
CBF_ButtonPrintScopeGraph CBF_EditTriggerMode CBF_EditPreTrigVal CBF_EditTriggerLevel
CBF_EditScanRate CBF_DispScanFreq CBF_EditScopeComment CBF_ButtonSaveScopeCapture
CBF_ButtonLoadScopeCapture CBF_ButtonLayReference CBF_ButtonRemoveReference
CBF_EditMeasureSignal CBF_DispCursorMeasure CBF_DispReference
CBF_ButtonSelRecFile CBF_DispRecFile CBF_ButtonStartRecord CBF_ButtonStopRecord
CBF_ButtonStartTrigRec CBF_ButtonManualRecord CBF_EditSelectDataRec CBF_EditInterval
CBF_EditRecVal CBF_DispRecordTime CBF_DispRecordedValues CBF_DispRemaining
CBF_ButtonShowGraph CBF_ButtonCloseGP CBF_EditSignal CBF_PanelGraphGraph
CBF_ButtonCloseOffsetCompensation CBF_ButtonSendOffset CBF_ButtonGetOffset CBF_ButtonCalcOffset
CBF_EditOffsetVal CBF_EditSettingTimeFactor CBF_ButtonSendSettingTimeFactor CBF_StringEnterPW CBF_ButtonCancelPW
CBF_ButtonTryToConnect CBF_ButtonDisconnect CBF_ButtonAccept CBF_ButtonChangeBaudrate
CBF_ButtonGenHwInfoFile CBF_ButtonFindComPorts CBF_EditCommunicationProtocol
CBF_EditSelectComPort CBF_EditSelectBaudrate CBF_StringIpAdress CBF_StringPortNumber CBF_EditID
CBF_EditLanguage
CBF_GraphConv CBF_ButtonCloseCP CBF_ButtonResetConvTable CBF_ButtonAssign
CBF_ButtonGetConvTableFromFile CBF_ButtonSaveConvTableToFile CBF_ButtonGetConvTableFromEE
CBF_ButtonSaveConvTableToEE CBF_ButtonCalcConvData CBF_ButtonSaveConvDataToEE
CBF_ButtonZoomConv11
CBF_ButtonCompare CBF_ButtonChangeLog CBF_COMPAREP CBF_TableCompare CBF_ButtonCompareChooseFile
CBF_ButtonCompareRead CBF_ButtonCopyParameters CBF_ButtonCloseCompare CBF_CHANGELOGP
CBF_StringLogSerial CBF_ButtonLogFilter CBF_TableLog CBF_ButtonCloseLog
CBF_ButtonOpenRecord CBF_RECVIEWP CBF_DispRecViewFile CBF_ButtonRecViewWhole
CBF_ButtonRecViewPicture CBF_ButtonRecViewClose CBF_GraphRecView
""".split()

PARAM_CONTROLS = """RING_POWER_SOURCE NUMERIC_POWER_CH0 NUMERIC_POWER_CH1 RING_POWER_MODE
NUMERIC_DYNWIN_LO NUMERIC_DYNWIN_HI RING_LED_MODE RING_GAIN NUMERIC_AVERAGE NUMERIC_INTEGRAL
RING_ANALOG_OUTMODE RING_ANALOG_RANGE RING_ANALOG_OUT RING_DIGITAL_OUTMODE NUMERIC_HOLD
NUMERIC_DEAD_TIME NUMERIC_EVALUATION_MODE""".split()
THRESHOLD_CONTROLS = """RING_THRESHOLD_MODE RING_THRESHOLD_TRACING NUMERIC_TT_UP NUMERIC_TT_DOWN
RING_THRESHOLD_CALC NUMERIC_TEACH_VALUE NUMERIC_TOLERANCE NUMERIC_HYSTERESIS RING_EXTERN_TEACH
BUTTON_TEACH""".split()

errors = []


def err(msg):
    errors.append(msg)


def props(w):
    out = {}
    for p in w.findall("property"):
        out[p.get("name")] = p
    return out


def text_of(p):
    return "".join(p.itertext()) if p is not None else None


seen_callbacks = {}
panels = {}
for fname in FILES:
    root = ET.parse(f"{DIR}/{fname}").getroot()
    if root.get("version") != "4.0":
        err(f"{fname}: ui version")
    top = root.find("widget")
    if top.get("name") != TOPS[fname]:
        err(f"{fname}: top widget {top.get('name')}")
    declared = {c.findtext("class"): (c.findtext("extends"), c.findtext("header"))
                for c in root.iter("customwidget")}
    used = set()
    if root.find(".//layout") is not None:
        err(f"{fname}: uses a layout")

    def visit(w, panel, parent_cls):
        cls, name = w.get("class"), w.get("name")
        if parent_cls == "QTabWidget":
            if not CONST.match(name) or cls != "QWidget":
                err(f"{fname}: tab page {name} {cls}")
            if name in panels:
                err(f"{fname}: duplicate panel {name}")
            panels[name] = {}
            panel = name
        elif panel is None:
            panels[name] = {}
            panel = name
        else:
            if CONST.match(name):
                if name in panels[panel]:
                    err(f"{fname}: {panel}: duplicate {name}")
                panels[panel][name] = w
                pre = next((k for k in KIND if name.startswith(k)), None)
                if pre is None:
                    err(f"{fname}: {name}: no kind prefix")
                elif cls not in KIND[pre]:
                    err(f"{fname}: {name}: class {cls} does not match prefix {pre}")
                pr = props(w)
                if pre == "RING_" and text_of(pr.get("editable")) == "true":
                    err(f"{name}: ring is editable")
                if pre == "COMBO_" and text_of(pr.get("editable")) != "true":
                    err(f"{name}: combo not editable")
                if pre == "TOGGLE_" and text_of(pr.get("checkable")) != "true":
                    err(f"{name}: toggle not checkable")
                if "geometry" not in pr:
                    err(f"{name}: no geometry")
            elif cls != "QLabel":
                err(f"{fname}: {name}: lower-case name on a {cls}")
            if cls in CUSTOM:
                used.add(cls)
        pr = props(w)
        cb = pr.get("callback")
        if cb is not None:
            seen_callbacks.setdefault(text_of(cb), []).append(f"{panel}.{name}")
        iv = pr.get("itemValues")
        if iv is not None:
            n = len(w.findall("item"))
            if len(text_of(iv).split(";")) != n:
                err(f"{name}: itemValues count != {n} items")
        for c in w.findall("widget"):
            visit(c, panel, cls)

    visit(top, None, None)
    for c in used:
        if declared.get(c) != ("QWidget", "platform/widgets.h"):
            err(f"{fname}: custom widget {c} not declared properly: {declared.get(c)}")
    for c in declared:
        if c not in used:
            err(f"{fname}: {c} declared but unused")

# buddies point into the same panel
for pname, ctrls in panels.items():
    for name, w in ctrls.items():
        b = props(w).get("buddy")
        if b is not None and text_of(b) not in ctrls:
            err(f"{pname}.{name}: buddy {text_of(b)} not in panel")

for cb in CALLBACKS:
    if cb not in seen_callbacks:
        err(f"callback {cb} has no control")
for cb in seen_callbacks:
    if cb not in CALLBACKS:
        err(f"unknown callback {cb} on {seen_callbacks[cb]}")
for n in PARAM_CONTROLS:
    if n not in panels["TABP_PARAM"]:
        err(f"parameter page lacks {n}")
for n in THRESHOLD_CONTROLS:
    if n not in panels["TABP_THRESHOLD"]:
        err(f"threshold page lacks {n}")

main_tabs = [w.get("name") for w in ET.parse(f"{DIR}/main.ui").getroot().find(
    ".//widget[@name='TAB_MAIN']").findall("widget")]
if main_tabs != ["TABP_CONNECT", "TABP_PARAM", "TABP_THRESHOLD", "TABP_CONVTABLE",
                 "TABP_RECORDER", "TABP_SCOPE", "TABP_SERVICE"]:
    err(f"main tab order {main_tabs}")

if UIC:
    for fname in FILES:
        r = subprocess.run([UIC, "-g", "cpp", f"{DIR}/{fname}"], capture_output=True, text=True)
        if r.returncode != 0:
            err(f"{fname}: uic: {r.stderr.strip()}")

n = sum(len(c) for c in panels.values())
print(f"{len(panels)} panels, {n} named controls, {len(seen_callbacks)} callbacks"
      + ("" if UIC else " (uic not found, not run)"))
for e in errors:
    print("ERROR", e)
sys.exit(1 if errors else 0)
