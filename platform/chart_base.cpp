#include "platform/chart_base.h"

#include <QCategoryAxis>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QMouseEvent>
#include <QPainter>
#include <QGraphicsScene>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

// ---- ChartCtrlBase -----------------------------------------------------------------------------

ChartCtrlBase::ChartCtrlBase(QWidget *parent) : QChartView(parent)
{
    chart_ = new QChart;
    chart_->legend()->hide();
    chart_->setMargins(QMargins(2, 2, 2, 2));
    chart_->setBackgroundRoundness(0);
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
    setRenderHint(QPainter::Antialiasing, false);
    redrawTimer_ = new QTimer(this);
    redrawTimer_->setSingleShot(true);
    connect(redrawTimer_, &QTimer::timeout, this, [this] { runRedraw(); });
    // A plot area of another width has other pixel columns to reduce long series to.
    connect(chart_, &QChart::plotAreaChanged, this, [this] {
        if (plotColumns() != paintedColumns_)
            redrawLater();
    });
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

void ChartCtrlBase::setXRange(double min, double max)
{
    xAxis_->setRange(min, max);
}

void ChartCtrlBase::setYRange(double min, double max)
{
    yAxis_->setRange(min, max);
}

void ChartCtrlBase::setYScaling(bool autoscale, double min, double max)
{
    yAuto_ = autoscale;
    if (autoscale)
        applyAutoscale();
    else
        yAxis_->setRange(min, max);
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
    yAxis_->setRange(lo - pad, hi + pad);
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
