// The user-interface layer: panels (loading from the panel files, showing, popups, attributes)
// and tab controls.
#include "platform/ui_layer.h"

#include "platform/spinbox.h"
#include "platform/widgets.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QUiLoader>

#include <cstring>

using namespace uilayer;

namespace {

// Tab labels share the room of their tab control: when the labels with their full padding are
// wider than the tab control, the tabs draw with less padding (down to 2 pixels a side) rather
// than the tab bar scrolling or cutting a label off. The bar's own style sheet narrows only the
// padding and takes precedence over the panel's tab style; the room is measured in the current
// font, language and screen scaling every time the tabs are laid out.
class FitTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    void tabLayoutChange() override
    {
        QTabBar::tabLayoutChange();
        if (fitting_ || !parentWidget())
            return;
        const int room = parentWidget()->width() - 2;
        int total = 0, texts = 0, tabs = 0;
        for (int i = 0; i < count(); ++i)
            if (isTabVisible(i)) {
                total += tabSizeHint(i).width();
                texts += fontMetrics().horizontalAdvance(tabText(i));
                ++tabs;
            }
        if (tabs == 0)
            return;
        // What the tabs take besides their labels and their padding: frames and borders.
        const int frames = total - texts - 2 * tabs * (padding_ < 0 ? kFullPadding : padding_);
        int padding = kFullPadding;
        while (padding > kLeastPadding && texts + frames + 2 * tabs * padding > room)
            --padding;
        const int wanted = padding == kFullPadding ? -1 : padding;
        if (wanted == padding_)
            return;
        padding_ = wanted;
        fitting_ = true;
        setStyleSheet(wanted < 0 ? QString()
                                 : QStringLiteral("QTabBar::tab { padding-left: %1px; "
                                                  "padding-right: %1px; }")
                                       .arg(wanted));
        fitting_ = false;
    }

private:
    static constexpr int kFullPadding = 5, kLeastPadding = 2; // as the panels' tab style has it
    int padding_ = -1; // the narrowed padding, -1: the panel's own
    bool fitting_ = false;
};

class FitTabWidget : public QTabWidget {
public:
    explicit FitTabWidget(QWidget *parent) : QTabWidget(parent) { setTabBar(new FitTabBar(this)); }
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
        else if (className == QLatin1String("QSpinBox"))
            w = new RangeSpinBox(parent);
        else if (className == QLatin1String("QDoubleSpinBox"))
            w = new RangeDoubleSpinBox(parent);
        else if (className == QLatin1String("QTabWidget"))
            w = new FitTabWidget(parent);
        if (w) {
            w->setObjectName(name);
            return w;
        }
        return QUiLoader::createWidget(className, parent, name);
    }
};

} // namespace

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
    InstallAnchors(w);
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
