// The table of panels and their controls, generated from the panel files at build time
// (tools/panelgen). The user-interface layer loads panels and finds controls through it.
#pragma once

struct PanelControlDef {
    const char *name;  // object name in the panel file, e.g. "BUTTON_SEND"
    const char *cls;   // widget class in the panel file, e.g. "QPushButton"
};

struct PanelDef {
    const char *name;       // panel constant name, e.g. "MAINP" or a tab page "TABP_CONNECT"
    const char *parent;     // "" for a panel file, else the panel that holds this tab page
    int resource;           // resource number of a panel file; 0 for tab pages
    const char *file;       // Qt resource path of the panel file ("" for tab pages)
    const PanelControlDef *controls;
    int controlCount;
    int firstControlId;     // controls are numbered firstControlId .. firstControlId + count - 1
};

extern const PanelDef kPanelDefs[];
extern const int kPanelDefCount;
extern const int kControlIdEnd; // first number free for controls created at run time
