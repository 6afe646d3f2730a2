// The capture on the scope panel as a document: SAVE keeps it as a capture file, LOAD shows a
// saved one on the scope panel without a sensor, with cursors and deltas as for a live capture.
#pragma once

#include "app/messages.h"
#include "scope/capture_file.h"

#include <string>

// Called when a capture has come in whole: notes when it was taken and its request.
void NoteScopeCaptureTaken(const ScopeRequest &request);
// New panels show no capture yet.
void ForgetShownScopeCapture();
// Whether a capture is on the scope panel (taken or loaded) to be saved.
bool ScopeCaptureShown();

// The capture on the scope panel with the scope page's settings, the sensor it came from (the
// connected one for a capture taken, the file's for one loaded), the comment and the cursors.
ScopeCapture ShownScopeCapture();
// Puts `capture` on the scope panel and the scope page: traces, settings, frequency and cycle
// time, comment and cursors; the deltas follow.
void ShowScopeCapture(const ScopeCapture &capture);

// What SAVE writes, by the path's ending (in any case): ".csv" the traces as CSV, ".png" and
// ".svg" a picture of the graph as the report draws it, any other the capture file.
enum class ScopeSaveKind { kCapture, kCsv, kPicture };
ScopeSaveKind ScopeSaveKindOf(const std::string &path);
// The file types SAVE offers, the capture file first (a FileSelectPopup filter).
extern const Msg kMsgScopeSaveTypes;

// SAVE and LOAD with their dialogs and messages; the result is also the status text returned.
std::string SaveScopeCaptureTo(const std::string &path);
std::string LoadScopeCaptureFrom(const std::string &path, bool *loaded);
// The result of a scope file operation on `path`: also a line in the status line, in the
// current language.
std::string ScopeFileOutcome(const Msg &what, const std::string &path);
// Reads a capture file for LOAD or a reference: true with `capture` filled, or false with the
// reason in `failure` (also in the status line).
bool ReadScopeCaptureFor(const std::string &path, ScopeCapture *capture, std::string *failure);

extern const Msg kMsgCaptureSaved;
extern const Msg kMsgCaptureNotSaved;
extern const Msg kMsgCaptureCsvSaved;
extern const Msg kMsgCapturePictureSaved;
extern const Msg kMsgCapturePictureNotSaved;
extern const Msg kMsgNoCaptureToSave;
extern const Msg kMsgCaptureLoaded;
extern const Msg kMsgNotACaptureFile;
extern const Msg kMsgCaptureDamaged;
extern const Msg kMsgCaptureUnreadable;

int CBF_ButtonSaveScopeCapture(int panel, int control, int event, void *, int, int);
int CBF_ButtonLoadScopeCapture(int panel, int control, int event, void *, int, int);
