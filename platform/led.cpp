#include "platform/led.h"

#include <QCategoryAxis>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <limits>

// ---- LedCtrl -----------------------------------------------------------------------------------

LedCtrl::LedCtrl(QWidget *parent) : QWidget(parent) {}

void LedCtrl::setOn(bool on)
{
    if (on_ != on) {
        on_ = on;
        update();
    }
}

void LedCtrl::setStale(bool stale)
{
    if (stale_ != stale) {
        stale_ = stale;
        update();
    }
}

void LedCtrl::setOnColor(const QColor &c)
{
    onColor_ = c;
    update();
}

void LedCtrl::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = std::min(width(), height()) - 2;
    const QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    QColor fill = on_ ? onColor_ : QColor(20, 20, 20);
    if (!isEnabled())
        fill = fill.darker(150);
    if (stale_) {
        // Grey, halfway to the background: on still reads lighter than off.
        const int g = (qGray(fill.rgb()) + 200) / 2;
        fill = QColor(g, g, g);
    }
    QRadialGradient g(r.center() - QPointF(d / 5.0, d / 5.0), d / 1.2);
    g.setColorAt(0, fill.lighter(on_ ? 160 : 130));
    g.setColorAt(1, fill);
    p.setBrush(g);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.drawEllipse(r);
}
