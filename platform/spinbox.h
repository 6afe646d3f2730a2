// The layer's numeric fields: spin boxes that let a number beyond the range be typed and take the
// nearest limit when it is committed, with a short flash that says the value was limited.
// Qt's own spin boxes refuse the key that would leave the range, so typing 1500 into a field
// that ends at 1000 gives 150. They keep Qt's class names (no meta-object of their own), so
// everything that looks for QSpinBox or QDoubleSpinBox finds them.
#pragma once

#include <QDoubleSpinBox>
#include <QSpinBox>

// A display (a read-only field) may be written thousands of times a second, as the live loop
// does: its value counts at once, but its text is laid out and painted at most about twenty
// times a second (digits changing faster cannot be read, and their text is the dearest part of
// a live page's refresh), with the latest value, all displays together. A refresh that is due
// happens at once, so a single write shows without delay; the rest of a burst shows at the next
// refresh. A display out of sight lays out its latest value when it is shown.
template <typename T>
struct PacedValue {
    T value{};
    bool pending = false;
    unsigned shownInRefresh = 0;
};

class RangeSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    QValidator::State validate(QString &text, int &pos) const override;
    void fixup(QString &input) const override;
    // setValue for an editable field; paced as above for a display.
    void showValue(int value);
    // The value last set, also while its painting waits for the next refresh.
    int shownValue() const { return paced_.pending ? paced_.value : value(); }
    // Brings the text up to the value now (before the field is grabbed or printed).
    void showPendingValue();

protected:
    void showEvent(QShowEvent *event) override;

private:
    PacedValue<int> paced_;
};

class RangeDoubleSpinBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    QValidator::State validate(QString &text, int &pos) const override;
    void fixup(QString &input) const override;
    void showValue(double value);
    double shownValue() const { return paced_.pending ? paced_.value : value(); }
    void showPendingValue();

protected:
    void showEvent(QShowEvent *event) override;

private:
    PacedValue<double> paced_;
};

// Shows every paced value of `root` and below it now.
void ShowPendingValues(QWidget *root);

// How often a display's text is laid out and repainted at most, in milliseconds. A write up to
// half a screen refresh before that is due already, so that the displays of a loop that shows
// a frame once per screen refresh change with every third of its shows, in the same paint.
inline constexpr int kDisplayRefreshMs = 50;
inline constexpr int kDisplayRefreshEarlyMs = 8;

// How long a limited field stays marked, in milliseconds.
inline constexpr int kLimitedFlashMs = 900;
