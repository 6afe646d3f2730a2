// Inside the user-interface layer: the registry of panels and controls that every part of the
// layer shares, and the helpers that raise callbacks and ask the popup responder. Only the
// layer's own files include this.
#pragma once

#include "platform/panel_table.h"
#include "platform/ui.h"

#include <QColor>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QString>

#include <map>
#include <utility>

class QAbstractButton;
class QComboBox;
class QEventLoop;
class QPainter;
class QRectF;
class QLabel;
class QObject;
class QWidget;

namespace uilayer {

struct CtrlRec {
    QWidget *widget = nullptr;
    CtrlCallbackPtr callback = nullptr;
    void *data = nullptr;
    int tabIndex = -1; // tab controls: the page that was active before the change
};

struct PanelRec {
    QWidget *widget = nullptr;
    const PanelDef *def = nullptr;
    int parent = 0;
    bool isPage = false;
    PanelCallbackPtr callback = nullptr;
    void *data = nullptr;
    std::map<int, CtrlRec> controls;
    bool popup = false;
};

struct Layer {
    std::map<int, PanelRec> panels;
    int nextPanel = 1;
    int nextDynamicCtrl = 0;
    QHash<QWidget *, std::pair<int, int>> ctrlOfWidget; // control widget -> (panel, control)
    QHash<QWidget *, int> panelOfWidget;                // panel or page widget -> panel
    QMultiHash<QWidget *, QLabel *> captions;           // control -> labels whose buddy it is
    PopupResponder responder;
    bool dismissingPopups = false; // the program is closing
    QEventLoop *loop = nullptr;
    bool quitPending = false;
    int quitCode = 0;
    QElapsedTimer clock;
    QObject *filter = nullptr;
    int waitCursorDepth = 0;
    // Focus taken from a control that was dimmed (the operator's last press) and where Qt put it
    // instead: undimming gives it back unless the operator has moved it since.
    QPointer<QWidget> focusBeforeDim, focusMovedTo;
};

Layer &L();
PanelRec *FindPanel(int panel);
CtrlRec *FindCtrl(int panel, int control);
QWidget *W(int panel, int control);
QString Q(const char *s);
QColor Rgb(int rgb);
Qt::PenStyle PenStyle(int style);
void Raise(int panel, int control, int event, int d1 = 0, int d2 = 0);
void RaisePanel(int panel, int event, int d1 = 0, int d2 = 0);
void RunAfterCommitHook(); // ui_marks.cpp

// The widget that owns `w` as a control: w itself or its nearest registered ancestor.
bool CtrlOf(QWidget *w, int *panel, int *control);
// The panel that `w` lies in (0: none).
int PanelOf(QWidget *w);
void ApplyItemValues(QComboBox *cb);
// Connects a control's widget signals to its callback's events.
void WireControl(int panel, int control, QWidget *w);
int RegisterPanel(QWidget *w, const PanelDef *def, int parent, bool isPage);
// Controls of the panel's definition inside its widget: the widget of that name whose nearest
// panel is this one.
void RegisterControls(int handle);
const PanelDef *DefByResource(int resource);
void ForgetWidgetTree(QWidget *w);
// Relabels a button and keeps its key: QAbstractButton::setText replaces the shortcut with the
// new text's mnemonic, so a function key from the panel file would be lost with every language
// switch.
void SetButtonText(QAbstractButton *b, const QString &text);
// A control's tooltip without the reason it is dimmed for (ATTR_DIMMED_REASON), and setting it:
// what the panel file and the language files give and take.
QString NormalToolTip(QWidget *w);
void SetNormalToolTip(QWidget *w, const QString &text);
// Panels that grow with their window (ui_resize.cpp): the `anchor` properties of the widgets
// under `root`, and a control the program moved keeps its new place when the panel grows.
void InstallAnchors(QWidget *root);
void AnchoredWidgetMoved(QWidget *w);
PopupRequest Request(PopupRequest::Kind kind, const char *title, const char *text);
// Asks the scripted responder, or answers for a closing program; false: show the popup.
bool AskResponder(const PopupRequest &req, PopupAnswer *answer);

// The chart of a report painted into `rect` in the report's font family (ui_reports.cpp); sizes
// in millimetres of the painter's device.
void PaintReportChart(QPainter &painter, const QRectF &rect, const ReportChart &chart,
                      const QString &family);
} // namespace uilayer
