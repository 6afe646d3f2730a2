// In-memory INI store behind every INI-style file of the program (panel settings, parameter,
// conversion table, hardware information and language files): build a store and write it to a
// file, or read a file into a store and look items up. Standard library and POSIX only.
#pragma once

#include <cstddef>

// Results: 1 = found, 0 = not found or success, negative = one of the codes below.
inline constexpr int kIniOutOfMemory = -12;
inline constexpr int kIniNullArgument = -65;       // null store, missing or empty argument
inline constexpr int kIniPathNotExaminable = -91;  // the target path cannot be examined
inline constexpr int kIniIoError = -93;            // any other input/output error
inline constexpr int kIniAccessDenied = -95;       // target not writable, or the write refused
inline constexpr int kIniDiskFull = -97;
inline constexpr int kIniCannotOpenFile = -5001;   // the file to read cannot be opened
inline constexpr int kIniReadError = -5002;
inline constexpr int kIniNoTempName = -5003;       // all temporary file names are taken
inline constexpr int kIniCannotCreateTemp = -5004;
inline constexpr int kIniInvalidInteger = -5021;   // Ini_GetInt: the value is not an integer

// Format limits. A value whose stored (escaped) text is longer than kIniMaxValueLineLength is
// written as "<name> Line0001", "<name> Line0002", ... items and joined again on reading.
inline constexpr std::size_t kIniMaxLineLength = 1024;
inline constexpr std::size_t kIniMaxNameLength = 255;
inline constexpr std::size_t kIniMaxValueLineLength = 80;

struct IniStore;
using IniText = IniStore *;

// Sections and items keep the order in which they were put or read. Sorting is not supported:
// the flag is accepted for the callers' sake and ignored. Returns null when memory is short.
IniText Ini_New(int automaticSorting);
void Ini_Dispose(IniText store);  // null is accepted

// Section and item names are matched case-insensitively (ASCII), with white space around them
// ignored, and cut at kIniMaxNameLength characters; the first matching section, and the first
// matching item in it, is the one used. A put into a missing section appends the section; a put
// of an existing item replaces its value in place, otherwise the item is appended. Empty names
// are refused with kIniNullArgument, since such an item could never be read back.

// Stores the text escaped (\t \n \r \" \\ and \xNN for other control characters), quoted.
int Ini_PutString(IniText store, const char *section, const char *item, const char *text);
// Stores the value as decimal text, unquoted.
int Ini_PutInt(IniText store, const char *section, const char *item, int value);
// Stores raw bytes (any values, NUL included) as an escaped, quoted string.
int Ini_PutData(IniText store, const char *section, const char *item, const void *data,
                std::size_t size);

// Writes the whole store as CR LF text to a temporary file beside the target, syncs it and
// renames it over the target. On any failure the temporary file is removed and an existing
// target is left exactly as it was. An existing target must be a writable regular file.
int Ini_WriteToFile(IniText store, const char *path);
// Adds the file's sections and items to the store (after any it already holds). On a read
// error what was parsed until then stays in the store.
int Ini_ReadFromFile(IniText store, const char *path);

// Clears the buffer, then copies the unescaped value, cut to bufferSize - 1 bytes and
// terminated. Returns 1 found (also when cut), 0 not found.
int Ini_GetStringIntoBuffer(IniText store, const char *section, const char *item, char *buffer,
                            std::size_t bufferSize);
// Returns 1 and sets *value for a valid decimal integer (white space around it allowed, sign
// directly before the digits, within int range); 0 when the item is missing or its value blank;
// kIniInvalidInteger otherwise. *value is untouched unless 1 is returned.
int Ini_GetInt(IniText store, const char *section, const char *item, int *value);
// Copies at most bufferSize unescaped bytes into the buffer and sets *dataSize to the full
// length of the item's data, so a caller can tell a wrong length. Returns 1 found, 0 not found.
int Ini_GetData(IniText store, const char *section, const char *item, void *buffer,
                std::size_t bufferSize, std::size_t *dataSize);

int Ini_GetNumberOfSections(IniText store);  // counts duplicate sections; 0 for null
int Ini_SectionExists(IniText store, const char *section);  // 1 or 0
