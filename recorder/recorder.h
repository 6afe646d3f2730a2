// The recorder page: data frames written to the record file in four modes (at an interval for a
// number of frames, at an interval until STOP, one per click, and the frames the sensor sends by
// itself), each frame also added to the per-signal graphs of the graph panel. The loops run in
// the callback that started them and share AcquisitionRunning with the live loop.
#pragma once

#include "app/messages.h"

#include <cstdint>

enum RecordMode {
    kRecordCount = 0,     // interval recording of RecValues frames
    kRecordUntilStop = 1, // interval recording until STOP
    kRecordManual = 2,    // one frame per click
    kRecordTriggered = 3, // every frame the sensor sends by itself
};

// Recorder state. RecordFilePath lives in AppState (the panel settings store it).
extern double RecInterval;      // seconds between two requests, at least 0.25
extern uint16_t RecValues;      // frames to record in mode 0
extern uint16_t RecordedValues; // frames counted in modes 0 and 2

// Chooses the record file and writes its header.
void SelRecFile();
// Reads INTERVAL and VALUES, raises the interval to its minimum and shows the record time; the
// recorded count goes to 0 and the remaining count to VALUES.
void CalcRecTime();
// Shows the page's controls for the current record mode (a value above 3 changes nothing).
void InitRecordPanel();
// Interval recording with its questions and messages; RecordFrame is its loop.
void Record();
void RecordFrame();
// Recording of the frames the sensor sends on its own. Returns when AcquisitionRunning is no
// longer 1: true once order 30 switched the sending on (the caller switches it off again,
// whatever ended the loop), false when that start failed and nothing more is to be sent.
bool TriggeredRecord();
// Appends the current DataFrame, without a request, and counts it.
void RecordManually();
// Appends one line for the current DataFrame. False when the line could not be written whole
// (missing folder, full disk, no rights): the file then is as it was before, and the line is
// counted in RecordLinesLost.
bool ToFile();

// The lines of the current recording: written, and lost to a file that could not take them.
// Each start of a recording (and each manual line) sets both to 0 first.
extern unsigned RecordLinesWritten;
extern unsigned RecordLinesLost;
// What the operator hears of the file once a recording has ended: "File has been saved!" when
// every line of it was written; the number of lost lines and the path when any was lost; nothing
// when no line was recorded at all.
void ReportRecordFile();

void InstallRecorderCallbacks();

// The recorder's dialog title and messages. kMsgRecordLinesLost takes the lost and the recorded
// line counts (printf %u) and is followed by the path.
extern const Msg kMsgFileDialogTitle;
extern const Msg kMsgNoFile;
extern const Msg kMsgFileExists;
extern const Msg kMsgFileMustBeFree;
extern const Msg kMsgStartConfirm;
extern const Msg kMsgRecordSaved;
extern const Msg kMsgRecordLinesLost;

int CBF_ButtonSelRecFile(int panel, int control, int event, void *, int, int);
int CBF_DispRecFile(int panel, int control, int event, void *, int, int);
int CBF_ButtonStartRecord(int panel, int control, int event, void *, int, int);
int CBF_ButtonStopRecord(int panel, int control, int event, void *, int, int);
int CBF_ButtonStartTrigRec(int panel, int control, int event, void *, int, int);
int CBF_ButtonManualRecord(int panel, int control, int event, void *, int, int);
int CBF_EditSelectDataRec(int panel, int control, int event, void *, int, int);
int CBF_EditInterval(int panel, int control, int event, void *, int, int);
int CBF_EditRecVal(int panel, int control, int event, void *, int, int);
int CBF_DispRecordTime(int panel, int control, int event, void *, int, int);
int CBF_DispRecordedValues(int panel, int control, int event, void *, int, int);
int CBF_DispRemaining(int panel, int control, int event, void *, int, int);
