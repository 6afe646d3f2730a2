// The one global record of shared state. Every module reads and writes it on the user-interface
// thread; the comment of each group names the module that owns its fields.
#pragma once

#include "link/frame.h"

#include <cstdint>

struct RxHeaderFields {
    uint8_t order = 0;
    uint16_t arg = 0;
    uint16_t length = 0;
    uint8_t dataCrc = 0;
};

struct AppStateRec {
    // Panels and pages (start-up).
    int MainPanel = 0, DataPanel = 0, GraphPanel = 0, ScopePanel = 0, ConvPanel = 0,
        PasswordPanel = 0;
    int TabConnect = 0, TabParam = 0, TabThreshold = 0, TabConvTable = 0, TabRecorder = 0,
        TabScope = 0, TabService = 0;
    int DataPage0 = 0, DataPage1 = 0;

    // Language: 0 German, 1 English.
    int LanguageIndex = 1;

    // Link settings (connect page) and link state (transport).
    uint16_t ComProtocol = 0; // 0 RS-232, 1 TCP/IP
    uint16_t ComPort = 1;
    uint16_t BaudrateIndex = 4;
    char ServerAddress[256] = {};
    char PortNumberText[32] = "5000";
    unsigned int PortNumber = 5000;
    unsigned int TcpHandle = 0;
    uint16_t TcpConnected = 0;
    int OpenResult = 0;
    uint16_t SensorConnected = 0;

    // Run flags.
    uint16_t AcquisitionRunning = 0;
    uint16_t MemorySelect = 1; // 1 RAM, 2 EEPROM, 3 FILE
    uint16_t SendRequest = 0, GetRequest = 0;
    uint16_t ScanRunning = 0;

    // Exchange.
    uint8_t OrderNumber = 1;
    char ErrorText[256] = {};
    uint8_t TxFrame[frame::kTxBufferSize] = {};  // payload staged from byte 8
    uint8_t TxBuffer[frame::kTxBufferSize] = {}; // what is sent
    uint8_t RxBuffer[frame::kRxBufferSize] = {}; // header at 0..7, payload from 8
    RxHeaderFields RxHeader;
    int RxCount = 0;
    int ComStatus = 0;

    // Sensor identity.
    char FirmwareId[73] = {}; // 72 bytes of identification, always terminated
    char SensorName[256] = {};
    char SensorId[100] = {};
    long SensorSerial = -1; // order 15's answer at the last connect; -1 unknown

    // Last used files and the settings file.
    char ParameterFilePath[260] = {};
    char RecordFilePath[260] = {};
    char HardwareFilePath[260] = {};
    char ConvTableFilePath[260] = {};
    char SettingsPath[260] = {};
};

extern AppStateRec AppState;

// Copies text into a fixed field, cutting it to the field's size.
template <size_t N> void CopyField(char (&field)[N], const char *text)
{
    size_t i = 0;
    for (; text && text[i] && i + 1 < N; ++i)
        field[i] = text[i];
    field[i] = '\0';
}
