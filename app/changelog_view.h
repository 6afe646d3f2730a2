// The change log view: every record of the change log, newest first, filtered by a sensor's
// serial number, in a window of its own opened from the connect page.
#pragma once

#include "app/messages.h"

#include <string>

void ShowChangeLogView();
// Fills the table from the log with the records of `serial` (empty: all).
void FillChangeLogView(const std::string &serial);
void CloseChangeLogView();
int ChangeLogPanel(); // the window's panel handle (0 before it was first shown)

// The texts of a record's fixed words in the current language (PARAMETERS, OK, ...).
std::string ChangeWordText(const std::string &word);

int CBF_ButtonChangeLog(int panel, int control, int event, void *, int, int);
int CBF_CHANGELOGP(int panel, int event, void *, int, int);
int CBF_StringLogSerial(int panel, int control, int event, void *, int, int);
int CBF_ButtonLogFilter(int panel, int control, int event, void *, int, int);
int CBF_TableLog(int panel, int control, int event, void *, int, int);
int CBF_ButtonCloseLog(int panel, int control, int event, void *, int, int);
void InstallChangeLogCallbacks(); // the connect page's button

extern const Msg kMsgChangeLogCount;
extern const Msg kMsgChangeLogSkipped;
extern const Msg kMsgChangeLogUnreadable;
