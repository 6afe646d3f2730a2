// The transports and the one synchronous exchange with the sensor: open a COM port or a TCP
// conversation, send a request from TxBuffer, wait for the response header and payload (3.0 s
// each) into RxBuffer, and route every link failure through SetTimeout.
#pragma once

#include "app/messages.h"
#include "link/frame.h"

// Fixed limits of the exchange, in seconds.
inline constexpr double kHeaderTimeLimit = 3.0;
inline constexpr double kPayloadTimeLimit = 3.0;

// The limit each wait of GetHeaderFrame and GetDataFrame uses; kHeaderTimeLimit unless a caller
// (the command-line tool's --timeout) sets another. The one place that holds its range: values
// outside kMinAnswerTimeLimit .. kMaxAnswerTimeLimit (both taken) are refused with false.
inline constexpr double kMinAnswerTimeLimit = 0.05;
inline constexpr double kMaxAnswerTimeLimit = 60.0;
bool SetAnswerTimeLimit(double seconds);
double AnswerTimeLimit();
inline constexpr double kComReadTimeLimit = 2.0;
inline constexpr int kTcpConnectTimeLimitMs = 5000;

// Baud rate of a baud-rate index (0..7; any other index gives 115200).
long BaudrateOfIndex(int index);

// Completes the header in front of the payload staged in AppState.TxFrame and copies header and
// payload to AppState.TxBuffer.
void FillTxBuf(int order, unsigned arg, unsigned length);

// Checks RxBuffer bytes 0..7; 1 and RxHeader filled, or the failure reported and -1.
int CheckHeaderCRC();

void InitRS232();
void InitTCP_IP();
// Closes whichever transport is open; no message.
void CloseLink();
// Whether the transport of the chosen protocol is open (a closed conversation, a port whose
// device went away or a protocol not yet connected is not).
bool LinkOpen();
// Whether the link is open and no failure has been reported since it was opened: what the
// operation controls need to be of use (after a failure the next CONNECT opens it anew).
bool LinkReady();
// Whether a failure has been reported since the link was last opened.
bool LinkFailureReported();
// The COM port's device went away: reported through SetTimeout (installed by InitRS232).
void ComPortLost(int port);

// Sends `count` bytes of TxBuffer and waits for the answer: 1 on success, -1 on any failure.
int DataExchange(int count);
int GetHeaderFrame();
int GetDataFrame();

int ClientTCPCB(unsigned handle, int event, int error, void *callbackData);

// The link-failure handler. Every failure path puts its message into ErrorText first.
void SetTimeout();

// Where SetTimeout reports a failure. Without a sink (the app) it goes to the status display
// and the connect page's message box; a program without panels (the command-line tool) installs
// one that receives ErrorText instead. The run flags are cleared either way.
using LinkFailureSink = void (*)(const char *message);
void SetLinkFailureSink(LinkFailureSink sink);

// The messages of the exchange, for callers and tests.
extern const Msg kMsgTimeout;
extern const Msg kMsgBadHeader;
extern const Msg kMsgBadData;
extern const Msg kMsgInvalidOrder;
extern const Msg kMsgCommError;
extern const Msg kMsgServerClosed;
extern const Msg kMsgPortLost;
extern const Msg kMsgStatusTimeout; // the status display after any link failure
extern const Msg kStatusLinkFailure; // the status line's words before the failure's message
const Msg &Rs232ErrorText(int code);
const Msg &TcpErrorText(int code);
