// Language files: INI-style files that relabel a panel tree control by control, each text found
// by the constant names of its panel and control. LocalizePanel applies one to a panel, its
// child panels and its menu bar; the readers and the writer below work on the plain text tree
// of platform/ui_tree.h, so they are tested without a window.
//
// File layout. A header section, one section per panel (named by the panel's constant name:
// "Flags" 1 byte, "v" when "Title" is given) and one per control ("PANEL_CONTROL": "Type", the
// control's class, and "Flags", one byte per text of the class in the order below, "v" for a
// text given in the section, "u" for one the control keeps). A text flagged "v" whose item is
// missing is kept as well. Items with %d count from 0; table rows, columns and cells from 1.
//   1 plain      Tooltip
//   2 labelled   Label, Tooltip
//   3 string     Label, Default, Tooltip
//   4 text msg   Default, Tooltip
//   5 toggle     Label, On, Off, Tooltip
//   6 graph      Label, BXname, TXname, LYname, RYname, then the axis items LYitem_%d (LYitems
//                of them), RYitem_%d, BXitem_%d, TXitem_%d (from Version 101; before it one
//                X axis: Xitem_%d), then ANNOitem_%d (from Version 102), Tooltip
//   7 strip      Label, Xname, LYname, RYname, Xitem_%d, LYitem_%d, RYitem_%d, Tooltip
//   8 list       Label, ItemLabel_%d (NumItemLabels), ItemVal_%d (NumItemValues), Tooltip
//   9 table      Label, RowLabel_%d (Rows), ColLabel_%d (Cols), the cells "Cell(col,row)" row
//                by row, then for each ring cell, row by row, its items "Cell(col,row)_Item%d"
//                ("Cell(col,row)_Items" of them), Tooltip
//  10 tree       Label, ColLabel_%d (Cols), Item_%d (Items), ItemVal_%d (NumItemValues),
//                Tooltip; "ValueFlags" is a number, not a text
//  11 tab        TabLabel_%d (NumTabLabels), Tooltip
// The counts are read from the section, so Flags has one byte per text the file describes; a
// text beyond what the control has is ignored. The Tooltip byte exists from Version 200 on.
// Menu bars: one section per menu and menu item, named by the chain of constant names from
// the menu bar down ("MENUBAR_MENU_FILE_ITEM_OPEN"), with a 1-byte "Flags" and the text "Name".
#pragma once

#include "platform/ui_tree.h"
#include "support/ini.h"

inline constexpr const char *kLanguageHeaderSection = "LWCVI Language Resource File";
inline constexpr int kLanguageMagic = -1395807027; // 0xACCDACCD
inline constexpr int kLanguageVersion = 200;       // the version this program writes

// Results of LocalizePanel and LocalizeMenuBar: 0 or one of these.
inline constexpr int kLangCannotRead = -1;     // missing or unreadable file
inline constexpr int kLangNoVersion = -2;      // header without "Version"
inline constexpr int kLangBadMagic = -3;       // header without the right "Magic"
inline constexpr int kLangNoPanelSection = -4; // a panel's section missing or its Flags bad
inline constexpr int kLangBadPanel = -5;       // not a panel or menu bar of the layer
inline constexpr int kLangOutOfMemory = -12;

struct LanguageHeader {
    int version = 0;
    bool hasCharSet = false;
    int charSet = 0;
};

// Relabels `panel` and, depth first, the panels inside it from the language file at `path`;
// then its menu bar, if it has one. A failing panel leaves itself and every panel after it
// unchanged, and the menu bar too; panels before it keep their new texts.
int LocalizePanel(int panel, const char *path);
int LocalizeMenuBar(int menuBar, const char *path);

// ---- The format on plain data -----------------------------------------------------------------

int ReadLanguageHeader(IniText ini, LanguageHeader *header);
// Marks as given, in `panel`, the title and every text that the file gives for the panel's
// controls. kLangNoPanelSection when the panel's section is missing or its Flags is not one
// byte; then the tree is unchanged. Controls without a section, or whose section has another
// Type or a Flags of the wrong length, keep all their texts.
int ReadPanelTexts(IniText ini, const LanguageHeader &header, UiPanelTexts *panel);
int ReadMenuBarTexts(IniText ini, UiMenuBarTexts *menuBar);

// Writes the header (Version 200, the Magic, no CharSet).
int PutLanguageHeader(IniText ini);
// Writes the panel's section and its controls' sections: the given texts flagged "v" with their
// items, all others "u", counts as the tree has them.
int PutPanelTexts(IniText ini, const UiPanelTexts &panel);
int PutMenuBarTexts(IniText ini, const UiMenuBarTexts &menuBar);

// The section of a control: "PANEL_CONTROL".
std::string ControlSection(const std::string &panel, const std::string &control);
// The item names of a control's texts in Flags order, as the control itself has them
// (Version 200), each with the text it names.
struct TextSlot {
    std::string item;
    UiText *text;
};
std::vector<TextSlot> ControlTextSlots(UiCtrlTexts *control);
