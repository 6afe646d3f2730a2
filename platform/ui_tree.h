// A panel's object tree with its texts, as plain data: what the language files read and write.
// The layer describes a panel (its name, title and, in control order, each control's class and
// current texts), and applies a changed tree back onto the widgets. Menu bars have a tree of
// their own. Nothing here depends on Qt; the implementation is the layer's (ui_tree.cpp).
#pragma once

#include <string>
#include <vector>

// Control classes, by the texts a control carries. The mapping from the layer's widget kinds:
//   1 plain      QFrame (decorations), a picture QLabel (PICTURE_...), anything else without text
//   2 labelled   QPushButton, QSpinBox, QDoubleSpinBox, QSlider, LedCtrl, QGroupBox
//   3 string     QLineEdit, QPlainTextEdit, QTextEdit, an editable QComboBox
//   4 text msg   QLabel
//   5 toggle     a checkable QPushButton, QCheckBox, QRadioButton
//   6 graph      GraphCtrl
//   7 strip      StripChartCtrl
//   8 list       a QComboBox that is not editable, QListWidget
//   9 table      QTableWidget
//  10 tree       QTreeWidget
//  11 tab        QTabWidget
// The label of a control that has no text of its own (numerics, rings, strings, LEDs, ...) is
// the text of its caption, the QLabel whose buddy it is; setting it relabels the caption.
enum UiCtrlClass {
    kClassPlain = 1,
    kClassLabelled = 2,
    kClassString = 3,
    kClassTextMsg = 4,
    kClassToggle = 5,
    kClassGraph = 6,
    kClassStripChart = 7,
    kClassList = 8,
    kClassTable = 9,
    kClassTree = 10,
    kClassTab = 11,
};

// One text of the tree. `given` marks a text that a reader put in; only those are applied.
struct UiText {
    std::string text;
    bool given = false;
    void set(std::string t)
    {
        text = std::move(t);
        given = true;
    }
};

struct UiCtrlTexts {
    int control = 0;  // control number
    std::string name; // constant name, e.g. "BUTTON_SEND"
    int cls = kClassPlain;
    bool captioned = false; // the label is a caption's text (no text of its own)

    UiText label, tooltip;
    UiText defaultText;     // class 3: the text of the field; class 4: the message text
    UiText onText, offText; // class 5: shown while checked / unchecked
    // Graphs: bottom and top x axis, left and right y axis; strip charts use bottomX as their
    // one x axis. Axis items are the value labels of an axis.
    UiText bottomXName, topXName, leftYName, rightYName;
    std::vector<UiText> bottomXItems, topXItems, leftYItems, rightYItems, annotations;
    std::vector<UiText> items;                // list item labels, tab labels, tree item texts
    std::vector<UiText> itemValues;           // text item values (lists and trees with text values)
    std::vector<UiText> rowLabels, colLabels; // tables (and tree columns)
    int rows = 0, cols = 0;
    std::vector<UiText> cells;                  // tables: rows x cols, in row order
    std::vector<std::vector<UiText>> cellItems; // per cell: the items of a ring cell, else empty
};

struct UiPanelTexts {
    int panel = 0;
    std::string name; // constant name, e.g. "MAINP" or a tab page "TABP_CONNECT"
    UiText title;     // window title; a tab page's title is its tab label
    std::vector<UiCtrlTexts> controls;
};

// A menu bar: every menu and menu item with a constant name, depth first; `path` is the chain of
// constant names from the menu bar down, joined by '_' ("MENUBAR_MENU_FILE_ITEM_OPEN").
struct UiMenuEntry {
    std::string path;
    UiText name;
};
struct UiMenuBarTexts {
    int menuBar = 0;
    std::string name;
    std::vector<UiMenuEntry> entries;
};

// Describes the panel with its current texts. 0, or a negative layer error.
int DescribePanelTexts(int panel, UiPanelTexts *texts);
// Puts every given text of the tree onto the panel. Controls are found by number.
int ApplyPanelTexts(const UiPanelTexts &texts);
// The panels that lie directly inside `panel`: its tab pages first, then its child panels,
// each group in the order it was loaded.
std::vector<int> ChildPanels(int panel);
// Qt draws Unicode whatever the character set, so the panel only keeps the number.
int SetPanelCharSet(int panel, int charSet);

// A panel's menu bar is addressed by the panel's handle; 0 when the panel has none.
int GetPanelMenuBar(int panel);
int DescribeMenuBarTexts(int menuBar, UiMenuBarTexts *texts);
int ApplyMenuBarTexts(const UiMenuBarTexts &texts);

// The controls of a panel from its panel file, in their order there.
std::vector<int> PanelControls(int panel);
// The callback a control names in its panel file ("" for none), and whether the program has
// installed a callback on it.
std::string CtrlCallbackName(int panel, int control);
bool CtrlCallbackInstalled(int panel, int control);

// ---- Layer access, implemented in ui.cpp
// ---------------------------------------------------------
struct PanelDef;
const PanelDef *LayerPanelDef(int panel);
int LayerPanelParent(int panel); // 0 for a top-level panel, -1 for an unknown handle
bool LayerPanelIsPage(int panel);
std::vector<int> LayerPanelHandles(); // every panel, in the order loaded
bool LayerCtrlHasCallback(int panel, int control);
