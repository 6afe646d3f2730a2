// The user-interface layer: list controls (rings and combo boxes) and tables.
#include "platform/ui_layer.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QStyledItemDelegate>
#include <QIntValidator>

#include <cstring>

using namespace uilayer;

namespace {

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
