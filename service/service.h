// The service functions: the receiver offsets and the setting-time factor on the service page
// (order 100), the password popup that unlocks that page at two levels, and the hardware
// information file written for support (order 194).
#pragma once

#include "app/messages.h"
#include "params/record.h"

#include <cstdint>
#include <string>

// ---- Offsets and setting-time factor (order 100) -----------------------------------------------
// Arguments of order 100.
enum : unsigned {
    kOffsetArgRead = 0,       // answer: CH0, CH1, factor x 10
    kOffsetArgCalculate = 1,  // answer: CH0, CH1 as measured now
    kOffsetArgWrite = 2,      // request: CH0, CH1
    kOffsetArgWriteFactor = 3 // request: factor x 10
};
inline constexpr int kOffsetReadAnswerBytes = 6;
inline constexpr int kOffsetCalcAnswerBytes = 4;

// The factor as it travels: tenths, truncated toward zero (2.55 -> 25, 0.99 -> 9); negative
// values give 0 and values beyond the word give 65535.
uint16_t SettingTimeFactorToWire(double factor);
double SettingTimeFactorFromWire(uint16_t word);

// The order-100 exchanges without the page, shared with the command-line tool. Each returns 1,
// or -1 after the failure went through SetTimeout; `values` is left alone on failure.
struct OffsetValues {
    uint16_t ch0 = 0, ch1 = 0;
    uint16_t factorWire = 0; // setting-time factor in tenths (read only)
};
int ReadOffsets(OffsetValues *values);
int CalculateOffsets(OffsetValues *values); // ch0, ch1 as measured now
int WriteOffsets(uint16_t ch0, uint16_t ch1);

// Each returns 1, or -1 after the exchange has reported its failure; the page is left as it was
// on failure.
int GetOffset();
int CalcOffset();
int SendOffset();
int SendSettingTimeFactor();

// Puts the offset instruction on the service page in the current language.
void SetOffsetInstruction();
// Hides the service page and returns to the parameter page.
void CloseServicePage();

extern const Msg kMsgCoverReceiver;

int CBF_ButtonSendOffset(int panel, int control, int event, void *, int, int);
int CBF_ButtonGetOffset(int panel, int control, int event, void *, int, int);
int CBF_ButtonCalcOffset(int panel, int control, int event, void *, int, int);
int CBF_EditOffsetVal(int panel, int control, int event, void *, int, int);
int CBF_EditSettingTimeFactor(int panel, int control, int event, void *, int, int);
int CBF_ButtonSendSettingTimeFactor(int panel, int control, int event, void *, int, int);
int CBF_ButtonCloseOffsetCompensation(int panel, int control, int event, void *, int, int);

// ---- Service password ------------------------------------------------------------------------
inline constexpr int kPasswordMaxLength = 20;
inline constexpr const char *kPasswordFirstLevel = "tarvek";
inline constexpr const char *kPasswordSecondLevel = "tarvekall";

// The level a typed password unlocks: 0 none, 1 first, 2 second (exact, case-sensitive).
int ServiceLevelOf(const char *password);

// Masks the password field and limits it to 20 characters (once, at start-up).
void InitPasswordCtrl();
// Clears the password field and shows the password popup, modal.
void ShowPasswordPanel();
// Makes the service page visible and active at `level` (1 or 2).
void UnlockServicePage(int level);

extern const Msg kMsgWrongPassword;

int CBF_StringEnterPW(int panel, int control, int event, void *, int, int);
int CBF_PASSWORDP(int panel, int event, void *, int, int);
int CBF_ButtonCancelPW(int panel, int control, int event, void *, int, int);

// ---- Hardware information file (order 194) ---------------------------------------------------
inline constexpr uint16_t kHwInfoAccessCode = 0x3C5A;
inline constexpr int kHwInfoBytes = 512;
inline constexpr int kHwInfoDataChars = 2 * kHwInfoBytes; // 256 words, 4 hex digits each
inline constexpr const char *kDefaultHardwareFileName = "HardwareInitialFile.ini";
inline constexpr const char *kHwFileDialogTitle = "HardwareInitialFile";
inline constexpr const char *kHwFileType = "Hardware Initial File";
inline constexpr const char *kHwScopeVersion = "ORVANTE2 Scope V1.3.0";
inline constexpr const char *kSectionHardwareInfo = "HARDWARE INFO";
inline constexpr const char *kKeyHardwareData = "DATA";
inline constexpr const char *kKeyFirmwareVersion = "FIRMWARE VERSION:";
inline constexpr const char *kSectionOffset = "OFFSET";
inline constexpr const char *kKeyOffsetCh0 = "OFFSET CH0";
inline constexpr const char *kKeyOffsetCh1 = "OFFSET CH1";

// The 512 bytes as 256 little-endian words, each as 4 upper-case hex digits: 1024 characters.
std::string HardwareDataText(const uint8_t *bytes);

// What the file holds, and its writer and the order-194 read without the pages, shared by the
// connect page and the command-line tool.
struct HardwareInfoFile {
    std::string firmwareId; // the identification text of order 7
    std::string data;       // HardwareDataText of the 512 bytes
    ParameterRecord parameters;
    int offsetCh0 = 0, offsetCh1 = 0;
};
// Writes the complete file atomically; Ini_WriteToFile's result.
int WriteHardwareInfoFile(const HardwareInfoFile &file, const char *path);
// Order 194 with the access code: 1 with HardwareDataText of the answer in `data`, or -1 after
// the failure went through SetTimeout (an answer shorter than 512 bytes counts as a bad data
// frame); `data` is left alone on failure.
int ReadHardwareInfo(std::string *data);

// Reads parameters, offsets and the hardware information from the sensor, asks for the file and
// writes it; progress and result go to the connect page's message box.
void GenerateHWInfoFile();

extern const Msg kMsgHwFileSaved;
extern const Msg kMsgHwFileNotSaved;
extern const Msg kMsgHwNoFileSelected;

// Installs the callbacks of the service page and the password popup, and registers the page's
// transfer buttons with the dimming of the operation controls.
void InstallServiceCallbacks();
