#include "platform/chart_base.h"

#include <QCategoryAxis>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QLegend>
#include <QLegendMarker>
#include <QMouseEvent>
#include <QPainter>
#include <QGraphicsScene>
#include <QTimer>
#include <QXYSeries>

#include <algorithm>
#include <cmath>
#include <limits>

// ---- Axis ticks --------------------------------------------------------------------------------

AxisTicks NiceTicks(double lo, double hi, int maxTicks)
{
    AxisTicks t;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo)) {
        t.first = std::isfinite(lo) ? lo : 0;
        return t;
    }
    maxTicks = std::max(1, maxTicks);
    const double raw = (hi - lo) / maxTicks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * power;
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw * (1 - 1e-9)) {
            step = m * power;
            break;
        }
    t.step = step;
    // A tick a rounding error below lo still counts as on lo.
    t.first = std::ceil(lo / step - 1e-9) * step;
    if (std::abs(t.first) < step * 1e-9)
        t.first = 0;
    t.decimals = std::clamp(int(-std::floor(std::log10(step) + 1e-9)), 0, 12);
    return t;
}

// ---- ChartCtrlBase -----------------------------------------------------------------------------

ChartCtrlBase::ChartCtrlBase(QWidget *parent) : QChartView(parent)
{
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->legend()->setAlignment(Qt::AlignTop);
    chart_->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    {
        QFont f = chart_->legend()->font();
        f.setPointSizeF(std::max(7.0, f.pointSizeF() - 1));
        chart_->legend()->setFont(f);
    }
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);
    // The theme's white is a gradient from white to white, which every repaint of the plot
    // fills span by span; a plain white brush paints the same pixels in one fill.
    chart_->setBackgroundBrush(Qt::white);
    xAxis_ = new QValueAxis;
    yAxis_ = new QValueAxis;
    xAxis_->setLabelFormat("%g");
    yAxis_->setLabelFormat("%g");
    chart_->addAxis(xAxis_, Qt::AlignBottom);
    chart_->addAxis(yAxis_, Qt::AlignLeft);
    xAxis_->setRange(0, 100);
    yAxis_->setRange(0, 4096);
    setChart(chart_);
    // The series change shape at every refresh; a scene index would be rebuilt each time.
    scene()->setItemIndexMethod(QGraphicsScene::NoIndex);
    // White beyond the chart as well: a graph lined up with another (contents margins) shows no
    // strip of the panel beside its plot.
    setBackgroundBrush(Qt::white);
    setRenderHint(QPainter::Antialiasing, false);
    redrawTimer_ = new QTimer(this);
    redrawTimer_->setSingleShot(true);
    connect(redrawTimer_, &QTimer::timeout, this, [this] { runRedraw(); });
    // A plot area of another width has other pixel columns to reduce long series to.
    connect(chart_, &QChart::plotAreaChanged, this, [this] {
        if (plotColumns() != paintedColumns_)
            redrawLater();
        updateTicks();
    });
    connect(xAxis_, &QValueAxis::rangeChanged, this, [this] { updateTicks(); });
    connect(yAxis_, &QValueAxis::rangeChanged, this, [this] { updateTicks(); });
    xAxis_->setTickType(QValueAxis::TicksDynamic);
    yAxis_->setTickType(QValueAxis::TicksDynamic);
    updateTicks();
}

void ChartCtrlBase::updateTicks()
{
    // About one label per 90 pixels across and per 40 down; before the first layout, the
    // control's own size stands for the plot's.
    QRectF area = chart_->plotArea();
    if (area.width() < 2 || area.height() < 2)
        area = QRectF(0, 0, std::max(width() - 60, 200), std::max(height() - 50, 100));
    const auto apply = [](QValueAxis *axis, AxisTicks *stored, double pixels, double perTick) {
        const AxisTicks t = NiceTicks(axis->min(), axis->max(), std::max(1, int(pixels / perTick)));
        if (t.first != stored->first || t.step != stored->step || t.decimals != stored->decimals ||
            axis->tickInterval() != t.step) {
            *stored = t;
            axis->setTickAnchor(t.first);
            axis->setTickInterval(t.step);
            axis->setLabelFormat(QStringLiteral("%.%1f").arg(t.decimals));
        }
    };
    apply(xAxis_, &xTicks_, area.width(), 90);
    if (fixedYStep_ > 0) {
        const double ySpan = yAxis_->max() - yAxis_->min();
        apply(yAxis_, &yTicks_, area.height(), area.height() * fixedYStep_ / std::max(ySpan, 1e-9));
    } else {
        apply(yAxis_, &yTicks_, area.height(), 40);
    }
}

void ChartCtrlBase::refreshLegend()
{
    // The legend is shown before its markers are: a marker made visible under a hidden legend
    // stays hidden.
    const QList<QLegendMarker *> markers = chart_->legend()->markers();
    QStringList seen;
    std::vector<bool> shown;
    for (QLegendMarker *m : markers) {
        const QString name = m->series() ? m->series()->name() : QString();
        shown.push_back(!name.isEmpty() && !seen.contains(name));
        if (shown.back())
            seen << name;
    }
    legendNames_ = seen;
    chart_->legend()->setVisible(!seen.isEmpty());
    for (qsizetype i = 0; i < markers.size(); ++i) {
        QLegendMarker *m = markers[i];
        m->setVisible(shown[size_t(i)]);
        // Unconnected points show a dot, lines a piece of their line.
        const auto *xy = qobject_cast<const QXYSeries *>(m->series());
        if (xy && xy->pen().style() == Qt::NoPen)
            m->setShape(QLegend::MarkerShapeCircle);
    }
}

void ChartCtrlBase::scheduleRedraw()
{
    pending_ = true;
    if (!isVisible())
        return; // shown later: showEvent paints
    // A refresh that is due happens at once, so a caller plotting in a busy loop never depends
    // on the timer, and the redraw comes right after the caller's own work. The timer only
    // brings up the last data when no further plot comes, half a refresh after it was due: a
    // caller plotting at a steady pace (the live loop, every few milliseconds) gets there
    // first, so the redraw never lands in the middle of its next wait.
    if (!sinceRedraw_.isValid() || sinceRedraw_.elapsed() >= kRefreshMs) {
        redrawTimer_->stop();
        runRedraw();
    } else if (!redrawTimer_->isActive()) {
        redrawTimer_->start(int(kRefreshMs + kRefreshMs / 2 - sinceRedraw_.elapsed()));
    }
}

void ChartCtrlBase::redrawLater()
{
    pending_ = true;
    if (isVisible() && !redrawTimer_->isActive())
        redrawTimer_->start(kRefreshMs);
}

void ChartCtrlBase::redrawNow()
{
    if (pending_) {
        redrawTimer_->stop();
        runRedraw();
    }
}

void ChartCtrlBase::runRedraw()
{
    pending_ = false;
    sinceRedraw_.start();
    ++redraws_;
    paintedColumns_ = plotColumns();
    redraw();
}

void ChartCtrlBase::showEvent(QShowEvent *e)
{
    QChartView::showEvent(e);
    redrawNow();
}

int ChartCtrlBase::plotColumns() const
{
    double w = chart_->plotArea().width();
    if (w < 2)
        w = std::max(width(), 640);
    return int(std::ceil(w * std::max(1.0, devicePixelRatioF())));
}

namespace {

// Sets an axis's range with a tick interval coarse enough for it. The axis lays out one label
// per tick as soon as its range changes, before the ticks are fitted to the new range: the old
// interval over a range many times wider (a day's file after a minute's) would make it lay out
// hundreds of thousands of labels first.
void SetAxisRange(QValueAxis *axis, double min, double max)
{
    const double span = max - min;
    if (std::isfinite(span) && span > 0 && axis->tickInterval() > 0 &&
        span / axis->tickInterval() > 100)
        axis->setTickInterval(NiceTicks(min, max, 10).step);
    axis->setRange(min, max);
}

} // namespace

void ChartCtrlBase::setXRange(double min, double max)
{
    SetAxisRange(xAxis_, min, max);
}

void ChartCtrlBase::setYRange(double min, double max)
{
    SetAxisRange(yAxis_, min, max);
}

void ChartCtrlBase::setYScaling(bool autoscale, double min, double max)
{
    yAuto_ = autoscale;
    if (autoscale)
        applyAutoscale();
    else
        SetAxisRange(yAxis_, min, max);
}

void ChartCtrlBase::applyAutoscale()
{
    if (!yAuto_)
        return;
    double lo = 0, hi = 0;
    bool any = false;
    dataRange(&lo, &hi, &any);
    if (!any)
        return;
    if (hi - lo < 1e-9) {
        lo -= 1;
        hi += 1;
    }
    const double pad = (hi - lo) * 0.05;
    SetAxisRange(yAxis_, lo - pad, hi + pad);
}

void ChartCtrlBase::setStale(bool stale)
{
    if (stale_ == stale)
        return;
    stale_ = stale;
    viewport()->update();
}

void ChartCtrlBase::drawForeground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawForeground(painter, rect);
    if (stale_)
        painter->fillRect(chart_->mapToScene(chart_->plotArea()).boundingRect(),
                          QColor(0xF0, 0xF0, 0xF0, 0xB4));
}
