// The layer's numeric fields: spin boxes that let a number beyond the range be typed and take the
// nearest limit when it is committed, with a short flash that says the value was limited.
// Qt's own spin boxes refuse the key that would leave the range, so typing 1500 into a field
// that ends at 1000 gives 150. They keep Qt's class names (no meta-object of their own), so
// everything that looks for QSpinBox or QDoubleSpinBox finds them.
#pragma once

#include <QDoubleSpinBox>
#include <QSpinBox>

class RangeSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;
    QValidator::State validate(QString &text, int &pos) const override;
    void fixup(QString &input) const override;
};

class RangeDoubleSpinBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;
    QValidator::State validate(QString &text, int &pos) const override;
    void fixup(QString &input) const override;
};

// How long a limited field stays marked, in milliseconds.
inline constexpr int kLimitedFlashMs = 900;
