// For tests and tools that act as the operator with real mouse and keyboard events: the widget
// behind a panel or control. In the program only the layer's own ui_tree.cpp uses this.
#pragma once

class QWidget;

QWidget *PanelWidget(int panel);
QWidget *CtrlWidget(int panel, int control);
