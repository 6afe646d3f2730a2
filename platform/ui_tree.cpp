// The layer's side of the panel text tree: reading a panel's texts off its widgets and putting
// changed texts back.
#include "platform/ui_tree.h"

#include "platform/panel_table.h"
#include "platform/ui.h"
#include "platform/ui_layer.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>

namespace {

std::string S(const QString &s)
{
    return s.toStdString();
}
QString Q(const std::string &s)
{
    return QString::fromStdString(s);
}

bool IsConstName(const QString &name)
{
    static const QRegularExpression kConst("^[A-Z][A-Z0-9_]*$");
    return kConst.match(name).hasMatch();
}

int ClassOf(QWidget *w, const QString &name)
{
    if (qobject_cast<QTabWidget *>(w))
        return kClassTab;
    if (qobject_cast<QTableWidget *>(w))
        return kClassTable;
    if (qobject_cast<QTreeWidget *>(w))
        return kClassTree;
    if (qobject_cast<GraphCtrl *>(w))
        return kClassGraph;
    if (qobject_cast<StripChartCtrl *>(w))
        return kClassStripChart;
    if (auto *cb = qobject_cast<QComboBox *>(w))
        return cb->isEditable() ? kClassString : kClassList;
    if (qobject_cast<QListWidget *>(w))
        return kClassList;
    if (qobject_cast<QLineEdit *>(w) || qobject_cast<QPlainTextEdit *>(w) ||
        qobject_cast<QTextEdit *>(w))
        return kClassString;
    if (qobject_cast<QLabel *>(w))
        return name.startsWith(QLatin1String("PICTURE_")) ? kClassPlain : kClassTextMsg;
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->isCheckable() || qobject_cast<QCheckBox *>(w) || qobject_cast<QRadioButton *>(w)
                   ? kClassToggle
                   : kClassLabelled;
    if (qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QSlider *>(w) ||
        qobject_cast<LedCtrl *>(w) || qobject_cast<QGroupBox *>(w))
        return kClassLabelled;
    return kClassPlain;
}

std::vector<QLabel *> CaptionsOf(QWidget *panel, QWidget *w)
{
    std::vector<QLabel *> out;
    for (QLabel *l : panel->findChildren<QLabel *>())
        if (l->buddy() == w)
            out.push_back(l);
    return out;
}

QTabWidget *TabOfPage(QWidget *page)
{
    for (QWidget *p = page->parentWidget(); p; p = p->parentWidget())
        if (auto *tab = qobject_cast<QTabWidget *>(p))
            return tab;
    return nullptr;
}

// The value labels of a graph axis, kept as "value=label;value=label".
struct AxisItem {
    QString value, label;
};

std::vector<AxisItem> AxisItems(const QWidget *g, const char *property)
{
    std::vector<AxisItem> out;
    const QString spec = g->property(property).toString();
    for (const QString &part : spec.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            out.push_back({part, part});
        else
            out.push_back({part.left(eq), part.mid(eq + 1)});
    }
    return out;
}

void SetAxisItems(QWidget *g, const char *property, const std::vector<UiText> &texts)
{
    std::vector<AxisItem> items = AxisItems(g, property);
    bool changed = false;
    for (size_t i = 0; i < items.size() && i < texts.size(); ++i)
        if (texts[i].given) {
            items[i].label = Q(texts[i].text);
            changed = true;
        }
    if (!changed)
        return;
    QStringList parts;
    for (const AxisItem &a : items)
        parts << a.value + QLatin1Char('=') + a.label;
    g->setProperty(property, parts.join(QLatin1Char(';')));
    g->update();
}

std::vector<UiText> Texts(const QStringList &list)
{
    std::vector<UiText> out;
    for (const QString &s : list)
        out.push_back({S(s), false});
    return out;
}

// Tree items in depth-first order.
void CollectTreeItems(QTreeWidgetItem *item, std::vector<QTreeWidgetItem *> *out)
{
    out->push_back(item);
    for (int i = 0; i < item->childCount(); ++i)
        CollectTreeItems(item->child(i), out);
}

std::vector<QTreeWidgetItem *> TreeItems(QTreeWidget *t)
{
    std::vector<QTreeWidgetItem *> out;
    for (int i = 0; i < t->topLevelItemCount(); ++i)
        CollectTreeItems(t->topLevelItem(i), &out);
    return out;
}

void DescribeTable(QTableWidget *t, UiCtrlTexts *c)
{
    c->rows = t->rowCount();
    c->cols = t->columnCount();
    for (int r = 0; r < c->rows; ++r) {
        QTableWidgetItem *h = t->verticalHeaderItem(r);
        c->rowLabels.push_back({S(h ? h->text() : QString::number(r + 1)), false});
    }
    for (int col = 0; col < c->cols; ++col) {
        QTableWidgetItem *h = t->horizontalHeaderItem(col);
        c->colLabels.push_back({S(h ? h->text() : QString::number(col + 1)), false});
    }
    for (int r = 0; r < c->rows; ++r)
        for (int col = 0; col < c->cols; ++col) {
            QTableWidgetItem *item = t->item(r, col);
            c->cells.push_back({S(item ? item->text() : QString()), false});
            std::vector<UiText> ring;
            if (auto *cb = qobject_cast<QComboBox *>(t->cellWidget(r, col)))
                for (int i = 0; i < cb->count(); ++i)
                    ring.push_back({S(cb->itemText(i)), false});
            c->cellItems.push_back(std::move(ring));
        }
}

void ApplyTable(QTableWidget *t, const UiCtrlTexts &c)
{
    const QSignalBlocker block(t);
    for (int r = 0; r < t->rowCount() && r < int(c.rowLabels.size()); ++r)
        if (c.rowLabels[size_t(r)].given) {
            QTableWidgetItem *h = t->verticalHeaderItem(r);
            if (!h) {
                h = new QTableWidgetItem;
                t->setVerticalHeaderItem(r, h);
            }
            h->setText(Q(c.rowLabels[size_t(r)].text));
        }
    for (int col = 0; col < t->columnCount() && col < int(c.colLabels.size()); ++col)
        if (c.colLabels[size_t(col)].given) {
            QTableWidgetItem *h = t->horizontalHeaderItem(col);
            if (!h) {
                h = new QTableWidgetItem;
                t->setHorizontalHeaderItem(col, h);
            }
            h->setText(Q(c.colLabels[size_t(col)].text));
        }
    for (int r = 0; r < t->rowCount() && r < c.rows; ++r)
        for (int col = 0; col < t->columnCount() && col < c.cols; ++col) {
            const size_t k = size_t(r * c.cols + col);
            if (k < c.cells.size() && c.cells[k].given) {
                QTableWidgetItem *item = t->item(r, col);
                if (!item) {
                    item = new QTableWidgetItem;
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    t->setItem(r, col, item);
                }
                item->setText(Q(c.cells[k].text));
            }
            auto *cb = qobject_cast<QComboBox *>(t->cellWidget(r, col));
            if (!cb || k >= c.cellItems.size())
                continue;
            const QSignalBlocker blockCell(cb);
            for (int i = 0; i < cb->count() && i < int(c.cellItems[k].size()); ++i)
                if (c.cellItems[k][size_t(i)].given)
                    cb->setItemText(i, Q(c.cellItems[k][size_t(i)].text));
        }
}

// A toggle with on and off texts shows the one of its state in place of its label.
void ShowToggleText(QAbstractButton *b)
{
    const QString on = b->property("onText").toString();
    const QString off = b->property("offText").toString();
    if (on.isEmpty() || off.isEmpty())
        return;
    uilayer::SetButtonText(b, b->isChecked() ? on : off);
}

void ApplyToggle(QAbstractButton *b, const UiCtrlTexts &c)
{
    if (c.onText.given)
        b->setProperty("onText", Q(c.onText.text));
    if (c.offText.given)
        b->setProperty("offText", Q(c.offText.text));
    if (!c.onText.given && !c.offText.given)
        return;
    if (!b->property("onOffWired").toBool()) {
        b->setProperty("onOffWired", true);
        QObject::connect(b, &QAbstractButton::toggled, b, [b] { ShowToggleText(b); });
    }
    ShowToggleText(b);
}

UiCtrlTexts DescribeCtrl(QWidget *panel, QWidget *w, int control, const char *name)
{
    UiCtrlTexts c;
    c.control = control;
    c.name = name;
    c.cls = ClassOf(w, QString::fromLatin1(name));
    c.tooltip.text = S(uilayer::NormalToolTip(w));
    if (c.cls != kClassPlain && c.cls != kClassTextMsg && c.cls != kClassTab) {
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            c.label.text = S(b->text());
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            c.label.text = S(g->title());
        else if (const auto captions = CaptionsOf(panel, w); !captions.empty()) {
            c.label.text = S(captions.front()->text());
            c.captioned = true;
        } else
            c.label.text = S(w->property("labelText").toString());
    }
    switch (c.cls) {
    case kClassString:
        if (auto *le = qobject_cast<QLineEdit *>(w))
            c.defaultText.text = S(le->text());
        else if (auto *pt = qobject_cast<QPlainTextEdit *>(w))
            c.defaultText.text = S(pt->toPlainText());
        else if (auto *te = qobject_cast<QTextEdit *>(w))
            c.defaultText.text = S(te->toPlainText());
        else if (auto *cb = qobject_cast<QComboBox *>(w))
            c.defaultText.text = S(cb->currentText());
        break;
    case kClassTextMsg: c.defaultText.text = S(qobject_cast<QLabel *>(w)->text()); break;
    case kClassToggle:
        c.onText.text = S(w->property("onText").toString());
        c.offText.text = S(w->property("offText").toString());
        break;
    case kClassGraph: {
        auto *g = qobject_cast<GraphCtrl *>(w);
        c.bottomXName.text = S(g->xName());
        c.leftYName.text = S(g->yName());
        for (const AxisItem &a : AxisItems(g, "yAxisItems"))
            c.leftYItems.push_back({S(a.label), false});
        break;
    }
    case kClassStripChart: {
        auto *s = qobject_cast<StripChartCtrl *>(w);
        c.bottomXName.text = S(s->xName());
        c.leftYName.text = S(s->yName());
        break;
    }
    case kClassList:
        if (auto *cb = qobject_cast<QComboBox *>(w)) {
            for (int i = 0; i < cb->count(); ++i) {
                c.items.push_back({S(cb->itemText(i)), false});
                const QVariant v = cb->itemData(i);
                if (v.typeId() == QMetaType::QString)
                    c.itemValues.push_back({S(v.toString()), false});
            }
            if (c.itemValues.size() != c.items.size())
                c.itemValues.clear(); // number values are not texts
        } else if (auto *lw = qobject_cast<QListWidget *>(w)) {
            for (int i = 0; i < lw->count(); ++i)
                c.items.push_back({S(lw->item(i)->text()), false});
        }
        break;
    case kClassTable: DescribeTable(qobject_cast<QTableWidget *>(w), &c); break;
    case kClassTree: {
        auto *t = qobject_cast<QTreeWidget *>(w);
        c.cols = t->columnCount();
        for (int col = 0; col < c.cols; ++col)
            c.colLabels.push_back({S(t->headerItem()->text(col)), false});
        for (QTreeWidgetItem *item : TreeItems(t))
            c.items.push_back({S(item->text(0)), false});
        break;
    }
    case kClassTab: {
        auto *tab = qobject_cast<QTabWidget *>(w);
        QStringList labels;
        for (int i = 0; i < tab->count(); ++i)
            labels << tab->tabText(i);
        c.items = Texts(labels);
        break;
    }
    default: break;
    }
    return c;
}

void ApplyLabel(QWidget *panel, QWidget *w, const std::string &text)
{
    const QString t = Q(text);
    if (auto *b = qobject_cast<QAbstractButton *>(w)) {
        uilayer::SetButtonText(b, t);
        return;
    }
    if (auto *g = qobject_cast<QGroupBox *>(w)) {
        g->setTitle(t);
        return;
    }
    const auto captions = CaptionsOf(panel, w);
    for (QLabel *l : captions)
        l->setText(t);
    if (captions.empty())
        w->setProperty("labelText", t);
}

void ApplyCtrl(QWidget *panel, QWidget *w, const UiCtrlTexts &c)
{
    if (c.label.given && c.cls != kClassPlain && c.cls != kClassTextMsg && c.cls != kClassTab)
        ApplyLabel(panel, w, c.label.text);
    if (c.tooltip.given)
        uilayer::SetNormalToolTip(w, Q(c.tooltip.text));
    switch (c.cls) {
    case kClassString:
        if (!c.defaultText.given)
            break;
        if (auto *le = qobject_cast<QLineEdit *>(w)) {
            const QSignalBlocker block(le);
            le->setText(Q(c.defaultText.text));
            le->setModified(false);
        } else if (auto *pt = qobject_cast<QPlainTextEdit *>(w))
            pt->setPlainText(Q(c.defaultText.text));
        else if (auto *te = qobject_cast<QTextEdit *>(w))
            te->setPlainText(Q(c.defaultText.text));
        else if (auto *cb = qobject_cast<QComboBox *>(w)) {
            const QSignalBlocker block(cb);
            cb->setEditText(Q(c.defaultText.text));
        }
        break;
    case kClassTextMsg:
        if (c.defaultText.given)
            qobject_cast<QLabel *>(w)->setText(Q(c.defaultText.text));
        break;
    case kClassToggle:
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            ApplyToggle(b, c);
        break;
    case kClassGraph: {
        auto *g = qobject_cast<GraphCtrl *>(w);
        if (c.bottomXName.given)
            g->setXName(Q(c.bottomXName.text));
        if (c.leftYName.given)
            g->setYName(Q(c.leftYName.text));
        SetAxisItems(g, "yAxisItems", c.leftYItems);
        break;
    }
    case kClassStripChart: {
        auto *s = qobject_cast<StripChartCtrl *>(w);
        if (c.bottomXName.given)
            s->setXName(Q(c.bottomXName.text));
        if (c.leftYName.given)
            s->setYName(Q(c.leftYName.text));
        break;
    }
    case kClassList:
        if (auto *cb = qobject_cast<QComboBox *>(w)) {
            const QSignalBlocker block(cb);
            for (int i = 0; i < cb->count() && i < int(c.items.size()); ++i)
                if (c.items[size_t(i)].given)
                    cb->setItemText(i, Q(c.items[size_t(i)].text));
            for (int i = 0; i < cb->count() && i < int(c.itemValues.size()); ++i)
                if (c.itemValues[size_t(i)].given)
                    cb->setItemData(i, Q(c.itemValues[size_t(i)].text));
        } else if (auto *lw = qobject_cast<QListWidget *>(w)) {
            const QSignalBlocker block(lw);
            for (int i = 0; i < lw->count() && i < int(c.items.size()); ++i)
                if (c.items[size_t(i)].given)
                    lw->item(i)->setText(Q(c.items[size_t(i)].text));
        }
        break;
    case kClassTable: ApplyTable(qobject_cast<QTableWidget *>(w), c); break;
    case kClassTree: {
        auto *t = qobject_cast<QTreeWidget *>(w);
        const QSignalBlocker block(t);
        for (int col = 0; col < t->columnCount() && col < int(c.colLabels.size()); ++col)
            if (c.colLabels[size_t(col)].given)
                t->headerItem()->setText(col, Q(c.colLabels[size_t(col)].text));
        const auto items = TreeItems(t);
        for (size_t i = 0; i < items.size() && i < c.items.size(); ++i)
            if (c.items[i].given)
                items[i]->setText(0, Q(c.items[i].text));
        break;
    }
    case kClassTab: {
        auto *tab = qobject_cast<QTabWidget *>(w);
        for (int i = 0; i < tab->count() && i < int(c.items.size()); ++i)
            if (c.items[size_t(i)].given)
                tab->setTabText(i, Q(c.items[size_t(i)].text));
        break;
    }
    default: break;
    }
}

// Menus and items of a menu bar that carry a constant name, depth first, with their paths.
struct MenuNode {
    QAction *action;
    std::string path;
};

void CollectMenu(const QList<QAction *> &actions, const std::string &prefix,
                 std::vector<MenuNode> *out)
{
    for (QAction *a : actions) {
        const QString name = a->menu() && !a->menu()->objectName().isEmpty()
                                 ? a->menu()->objectName()
                                 : a->objectName();
        if (!IsConstName(name))
            continue;
        const std::string path = prefix + "_" + S(name);
        out->push_back({a, path});
        if (a->menu())
            CollectMenu(a->menu()->actions(), path, out);
    }
}

QMenuBar *MenuBarOf(int panel)
{
    QWidget *w = PanelWidget(panel);
    return w ? w->findChild<QMenuBar *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

} // namespace

int DescribePanelTexts(int panel, UiPanelTexts *texts)
{
    QWidget *pw = PanelWidget(panel);
    const PanelDef *def = LayerPanelDef(panel);
    if (!pw || !def)
        return UIE_BAD_PANEL;
    *texts = UiPanelTexts{};
    texts->panel = panel;
    texts->name = def->name;
    if (LayerPanelIsPage(panel)) {
        QTabWidget *tab = TabOfPage(pw);
        texts->title.text = tab ? S(tab->tabText(tab->indexOf(pw))) : std::string();
    } else {
        texts->title.text = S(pw->windowTitle());
    }
    for (int i = 0; i < def->controlCount; ++i) {
        const int control = def->firstControlId + i;
        if (QWidget *w = CtrlWidget(panel, control))
            texts->controls.push_back(DescribeCtrl(pw, w, control, def->controls[i].name));
    }
    return 0;
}

int ApplyPanelTexts(const UiPanelTexts &texts)
{
    QWidget *pw = PanelWidget(texts.panel);
    if (!pw)
        return UIE_BAD_PANEL;
    if (texts.title.given) {
        if (LayerPanelIsPage(texts.panel)) {
            if (QTabWidget *tab = TabOfPage(pw))
                tab->setTabText(tab->indexOf(pw), Q(texts.title.text));
        } else {
            pw->setWindowTitle(Q(texts.title.text));
        }
    }
    for (const UiCtrlTexts &c : texts.controls)
        if (QWidget *w = CtrlWidget(texts.panel, c.control))
            ApplyCtrl(pw, w, c);
    return 0;
}

std::vector<int> ChildPanels(int panel)
{
    std::vector<int> pages, others;
    for (int h : LayerPanelHandles())
        if (LayerPanelParent(h) == panel)
            (LayerPanelIsPage(h) ? pages : others).push_back(h);
    pages.insert(pages.end(), others.begin(), others.end());
    return pages;
}

int SetPanelCharSet(int panel, int charSet)
{
    QWidget *w = PanelWidget(panel);
    if (!w)
        return UIE_BAD_PANEL;
    w->setProperty("charSet", charSet);
    return 0;
}

int GetPanelMenuBar(int panel)
{
    return MenuBarOf(panel) ? panel : 0;
}

int DescribeMenuBarTexts(int menuBar, UiMenuBarTexts *texts)
{
    QMenuBar *bar = MenuBarOf(menuBar);
    if (!bar)
        return UIE_BAD_PANEL;
    *texts = UiMenuBarTexts{};
    texts->menuBar = menuBar;
    texts->name = S(bar->objectName());
    std::vector<MenuNode> nodes;
    CollectMenu(bar->actions(), texts->name, &nodes);
    for (const MenuNode &n : nodes)
        texts->entries.push_back({n.path, {S(n.action->text()), false}});
    return 0;
}

int ApplyMenuBarTexts(const UiMenuBarTexts &texts)
{
    QMenuBar *bar = MenuBarOf(texts.menuBar);
    if (!bar)
        return UIE_BAD_PANEL;
    std::vector<MenuNode> nodes;
    CollectMenu(bar->actions(), S(bar->objectName()), &nodes);
    for (const UiMenuEntry &e : texts.entries) {
        if (!e.name.given)
            continue;
        for (const MenuNode &n : nodes)
            if (n.path == e.path) {
                n.action->setText(Q(e.name.text));
                break;
            }
    }
    return 0;
}

std::vector<int> PanelControls(int panel)
{
    std::vector<int> out;
    const PanelDef *def = LayerPanelDef(panel);
    if (!def)
        return out;
    for (int i = 0; i < def->controlCount; ++i)
        if (CtrlWidget(panel, def->firstControlId + i))
            out.push_back(def->firstControlId + i);
    return out;
}

std::string CtrlCallbackName(int panel, int control)
{
    QWidget *w = CtrlWidget(panel, control);
    return w ? S(w->property("callback").toString()) : std::string();
}

bool CtrlCallbackInstalled(int panel, int control)
{
    return LayerCtrlHasCallback(panel, control);
}
