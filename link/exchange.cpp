#include "link/exchange.h"

#include "app/appstate.h"
#include "app/status_line.h"
#include "link/connect.h"
#include "live/live.h"
#include "platform/rs232.h"
#include "platform/tcp.h"
#include "platform/ui.h"

#include <cstring>
#include <optional>

const Msg kMsgTimeout{
    "TIMEOUT! \nKeine Daten erhalten! \nVerbindungsfehler! \nSpannungsversorgung und COM "
    "Einstellungen ueberpruefen. \nVerbindungsaufbau wiederholen!",
    "TIMEOUT! \nNo data received! \nCommunication error! \nCheck power supply and COM settings. "
    "\nTry to connect again!"};
const Msg kMsgBadHeader{"ACHTUNG! \nEmpfangener header frame ist ungueltig!",
                        "ATTENTION! \nReceived header frame is incorrect!"};
const Msg kMsgBadData{"ACHTUNG! \nEmpfangener Daten frame ist ungueltig!",
                      "ATTENTION! \nReceived data frame is incorrect!"};
const Msg kMsgInvalidOrder{"Ungueltiger Befehl! \nPC und Sensor-Software ueberpruefen!",
                           "Invalid order number! \nVerify PC and sensor software!"};
const Msg kMsgCommError{"Verbindungsfehler! \nEventuell Baudrate reduzieren!",
                        "Communication error! \nYou may have to reduce baudrate!"};
const Msg kMsgServerClosed{"Server hat Verbindung beendet!", "Server has closed connection!"};
const Msg kMsgPortLost{
    "COM Port nicht mehr verfuegbar! \nGeraet entfernt oder Gegenstelle beendet.",
    "COM port no longer available! \nDevice removed or far end closed."};

const Msg kMsgStatusTimeout{"TIMEOUT!", "TIMEOUT!"};
const Msg kStatusLinkFailure{"Verbindungsfehler:", "Link failure:"};

namespace {

struct CodeText {
    int code;
    Msg text;
};

const CodeText kRs232Errors[] = {
    {-1, {"Unbekannter Systemfehler", "Unknown system error"}},
    {-2, {"Ungueltige Portnummer", "Invalid port number"}},
    {-3, {"Port ist nicht verfuegbar", "Port is not open"}},
    {-4, {"Unbekannter I/O Fehler", "Unknown I/0 error"}},
    {-6, {"Kein serieller Port gefunden", "No serial port found"}},
    {-7, {"Port kann nicht geoeffnet werden", "Cannot open port"}},
    {-14, {"Ungueltige Baudrate", "Invalid Baudrate"}},
    {-99, {"Timeout", "Timeout"}},
};
const Msg kRs232Other{"RS-232 Fehler!", "RS-232 error!"};

const CodeText kTcpErrors[] = {
    {-1, {"Dienst konnte nicht registriert werden", "Unable to register service"}},
    {-2, {"Verbindung konnte nicht aufgebaut werden", "Unable to establish connection"}},
    {-3, {"Server bereits vorhanden", "Existing server"}},
    {-4, {"Verbindungsfehler", "Failed to connect"}},
    {-5, {"Server nicht registriert", "Server not registered"}},
    {-6, {"Zu viele Nachrichtenuebertragungen", "Too many conversations"}},
    {-7, {"Lesen fehlgeschlagen", "Read failed"}},
    {-8, {"Schreiben fehlgeschlagen", "Write failed"}},
    {-9, {"Ungueltiger Parameter", "Invalid parameter"}},
    {-10, {"Ausserhalb des Speichers", "Out of memory"}},
    {-11, {"Timeout", "Time out error"}},
    {-12, {"Keine Verbindung hergestellt", "No connection established"}},
    {-13, {"Allgemeiner IO Fehler", "General IO error"}},
    {-14, {"Verbindung geschlossen", "Connection closed"}},
    {-15, {"Winsock DLL konnte nicht geladen werden", "Unable to load winsock DLL"}},
    {-16, {"Ungueltige Winsock DLL Version", "Incorrect winsock DLL version"}},
    {-17, {"Netzwerk Subsystem nicht bereit", "Network subsystem not ready"}},
    {-18, {"Verbindungen noch aktiv", "Connections still open"}},
    {-19, {"Verbindungstrennung bevorstehend", "Disconnect pending"}},
    {-20, {"Info nicht verfuegbar", "Info not available"}},
};
const Msg kTcpOther{"Verbindung mit Server fehlgeschlagen", "Connection to server failed"};

void Fail(const Msg &m)
{
    CopyField(AppState.ErrorText, Tr(m));
    SetTimeout();
}

bool UsingTcp()
{
    return AppState.ComProtocol == 1;
}

// A line error since the last look fails the exchange under way.
void NoteLineError(int port)
{
    const int status = GetComStat(port);
    if (status > 0)
        AppState.ComStatus = status;
}

// Waits until `enough` says the bytes are there or `limit` seconds have passed since `start`.
// Blocks in the event loop between checks. The wait also ends when the link is lost: a TCP
// conversation closed, a COM port whose device went away (the loss has been reported already).
// Returns false on a lost link.
template <typename Enough> bool WaitFor(double start, double limit, Enough enough)
{
    const bool tcp = UsingTcp();
    const int port = AppState.ComPort;
    ProcessSystemEvents();
    while (true) {
        if (tcp ? !AppState.TcpConnected : !IsComOpen(port))
            return false;
        if (enough())
            return true;
        if (Timer() - start > limit)
            return true;
        WaitForEvents(start + limit + 0.001);
    }
}

// For the length of a wait on the COM port: the port wakes the program once `count` bytes are
// in its queue, not for every few of them (re-set on every check, as the queue fills). Nested in
// an exchange's own, the count is left for the next wait of the exchange and reset with its end.
class ComWake {
public:
    explicit ComWake(int port) : port_(port) { ++Depth(); }
    ~ComWake()
    {
        if (--Depth() == 0)
            SetComWakeCount(port_, 0);
    }
    ComWake(const ComWake &) = delete;
    ComWake &operator=(const ComWake &) = delete;
    void need(int count) const { SetComWakeCount(port_, count); }

private:
    static int &Depth()
    {
        static int depth = 0;
        return depth;
    }
    int port_;
};

} // namespace

const Msg &Rs232ErrorText(int code)
{
    for (const CodeText &e : kRs232Errors)
        if (e.code == code)
            return e.text;
    return kRs232Other;
}

const Msg &TcpErrorText(int code)
{
    for (const CodeText &e : kTcpErrors)
        if (e.code == code)
            return e.text;
    return kTcpOther;
}

long BaudrateOfIndex(int index)
{
    static const long kBaud[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    return (index >= 0 && index < 8) ? kBaud[index] : 115200;
}

void FillTxBuf(int order, unsigned arg, unsigned length)
{
    length &= 0xFFFF;
    if (length > unsigned(frame::kMaxTxPayload))
        length = frame::kMaxTxPayload; // never read past the staging area
    uint8_t *f = AppState.TxFrame;
    frame::WriteHeader(f, uint8_t(order & 0xFF), uint16_t(arg & 0xFFFF), uint16_t(length),
                       f + frame::kHeaderSize);
    std::memcpy(AppState.TxBuffer, f, frame::kHeaderSize + length);
}

int CheckHeaderCRC()
{
    frame::Header h;
    if (frame::CheckHeader(AppState.RxBuffer, &h) != frame::HeaderCheck::kGood) {
        Fail(kMsgBadHeader);
        return -1;
    }
    AppState.RxHeader = {h.order, h.arg, h.length, h.dataCrc};
    return 1;
}

namespace {
LinkFailureSink gLinkFailureSink = nullptr;
bool gFailedSinceOpen = false;

// The link went away by itself (the server closed the conversation, the port's device went
// away). When no operation is under way (every operation dims CONNECT) the controls are
// brought into the state a failure leaves them in at once, not only at the next press.
void ReportLoss(const Msg &m)
{
    Fail(m);
    if (gLinkFailureSink)
        return;
    int busy = 1;
    GetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT, ATTR_DIMMED, &busy);
    if (!busy)
        SetButtonsDimmed(0, 0);
}
} // namespace

void SetLinkFailureSink(LinkFailureSink sink)
{
    gLinkFailureSink = sink;
}

bool LinkOpen()
{
    return UsingTcp() ? AppState.TcpConnected != 0 : IsComOpen(AppState.ComPort) != 0;
}

bool LinkReady()
{
    return LinkOpen() && !gFailedSinceOpen;
}

bool LinkFailureReported()
{
    return gFailedSinceOpen;
}

void ComPortLost(int port)
{
    if (port == AppState.ComPort)
        ReportLoss(kMsgPortLost);
}

void SetTimeout()
{
    gFailedSinceOpen = true;
    AppState.AcquisitionRunning = 0;
    AppState.SensorConnected = 0;
    AppState.ScanRunning = 0;
    if (gLinkFailureSink) {
        gLinkFailureSink(AppState.ErrorText);
        return;
    }
    SetCtrlVal(AppState.DataPanel, DATAP_STRING_STATUS, Tr(kMsgStatusTimeout));
    ShowStatus(kStatusLinkFailure, AppState.ErrorText);
    ShowLiveValuesStale(); // the last frame stays on the displays, no longer live
    AppendTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, AppState.ErrorText);
    AppendTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "\n\n");
    SetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_BUTTON_ACCEPT, ATTR_DIMMED, 1);
    SetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_BUTTON_CHANGE_BAUDRATE, ATTR_DIMMED, 1);
    SetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_BUTTON_GEN_HW_INFO_FILE, ATTR_DIMMED, 1);
    SetActiveTabPage(AppState.MainPanel, MAINP_TAB_MAIN, 0);
}

void InitRS232()
{
    AppState.AcquisitionRunning = 0;
    CloseCom(AppState.ComPort);
    AppState.OpenResult = OpenComConfig(
        AppState.ComPort, "", BaudrateOfIndex(AppState.BaudrateIndex), 0, 8, 1, 1024, 1024);
    if (AppState.OpenResult >= 0) {
        SetComTime(AppState.ComPort, kComReadTimeLimit);
        FlushInQ(AppState.ComPort);
        FlushOutQ(AppState.ComPort);
        SetCTSMode(AppState.ComPort, 0);
        InstallComLostCallback(AppState.ComPort, ComPortLost);
        gFailedSinceOpen = false;
        return;
    }
    Fail(Rs232ErrorText(AppState.OpenResult));
}

void InitTCP_IP()
{
    if (AppState.TcpConnected) {
        DisconnectFromTCPServer(AppState.TcpHandle);
        AppState.TcpConnected = 0;
    }
    SetWaitCursor(1);
    unsigned handle = 0;
    AppState.OpenResult = ConnectToTCPServerEx(&handle, AppState.PortNumber, AppState.ServerAddress,
                                               ClientTCPCB, nullptr, kTcpConnectTimeLimitMs, 0);
    SetWaitCursor(0);
    if (AppState.OpenResult >= 0) {
        AppState.TcpHandle = handle;
        AppState.TcpConnected = 1;
        gFailedSinceOpen = false;
        return;
    }
    Fail(TcpErrorText(AppState.OpenResult));
    AppState.TcpConnected = 0;
}

void CloseLink()
{
    if (AppState.TcpConnected) {
        DisconnectFromTCPServer(AppState.TcpHandle);
        AppState.TcpConnected = 0;
        AppState.TcpHandle = 0;
    }
    CloseCom(AppState.ComPort);
}

int ClientTCPCB(unsigned handle, int event, int, void *)
{
    if (event == TCP_DISCONNECT) {
        if (handle != AppState.TcpHandle || !AppState.TcpConnected) {
            DisconnectFromTCPServer(handle);
            return 0;
        }
        AppState.TcpHandle = 0;
        AppState.TcpConnected = 0;
        DisconnectFromTCPServer(handle); // releases the closed conversation
        ReportLoss(kMsgServerClosed);
    } else if (event == TCP_DATAREADY) {
        const int room = frame::kRxBufferSize - AppState.RxCount;
        if (room <= 0)
            return 0;
        const int n = ClientTCPRead(handle, AppState.RxBuffer + AppState.RxCount, room, 5000);
        if (n > 0)
            AppState.RxCount += n;
    }
    return 0;
}

int DataExchange(int count)
{
    if (count < frame::kHeaderSize || count > frame::kTxBufferSize)
        count = count < frame::kHeaderSize ? frame::kHeaderSize : frame::kTxBufferSize;
    std::memset(AppState.RxBuffer, 0, sizeof AppState.RxBuffer);
    AppState.ComStatus = 0;
    // Nothing to send on: a conversation the server closed, a port whose device went away, or
    // a protocol chosen on the connect page that has not been connected yet.
    if (!LinkOpen()) {
        Fail(UsingTcp() ? TcpErrorText(-12) : Rs232ErrorText(-3));
        return -1;
    }
    if (UsingTcp()) {
        // Bytes still pending belong to an earlier answer: they must not start this one.
        if (AppState.TcpConnected)
            ClientTCPDiscardInput(AppState.TcpHandle);
        AppState.RxCount = 0;
        if (AppState.TcpConnected)
            ClientTCPWrite(AppState.TcpHandle, AppState.TxBuffer, count, 2000);
    } else {
        FlushInQ(AppState.ComPort);
        FlushOutQ(AppState.ComPort);
        GetComStat(AppState.ComPort); // a line error of earlier traffic, flushed with it
        ComWrt(AppState.ComPort, AppState.TxBuffer, count);
    }
    // The answer's header and data are waited for with one setting of the serial port's wake
    // count each, reset once the exchange ends.
    std::optional<ComWake> wake;
    if (!UsingTcp())
        wake.emplace(AppState.ComPort);
    if (GetHeaderFrame() < 0)
        return -1;
    if (AppState.RxHeader.length == 0)
        return 1;
    return GetDataFrame();
}

namespace {
double gAnswerTimeLimit = kHeaderTimeLimit;
} // namespace

bool SetAnswerTimeLimit(double seconds)
{
    if (!(seconds >= kMinAnswerTimeLimit && seconds <= kMaxAnswerTimeLimit))
        return false;
    gAnswerTimeLimit = seconds;
    return true;
}

double AnswerTimeLimit()
{
    return gAnswerTimeLimit;
}

int GetHeaderFrame()
{
    const double start = Timer();
    bool alive;
    if (UsingTcp()) {
        alive = WaitFor(start, gAnswerTimeLimit, [] { return AppState.RxCount >= 8; });
    } else {
        // A line error ends the wait at once: the exchange fails whatever arrives after it.
        const int port = AppState.ComPort;
        const ComWake wake(port);
        alive = WaitFor(start, gAnswerTimeLimit, [port, &wake] {
            AppState.RxCount = GetInQLen(port);
            NoteLineError(port);
            wake.need(8);
            return AppState.RxCount >= 8 || AppState.ComStatus > 0;
        });
        if (alive) {
            NoteLineError(port);
            if (AppState.ComStatus == 0 && AppState.RxCount >= 8 &&
                ComRd(port, AppState.RxBuffer, 8) < 8)
                AppState.RxCount = 0;
            alive = IsComOpen(port) != 0; // the device may have gone during the read
        }
    }
    if (!alive)
        return -1;
    if (AppState.RxCount < 8 || AppState.ComStatus > 0) {
        Fail(kMsgTimeout);
        return -1;
    }
    if (CheckHeaderCRC() < 0)
        return -1;
    if (AppState.RxHeader.order == 0 &&
        (AppState.RxHeader.arg == 1 || AppState.RxHeader.arg == 2)) {
        Fail(AppState.RxHeader.arg == 1 ? kMsgInvalidOrder : kMsgCommError);
        return -1;
    }
    return 1;
}

int GetDataFrame()
{
    const int length = AppState.RxHeader.length; // at most 1064: CheckHeaderCRC refuses more
    const double start = Timer();
    bool alive;
    if (UsingTcp()) {
        alive =
            WaitFor(start, gAnswerTimeLimit, [length] { return AppState.RxCount >= length + 8; });
        if (alive && AppState.RxCount < length + 8) {
            Fail(kMsgTimeout);
            return -1;
        }
    } else {
        const int port = AppState.ComPort;
        const ComWake wake(port);
        alive = WaitFor(start, gAnswerTimeLimit, [port, length, &wake] {
            AppState.RxCount = GetInQLen(port);
            NoteLineError(port);
            wake.need(length);
            return AppState.RxCount >= length || AppState.ComStatus > 0;
        });
        if (alive)
            NoteLineError(port);
        if (alive && (AppState.RxCount < length || AppState.ComStatus > 0)) {
            Fail(kMsgTimeout);
            return -1;
        }
        if (alive && ComRd(port, AppState.RxBuffer + 8, length) < length) {
            if (!IsComOpen(port))
                return -1; // the device went away during the read: reported already
            Fail(kMsgTimeout);
            return -1;
        }
    }
    if (!alive)
        return -1;
    if (frame::crc8Update(AppState.RxBuffer, 8, length) != AppState.RxHeader.dataCrc) {
        Fail(kMsgBadData);
        return -1;
    }
    return 1;
}
