// Implementation of the user-interface layer over Qt Widgets.
#include "platform/ui.h"

#include "platform/panel_table.h"
#include "platform/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QUiLoader>

#include <cmath>
#include <cstring>
#include <map>
#include <memory>

namespace {

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
};

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

void Raise(int panel, int control, int event, int d1 = 0, int d2 = 0)
{
    CtrlRec *c = FindCtrl(panel, control);
    if (c && c->callback)
        c->callback(panel, control, event, c->data, d1, d2);
}

void RaisePanel(int panel, int event, int d1 = 0, int d2 = 0)
{
    PanelRec *p = FindPanel(panel);
    if (p && p->callback)
        p->callback(panel, event, p->data, d1, d2);
}

// Shows '*' for every character of a password field, whatever the platform style uses.
class MaskStyle : public QProxyStyle {
public:
    explicit MaskStyle(QChar mask) : mask_(mask) {}
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *ret) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return mask_.unicode();
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }

private:
    QChar mask_;
};

class Loader : public QUiLoader {
public:
    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override
    {
        QWidget *w = nullptr;
        if (className == QLatin1String("LedCtrl"))
            w = new LedCtrl(parent);
        else if (className == QLatin1String("GraphCtrl"))
            w = new GraphCtrl(parent);
        else if (className == QLatin1String("StripChartCtrl"))
            w = new StripChartCtrl(parent);
        if (w) {
            w->setObjectName(name);
            return w;
        }
        return QUiLoader::createWidget(className, parent, name);
    }
};

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

int SetTableText(QTableWidget *t, int row, int col, const QString &text)
{
    if (row < 1 || col < 1 || row > t->rowCount() || col > t->columnCount())
        return UIE_BAD_INDEX;
    QTableWidgetItem *item = t->item(row - 1, col - 1);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        t->setItem(row - 1, col - 1, item);
    }
    item->setText(text);
    return 0;
}

} // namespace

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

// ---- Panels ------------------------------------------------------------------------------------

int LoadPanel(int parentPanel, int resource)
{
    const PanelDef *def = DefByResource(resource);
    if (!def)
        return UIE_LOAD_FAILED;
    QWidget *parentWidget = nullptr;
    if (parentPanel) {
        PanelRec *pp = FindPanel(parentPanel);
        if (!pp)
            return UIE_BAD_PANEL;
        parentWidget = pp->widget;
    }
    QFile file(QString::fromLatin1(def->file));
    if (!file.open(QIODevice::ReadOnly))
        return UIE_LOAD_FAILED;
    Loader loader;
    QWidget *w = loader.load(&file, nullptr);
    if (!w)
        return UIE_LOAD_FAILED;
    if (parentWidget) {
        const QSize size = w->size();
        w->setParent(parentWidget);
        w->resize(size);
        w->setAutoFillBackground(true);
    }
    w->hide();
    const int handle = RegisterPanel(w, def, parentPanel, false);
    // Tab pages of this panel are panels too.
    std::vector<int> pages;
    for (int i = 0; i < kPanelDefCount; ++i) {
        const PanelDef &page = kPanelDefs[i];
        if (std::strcmp(page.parent, def->name) != 0)
            continue;
        QWidget *pw = w->findChild<QWidget *>(QString::fromLatin1(page.name));
        if (pw)
            pages.push_back(RegisterPanel(pw, &page, handle, true));
    }
    RegisterControls(handle);
    for (int page : pages)
        RegisterControls(page);
    // A caption follows its control: shown, hidden, dimmed and relabelled with it.
    for (QLabel *label : w->findChildren<QLabel *>())
        if (label->buddy())
            L().captions.insert(label->buddy(), label);
    return handle;
}

int DiscardPanel(int panel)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    QWidget *w = p->widget;
    std::vector<int> gone;
    for (auto &[h, rec] : L().panels)
        for (QWidget *x = rec.widget; x; x = x->parentWidget())
            if (x == w) {
                gone.push_back(h);
                break;
            }
    ForgetWidgetTree(w);
    for (int h : gone)
        L().panels.erase(h);
    delete w;
    return 0;
}

int DisplayPanel(int panel)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    p->widget->show();
    p->widget->raise();
    return 0;
}

int HidePanel(int panel)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    p->widget->hide();
    return 0;
}

int IsPanelVisible(int panel)
{
    PanelRec *p = FindPanel(panel);
    return p && p->widget->isVisible() ? 1 : 0;
}

int InstallPopup(int panel)
{
    PanelRec *p = FindPanel(panel);
    if (!p || p->parent)
        return UIE_BAD_PANEL;
    p->popup = true;
    p->widget->setWindowModality(Qt::ApplicationModal);
    p->widget->show();
    p->widget->raise();
    p->widget->activateWindow();
    return 0;
}

int RemovePopup(int panel)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    p->popup = false;
    p->widget->hide();
    p->widget->setWindowModality(Qt::NonModal);
    return 0;
}

int SetPanelPos(int panel, int top, int left)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    p->widget->move(left, top);
    return 0;
}

int SetPanelSize(int panel, int height, int width)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    if (!p->parent && p->widget->isMaximized())
        p->widget->showNormal();
    p->widget->resize(width, height);
    return 0;
}

int SetPanelAttribute(int panel, int attr, int value)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    QWidget *w = p->widget;
    switch (attr) {
    case ATTR_TOP: w->move(w->x(), value); return 0;
    case ATTR_LEFT: w->move(value, w->y()); return 0;
    case ATTR_WIDTH: w->resize(value, w->height()); return 0;
    case ATTR_HEIGHT: w->resize(w->width(), value); return 0;
    case ATTR_VISIBLE: w->setVisible(value != 0); return 0;
    case ATTR_WINDOW_ZOOM:
        if (value == VAL_MAXIMIZE)
            w->setWindowState(w->windowState() | Qt::WindowMaximized);
        else if (value == VAL_MINIMIZE)
            w->setWindowState(w->windowState() | Qt::WindowMinimized);
        else
            w->setWindowState(Qt::WindowNoState);
        return 0;
    default: return UIE_BAD_ATTRIBUTE;
    }
}

int SetPanelAttribute(int panel, int attr, const char *value)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    if (attr != ATTR_TITLE)
        return UIE_BAD_ATTRIBUTE;
    p->widget->setWindowTitle(Q(value));
    return 0;
}

int GetPanelAttribute(int panel, int attr, int *value)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    QWidget *w = p->widget;
    switch (attr) {
    case ATTR_TOP: *value = w->y(); return 0;
    case ATTR_LEFT: *value = w->x(); return 0;
    case ATTR_WIDTH: *value = w->width(); return 0;
    case ATTR_HEIGHT: *value = w->height(); return 0;
    case ATTR_VISIBLE: *value = w->isVisible() ? 1 : 0; return 0;
    case ATTR_WINDOW_ZOOM:
        *value = w->isMaximized() ? VAL_MAXIMIZE : w->isMinimized() ? VAL_MINIMIZE : VAL_NO_ZOOM;
        return 0;
    default: return UIE_BAD_ATTRIBUTE;
    }
}

int CenterPanelOnScreen(int panel)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    QScreen *screen = p->widget->screen() ? p->widget->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    const QRect area = screen->availableGeometry();
    p->widget->move(area.x() + (area.width() - p->widget->width()) / 2,
                    area.y() + (area.height() - p->widget->height()) / 2);
    return 0;
}

int InstallPanelCallback(int panel, PanelCallbackPtr callback, void *callbackData)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    p->callback = callback;
    p->data = callbackData;
    return 0;
}

// ---- Controls ----------------------------------------------------------------------------------

int InstallCtrlCallback(int panel, int control, CtrlCallbackPtr callback, void *callbackData)
{
    CtrlRec *c = FindCtrl(panel, control);
    if (!c)
        return UIE_BAD_CONTROL;
    c->callback = callback;
    c->data = callbackData;
    return 0;
}

int SetCtrlVal(int panel, int control, int value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(w);
    if (auto *s = qobject_cast<QSpinBox *>(w))
        s->setValue(value);
    else if (auto *d = qobject_cast<QDoubleSpinBox *>(w))
        d->setValue(value);
    else if (auto *cb = qobject_cast<QComboBox *>(w)) {
        const int index = cb->findData(value);
        if (index < 0)
            return UIE_BAD_INDEX;
        cb->setCurrentIndex(index);
    } else if (auto *b = qobject_cast<QAbstractButton *>(w))
        b->setChecked(value != 0);
    else if (auto *sl = qobject_cast<QSlider *>(w))
        sl->setValue(value);
    else if (auto *led = qobject_cast<LedCtrl *>(w))
        led->setOn(value != 0);
    else
        return SetCtrlVal(panel, control, QByteArray::number(value).constData());
    return 0;
}

int SetCtrlVal(int panel, int control, double value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(w);
    if (auto *d = qobject_cast<QDoubleSpinBox *>(w))
        d->setValue(value);
    else if (auto *s = qobject_cast<QSpinBox *>(w))
        s->setValue(int(std::lround(value)));
    else if (qobject_cast<QLineEdit *>(w) || qobject_cast<QLabel *>(w))
        return SetCtrlVal(panel, control, QByteArray::number(value, 'g', 10).constData());
    else
        return SetCtrlVal(panel, control, int(std::lround(value)));
    return 0;
}

int SetCtrlVal(int panel, int control, const char *value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(w);
    const QString text = Q(value);
    if (auto *le = qobject_cast<QLineEdit *>(w)) {
        le->setText(text);
        le->setModified(false);
    } else if (auto *l = qobject_cast<QLabel *>(w))
        l->setText(text);
    else if (auto *t = qobject_cast<QPlainTextEdit *>(w))
        t->setPlainText(text);
    else if (auto *cb = qobject_cast<QComboBox *>(w)) {
        if (!cb->isEditable())
            return UIE_BAD_TYPE;
        cb->setEditText(text);
    } else if (auto *b = qobject_cast<QAbstractButton *>(w))
        b->setText(text);
    else
        return UIE_BAD_TYPE;
    return 0;
}

int GetCtrlVal(int panel, int control, int *value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    if (auto *s = qobject_cast<QSpinBox *>(w))
        *value = s->value();
    else if (auto *d = qobject_cast<QDoubleSpinBox *>(w))
        *value = int(d->value());
    else if (auto *cb = qobject_cast<QComboBox *>(w)) {
        if (cb->isEditable())
            *value = cb->currentText().toInt();
        else
            *value = cb->currentIndex() < 0 ? 0 : cb->currentData().toInt();
    } else if (auto *b = qobject_cast<QAbstractButton *>(w))
        *value = b->isChecked() ? 1 : 0;
    else if (auto *sl = qobject_cast<QSlider *>(w))
        *value = sl->value();
    else if (auto *led = qobject_cast<LedCtrl *>(w))
        *value = led->isOn() ? 1 : 0;
    else if (auto *le = qobject_cast<QLineEdit *>(w))
        *value = le->text().toInt();
    else
        return UIE_BAD_TYPE;
    return 0;
}

int GetCtrlVal(int panel, int control, unsigned short *value)
{
    int v = 0;
    const int r = GetCtrlVal(panel, control, &v);
    if (r >= 0)
        *value = static_cast<unsigned short>(v);
    return r;
}

int GetCtrlVal(int panel, int control, double *value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
        *value = d->value();
        return 0;
    }
    if (auto *le = qobject_cast<QLineEdit *>(w)) {
        *value = le->text().toDouble();
        return 0;
    }
    int v = 0;
    const int r = GetCtrlVal(panel, control, &v);
    if (r >= 0)
        *value = v;
    return r;
}

std::string GetCtrlText(int panel, int control)
{
    QWidget *w = W(panel, control);
    QString text;
    if (auto *le = qobject_cast<QLineEdit *>(w))
        text = le->text();
    else if (auto *l = qobject_cast<QLabel *>(w))
        text = l->text();
    else if (auto *t = qobject_cast<QPlainTextEdit *>(w))
        text = t->toPlainText();
    else if (auto *cb = qobject_cast<QComboBox *>(w))
        text = cb->currentText();
    else if (auto *b = qobject_cast<QAbstractButton *>(w))
        text = b->text();
    return text.toStdString();
}

int GetCtrlString(int panel, int control, char *buffer, int size)
{
    if (!W(panel, control))
        return UIE_BAD_CONTROL;
    if (size <= 0)
        return 0;
    const std::string text = GetCtrlText(panel, control);
    const size_t n = std::min(text.size(), size_t(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return 0;
}

int SetCtrlAttribute(int panel, int control, int attr, int value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    switch (attr) {
    case ATTR_DIMMED:
        w->setEnabled(value == 0);
        for (QLabel *l : L().captions.values(w))
            l->setEnabled(value == 0);
        return 0;
    case ATTR_VISIBLE:
        w->setVisible(value != 0);
        for (QLabel *l : L().captions.values(w))
            l->setVisible(value != 0);
        return 0;
    case ATTR_CTRL_MODE: {
        const bool indicator = value == VAL_INDICATOR;
        if (auto *sb = qobject_cast<QAbstractSpinBox *>(w)) {
            sb->setReadOnly(indicator);
            sb->setButtonSymbols(indicator ? QAbstractSpinBox::NoButtons
                                           : QAbstractSpinBox::UpDownArrows);
        } else if (auto *le = qobject_cast<QLineEdit *>(w))
            le->setReadOnly(indicator);
        else if (auto *t = qobject_cast<QTableWidget *>(w))
            t->setEditTriggers(indicator ? QAbstractItemView::NoEditTriggers
                                         : QAbstractItemView::DoubleClicked |
                                               QAbstractItemView::EditKeyPressed |
                                               QAbstractItemView::AnyKeyPressed);
        else {
            w->setAttribute(Qt::WA_TransparentForMouseEvents, indicator);
            w->setFocusPolicy(indicator ? Qt::NoFocus : Qt::StrongFocus);
        }
        return 0;
    }
    case ATTR_PRECISION:
        if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
            const QSignalBlocker block(d);
            d->setDecimals(value);
            return 0;
        }
        return UIE_BAD_TYPE;
    case ATTR_TEXT_COLOR: {
        QPalette pal = w->palette();
        pal.setColor(QPalette::WindowText, Rgb(value));
        pal.setColor(QPalette::Text, Rgb(value));
        pal.setColor(QPalette::ButtonText, Rgb(value));
        w->setPalette(pal);
        return 0;
    }
    case ATTR_TEXT_BGCOLOR:
    case ATTR_FRAME_COLOR: {
        if (value == VAL_TRANSPARENT) {
            w->setAutoFillBackground(false);
            QPalette pal = w->palette();
            pal.setColor(QPalette::Window, Qt::transparent);
            w->setPalette(pal);
            return 0;
        }
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, Rgb(value));
        pal.setColor(QPalette::Base, Rgb(value));
        pal.setColor(QPalette::Button, Rgb(value));
        w->setPalette(pal);
        w->setAutoFillBackground(true);
        return 0;
    }
    case ATTR_ON_COLOR:
        if (auto *led = qobject_cast<LedCtrl *>(w)) {
            led->setOnColor(Rgb(value));
            return 0;
        }
        return UIE_BAD_TYPE;
    case ATTR_TEXT_POINT_SIZE: {
        QFont f = w->font();
        f.setPointSize(value);
        w->setFont(f);
        if (w->property("autoSize").toBool())
            w->adjustSize();
        return 0;
    }
    case ATTR_TOP: w->move(w->x(), value); return 0;
    case ATTR_LEFT: w->move(value, w->y()); return 0;
    case ATTR_WIDTH: w->resize(value, w->height()); return 0;
    case ATTR_HEIGHT: w->resize(w->width(), value); return 0;
    case ATTR_MAX_ENTRY_LENGTH:
        if (auto *le = qobject_cast<QLineEdit *>(w)) {
            le->setMaxLength(value > 0 ? value : 32767);
            return 0;
        }
        return UIE_BAD_TYPE;
    case ATTR_PASSWORD_MASK:
        if (auto *le = qobject_cast<QLineEdit *>(w)) {
            if (value) {
                auto *style = new MaskStyle(QChar(value));
                style->setParent(le);
                le->setStyle(style);
                le->setEchoMode(QLineEdit::Password);
            } else {
                le->setEchoMode(QLineEdit::Normal);
            }
            return 0;
        }
        return UIE_BAD_TYPE;
    case ATTR_POINTS_PER_SCREEN:
        if (auto *s = qobject_cast<StripChartCtrl *>(w)) {
            s->setPointsPerScreen(value);
            return 0;
        }
        return UIE_BAD_TYPE;
    case ATTR_NUM_TRACES:
        if (auto *s = qobject_cast<StripChartCtrl *>(w)) {
            s->setTraceCount(value);
            return 0;
        }
        return UIE_BAD_TYPE;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE:
        return SetCtrlAttribute(panel, control, attr, double(value));
    default: return UIE_BAD_ATTRIBUTE;
    }
}

int SetCtrlAttribute(int panel, int control, int attr, double value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(w);
    if (attr == ATTR_MIN_VALUE || attr == ATTR_MAX_VALUE) {
        if (auto *s = qobject_cast<QSpinBox *>(w)) {
            attr == ATTR_MIN_VALUE ? s->setMinimum(int(value)) : s->setMaximum(int(value));
            return 0;
        }
        if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
            attr == ATTR_MIN_VALUE ? d->setMinimum(value) : d->setMaximum(value);
            return 0;
        }
        return UIE_BAD_TYPE;
    }
    return SetCtrlAttribute(panel, control, attr, int(value));
}

int SetCtrlAttribute(int panel, int control, int attr, const char *value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    const QString text = Q(value);
    switch (attr) {
    case ATTR_LABEL_TEXT:
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            b->setText(text);
        else if (auto *l = qobject_cast<QLabel *>(w))
            l->setText(text);
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            g->setTitle(text);
        else if (L().captions.contains(w))
            for (QLabel *l : L().captions.values(w))
                l->setText(text);
        else
            w->setProperty("labelText", text);
        return 0;
    case ATTR_TOOLTIP_TEXT: w->setToolTip(text); return 0;
    default: return UIE_BAD_ATTRIBUTE;
    }
}

int GetCtrlAttribute(int panel, int control, int attr, int *value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    switch (attr) {
    case ATTR_DIMMED: *value = w->isEnabled() ? 0 : 1; return 0;
    case ATTR_VISIBLE: *value = w->isVisibleTo(w->parentWidget()) ? 1 : 0; return 0;
    case ATTR_CTRL_MODE:
        if (auto *sb = qobject_cast<QAbstractSpinBox *>(w))
            *value = sb->isReadOnly() ? VAL_INDICATOR : VAL_HOT;
        else if (auto *le = qobject_cast<QLineEdit *>(w))
            *value = le->isReadOnly() ? VAL_INDICATOR : VAL_HOT;
        else
            *value = w->testAttribute(Qt::WA_TransparentForMouseEvents) ? VAL_INDICATOR : VAL_HOT;
        return 0;
    case ATTR_PRECISION:
        if (auto *d = qobject_cast<QDoubleSpinBox *>(w)) {
            *value = d->decimals();
            return 0;
        }
        return UIE_BAD_TYPE;
    case ATTR_TEXT_COLOR: *value = int(w->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF);
        return 0;
    case ATTR_TEXT_BGCOLOR:
    case ATTR_FRAME_COLOR:
        *value = w->autoFillBackground()
                     ? int(w->palette().color(QPalette::Window).rgb() & 0xFFFFFF)
                     : VAL_TRANSPARENT;
        return 0;
    case ATTR_TOP: *value = w->y(); return 0;
    case ATTR_LEFT: *value = w->x(); return 0;
    case ATTR_WIDTH: *value = w->width(); return 0;
    case ATTR_HEIGHT: *value = w->height(); return 0;
    case ATTR_MAX_ENTRY_LENGTH:
        if (auto *le = qobject_cast<QLineEdit *>(w)) {
            *value = le->maxLength();
            return 0;
        }
        return UIE_BAD_TYPE;
    case ATTR_POINTS_PER_SCREEN:
        if (auto *s = qobject_cast<StripChartCtrl *>(w)) {
            *value = s->pointsPerScreen();
            return 0;
        }
        return UIE_BAD_TYPE;
    default: return UIE_BAD_ATTRIBUTE;
    }
}

int AppendTextBox(int panel, int control, const char *text)
{
    auto *t = qobject_cast<QPlainTextEdit *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    QTextCursor cursor(t->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(Q(text));
    t->moveCursor(QTextCursor::End);
    t->ensureCursorVisible();
    return 0;
}

int ResetTextBox(int panel, int control, const char *text)
{
    auto *t = qobject_cast<QPlainTextEdit *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    t->setPlainText(Q(text));
    return 0;
}

int NewTextMsg(int panel, const char *text, int top, int left)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    if (L().nextDynamicCtrl < kControlIdEnd)
        L().nextDynamicCtrl = kControlIdEnd;
    const int id = L().nextDynamicCtrl++;
    auto *l = new QLabel(Q(text), p->widget);
    l->setProperty("autoSize", true);
    l->move(left, top);
    l->adjustSize();
    l->show();
    p->controls[id].widget = l;
    L().ctrlOfWidget.insert(l, {panel, id});
    return id;
}

int DisplayImageFile(int panel, int control, const char *path)
{
    auto *l = qobject_cast<QLabel *>(W(panel, control));
    if (!l)
        return UIE_BAD_CONTROL;
    QPixmap pm;
    if (!pm.load(Q(path)))
        return UIE_LOAD_FAILED;
    l->setPixmap(pm.scaled(l->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return 0;
}

int SimulateCtrlEvent(int panel, int control, int event)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    if (!w->isEnabled())
        return 0;
    Raise(panel, control, event);
    return 0;
}

// Enter on a string control commits even when the text has not changed since the last commit
// (an empty or retyped entry still gets its answer). The modified flag is cleared first, so the
// editingFinished that follows Enter, or a later loss of focus, does not commit a second time.
int SetCommitOnEnter(int panel, int control)
{
    auto *le = qobject_cast<QLineEdit *>(W(panel, control));
    if (!le)
        return UIE_BAD_CONTROL;
    if (le->property("commitOnEnter").toBool())
        return 0;
    le->setProperty("commitOnEnter", true);
    QObject::connect(le, &QLineEdit::returnPressed, le, [=] {
        le->setModified(false);
        Raise(panel, control, EVENT_COMMIT);
    });
    return 0;
}

// ---- Lists -------------------------------------------------------------------------------------

int ClearListCtrl(int panel, int control)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(cb);
    const QString text = cb->isEditable() ? cb->currentText() : QString();
    cb->clear();
    if (cb->isEditable())
        cb->setEditText(text);
    return 0;
}

int InsertListItem(int panel, int control, int index, const char *label, int value)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(cb);
    const QString text = cb->isEditable() ? cb->currentText() : QString();
    if (index < 0 || index > cb->count())
        index = cb->count();
    cb->insertItem(index, Q(label), value);
    if (cb->isEditable())
        cb->setEditText(text);
    return 0;
}

int DeleteListItem(int panel, int control, int index, int count)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= cb->count())
        return UIE_BAD_INDEX;
    const QSignalBlocker block(cb);
    const QString text = cb->isEditable() ? cb->currentText() : QString();
    const int n = count < 0 ? cb->count() - index : std::min(count, cb->count() - index);
    for (int i = 0; i < n; ++i)
        cb->removeItem(index);
    if (cb->isEditable())
        cb->setEditText(text);
    return 0;
}

int GetNumListItems(int panel, int control, int *count)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    *count = cb->count();
    return 0;
}

int GetIndexFromValue(int panel, int control, int *index, int value)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    *index = cb->findData(value);
    return *index < 0 ? UIE_BAD_INDEX : 0;
}

int GetLabelFromIndex(int panel, int control, int index, std::string *label)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= cb->count())
        return UIE_BAD_INDEX;
    *label = cb->itemText(index).toStdString();
    return 0;
}

int GetCtrlIndex(int panel, int control, int *index)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    *index = cb->currentIndex();
    return 0;
}

int SetCtrlIndex(int panel, int control, int index)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= cb->count())
        return UIE_BAD_INDEX;
    const QSignalBlocker block(cb);
    cb->setCurrentIndex(index);
    return 0;
}

int ReplaceListItem(int panel, int control, int index, const char *label, int value)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= cb->count())
        return UIE_BAD_INDEX;
    const QSignalBlocker block(cb);
    cb->setItemText(index, Q(label));
    cb->setItemData(index, value);
    return 0;
}

int GetIndexFromText(int panel, int control, const char *text)
{
    auto *cb = qobject_cast<QComboBox *>(W(panel, control));
    if (!cb)
        return UIE_BAD_CONTROL;
    return cb->findText(Q(text), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// ---- Tab controls ------------------------------------------------------------------------------

int GetPanelHandleFromTabPage(int panel, int tabControl, int index, int *pagePanel)
{
    auto *tab = qobject_cast<QTabWidget *>(W(panel, tabControl));
    if (!tab)
        return UIE_BAD_CONTROL;
    QWidget *page = tab->widget(index);
    auto it = L().panelOfWidget.find(page);
    if (!page || it == L().panelOfWidget.end())
        return UIE_BAD_INDEX;
    *pagePanel = *it;
    return 0;
}

int GetActiveTabPage(int panel, int tabControl, int *index)
{
    auto *tab = qobject_cast<QTabWidget *>(W(panel, tabControl));
    if (!tab)
        return UIE_BAD_CONTROL;
    *index = tab->currentIndex();
    return 0;
}

int SetActiveTabPage(int panel, int tabControl, int index)
{
    auto *tab = qobject_cast<QTabWidget *>(W(panel, tabControl));
    if (!tab)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= tab->count())
        return UIE_BAD_INDEX;
    // A page chosen by the program raises no tab-change event; keep the record current.
    const QSignalBlocker block(tab);
    tab->setCurrentIndex(index);
    FindCtrl(panel, tabControl)->tabIndex = tab->currentIndex();
    return 0;
}

int SetTabPageVisible(int panel, int tabControl, int index, int visible)
{
    auto *tab = qobject_cast<QTabWidget *>(W(panel, tabControl));
    if (!tab)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= tab->count())
        return UIE_BAD_INDEX;
    const QSignalBlocker block(tab);
    tab->setTabVisible(index, visible != 0);
    FindCtrl(panel, tabControl)->tabIndex = tab->currentIndex();
    return 0;
}

int GetTabPageVisible(int panel, int tabControl, int index, int *visible)
{
    auto *tab = qobject_cast<QTabWidget *>(W(panel, tabControl));
    if (!tab)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= tab->count())
        return UIE_BAD_INDEX;
    *visible = tab->isTabVisible(index) ? 1 : 0;
    return 0;
}

// ---- Tables ------------------------------------------------------------------------------------

int SetTableCellVal(int panel, int control, int row, int col, int value)
{
    auto *t = qobject_cast<QTableWidget *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(t);
    return SetTableText(t, row, col, QString::number(value));
}

int GetTableCellVal(int panel, int control, int row, int col, int *value)
{
    auto *t = qobject_cast<QTableWidget *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    if (row < 1 || col < 1 || row > t->rowCount() || col > t->columnCount())
        return UIE_BAD_INDEX;
    QTableWidgetItem *item = t->item(row - 1, col - 1);
    *value = item ? item->text().trimmed().toInt() : 0;
    return 0;
}

int SetTableColumnVals(int panel, int control, int col, const int *values, int count)
{
    for (int i = 0; i < count; ++i) {
        const int r = SetTableCellVal(panel, control, i + 1, col, values[i]);
        if (r < 0)
            return r;
    }
    return 0;
}

int GetTableColumnVals(int panel, int control, int col, int *values, int count)
{
    for (int i = 0; i < count; ++i) {
        const int r = GetTableCellVal(panel, control, i + 1, col, &values[i]);
        if (r < 0)
            return r;
    }
    return 0;
}

int GetActiveTableCell(int panel, int control, int *row, int *col)
{
    auto *t = qobject_cast<QTableWidget *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    *row = t->currentRow() + 1;
    *col = t->currentColumn() + 1;
    return 0;
}

int SetActiveTableCell(int panel, int control, int row, int col)
{
    auto *t = qobject_cast<QTableWidget *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    t->setCurrentCell(row - 1, col - 1);
    return 0;
}

int SelectTableRow(int panel, int control, int row)
{
    auto *t = qobject_cast<QTableWidget *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    t->clearSelection();
    if (row >= 1 && row <= t->rowCount()) {
        t->selectRow(row - 1);
        t->scrollToItem(t->item(row - 1, 0));
    }
    return 0;
}

int GetNumTableRows(int panel, int control, int *rows)
{
    auto *t = qobject_cast<QTableWidget *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    *rows = t->rowCount();
    return 0;
}

int HideBuiltInCtrlMenuItem(int panel, int control, int)
{
    // Tables here have no built-in context menu (right clicks show help); nothing to hide.
    return W(panel, control) ? 0 : UIE_BAD_CONTROL;
}

// ---- Graphs ------------------------------------------------------------------------------------

int PlotY(int panel, int control, const double *y, int count, int color, int lineStyle)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    std::vector<QPointF> pts(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        pts[size_t(i)] = QPointF(i, y[i]);
    return g->addPlot(pts, Rgb(color), PenStyle(lineStyle), false);
}

int PlotXY(int panel, int control, const double *x, const double *y, int count, int color,
           int lineStyle, int withPoints)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    std::vector<QPointF> pts(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        pts[size_t(i)] = QPointF(x[i], y[i]);
    return g->addPlot(pts, Rgb(color), PenStyle(lineStyle), withPoints != 0);
}

int PlotLine(int panel, int control, double x1, double y1, double x2, double y2, int color)
{
    const double x[2] = {x1, x2}, y[2] = {y1, y2};
    return PlotXY(panel, control, x, y, 2, color);
}

int DeleteGraphPlot(int panel, int control, int plot)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    return g->deletePlot(plot) ? 0 : UIE_BAD_INDEX;
}

int GetNumGraphPlots(int panel, int control, int *count)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    *count = g->plotCount();
    return 0;
}

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max)
{
    auto *c = qobject_cast<ChartCtrlBase *>(W(panel, control));
    if (!c)
        return UIE_BAD_CONTROL;
    if (axis == VAL_LEFT_YAXIS)
        c->setYScaling(mode == VAL_AUTOSCALE, min, max);
    else
        c->setXRange(min, max);
    return 0;
}

int GetAxisScalingMode(int panel, int control, int axis, int *mode, double *min, double *max)
{
    auto *c = qobject_cast<ChartCtrlBase *>(W(panel, control));
    if (!c)
        return UIE_BAD_CONTROL;
    if (axis == VAL_LEFT_YAXIS) {
        *mode = c->yAutoscale() ? VAL_AUTOSCALE : VAL_MANUAL;
        *min = c->yMin();
        *max = c->yMax();
    } else {
        *mode = VAL_MANUAL;
        *min = c->xMin();
        *max = c->xMax();
    }
    return 0;
}

int SetAxisName(int panel, int control, int axis, const char *name)
{
    auto *c = qobject_cast<ChartCtrlBase *>(W(panel, control));
    if (!c)
        return UIE_BAD_CONTROL;
    axis == VAL_LEFT_YAXIS ? c->setYName(Q(name)) : c->setXName(Q(name));
    return 0;
}

int SetGraphCursor(int panel, int control, int cursor, double x, double y)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    if (cursor < 1 || cursor > 2)
        return UIE_BAD_INDEX;
    g->setCursorsEnabled(true);
    g->setCursor(cursor - 1, QPointF(x, y));
    return 0;
}

int GetGraphCursor(int panel, int control, int cursor, double *x, double *y)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    if (cursor < 1 || cursor > 2)
        return UIE_BAD_INDEX;
    const QPointF p = g->cursorPos(cursor - 1);
    *x = p.x();
    *y = p.y();
    return 0;
}

int PlotStripChart(int panel, int control, const double *values, int count)
{
    auto *s = qobject_cast<StripChartCtrl *>(W(panel, control));
    if (!s)
        return UIE_BAD_CONTROL;
    s->plot(values, count);
    return 0;
}

int ClearStripChart(int panel, int control)
{
    auto *s = qobject_cast<StripChartCtrl *>(W(panel, control));
    if (!s)
        return UIE_BAD_CONTROL;
    s->clear();
    return 0;
}

int SetTraceStyle(int panel, int control, int trace, int color, int lineStyle)
{
    auto *s = qobject_cast<StripChartCtrl *>(W(panel, control));
    if (!s)
        return UIE_BAD_CONTROL;
    s->setTraceStyle(trace, Rgb(color), PenStyle(lineStyle));
    return 0;
}

// ---- Popups ------------------------------------------------------------------------------------

void SetPopupResponder(PopupResponder responder)
{
    L().responder = std::move(responder);
}

void SetPopupsDismissed(int on)
{
    L().dismissingPopups = on != 0;
    if (!on)
        return;
    // Each open dialog runs a loop of its own that holds the program until it ends; rejecting
    // it lets its caller carry on with the cancelled answer.
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible())
            dialog->reject();
    for (auto &[number, panel] : L().panels)
        if (panel.popup)
            RemovePopup(number);
}

int PopupsDismissed() { return L().dismissingPopups ? 1 : 0; }

int MessagePopup(const char *title, const char *text)
{
    PopupAnswer a;
    if (AskResponder(Request(PopupRequest::kMessage, title, text), &a))
        return 0;
    QMessageBox box(QMessageBox::Information, Q(title), Q(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
    return 0;
}

int ConfirmPopup(const char *title, const char *text)
{
    PopupAnswer a;
    if (AskResponder(Request(PopupRequest::kConfirm, title, text), &a))
        return a.result ? 1 : 0;
    QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes ? 1 : 0;
}

int GenericMessagePopup(const char *title, const char *text, const char *button1,
                        const char *button2)
{
    PopupRequest req = Request(PopupRequest::kGeneric, title, text);
    req.button1 = button1;
    req.button2 = button2;
    PopupAnswer a;
    if (AskResponder(req, &a))
        return a.result == GENERIC_MSG_BUTTON_2 ? GENERIC_MSG_BUTTON_2 : GENERIC_MSG_BUTTON_1;
    QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    QPushButton *b1 = box.addButton(Q(button1), QMessageBox::AcceptRole);
    box.addButton(Q(button2), QMessageBox::RejectRole);
    box.setDefaultButton(b1);
    box.exec();
    return box.clickedButton() == b1 ? GENERIC_MSG_BUTTON_1 : GENERIC_MSG_BUTTON_2;
}

int FileSelectPopup(const char *directory, const char *defaultName, const char *filter,
                    const char *title, int buttonMode, char *path, int size)
{
    if (size > 0)
        path[0] = '\0';
    PopupRequest req = Request(PopupRequest::kFileSelect, title, "");
    req.directory = directory;
    req.defaultName = defaultName;
    req.filter = filter;
    req.buttonMode = buttonMode;
    PopupAnswer a;
    QString chosen;
    if (AskResponder(req, &a)) {
        if (a.result == VAL_NO_FILE_SELECTED || a.path.empty())
            return VAL_NO_FILE_SELECTED;
        chosen = QString::fromStdString(a.path);
    } else {
        const QString start = QDir(Q(directory)).filePath(Q(defaultName));
        const QString filters = Q(filter) + ";;*";
        chosen = buttonMode == VAL_SAVE_BUTTON
                     ? QFileDialog::getSaveFileName(QApplication::activeWindow(), Q(title), start,
                                                    filters, nullptr,
                                                    QFileDialog::DontConfirmOverwrite)
                     : QFileDialog::getOpenFileName(QApplication::activeWindow(), Q(title), start,
                                                    filters);
        if (chosen.isEmpty())
            return VAL_NO_FILE_SELECTED;
    }
    const QByteArray bytes = chosen.toUtf8();
    if (bytes.size() >= size)
        return VAL_NO_FILE_SELECTED; // a path that does not fit is never used cut short
    std::memcpy(path, bytes.constData(), size_t(bytes.size()) + 1);
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

// ---- Printed reports ---------------------------------------------------------------------------

#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextLayout>

namespace {

struct ReportItem {
    bool isImage = false;
    QString text; // text items; the caption of an image
    QString family;
    int points = 10;
    QImage image;
};

struct ReportRec {
    QString fields[REPORT_FOOTER_RIGHT + 1];
    std::vector<ReportItem> items;
};

struct Reports {
    std::map<int, ReportRec> reports;
    int next = 1;
};

Reports &R()
{
    static Reports r;
    return r;
}

ReportRec *FindReport(int report)
{
    auto it = R().reports.find(report);
    return it == R().reports.end() ? nullptr : &it->second;
}

// One line of text or one image at its place on a page, in device pixels.
struct PlacedItem {
    int page = 0;
    QRectF rect;
    QString text;
    QFont font;
    const QImage *image = nullptr;
};

constexpr double kReportMarginMm = 15.0;
constexpr int kFieldPoints = 8;
constexpr int kCaptionPoints = 8;

QFont ReportFont(const QString &family, int points, QPaintDevice *device)
{
    QFont f(family.isEmpty() ? QStringLiteral("Arial") : family);
    f.setPointSize(points > 0 ? points : 10);
    return QFont(f, device);
}

// Lays the items out on pages of `body` size; returns the placed lines and images and the page
// count (at least 1).
std::vector<PlacedItem> LayOutReport(const ReportRec &r, QPaintDevice *device, const QRectF &body,
                                     int *pages)
{
    std::vector<PlacedItem> placed;
    int page = 0;
    double y = body.top();
    auto place = [&](double height) {
        if (y + height > body.bottom() && y > body.top()) {
            ++page;
            y = body.top();
        }
        const double top = y;
        y += height;
        return top;
    };
    for (const ReportItem &item : r.items) {
        if (item.isImage) {
            if (item.image.isNull())
                continue;
            const QFont captionFont = ReportFont(item.family, kCaptionPoints, device);
            const double captionHeight = QFontMetricsF(captionFont, device).lineSpacing();
            const QSizeF room(body.width(), body.height() - captionHeight);
            const QSizeF size = QSizeF(item.image.size()).scaled(room, Qt::KeepAspectRatio);
            const double top = place(size.height() + captionHeight);
            placed.push_back({page, QRectF(QPointF(body.left(), top), size), {}, {}, &item.image});
            placed.push_back({page,
                              QRectF(body.left(), top + size.height(), size.width(), captionHeight),
                              item.text, captionFont, nullptr});
            continue;
        }
        const QFont font = ReportFont(item.family, item.points, device);
        const QFontMetricsF metrics(font, device);
        for (const QString &paragraph : item.text.split(QLatin1Char('\n'))) {
            if (paragraph.isEmpty()) {
                const double height = metrics.lineSpacing();
                const double top = place(height);
                placed.push_back(
                    {page, QRectF(body.left(), top, body.width(), height), {}, font, nullptr});
                continue;
            }
            QTextLayout layout(paragraph, font, device);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(body.width());
                const double height = std::max(line.height(), metrics.lineSpacing());
                const double top = place(height);
                placed.push_back({page, QRectF(body.left(), top, body.width(), height),
                                  paragraph.mid(line.textStart(), line.textLength()), font,
                                  nullptr});
            }
            layout.endLayout();
        }
    }
    *pages = page + 1;
    return placed;
}

QString ExpandField(QString text, const QDateTime &now, int page, int pages)
{
    text.replace(QLatin1String("<date>"), QLocale().toString(now.date(), QLocale::ShortFormat));
    text.replace(QLatin1String("<time>"), now.time().toString(QStringLiteral("HH:mm:ss")));
    text.replace(QLatin1String("<pages>"), QString::number(pages));
    text.replace(QLatin1String("<page>"), QString::number(page));
    return text;
}

} // namespace

int NewReport()
{
    const int handle = R().next++;
    R().reports[handle];
    return handle;
}

int DiscardReport(int report)
{
    return R().reports.erase(report) ? 0 : UIE_BAD_INDEX;
}

int SetReportField(int report, int field, const char *text)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    if (field < REPORT_HEADER_LEFT || field > REPORT_FOOTER_RIGHT)
        return UIE_BAD_ATTRIBUTE;
    r->fields[field] = Q(text);
    return 0;
}

int AppendReportText(int report, const char *text, const char *fontFamily, int pointSize)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    ReportItem item;
    item.text = Q(text);
    item.family = Q(fontFamily);
    item.points = pointSize;
    r->items.push_back(std::move(item));
    return 0;
}

int AppendReportImage(int report, const char *path, const char *caption)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    ReportItem item;
    item.isImage = true;
    if (!item.image.load(Q(path)))
        return UIE_LOAD_FAILED;
    item.text = Q(caption);
    if (!r->items.empty())
        item.family = r->items.back().family;
    r->items.push_back(std::move(item));
    return 0;
}

int PrintReport(int report, const char *printerName)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    const QString name = Q(printerName);
    if (name.isEmpty())
        return UIE_BAD_INDEX;
    QPrinter printer(QPrinter::HighResolution);
    if (name.contains(QLatin1Char('/'))) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(name);
    } else {
        printer.setPrinterName(name);
        if (!printer.isValid())
            return UIE_BAD_INDEX;
    }
    printer.setDocName(QStringLiteral("Scope report"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    const QMarginsF margins(kReportMarginMm, kReportMarginMm, kReportMarginMm, kReportMarginMm);
    printer.setPageMargins(margins, QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&printer))
        return UIE_LOAD_FAILED;

    const QRectF area(0, 0, printer.width(), printer.height());
    QString family = QStringLiteral("Arial");
    for (const ReportItem &item : r->items)
        if (!item.isImage && !item.family.isEmpty()) {
            family = item.family;
            break;
        }
    const QFont fieldFont = ReportFont(family, kFieldPoints, &printer);
    const double fieldHeight = QFontMetricsF(fieldFont, &printer).lineSpacing();
    const double gap = fieldHeight;
    const QRectF body(area.left(), area.top() + fieldHeight + gap, area.width(),
                      area.height() - 2 * (fieldHeight + gap));
    int pages = 1;
    const std::vector<PlacedItem> placed = LayOutReport(*r, &printer, body, &pages);
    const QDateTime now = QDateTime::currentDateTime();
    static const Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    size_t next = 0;
    bool ok = true;
    for (int page = 0; page < pages && ok; ++page) {
        if (page > 0 && !printer.newPage()) {
            ok = false;
            break;
        }
        painter.setPen(Qt::black);
        painter.setFont(fieldFont);
        for (int f = REPORT_HEADER_LEFT; f <= REPORT_FOOTER_RIGHT; ++f) {
            if (r->fields[f].isEmpty())
                continue;
            const bool header = f <= REPORT_HEADER_RIGHT;
            const QRectF band(area.left(), header ? area.top() : area.bottom() - fieldHeight,
                              area.width(), fieldHeight);
            painter.drawText(band, int(kAlign[f % 3] | Qt::AlignVCenter),
                             ExpandField(r->fields[f], now, page + 1, pages));
        }
        for (; next < placed.size() && placed[next].page == page; ++next) {
            const PlacedItem &p = placed[next];
            if (p.image) {
                painter.drawImage(p.rect, *p.image);
            } else if (!p.text.isEmpty()) {
                painter.setFont(p.font);
                painter.drawText(p.rect, int(Qt::AlignLeft | Qt::AlignTop), p.text);
            }
        }
    }
    if (!painter.end())
        ok = false;
    return ok ? 0 : UIE_LOAD_FAILED;
}

int PrinterSelectPopup(char *name, int size)
{
    PopupAnswer a;
    QString chosen;
    if (AskResponder(Request(PopupRequest::kPrinterSelect, "", ""), &a)) {
        if (a.result == 0 || a.path.empty())
            return 0;
        chosen = QString::fromStdString(a.path);
    } else {
        QPrinter printer;
        QPrintDialog dialog(&printer, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        if (printer.outputFormat() == QPrinter::PdfFormat) {
            if (printer.outputFileName().isEmpty())
                return 0;
            chosen = QFileInfo(printer.outputFileName()).absoluteFilePath();
        } else {
            chosen = printer.printerName();
        }
        if (chosen.isEmpty())
            return 0;
    }
    const QByteArray bytes = chosen.toUtf8();
    if (size <= 0 || bytes.size() >= size)
        return 0; // a name that does not fit is never used cut short
    std::memcpy(name, bytes.constData(), size_t(bytes.size()) + 1);
    return 1;
}

// ---- Event loop --------------------------------------------------------------------------------

int RunUserInterface()
{
    if (L().quitPending) {
        L().quitPending = false;
        return L().quitCode;
    }
    QEventLoop loop;
    L().loop = &loop;
    const int code = loop.exec();
    L().loop = nullptr;
    L().quitPending = false;
    return code;
}

int QuitUserInterface(int code)
{
    L().quitCode = code;
    if (L().loop)
        L().loop->exit(code);
    else
        L().quitPending = true;
    return 0;
}

int ProcessSystemEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 0;
}

void WaitForEvents(double deadline)
{
    const double remaining = deadline - Timer();
    if (remaining <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // The timer wakes the blocking wait at the deadline if nothing else arrives first.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(int(std::ceil(remaining * 1000.0)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

double Timer()
{
    if (!L().clock.isValid())
        L().clock.start();
    return double(L().clock.nsecsElapsed()) / 1e9;
}

void SetWaitCursor(int on)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return; // no cursor without a GUI application (the command-line tool)
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++L().waitCursorDepth;
    } else if (L().waitCursorDepth > 0) {
        QApplication::restoreOverrideCursor();
        --L().waitCursorDepth;
    }
}

// ---- Images, screen ----------------------------------------------------------------------------

int SavePanelDisplayToFile(int panel, const char *path)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    return p->widget->grab().save(Q(path)) ? 0 : UIE_LOAD_FAILED;
}

int GetScreenSize(int *height, int *width)
{
    QScreen *s = QGuiApplication::primaryScreen();
    const QRect r = s ? s->availableGeometry() : QRect(0, 0, 1280, 1024);
    *height = r.height();
    *width = r.width();
    return 0;
}

std::string GetProjectDir()
{
    return QCoreApplication::applicationDirPath().toStdString();
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

// ---- Table column ranges and point plots -------------------------------------------------------

#include <QStyledItemDelegate>
#include <QIntValidator>
#include <QXYSeries>

namespace {

// The editor of a range-limited table column: a line edit that accepts digits and a sign only,
// and a commit that writes the cell only when the text is a whole number within the range.
class RangeDelegate : public QStyledItemDelegate {
public:
    RangeDelegate(int min, int max, QObject *parent)
        : QStyledItemDelegate(parent), min_(min), max_(max)
    {
    }
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *e = new QLineEdit(parent);
        e->setValidator(new QIntValidator(min_, max_, e));
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return e;
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        auto *e = qobject_cast<QLineEdit *>(editor);
        if (!e)
            return;
        bool ok = false;
        const int v = e->text().trimmed().toInt(&ok);
        if (!ok || v < min_ || v > max_)
            return;
        model->setData(index, QString::number(v), Qt::EditRole);
    }

private:
    int min_, max_;
};

} // namespace

int SetTableColumnRange(int panel, int control, int col, int min, int max)
{
    auto *t = qobject_cast<QTableWidget *>(W(panel, control));
    if (!t)
        return UIE_BAD_CONTROL;
    if (col < 1 || col > t->columnCount() || min > max)
        return UIE_BAD_INDEX;
    t->setItemDelegateForColumn(col - 1, new RangeDelegate(min, max, t));
    return 0;
}

int SetActiveCtrl(int panel, int control)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    w->setFocus(Qt::OtherFocusReason);
    return 0;
}

int PlotPoints(int panel, int control, const double *x, const double *y, int count, int color)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    std::vector<QPointF> pts(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        pts[size_t(i)] = QPointF(x[i], y[i]);
    const int handle = g->addPlot(pts, Rgb(color), Qt::NoPen, true);
    const QList<QAbstractSeries *> all = g->chart()->series();
    if (handle > 0 && !all.isEmpty())
        if (auto *s = qobject_cast<QXYSeries *>(all.back())) {
            s->setMarkerSize(7);
            s->setBrush(Rgb(color));
            s->setColor(Rgb(color));
        }
    return handle;
}
