// The layer's LED control: a round lamp in its "on" colour or dark grey.
#pragma once

#include <QColor>
#include <QWidget>

class LedCtrl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString onColor READ onColorName WRITE setOnColorName)
public:
    explicit LedCtrl(QWidget *parent = nullptr);
    bool isOn() const { return on_; }
    void setOn(bool on);
    QColor onColor() const { return onColor_; }
    void setOnColor(const QColor &c);
    QString onColorName() const { return onColor_.name(); }
    void setOnColorName(const QString &name) { setOnColor(QColor(name)); }
    QSize sizeHint() const override { return {20, 20}; }
    // A stale LED (its state is from an earlier frame) is drawn in greys.
    bool isStale() const { return stale_; }
    void setStale(bool stale);

protected:
    void paintEvent(QPaintEvent *) override;

private:
    bool on_ = false;
    bool stale_ = false;
    QColor onColor_{255, 128, 0};
};
