// The record file viewer: a record file opened from the recorder page, every signal of it on one
// graph that zooms and moves, the file's header beside it, and the graph saved as a picture.
// It needs no sensor: it reads the file and nothing else.
#pragma once

#include "app/messages.h"
#include "recorder/record_file.h"

#include <string>
#include <vector>

// Reads `path` and shows it in the viewer window. A file that is not a record file, or that
// cannot be read, leaves the window as it was and tells the operator why; false then.
bool OpenRecordView(const char *path);
void CloseRecordView();
int RecordViewPanel(); // the window's panel handle (0 before it was first shown)

// Where the viewer's x axis puts each line: hours since the first line (as the nearest float
// while that resolves a second),
// or, when the file's clock runs back somewhere (a clock change, recordings appended from
// another computer), the line number from 1; `clockBackAt` (optional) then gets the index of the
// first line earlier than the one before it (0: the clock never ran back).
std::vector<double> RecordViewX(const std::vector<int64_t> &time, size_t *clockBackAt = nullptr);

// The callbacks of the recorder page's button and of the window's controls.
int CBF_ButtonOpenRecord(int panel, int control, int event, void *, int, int);
int CBF_RECVIEWP(int panel, int event, void *, int, int);
int CBF_DispRecViewFile(int panel, int control, int event, void *, int, int);
int CBF_ButtonRecViewWhole(int panel, int control, int event, void *, int, int);
int CBF_ButtonRecViewPicture(int panel, int control, int event, void *, int, int);
int CBF_ButtonRecViewClose(int panel, int control, int event, void *, int, int);
int CBF_GraphRecView(int panel, int control, int event, void *, int, int);
void InstallRecordViewCallbacks(); // the recorder page's button

// Why a file was not shown (followed by a line break and the path).
extern const Msg kMsgRecordUnreadable;
extern const Msg kMsgRecordEmpty;
extern const Msg kMsgRecordForeign;
extern const Msg kMsgRecordNoLines;
extern const Msg kMsgRecordDamaged;
// The status line after a file was opened, and after its picture was saved.
extern const Msg kStatusRecordOpened;
extern const Msg kStatusPictureSaved;
