#include "platform/chart_base.h"

#include <QCategoryAxis>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
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
    setRenderHint(QPainter::Antialiasing, false);
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
