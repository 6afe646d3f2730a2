// The generator of the two language files: the loaded panels describe their texts, the German
// table (tools/lang_german.txt) translates them. Tests compare its output with lang/ and
// ORVANTE2_UPDATE_LANG=1 writes it there.
#pragma once

#include "platform/ui_tree.h"
#include "support/language.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// The source tree, found from this file's own path.
std::string SourceDir();
std::string ReadWholeFile(const std::string &path);

struct GermanTable {
    std::map<std::string, std::string> byText;  // English text -> German
    std::map<std::string, std::string> byPlace; // "SECTION.Item" -> German
    std::set<std::string> owned;                // "SECTION.Item" the program sets itself
};
bool LoadGermanTable(const std::string &path, GermanTable *table, std::string *error);

// Panels in the order the language files visit them: `top`, then depth first inside it.
std::vector<int> PanelTree(int top);

// The section of a text: the panel's name for its title, else the control's section.
std::string Place(const UiPanelTexts &panel, const UiCtrlTexts *control, const std::string &item);

// Whether the language files give this text of a control (and so both files flag it "v"):
// every text with something in it, except a caption's text on its control (the caption has
// its own section), the contents of string fields and table cells, and the program's own.
bool FileGivesText(const GermanTable &table, const UiPanelTexts &panel, const UiCtrlTexts &c,
                   const TextSlot &slot);

struct GeneratedFiles {
    std::string english, german;      // file contents
    std::vector<std::string> missing; // "SECTION.Item: English text" without a German text
};
GeneratedFiles GenerateLanguageFiles(int topPanel, const GermanTable &table);
