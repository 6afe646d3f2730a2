// Live acquisition: GO starts a loop that asks the sensor for one data frame after the other
// (order 8) and shows each on the data panel and the live charts until STOP, a tab change to the
// connect or scope page, closing the window or a link failure clears AcquisitionRunning. SEND
// and GET pressed meanwhile are served between two frames, SEND first. Also the data panel's
// displays and their help texts.
#pragma once

// The live loop; returns when AcquisitionRunning is no longer 1.
void GetData();
// Shows DataFrame on the data panel, the conversion table page and the LEDs, then pushes it into
// the live chart buffers. Used by the live loop and the recorder.
void SetPanelData();
// After a link failure and DISCONNECT the displays, LEDs and charts keep the last frame, which
// is no longer live: they are shown stale (greyed) until the next frame is shown.
void ShowLiveValuesStale();
// Switches the sensor's automatic sending off (order 30, argument 0); the result is not examined.
void StopAutoSend();

void InstallLiveCallbacks();

int CBF_ButtonGo(int panel, int control, int event, void *, int, int);
int CBF_ButtonStop(int panel, int control, int event, void *, int, int);
int CBF_TabDataP(int panel, int control, int event, void *, int, int);
int CBF_DispCha(int panel, int control, int event, void *, int, int);
int CBF_DispSig(int panel, int control, int event, void *, int, int);
int CBF_DispRef(int panel, int control, int event, void *, int, int);
int CBF_DispTemp(int panel, int control, int event, void *, int, int);
int CBF_DispMaxMin(int panel, int control, int event, void *, int, int);
int CBF_DispAnaOut(int panel, int control, int event, void *, int, int);
int CBF_LedOut(int panel, int control, int event, void *, int, int);
int CBF_LedIn(int panel, int control, int event, void *, int, int);
// A right double click clears the connect page's message box.
int CBF_DispStatus(int panel, int control, int event, void *, int, int);
int CBF_DATAP(int panel, int event, void *, int, int);
