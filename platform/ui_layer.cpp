// The user-interface layer's registry of panels and controls, its event filter (right clicks,
// double clicks, close requests), and the access that tests and the panel tree have to it.
#include "platform/ui_layer.h"

#include "platform/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>

namespace uilayer {

Layer &L()
{
    static Layer layer;
    return layer;
}

PanelRec *FindPanel(int panel)
{
    auto it = L().panels.find(panel);
    return it == L().panels.end() ? nullptr : &it->second;
}

CtrlRec *FindCtrl(int panel, int control)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return nullptr;
    auto it = p->controls.find(control);
    return it == p->controls.end() ? nullptr : &it->second;
}

QWidget *W(int panel, int control)
{
    CtrlRec *c = FindCtrl(panel, control);
    return c ? c->widget : nullptr;
}

QString Q(const char *s) { return QString::fromUtf8(s ? s : ""); }

QColor Rgb(int rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

Qt::PenStyle PenStyle(int style)
{
    switch (style) {
    case VAL_DASH: return Qt::DashLine;
    case VAL_DOT: return Qt::DotLine;
    default: return Qt::SolidLine;
    }
}

void Raise(int panel, int control, int event, int d1, int d2)
{
    CtrlRec *c = FindCtrl(panel, control);
    if (c && c->callback) {
        c->callback(panel, control, event, c->data, d1, d2);
        if (event == EVENT_COMMIT)
            RunAfterCommitHook();
    }
}

void RaisePanel(int panel, int event, int d1, int d2)
{
    PanelRec *p = FindPanel(panel);
    if (p && p->callback)
        p->callback(panel, event, p->data, d1, d2);
}

// The widget that owns `w` as a control: w itself or its nearest registered ancestor.
bool CtrlOf(QWidget *w, int *panel, int *control)
{
    for (; w; w = w->parentWidget()) {
        auto it = L().ctrlOfWidget.find(w);
        if (it != L().ctrlOfWidget.end()) {
            *panel = it->first;
            *control = it->second;
            return true;
        }
        if (L().panelOfWidget.contains(w))
            return false;
    }
    return false;
}

int PanelOf(QWidget *w)
{
    for (; w; w = w->parentWidget()) {
        auto it = L().panelOfWidget.find(w);
        if (it != L().panelOfWidget.end())
            return *it;
    }
    return 0;
}

// Mouse and close events of all panels: right clicks go to the control's callback (and never
// open a context menu), double clicks too, the close button goes to the panel callback.
class EventFilter : public QObject {
public:
    bool eventFilter(QObject *obj, QEvent *ev) override
    {
        if (!obj->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(obj);
        switch (ev->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto *me = static_cast<QMouseEvent *>(ev);
            const bool dbl = ev->type() == QEvent::MouseButtonDblClick;
            int panel = 0, control = 0;
            if (CtrlOf(w, &panel, &control)) {
                QWidget *cw = W(panel, control);
                if (!cw || !cw->isEnabled())
                    return false;
                if (me->button() == Qt::RightButton) {
                    Raise(panel, control, dbl ? EVENT_RIGHT_DOUBLE_CLICK : EVENT_RIGHT_CLICK);
                    return true;
                }
                if (me->button() == Qt::LeftButton) {
                    Raise(panel, control, dbl ? EVENT_LEFT_DOUBLE_CLICK : EVENT_LEFT_CLICK);
                    return false;
                }
                return false;
            }
            const int panelHandle = PanelOf(w);
            if (panelHandle && L().panelOfWidget.contains(w)) {
                if (me->button() == Qt::RightButton)
                    RaisePanel(panelHandle, dbl ? EVENT_RIGHT_DOUBLE_CLICK : EVENT_RIGHT_CLICK);
                else if (me->button() == Qt::LeftButton)
                    RaisePanel(panelHandle, dbl ? EVENT_LEFT_DOUBLE_CLICK : EVENT_LEFT_CLICK);
            }
            return false;
        }
        case QEvent::ContextMenu: {
            int panel = 0, control = 0;
            return CtrlOf(w, &panel, &control);
        }
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent *>(ev)->key();
            if (key == Qt::Key_Escape) {
                // Escape in a panel shown as a popup is its close request, as a dialog's is.
                for (int panel = PanelOf(w); panel > 0;) {
                    PanelRec *p = FindPanel(panel);
                    if (!p)
                        break;
                    if (p->popup && p->callback) {
                        RaisePanel(panel, EVENT_CLOSE);
                        return true;
                    }
                    panel = p->parent;
                }
                return false;
            }
            if (key != Qt::Key_Return && key != Qt::Key_Enter)
                return false;
            if (auto *cb = qobject_cast<QComboBox *>(w->parentWidget()))
                if (cb->isEditable() && cb->lineEdit() == w)
                    cb->setProperty("enterPending", true);
            return false;
        }
        case QEvent::Close: {
            auto it = L().panelOfWidget.find(w);
            if (it == L().panelOfWidget.end())
                return false;
            PanelRec *p = FindPanel(*it);
            if (!p || !p->callback)
                return false;
            ev->ignore();
            RaisePanel(*it, EVENT_CLOSE);
            return true;
        }
        default:
            return false;
        }
    }
};

void ApplyItemValues(QComboBox *cb)
{
    const QVariant v = cb->property("itemValues");
    const QStringList values = v.isValid() ? v.toString().split(';', Qt::SkipEmptyParts)
                                           : QStringList();
    for (int i = 0; i < cb->count(); ++i)
        cb->setItemData(i, i < values.size() ? values[i].trimmed().toInt() : i);
}

void WireControl(int panel, int control, QWidget *w)
{
    L().ctrlOfWidget.insert(w, {panel, control});
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        QObject::connect(b, &QAbstractButton::clicked, b,
                         [=] { Raise(panel, control, EVENT_COMMIT); });
    } else if (auto *s = qobject_cast<QSpinBox *>(w)) {
        s->setKeyboardTracking(false);
        QObject::connect(s, &QSpinBox::valueChanged, s, [=] {
            Raise(panel, control, EVENT_VAL_CHANGED);
            Raise(panel, control, EVENT_COMMIT);
        });
    } else if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
        d->setKeyboardTracking(false);
        QObject::connect(d, &QDoubleSpinBox::valueChanged, d, [=] {
            Raise(panel, control, EVENT_VAL_CHANGED);
            Raise(panel, control, EVENT_COMMIT);
        });
    } else if (auto *cb = qobject_cast<QComboBox *>(w)) {
        if (cb->isEditable()) {
            cb->setInsertPolicy(QComboBox::NoInsert);
            // Enter in the text and a pick from the list both commit, once: Enter on a text
            // that is in the list makes the combo box raise activated too, which is skipped.
            QObject::connect(cb->lineEdit(), &QLineEdit::returnPressed, cb, [=] {
                cb->setProperty("enterPending", false);
                Raise(panel, control, EVENT_COMMIT);
            });
            QObject::connect(cb, &QComboBox::activated, cb, [=] {
                if (!cb->property("enterPending").toBool())
                    Raise(panel, control, EVENT_COMMIT);
            });
        } else {
            ApplyItemValues(cb);
            QObject::connect(cb, &QComboBox::activated, cb, [=] {
                Raise(panel, control, EVENT_VAL_CHANGED);
                Raise(panel, control, EVENT_COMMIT);
            });
        }
    } else if (auto *le = qobject_cast<QLineEdit *>(w)) {
        QObject::connect(le, &QLineEdit::editingFinished, le, [=] {
            if (!le->isModified())
                return;
            le->setModified(false);
            Raise(panel, control, EVENT_COMMIT);
        });
    } else if (auto *sl = qobject_cast<QSlider *>(w)) {
        sl->setTracking(false);
        QObject::connect(sl, &QSlider::valueChanged, sl,
                         [=] { Raise(panel, control, EVENT_COMMIT); });
    } else if (auto *tab = qobject_cast<QTabWidget *>(w)) {
        FindCtrl(panel, control)->tabIndex = tab->currentIndex();
        QObject::connect(tab, &QTabWidget::currentChanged, tab, [=](int index) {
            CtrlRec *c = FindCtrl(panel, control);
            const int old = c ? c->tabIndex : -1;
            if (c)
                c->tabIndex = index;
            Raise(panel, control, EVENT_ACTIVE_TAB_CHANGE, old, index);
        });
    } else if (auto *t = qobject_cast<QTableWidget *>(w)) {
        QObject::connect(t, &QTableWidget::cellChanged, t, [=](int row, int col) {
            Raise(panel, control, EVENT_VAL_CHANGED, row + 1, col + 1);
            Raise(panel, control, EVENT_COMMIT, row + 1, col + 1);
        });
    } else if (auto *g = qobject_cast<GraphCtrl *>(w)) {
        QObject::connect(g, &GraphCtrl::cursorMoved, g,
                         [=] { Raise(panel, control, EVENT_VAL_CHANGED); });
        QObject::connect(g, &GraphCtrl::zoomed, g, [=] { Raise(panel, control, EVENT_ZOOM); });
    }
}

int RegisterPanel(QWidget *w, const PanelDef *def, int parent, bool isPage)
{
    const int handle = L().nextPanel++;
    PanelRec &p = L().panels[handle];
    p.widget = w;
    p.def = def;
    p.parent = parent;
    p.isPage = isPage;
    L().panelOfWidget.insert(w, handle);
    return handle;
}

// Controls of `def` inside `root`: the widget of that name whose nearest panel is `root`.
void RegisterControls(int handle)
{
    PanelRec &p = L().panels[handle];
    for (int i = 0; i < p.def->controlCount; ++i) {
        const QString name = QString::fromLatin1(p.def->controls[i].name);
        const auto candidates = p.widget->findChildren<QWidget *>(name);
        for (QWidget *c : candidates) {
            if (PanelOf(c->parentWidget()) != handle)
                continue;
            p.controls[p.def->firstControlId + i].widget = c;
            WireControl(handle, p.def->firstControlId + i, c);
            break;
        }
    }
}

const PanelDef *DefByResource(int resource)
{
    for (int i = 0; i < kPanelDefCount; ++i)
        if (kPanelDefs[i].resource == resource)
            return &kPanelDefs[i];
    return nullptr;
}

void ForgetWidgetTree(QWidget *w)
{
    L().ctrlOfWidget.remove(w);
    L().panelOfWidget.remove(w);
    L().captions.remove(w);
    for (QWidget *c : w->findChildren<QWidget *>()) {
        L().ctrlOfWidget.remove(c);
        L().panelOfWidget.remove(c);
        L().captions.remove(c);
    }
}

void SetButtonText(QAbstractButton *b, const QString &text)
{
    const QKeySequence keys = b->shortcut();
    b->setText(text);
    if (!keys.isEmpty() && b->shortcut() != keys)
        b->setShortcut(keys);
}

PopupRequest Request(PopupRequest::Kind kind, const char *title, const char *text)
{
    PopupRequest r{kind, title ? title : "", text ? text : ""};
    return r;
}

bool AskResponder(const PopupRequest &req, PopupAnswer *answer)
{
    if (L().dismissingPopups) {
        // The program is closing: every further question is answered the cautious way
        // (No, the second button, no file, no printer) without being shown.
        *answer = PopupAnswer{};
        if (req.kind == PopupRequest::kGeneric)
            answer->result = GENERIC_MSG_BUTTON_2;
        if (req.kind == PopupRequest::kFileSelect)
            answer->result = VAL_NO_FILE_SELECTED;
        return true;
    }
    if (!L().responder)
        return false;
    *answer = L().responder(req);
    return true;
}

} // namespace uilayer

using namespace uilayer;

// ---- Layer -------------------------------------------------------------------------------------

int InitUserInterfaceLayer()
{
    if (!qApp)
        return -1;
    L().clock.start();
    // A quit asked for while no loop ran belongs to the session that asked: a new session's
    // RunUserInterface must not end at once because of it.
    L().quitPending = false;
    if (!L().filter) {
        L().filter = new EventFilter;
        qApp->installEventFilter(L().filter);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window carries the program's icon (window managers and taskbars take it from the
    // window, not from the desktop file).
    if (QApplication::windowIcon().isNull()) {
        QIcon icon;
        for (const char *size : {"48x48", "128x128", "256x256"})
            icon.addFile(QStringLiteral(":/icons/%1/orvante2-scope.png").arg(QLatin1String(size)));
        QApplication::setWindowIcon(icon);
    }
    QGuiApplication::setDesktopFileName(QStringLiteral("orvante2-scope"));
    return 0;
}

void CloseUserInterfaceLayer()
{
    if (L().filter) {
        qApp->removeEventFilter(L().filter);
        delete L().filter;
        L().filter = nullptr;
    }
}

// ---- Test access -------------------------------------------------------------------------------

#include "platform/ui_testing.h"

QWidget *PanelWidget(int panel)
{
    PanelRec *p = FindPanel(panel);
    return p ? p->widget : nullptr;
}

QWidget *CtrlWidget(int panel, int control)
{
    return W(panel, control);
}

// ---- Panel tree access (platform/ui_tree.cpp) -------------------------------------------------------

#include "platform/ui_tree.h"

const PanelDef *LayerPanelDef(int panel)
{
    PanelRec *p = FindPanel(panel);
    return p ? p->def : nullptr;
}

int LayerPanelParent(int panel)
{
    PanelRec *p = FindPanel(panel);
    return p ? p->parent : -1;
}

bool LayerPanelIsPage(int panel)
{
    PanelRec *p = FindPanel(panel);
    return p && p->isPage;
}

std::vector<int> LayerPanelHandles()
{
    std::vector<int> handles; // handles grow with every panel loaded, so this is load order
    for (const auto &entry : L().panels)
        handles.push_back(entry.first);
    return handles;
}

bool LayerCtrlHasCallback(int panel, int control)
{
    CtrlRec *c = FindCtrl(panel, control);
    return c && c->callback;
}
