#include "platform/spinbox.h"

#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QTimer>

namespace {

// The number in a field's text without its prefix and suffix; false when it is no number.
bool NumberIn(const QAbstractSpinBox *box, const QString &prefix, const QString &suffix,
              QString text, double *value)
{
    if (!prefix.isEmpty() && text.startsWith(prefix))
        text.remove(0, prefix.size());
    if (!suffix.isEmpty() && text.endsWith(suffix))
        text.chop(suffix.size());
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 15)
        return false;
    bool ok = false;
    *value = box->locale().toDouble(text, &ok);
    if (!ok)
        *value = text.toDouble(&ok);
    return ok;
}

// Marks the field for a moment: its base colour turns light amber, then back.
void FlashLimited(const QAbstractSpinBox *box)
{
    auto *w = const_cast<QAbstractSpinBox *>(box);
    if (w->property("limitFlash").toBool())
        return;
    const QPalette normal = w->palette();
    QPalette marked = normal;
    marked.setColor(QPalette::Base, QColor(255, 214, 140));
    w->setProperty("limitFlash", true);
    w->setPalette(marked);
    QPointer<QAbstractSpinBox> guard(w);
    QTimer::singleShot(kLimitedFlashMs, w, [guard, normal] {
        if (!guard)
            return;
        guard->setPalette(normal);
        guard->setProperty("limitFlash", false);
    });
}

// A number beyond the range is let through while it is typed; the commit limits it.
template <typename Box>
QValidator::State ValidateBeyondRange(const Box *box, QValidator::State state, const QString &text)
{
    if (state != QValidator::Invalid)
        return state;
    double v = 0;
    if (NumberIn(box, box->prefix(), box->suffix(), text, &v) &&
        (v > box->maximum() || v < box->minimum()))
        return QValidator::Intermediate;
    return state;
}

QString LimitText(const QSpinBox *box, int limit)
{
    QString text = box->locale().toString(limit);
    return text.remove(box->locale().groupSeparator());
}

QString LimitText(const QDoubleSpinBox *box, double limit)
{
    QString text = box->locale().toString(limit, 'f', box->decimals());
    return text.remove(box->locale().groupSeparator());
}

// Replaces a number beyond the range by the nearest limit; true when it did.
template <typename Box>
bool LimitToRange(const Box *box, QString &input)
{
    double v = 0;
    if (!NumberIn(box, box->prefix(), box->suffix(), input, &v))
        return false;
    if (v <= box->maximum() && v >= box->minimum())
        return false;
    const auto limit = v > box->maximum() ? box->maximum() : box->minimum();
    input = box->prefix() + LimitText(box, limit) + box->suffix();
    FlashLimited(box);
    return true;
}

} // namespace

QValidator::State RangeSpinBox::validate(QString &text, int &pos) const
{
    return ValidateBeyondRange(this, QSpinBox::validate(text, pos), text);
}

void RangeSpinBox::fixup(QString &input) const
{
    if (!LimitToRange(this, input))
        QSpinBox::fixup(input);
}

QValidator::State RangeDoubleSpinBox::validate(QString &text, int &pos) const
{
    return ValidateBeyondRange(this, QDoubleSpinBox::validate(text, pos), text);
}

void RangeDoubleSpinBox::fixup(QString &input) const
{
    if (!LimitToRange(this, input))
        QDoubleSpinBox::fixup(input);
}
