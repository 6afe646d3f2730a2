// The user-interface layer: marks around controls (a coloured frame the program draws to point
// at a control), watching a control's value, and tables whose cells hold text.
#include "platform/ui_layer.h"

#include <QEvent>
#include <QAbstractButton>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>

using namespace uilayer;

namespace {

constexpr int kMarkWidth = 2;
constexpr const char *kMarkProperty = "ctrlMark";

// The frame lies on the control's panel around the control, above it but transparent for the
// mouse, and follows the control's place, size and visibility.
class MarkFrame : public QFrame {
public:
    explicit MarkFrame(QWidget *control) : QFrame(control->parentWidget()), control_(control)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        control->installEventFilter(this);
        follow();
    }
    void setColor(int rgb)
    {
        setStyleSheet(QString("QFrame { border: %1px solid %2; background: transparent; }")
                          .arg(kMarkWidth)
                          .arg(Rgb(rgb).name()));
        color_ = rgb;
    }
    int color() const { return color_; }

protected:
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (watched == control_ &&
            (e->type() == QEvent::Move || e->type() == QEvent::Resize ||
             e->type() == QEvent::Show || e->type() == QEvent::Hide))
            follow();
        return false;
    }

private:
    void follow()
    {
        if (!control_)
            return;
        const int m = kMarkWidth + 1;
        setGeometry(control_->geometry().adjusted(-m, -m, m, m));
        setVisible(control_->isVisibleTo(control_->parentWidget()));
        raise();
    }
    QPointer<QWidget> control_;
    int color_ = VAL_TRANSPARENT;
};

MarkFrame *MarkOf(QWidget *w)
{
    return static_cast<MarkFrame *>(w->property(kMarkProperty).value<QObject *>());
}

QTableWidget *Table(int panel, int control)
{
    return qobject_cast<QTableWidget *>(W(panel, control));
}

QTableWidgetItem *Cell(QTableWidget *t, int row, int col)
{
    if (!t || row < 1 || col < 1 || row > t->rowCount() || col > t->columnCount())
        return nullptr;
    QTableWidgetItem *item = t->item(row - 1, col - 1);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        t->setItem(row - 1, col - 1, item);
    }
    return item;
}

} // namespace

int SetCtrlMark(int panel, int control, int color)
{
    QWidget *w = W(panel, control);
    if (!w || !w->parentWidget())
        return UIE_BAD_CONTROL;
    MarkFrame *mark = MarkOf(w);
    if (color == VAL_TRANSPARENT) {
        if (mark)
            mark->hide(), mark->setColor(VAL_TRANSPARENT);
        return 0;
    }
    if (!mark) {
        mark = new MarkFrame(w);
        w->setProperty(kMarkProperty, QVariant::fromValue<QObject *>(mark));
    }
    mark->setColor(color);
    mark->setVisible(w->isVisibleTo(w->parentWidget()));
    mark->raise();
    return 0;
}

int GetCtrlMark(int panel, int control, int *color)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    const MarkFrame *mark = MarkOf(w);
    *color = mark ? mark->color() : VAL_TRANSPARENT;
    return 0;
}

namespace {
void (*gAfterCommit)() = nullptr;
} // namespace

void SetAfterCommitHook(void (*hook)())
{
    gAfterCommit = hook;
}

void uilayer::RunAfterCommitHook()
{
    if (gAfterCommit)
        gAfterCommit();
}

int SetNumTableRows(int panel, int control, int rows)
{
    QTableWidget *t = Table(panel, control);
    if (!t)
        return UIE_BAD_CONTROL;
    if (rows < 0)
        return UIE_BAD_INDEX;
    const QSignalBlocker block(t);
    t->setRowCount(rows);
    return 0;
}

int SetTableCellText(int panel, int control, int row, int col, const char *text)
{
    QTableWidget *t = Table(panel, control);
    if (!t)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(t);
    QTableWidgetItem *item = Cell(t, row, col);
    if (!item)
        return UIE_BAD_INDEX;
    item->setText(Q(text));
    item->setToolTip(Q(text)); // the whole text of a cell too narrow for it
    return 0;
}

int GetTableCellText(int panel, int control, int row, int col, std::string *text)
{
    QTableWidget *t = Table(panel, control);
    if (!t)
        return UIE_BAD_CONTROL;
    QTableWidgetItem *item = Cell(t, row, col);
    if (!item)
        return UIE_BAD_INDEX;
    *text = item->text().toStdString();
    return 0;
}

int SetTableCellColor(int panel, int control, int row, int col, int color)
{
    QTableWidget *t = Table(panel, control);
    if (!t)
        return UIE_BAD_CONTROL;
    const QSignalBlocker block(t);
    QTableWidgetItem *item = Cell(t, row, col);
    if (!item)
        return UIE_BAD_INDEX;
    item->setBackground(color == VAL_TRANSPARENT ? QBrush() : QBrush(Rgb(color)));
    return 0;
}

int GetTableCellColor(int panel, int control, int row, int col, int *color)
{
    QTableWidget *t = Table(panel, control);
    if (!t)
        return UIE_BAD_CONTROL;
    QTableWidgetItem *item = Cell(t, row, col);
    if (!item)
        return UIE_BAD_INDEX;
    const QBrush b = item->background();
    *color = b.style() == Qt::NoBrush ? VAL_TRANSPARENT : int(b.color().rgb() & 0xFFFFFF);
    return 0;
}

int SetTableColumnLabel(int panel, int control, int col, const char *label)
{
    QTableWidget *t = Table(panel, control);
    if (!t)
        return UIE_BAD_CONTROL;
    if (col < 1 || col > t->columnCount())
        return UIE_BAD_INDEX;
    QTableWidgetItem *h = t->horizontalHeaderItem(col - 1);
    if (!h) {
        h = new QTableWidgetItem;
        t->setHorizontalHeaderItem(col - 1, h);
    }
    h->setText(Q(label));
    return 0;
}

int FitTableColumns(int panel, int control)
{
    QTableWidget *t = Table(panel, control);
    if (!t)
        return UIE_BAD_CONTROL;
    // The last column stretches to the table's edge; the others take their contents' width.
    for (int c = 0; c + 1 < t->columnCount(); ++c)
        t->resizeColumnToContents(c);
    return 0;
}

std::string GetCtrlLabel(int panel, int control)
{
    QWidget *w = W(panel, control);
    if (!w)
        return {};
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text().toStdString();
    const QList<QLabel *> captions = L().captions.values(w);
    return captions.isEmpty() ? std::string() : captions.front()->text().toStdString();
}
