#include "platform/spinbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QSignalBlocker>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <vector>

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

// Writes this soon after a refresh belong to it.
constexpr qint64 kBurstMs = 2;

// The displays whose text waits for the next refresh, and the one timer that brings it.
struct Pacer {
    QElapsedTimer sinceRefresh;
    unsigned refresh = 1;
    QTimer *timer = nullptr;
    std::vector<QPointer<QAbstractSpinBox>> waiting;
};

Pacer &ThePacer()
{
    static Pacer pacer;
    return pacer;
}

template <typename Box, typename T>
void ShowPaced(Box *box, PacedValue<T> &paced)
{
    if (!paced.pending)
        return;
    paced.pending = false;
    paced.shownInRefresh = ThePacer().refresh;
    // A display lays its text out anew on every write, the same text as well. (An editable
    // field is written in any case: the write also replaces what the operator has typed.)
    if (box->isReadOnly() && paced.value == box->value())
        return;
    const QSignalBlocker block(box);
    box->setValue(paced.value);
}

void ShowPendingValue(QAbstractSpinBox *box)
{
    if (auto *r = dynamic_cast<RangeSpinBox *>(box))
        r->showPendingValue();
    else if (auto *d = dynamic_cast<RangeDoubleSpinBox *>(box))
        d->showPendingValue();
}

void StartRefresh()
{
    Pacer &p = ThePacer();
    if (p.timer)
        p.timer->stop();
    p.sinceRefresh.start();
    ++p.refresh;
}

void ShowWaiting()
{
    std::vector<QPointer<QAbstractSpinBox>> waiting;
    waiting.swap(ThePacer().waiting);
    for (const QPointer<QAbstractSpinBox> &box : waiting)
        if (box)
            ShowPendingValue(box);
}

bool RefreshDue()
{
    const Pacer &p = ThePacer();
    return !p.sinceRefresh.isValid() ||
           p.sinceRefresh.elapsed() >= kDisplayRefreshMs - kDisplayRefreshEarlyMs;
}

// The one timer: a refresh when it is due, or the end of a burst.
void ArmTimer(qint64 ms)
{
    Pacer &p = ThePacer();
    if (!p.timer) {
        p.timer = new QTimer(QCoreApplication::instance());
        p.timer->setSingleShot(true);
        QObject::connect(p.timer, &QTimer::timeout, [] {
            if (RefreshDue())
                StartRefresh();
            ShowWaiting();
        });
    }
    if (!p.timer->isActive())
        p.timer->start(int(std::max<qint64>(0, ms)));
}

// The value as the field would hold it: within its range, a real number at its decimals.
int AsHeld(const QSpinBox *box, int value)
{
    return std::clamp(value, box->minimum(), box->maximum());
}

double AsHeld(const QDoubleSpinBox *box, double value)
{
    const double scale = std::pow(10.0, box->decimals());
    return std::clamp(std::round(value * scale) / scale, box->minimum(), box->maximum());
}

template <typename Box, typename T>
void SetPaced(Box *box, PacedValue<T> &paced, T value)
{
    const bool waiting = paced.pending;
    paced.value = AsHeld(box, value);
    paced.pending = true;
    Pacer &p = ThePacer();
    if (!box->isReadOnly()) {
        ShowPaced(box, paced);
        return;
    }
    // A display out of sight (on a page not shown) lays its text out when it comes into view.
    if (!box->isVisible())
        return;
    if (RefreshDue()) {
        // The displays still waiting are shown at the end of this burst, not now: those that
        // the burst writes again (the other values of the same frame) show their new value,
        // laid out once, and all of them the same frame's.
        StartRefresh();
        ShowPaced(box, paced);
        if (!p.waiting.empty())
            ArmTimer(kBurstMs);
        return;
    }
    // The other displays of the same burst (a frame's values, written one after another) are
    // painted with the first, in the same pass; a display written again waits.
    if (p.sinceRefresh.elapsed() < kBurstMs && paced.shownInRefresh != p.refresh) {
        ShowPaced(box, paced);
        return;
    }
    if (!waiting)
        p.waiting.emplace_back(box);
    ArmTimer(kDisplayRefreshMs - p.sinceRefresh.elapsed());
}

} // namespace

void RangeSpinBox::showValue(int value)
{
    SetPaced(this, paced_, value);
}

void RangeSpinBox::showPendingValue()
{
    ShowPaced(this, paced_);
}

void RangeSpinBox::showEvent(QShowEvent *event)
{
    ShowPaced(this, paced_);
    QSpinBox::showEvent(event);
}

void RangeDoubleSpinBox::showValue(double value)
{
    SetPaced(this, paced_, value);
}

void RangeDoubleSpinBox::showPendingValue()
{
    ShowPaced(this, paced_);
}

void RangeDoubleSpinBox::showEvent(QShowEvent *event)
{
    ShowPaced(this, paced_);
    QDoubleSpinBox::showEvent(event);
}

void ShowPendingValues(QWidget *root)
{
    if (!root)
        return;
    if (auto *box = qobject_cast<QAbstractSpinBox *>(root))
        ShowPendingValue(box);
    for (QAbstractSpinBox *box : root->findChildren<QAbstractSpinBox *>())
        ShowPendingValue(box);
}

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
