// For tests and tools that act as the operator with real mouse and keyboard events: the widget
// behind a panel or control. Nothing in the program itself uses this.
#pragma once

class QWidget;

QWidget *PanelWidget(int panel);
QWidget *CtrlWidget(int panel, int control);
