#include "live/live.h"

#include "app/appstate.h"
#include "app/messages.h"
#include "app/startup.h"
#include "app/status_line.h"
#include "platform/ui.h"
#include "link/connect.h"
#include "link/exchange.h"
#include "live/data_frame.h"
#include "live/graphs.h"
#include "params/transfer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace {

const Msg kStatusLiveStopped{"Live-Erfassung beendet.", "Live acquisition stopped."};

const Msg kHelpGo{"Startet Datenaustausch zwischen Sensor und PC. \n\nFunktionstaste: F11",
                  "Starts data transfer from sensor to PC. \n\nShortcut Key: F11."};
const Msg kHelpStop{"Stoppt Datenaustausch zwischen Sensor und PC. \n\nFunktionstaste: F12",
                    "Stops data transfer from sensor to PC. \n\nShortcut Key: F12."};
const Msg kHelpTabData{"Waehlen Sie eine Registerkarte.", "Select TAB-window."};
const Msg kHelpCha{"Zeigt die Intensitaeten der Analogkanaele \ndie momentan an den Empfaengern "
                   "detektiert werden.",
                   "Displays the intensity of the analog \nchannels currently arriving at the "
                   "receiver."};
const Msg kHelpSig{"Zeigt das aus den Analogkanaelen \nberechnete Signal (dunkelgelbe Linie).",
                   "Displays the intensity of the \nevaluation signal (dark yellow line)."};
const Msg kHelpRef{"Zeigt den Referenzwert zur zur Kalkulation der Schaltschwelle an (blaue "
                   "Linie).",
                   "Displays the reference value for \nswitching threshold calculation (blue "
                   "line)."};
const Msg kHelpTemp{"Zeigt momentane Temperatur im Sensor an. \nNicht Grad Celsius!",
                    "Displays actual temperature in the sensor. \nNot in degree Celsius!"};
const Msg kHelpMaxMin{"Zeigt den Minimal- und Maximalwert \nwaehrend IN0 high ist an.",
                      "Displays the maximum and minimum \ndetected value while IN0."};
const Msg kHelpAnaOut{"Zeigt den Wert des Analogausgangs an.", "Displays the analog output value."};
const Msg kHelpLedOut{"Zeigt den Status des Ausgangs an. \nLED AUS (schwarz): Ausgang ist 0V. "
                      "\nLED AN (orange): Ausgang ist +24V.",
                      "Displays the status of the output. \nLed OFF (black): Output is 0V. \nLed "
                      "ON (orange): Output is +24V."};
const Msg kHelpLedIn{"Zeigt den Status des Eingangs an. \nLED AUS (schwarz): Ausgang ist 0V. "
                     "\nLED AN (orange): Ausgang ist +24V.",
                     "Displays the status of the input. \nLed OFF (black): Input is 0V. \nLed ON "
                     "(green): Input is +24V."};

// True while GetData runs, also during the pass that finishes after STOP: a second loop started
// from inside the first one's wait would put a second request on the line.
bool gLoopActive = false;

int HelpOnly(int event, const Msg &help)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(help);
    return 0;
}

// Integer displays and LEDs are written only when their value changes: most words of a frame
// (TEMP, REF, MAX, MIN, the LEDs) stay the same for long runs, and an unchanged display need not
// be redrawn.
void ShowInt(int panel, int control, int value)
{
    int shown = 0;
    if (GetCtrlVal(panel, control, &shown) < 0 || shown != value)
        SetCtrlVal(panel, control, value);
}

// What shows the live frame on the data panel and the conversion table page.
struct LiveDisplay {
    const int *panel; // the AppState field holding the panel
    int control;
};
const LiveDisplay kLiveDisplays[] = {
    {&AppState.DataPanel, DATAP_NUMERIC_CH0},
    {&AppState.DataPanel, DATAP_NUMERIC_CH1},
    {&AppState.DataPanel, DATAP_NUMERIC_SIG},
    {&AppState.DataPanel, DATAP_NUMERIC_TEMP},
    {&AppState.DataPanel, DATAP_NUMERIC_REF},
    {&AppState.DataPanel, DATAP_NUMERIC_MAX},
    {&AppState.DataPanel, DATAP_NUMERIC_MIN},
    {&AppState.DataPanel, DATAP_LED_IN0},
    {&AppState.DataPanel, DATAP_LED_IN1},
    {&AppState.DataPanel, DATAP_LED_OUT0},
    {&AppState.DataPanel, DATAP_LED_OUT1},
    {&AppState.DataPage0, TABP_DATA0_STRIPCHART_ANA_CHA},
    {&AppState.DataPage1, TABP_DATA1_STRIPCHART_EVAL_SIG},
    {&AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE},
    {&AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_CURRENT},
    {&AppState.TabConvTable, TABP_CONVTABLE_NUMERIC_SIG},
};
// All of them change together: the first tells (a lookup per frame, no repaint).
void SetLiveDisplaysStale(bool stale)
{
    int shown = 0;
    GetCtrlAttribute(*kLiveDisplays[0].panel, kLiveDisplays[0].control, ATTR_STALE, &shown);
    if ((shown != 0) == stale)
        return;
    for (const LiveDisplay &d : kLiveDisplays)
        SetCtrlAttribute(*d.panel, d.control, ATTR_STALE, stale ? 1 : 0);
}

// The displays and LEDs of the frame in DataFrame.
void ShowFrameValues()
{
    const int data = AppState.DataPanel;
    ShowInt(data, DATAP_NUMERIC_CH0, DataFrame.Ch0);
    ShowInt(data, DATAP_NUMERIC_CH1, DataFrame.Ch1);
    ShowInt(data, DATAP_NUMERIC_SIG, DataFrame.Sig);
    ShowInt(data, DATAP_NUMERIC_TEMP, DataFrame.Temp);
    ShowInt(data, DATAP_NUMERIC_REF, DataFrame.Ref);
    ShowInt(data, DATAP_NUMERIC_MAX, DataFrame.Max);
    ShowInt(data, DATAP_NUMERIC_MIN, DataFrame.Min);

    SetCtrlVal(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE,
               AnaOutVolts(DataFrame.AnaOut));
    SetCtrlVal(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_CURRENT,
               AnaOutMilliamps(DataFrame.AnaOut));

    ShowInt(AppState.TabConvTable, TABP_CONVTABLE_NUMERIC_SIG, DataFrame.Sig);

    bool in0 = false, in1 = false;
    if (InputLedsOf(DataFrame.DigState, &in0, &in1)) {
        ShowInt(data, DATAP_LED_IN0, in0);
        ShowInt(data, DATAP_LED_IN1, in1);
    }
    ShowInt(data, DATAP_LED_OUT0, (DataFrame.DigBits & 1) != 0);
    ShowInt(data, DATAP_LED_OUT1, (DataFrame.DigBits & 2) != 0);
}

// Every frame goes into the live charts' buffers as it comes; the displays and the charts are
// brought up to the latest frame at most once per screen refresh, which is all a screen can
// show (a frame every 3 ms on a 115200-baud line). A show is made while the request for the
// next frame is on its way, so that the display work never holds a request back: a serial port
// writes only from the event loop, and whatever the display work leaves queued there (repaints)
// would run first. The last frame is shown when the loop ends.
constexpr int kShowIntervalMs = 16;
bool gShowPending = false;

QElapsedTimer &SinceShown()
{
    static QElapsedTimer since;
    return since;
}

void ShowPendingFrame()
{
    if (!gShowPending)
        return;
    gShowPending = false;
    SetLiveDisplaysStale(false);
    ShowFrameValues();
    PlotLiveCharts();
    // The frames until the next show take their threshold lines from the page as it is now: an
    // operator's change is in the charts within a refresh, without a look at the page per frame.
    ReadThresholdParameters();
    // Counted from the end, so that at the next show the charts' own refresh is due as well and
    // they are drawn with it, not in a pass of their own.
    SinceShown().start();
}

void ShowFrameSoon()
{
    static QTimer *timer = [] {
        auto *t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        QObject::connect(t, &QTimer::timeout, [] { ShowPendingFrame(); });
        return t;
    }();
    gShowPending = true;
    if (timer->isActive())
        return;
    const qint64 since = SinceShown().isValid() ? SinceShown().elapsed() : kShowIntervalMs;
    timer->start(int(std::max<qint64>(0, kShowIntervalMs - since)));
}

bool RequestDataFrame()
{
    AppState.OrderNumber = frame::kOrderDataFrame;
    FillTxBuf(frame::kOrderDataFrame, 0, 0);
    return DataExchange(frame::kHeaderSize) == 1;
}

} // namespace

void GetData()
{
    gLoopActive = true;
    AppState.AcquisitionRunning = 1;
    ReadThresholdParameters();
    do {
        if (AppState.SendRequest != 0) {
            SendPara();
            if (AppState.AcquisitionRunning == 0)
                break;
        }
        if (AppState.GetRequest != 0) {
            GetPara();
            if (AppState.AcquisitionRunning == 0)
                break;
            ReadThresholdParameters(); // the sensor's, now on the page
        }
        if (RequestDataFrame()) {
            DataFrame = DataFrameFromBytes(AppState.RxBuffer + frame::kHeaderSize);
            AddFrameToGraphBuffers();
            ShowFrameSoon();
        } else {
            // Every failure has been reported by the exchange; one that was reported before
            // this request (a TCP conversation lost while idle) leaves the flag set, and the
            // loop would otherwise retry at full speed.
            AppState.AcquisitionRunning = 0;
        }
    } while (AppState.AcquisitionRunning == 1);
    ShowPendingFrame();
    gLoopActive = false;
}

void SetPanelData()
{
    SetLiveDisplaysStale(false);
    ShowFrameValues();
    InitGraphBuffers();
}

void ShowLiveValuesStale()
{
    // A frame that came before the failure and waits to be shown is shown now, and stale with
    // the rest: only a frame after it makes the displays live again.
    ShowPendingFrame();
    SetLiveDisplaysStale(true);
    SetSignalGraphsStale(true);
}

void StopAutoSend()
{
    AppState.OrderNumber = frame::kOrderAutoSend;
    FillTxBuf(frame::kOrderAutoSend, 0, 0);
    DataExchange(frame::kHeaderSize);
}

int CBF_ButtonGo(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelp(kHelpGo);
    if (event != EVENT_COMMIT || gLoopActive)
        return 0;
    SetButtonsDimmed(1, 1);
    GetPanelValues();
    int page = 0;
    GetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, &page);
    if (page != kPageConvTable)
        ShowChildPanelDisp(AppState.DataPanel);
    GetData();
    if (!LinkFailureReported())
        ShowStatus(kStatusLiveStopped);
    SetButtonsDimmed(0, 0);
    return 0;
}

int CBF_ButtonStop(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        AppState.AcquisitionRunning = 0;
    return HelpOnly(event, kHelpStop);
}

int CBF_TabDataP(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpTabData);
}

int CBF_DispCha(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpCha);
}

int CBF_DispSig(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpSig);
}

int CBF_DispRef(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpRef);
}

int CBF_DispTemp(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpTemp);
}

int CBF_DispMaxMin(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpMaxMin);
}

int CBF_DispAnaOut(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpAnaOut);
}

int CBF_LedOut(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpLedOut);
}

int CBF_LedIn(int, int, int event, void *, int, int)
{
    return HelpOnly(event, kHelpLedIn);
}

int CBF_DispStatus(int, int, int event, void *, int, int)
{
    if (event == EVENT_RIGHT_DOUBLE_CLICK)
        ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
    return 0;
}

int CBF_DATAP(int, int, void *, int, int)
{
    return 0;
}

void InstallLiveCallbacks()
{
    InstallCtrlCallback(AppState.MainPanel, MAINP_BUTTON_GO, CBF_ButtonGo, nullptr);
    InstallCtrlCallback(AppState.MainPanel, MAINP_BUTTON_STOP, CBF_ButtonStop, nullptr);

    const int data = AppState.DataPanel;
    InstallPanelCallback(data, CBF_DATAP, nullptr);
    InstallCtrlCallback(data, DATAP_STRING_STATUS, CBF_DispStatus, nullptr);
    InstallCtrlCallback(data, DATAP_TAB_DATA, CBF_TabDataP, nullptr);
    InstallCtrlCallback(data, DATAP_NUMERIC_CH0, CBF_DispCha, nullptr);
    InstallCtrlCallback(data, DATAP_NUMERIC_CH1, CBF_DispCha, nullptr);
    InstallCtrlCallback(data, DATAP_NUMERIC_SIG, CBF_DispSig, nullptr);
    InstallCtrlCallback(data, DATAP_NUMERIC_REF, CBF_DispRef, nullptr);
    InstallCtrlCallback(data, DATAP_NUMERIC_TEMP, CBF_DispTemp, nullptr);
    InstallCtrlCallback(data, DATAP_NUMERIC_MAX, CBF_DispMaxMin, nullptr);
    InstallCtrlCallback(data, DATAP_NUMERIC_MIN, CBF_DispMaxMin, nullptr);
    InstallCtrlCallback(data, DATAP_LED_OUT0, CBF_LedOut, nullptr);
    InstallCtrlCallback(data, DATAP_LED_OUT1, CBF_LedOut, nullptr);
    InstallCtrlCallback(data, DATAP_LED_IN0, CBF_LedIn, nullptr);
    InstallCtrlCallback(data, DATAP_LED_IN1, CBF_LedIn, nullptr);
    InstallCtrlCallback(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_VOLTAGE, CBF_DispAnaOut,
                        nullptr);
    InstallCtrlCallback(AppState.DataPage1, TABP_DATA1_NUMERIC_ANA_OUT_CURRENT, CBF_DispAnaOut,
                        nullptr);

    InstallGraphCallbacks();
}
