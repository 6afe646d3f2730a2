// The scope's capture: the sensor's scan frequency and cycle time (order 105), and triggered
// captures of 128 samples of CH0, CH1, SIG and the status word that the sensor takes itself and
// sends as four blocks (order 110), unrolled into traces and plotted on the scope panel.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

inline constexpr int kScopeSamples = 128;
inline constexpr int kScopeBlockCount = 4;                     // CH0, CH1, SIG, status
inline constexpr int kScopeBlockBytes = 2 * kScopeSamples + 2; // ring + ring index
inline constexpr int kScopeFrameBytes = 8 + kScopeBlockBytes;  // 266
inline constexpr int kScopeAnswerBytes = 8 + kScopeBlockCount * kScopeFrameBytes; // 1072
inline constexpr int kScopeRequestBytes = 8;
inline constexpr int kCycleTimeAnswerBytes = 8;

// The start request, read from the scope page just before it is sent.
struct ScopeRequest {
    int16_t TriggerLevel = 0;
    int16_t TriggerMode = 0; // 0 single shot, 1 rising, 2 falling, 3 OUT0 leaves tolerance, 4 IN0
    int16_t PreTrigger = 0;  // samples kept from before the trigger
    int16_t ScanRate = 1;    // one sample every ScanRate sensor cycles
};
// Writes the 8 little-endian request bytes.
void PackScopeRequest(const ScopeRequest &request, uint8_t *out);

using ScopeTrace = std::array<int16_t, kScopeSamples>;

// The traces of the last complete capture; they persist until the next one is complete and are
// what the signal selector and the printout show again.
struct ScopeTracesRec {
    ScopeTrace Ch0Trace{}, Ch1Trace{}, SigTrace{}, StatusTrace{};
};
extern ScopeTracesRec ScopeTraces;

// The sensor's cycle time in milliseconds as last measured; 0 before a measurement and after a
// failed one. Delta X of the cursors is counted in it.
extern double CycleTimeMs;

// A block's ring (its first 256 bytes) in trace order. Single shot (mode 0) takes the ring from
// position 0; the trigger modes start PreTrigger samples before the ring index, so the trigger
// sample lands at position PreTrigger. Any PreTrigger gives a valid start (modulo 128).
ScopeTrace UnrollScopeBlock(const uint8_t *block, int triggerMode, int preTrigger);

// The four status lines of the digital graph, one above the other: OUT1 (bit 1) at level 0,
// OUT0 (bit 0) at 2, IN1 (bit 9) at 4 and IN0 (bit 8) at 6; each is its level or level + 1.
struct DigitalLines {
    std::array<double, kScopeSamples> level2{}, level0{}, level6{}, level4{};
};
DigitalLines DigitalLinesOf(const ScopeTrace &status);

// What one frame of the scope answer is worth: the header must be good and announce a whole
// block, and the payload must match its check byte.
enum class ScopeFrameCheck { kGood, kBadHeader, kBadData };
ScopeFrameCheck CheckScopeFrame(const uint8_t *frame);

// The scan frequency from a cycle-time answer and how the two displays show it. A failed or
// meaningless answer (no time, negative counts) gives 0 everywhere.
struct CycleTimeDisplay {
    double frequencyHz = 0;
    double cycleTimeMs = 0;
    int frequencyPrecision = 2;
    int cycleTimePrecision = 0;
};
CycleTimeDisplay CycleTimeOf(bool answered, int32_t cycles, int32_t time100us);
// The same for a frequency known already (a saved capture's).
CycleTimeDisplay CycleTimeDisplayOf(double frequencyHz);

// Sensor operations: 1 on success, -1 on failure (reported through the link's failure handler).
int GetCycleTime();

// The two halves of a capture, without panels (SCAN and the command-line tool use both).
// StartScopeCapture sends the start request (order 110, argument 1, the 8 request bytes) and,
// once the sensor has acknowledged it, sets ScanRunning: 1, or -1 after a reported failure.
int StartScopeCapture(const ScopeRequest &request);
// Waits for the four blocks of the capture just started, checks them and unrolls them into
// `traces` block by block (callers pass a copy, so that a failed capture leaves theirs alone). The wait for the trigger has
// no limit of its own: it ends when ScanRunning is cleared (BREAK) or at `deadline` (Timer()
// seconds). 1 complete, 0 broken off, -1 link failure (reported), kScopeDeadlinePassed when the
// deadline came first (nothing reported, ScanRunning still set).
inline constexpr int kScopeDeadlinePassed = -2;
int ReceiveScopeBlocks(const ScopeRequest &request, ScopeTracesRec *traces,
                       double deadline = HUGE_VAL);

// 1 when the capture was plotted, 0 when it was broken off, -1 on a link failure.
int GetScopeData();
int BreakDataScan();
// Re-plots the analog traces the signal selector asks for (0 all, 1 CH0, 2 CH1, 3 SIG).
void PlotScopeSignals();
// Plots ScopeTraces whole: the analog traces as selected and the digital lines.
void PlotScopeTraces();

// Installs the callbacks of the scope page and the scope panel and registers the page's operation
// controls with the link's dimming.
void InstallScopeCallbacks();

int CBF_ButtonGetCycleTime(int panel, int control, int event, void *, int, int);
int CBF_ButtonScan(int panel, int control, int event, void *, int, int);
int CBF_ButtonBreakScan(int panel, int control, int event, void *, int, int);
int CBF_EditTriggerMode(int panel, int control, int event, void *, int, int);
int CBF_EditTriggerLevel(int panel, int control, int event, void *, int, int);
int CBF_EditPreTrigVal(int panel, int control, int event, void *, int, int);
int CBF_EditScanRate(int panel, int control, int event, void *, int, int);
int CBF_DispScanFreq(int panel, int control, int event, void *, int, int);
int CBF_EditScopeSignal(int panel, int control, int event, void *, int, int);
