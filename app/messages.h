// Bilingual texts: every text the program itself shows is a pair {German, English}, chosen by
// AppState.LanguageIndex at the moment it is shown.
#pragma once

struct Msg {
    const char *de;
    const char *en;
};

// The text of `m` in the current language (English for any index but 0).
const char *Tr(const Msg &m);

// The title of every help and information popup.
inline constexpr Msg kMsgInfoTitle{"Info!", "Message!"};

// Shows a control's help text, titled "Info!" | "Message!".
void ShowHelp(const Msg &help);

// Dims or undims a control for a rule of its page; while dimmed, its tooltip gives `why` (in
// the current language, also after a language switch: RelabelDimReasons).
void DimForReason(int panel, int control, bool dimmed, const Msg &why);
void RelabelDimReasons();

// A file the program was asked to write and could not (missing folder, full disk, no rights):
// the text, a line break and the path. The file at that path, if any, is as it was.
inline constexpr Msg kMsgFileNotSaved{"Datei konnte nicht gespeichert werden!",
                                      "File could not be saved!"};
// Shows kMsgFileNotSaved for `path` in a message popup.
void ReportFileNotSaved(const char *path);
