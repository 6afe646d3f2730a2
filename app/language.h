// The language switch: German (0) or English (1) for every text the program shows. The panels
// are relabelled from the language files; the program's own texts follow AppState.LanguageIndex
// through Tr() from the next text shown on.
#pragma once

#include "app/messages.h"

#include <string>

inline constexpr const char *kLanguageFileGerman = "language_ger.lwl";
inline constexpr const char *kLanguageFileEnglish = "language_eng.lwl";

// The service page's offset instruction, put there in the current language by InitLanguage.
inline constexpr Msg kMsgOffsetInstruction{
    "Sicherstellen, dass der Empfaenger des Sensors verdeckt ist! \n\nOFFSET BERECHNEN waehlen "
    "um den Offset zu ermitteln. \n\nOFFSET SENDEN waehlen um den Sensor zu aktualisieren.",
    "Make sure that the Receiver of the sensor is covered! \n\nPush CALCULATE OFFSET to detect "
    "the offset. \n\nPush SEND OFFSET to update the sensor."};

// Applies the language chosen on the connect page's language selector: reads it into
// LanguageIndex, relabels the main panel with everything inside it from that language's file
// (any index but 0 and 1 relabels nothing) and puts the offset instruction in that language.
void InitLanguage();

// The program's data directory when it is installed in a prefix (bin/orvante2-scope,
// share/orvante2-scope/): `programDir`/../share/orvante2-scope, cleaned; "" for an empty dir.
inline constexpr const char *kInstalledDataSubdir = "share/orvante2-scope";
std::string InstalledDataDirectory(const std::string &programDir);

// Where the program's own files (language files, logo) are looked for: in `programDir`, where
// the build puts them beside the program, else in `currentDir`, else in the installed data
// directory. The first that holds the file wins; when none does, the bare name is returned,
// which then fails to open.
std::string FindProgramFile(const char *name, const std::string &programDir,
                            const std::string &currentDir);
// The same beside this program, else in the current directory, else in the data directory.
std::string FindProgramFile(const char *name);
// The path InitLanguage opens for language `index` (0 or 1); "" for any other index.
std::string LanguageFilePath(int index);
// Makes LanguageFilePath look only in `dir`; an empty `dir` restores the normal search.
void SetLanguageDirectory(const std::string &dir);
