// The user-interface layer: controls (values, attributes, text boxes, simulated events, focus).
#include "platform/ui_layer.h"

#include "platform/spinbox.h"

#include "platform/widgets.h"

#include <QApplication>
#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>

#include <cmath>
#include <cstring>

using namespace uilayer;

namespace {

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

// The tooltip a control shows: while it is dimmed for a given reason, the reason first.
void ShowToolTipOf(QWidget *w)
{
    const QString normal = NormalToolTip(w);
    const QString reason = w->property("dimReason").toString();
    if (w->isEnabled() || reason.isEmpty())
        w->setToolTip(normal);
    else
        w->setToolTip(normal.isEmpty() ? reason : reason + "\n\n" + normal);
}

// Stale values: number and text displays take the dimmed text colour and a grey ground, while
// staying enabled (their help and tooltip still answer); LEDs and charts grey themselves.
void SetStale(QWidget *w, bool stale)
{
    if (w->property("stale").toBool() == stale)
        return;
    w->setProperty("stale", stale);
    if (auto *led = qobject_cast<LedCtrl *>(w)) {
        led->setStale(stale);
        return;
    }
    if (auto *chart = qobject_cast<ChartCtrlBase *>(w)) {
        chart->setStale(stale);
        return;
    }
    if (stale) {
        w->setProperty("livePalette", QVariant::fromValue(w->palette()));
        QPalette pal = w->palette();
        const QColor grey = pal.color(QPalette::Disabled, QPalette::Text);
        for (auto group : {QPalette::Active, QPalette::Inactive}) {
            pal.setColor(group, QPalette::Text, grey);
            pal.setColor(group, QPalette::WindowText, grey);
            pal.setColor(group, QPalette::Base, QColor(0xEE, 0xEE, 0xEE));
        }
        w->setPalette(pal);
    } else {
        w->setPalette(w->property("livePalette").value<QPalette>());
        w->setProperty("livePalette", QVariant());
    }
}

// A status line shows all of its text: one longer than its rows is set in a smaller font, down
// to two thirds of its own.
void FitTextToField(QPlainTextEdit *t)
{
    QFont font = t->font();
    const double full = t->property("fullPointSize").toDouble();
    if (full <= 0)
        return;
    const int margin = 2 * int(t->document()->documentMargin()) + 2 * t->frameWidth();
    const QRect room(0, 0, t->width() - margin, 1 << 20);
    for (double size = full; size >= full * 2 / 3; size *= 0.9) {
        font.setPointSizeF(size);
        const QFontMetrics m(font);
        if (m.boundingRect(room, Qt::TextWordWrap, t->toPlainText()).height() <= t->height() - margin)
            break;
    }
    t->setFont(font);
}

} // namespace

QString uilayer::NormalToolTip(QWidget *w)
{
    const QVariant normal = w->property("normalToolTip");
    return normal.isValid() ? normal.toString() : w->toolTip();
}

void uilayer::SetNormalToolTip(QWidget *w, const QString &text)
{
    w->setProperty("normalToolTip", text);
    ShowToolTipOf(w);
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
    if (auto *r = dynamic_cast<RangeSpinBox *>(w))
        r->showValue(value);
    else if (auto *s = qobject_cast<QSpinBox *>(w))
        s->setValue(value);
    else if (auto *rd = dynamic_cast<RangeDoubleSpinBox *>(w))
        rd->showValue(value);
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
    if (auto *rd = dynamic_cast<RangeDoubleSpinBox *>(w))
        rd->showValue(value);
    else if (auto *d = qobject_cast<QDoubleSpinBox *>(w))
        d->setValue(value);
    else if (auto *r = dynamic_cast<RangeSpinBox *>(w))
        r->showValue(int(std::lround(value)));
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
        if (le->isReadOnly())
            le->setCursorPosition(0); // a display too narrow shows its text's start
    } else if (auto *l = qobject_cast<QLabel *>(w))
        l->setText(text);
    else if (auto *t = qobject_cast<QPlainTextEdit *>(w)) {
        t->setPlainText(text);
        if (t->property("fitsText").toBool())
            FitTextToField(t);
    } else if (auto *cb = qobject_cast<QComboBox *>(w)) {
        if (!cb->isEditable())
            return UIE_BAD_TYPE;
        cb->setEditText(text);
    } else if (auto *b = qobject_cast<QAbstractButton *>(w))
        SetButtonText(b, text);
    else
        return UIE_BAD_TYPE;
    return 0;
}

int GetCtrlVal(int panel, int control, int *value)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    if (auto *r = dynamic_cast<RangeSpinBox *>(w))
        *value = r->shownValue();
    else if (auto *s = qobject_cast<QSpinBox *>(w))
        *value = s->value();
    else if (auto *rd = dynamic_cast<RangeDoubleSpinBox *>(w))
        *value = int(rd->shownValue());
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
    if (auto *rd = dynamic_cast<RangeDoubleSpinBox *>(w)) {
        *value = rd->shownValue();
        return 0;
    }
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
    case ATTR_DIMMED: {
        QWidget *focus = QApplication::focusWidget();
        const bool hadFocus = value != 0 && focus && (focus == w || w->isAncestorOf(focus));
        w->setEnabled(value == 0);
        for (QLabel *l : L().captions.values(w))
            l->setEnabled(value == 0);
        if (value == 0)
            w->setProperty("dimReason", QVariant());
        if (w->property("dimReason").isValid() || w->property("normalToolTip").isValid())
            ShowToolTipOf(w);
        if (hadFocus) {
            // Dimming a group passes the focus along it: the first control keeps the claim.
            if (!L().focusBeforeDim || focus != L().focusMovedTo)
                L().focusBeforeDim = focus;
            L().focusMovedTo = QApplication::focusWidget();
        } else if (value == 0 && L().focusBeforeDim &&
                   (L().focusBeforeDim == w || w->isAncestorOf(L().focusBeforeDim)) &&
                   QApplication::focusWidget() == L().focusMovedTo) {
            // Back where the operator left it, so that the next Space does not press STOP.
            L().focusBeforeDim->setFocus(Qt::OtherFocusReason);
            L().focusBeforeDim = nullptr;
        }
        return 0;
    }
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
    case ATTR_TOP:
        w->move(w->x(), value);
        AnchoredWidgetMoved(w);
        return 0;
    case ATTR_LEFT:
        w->move(value, w->y());
        AnchoredWidgetMoved(w);
        return 0;
    case ATTR_WIDTH:
        w->resize(value, w->height());
        AnchoredWidgetMoved(w);
        return 0;
    case ATTR_HEIGHT:
        w->resize(w->width(), value);
        AnchoredWidgetMoved(w);
        return 0;
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
    case ATTR_STALE: SetStale(w, value != 0); return 0;
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
            SetButtonText(b, text);
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
    case ATTR_TOOLTIP_TEXT: SetNormalToolTip(w, text); return 0;
    case ATTR_DIMMED_REASON:
        // Before the control is dimmed or while it is: undimming drops the reason.
        if (!w->property("normalToolTip").isValid())
            w->setProperty("normalToolTip", w->toolTip());
        w->setProperty("dimReason", text.isEmpty() ? QVariant() : QVariant(text));
        ShowToolTipOf(w);
        return 0;
    case ATTR_ACCESSIBLE_NAME: w->setAccessibleName(text); return 0;
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
    case ATTR_STALE: *value = w->property("stale").toBool() ? 1 : 0; return 0;
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
    case ATTR_TEXT_COLOR:
        *value = int(w->palette().color(QPalette::WindowText).rgb() & 0xFFFFFF);
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

int NewStatusLine(int panel, int top, int left, int width, int height)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    if (L().nextDynamicCtrl < kControlIdEnd)
        L().nextDynamicCtrl = kControlIdEnd;
    const int id = L().nextDynamicCtrl++;
    // A text that is longer than the field wraps onto the next row instead of being cut.
    auto *line = new QPlainTextEdit(p->widget);
    line->setReadOnly(true);
    line->setFocusPolicy(Qt::NoFocus);
    line->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    line->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    line->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    line->document()->setDocumentMargin(2);
    line->setGeometry(left, top, width, height);
    line->setProperty("fitsText", true);
    line->setProperty("fullPointSize", line->font().pointSizeF());
    line->show();
    p->controls[id].widget = line;
    L().ctrlOfWidget.insert(line, {panel, id});
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

int SetActiveCtrl(int panel, int control)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    w->setFocus(Qt::OtherFocusReason);
    return 0;
}
