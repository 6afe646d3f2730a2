#include "app/widgets.h"

#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QMouseEvent>
#include <QPainter>

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
    QRadialGradient g(r.center() - QPointF(d / 5.0, d / 5.0), d / 1.2);
    g.setColorAt(0, fill.lighter(on_ ? 160 : 130));
    g.setColorAt(1, fill);
    p.setBrush(g);
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.drawEllipse(r);
}

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

// ---- GraphCtrl ---------------------------------------------------------------------------------

GraphCtrl::GraphCtrl(QWidget *parent) : ChartCtrlBase(parent)
{
    for (int i = 0; i < 2; ++i) {
        const QColor c = i == 0 ? QColor(220, 0, 220) : QColor(0, 160, 220);
        for (int j = 0; j < 2; ++j) {
            cursorLines_[i][j] = new QGraphicsLineItem(chart_);
            cursorLines_[i][j]->setPen(QPen(c, 1, Qt::DashLine));
            cursorLines_[i][j]->setZValue(20);
            cursorLines_[i][j]->setVisible(false);
        }
    }
    connect(chart_, &QChart::plotAreaChanged, this, [this] { updateCursorItems(); });
    connect(xAxis_, &QValueAxis::rangeChanged, this, [this] { updateCursorItems(); });
    connect(yAxis_, &QValueAxis::rangeChanged, this, [this] { updateCursorItems(); });
}

int GraphCtrl::addPlot(const std::vector<QPointF> &points, const QColor &color,
                       Qt::PenStyle style, bool withPoints)
{
    auto *s = new QLineSeries;
    s->setPen(QPen(color, 1.5, style));
    s->setPointsVisible(withPoints);
    s->replace(QList<QPointF>(points.begin(), points.end()));
    chart_->addSeries(s);
    s->attachAxis(xAxis_);
    s->attachAxis(yAxis_);
    const int handle = nextHandle_++;
    plots_[handle] = s;
    applyAutoscale();
    return handle;
}

bool GraphCtrl::deletePlot(int handle)
{
    if (handle == -1) {
        for (auto &[h, s] : plots_) {
            chart_->removeSeries(s);
            delete s;
        }
        plots_.clear();
        return true;
    }
    auto it = plots_.find(handle);
    if (it == plots_.end())
        return false;
    chart_->removeSeries(it->second);
    delete it->second;
    plots_.erase(it);
    return true;
}

std::vector<QPointF> GraphCtrl::plotPoints(int handle) const
{
    auto it = plots_.find(handle);
    if (it == plots_.end())
        return {};
    const QList<QPointF> pts = it->second->points();
    return {pts.begin(), pts.end()};
}

QColor GraphCtrl::plotColor(int handle) const
{
    auto it = plots_.find(handle);
    return it == plots_.end() ? QColor() : it->second->pen().color();
}

void GraphCtrl::dataRange(double *min, double *max, bool *any) const
{
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (const auto &[h, s] : plots_)
        for (const QPointF &p : s->points()) {
            lo = std::min(lo, p.y());
            hi = std::max(hi, p.y());
            *any = true;
        }
    *min = lo;
    *max = hi;
}

void GraphCtrl::setCursor(int index, QPointF pos)
{
    if (index < 0 || index > 1)
        return;
    cursors_[index] = pos;
    updateCursorItems();
}

QPointF GraphCtrl::cursorPos(int index) const
{
    return (index < 0 || index > 1) ? QPointF() : cursors_[index];
}

void GraphCtrl::setCursorsEnabled(bool on)
{
    cursorsOn_ = on;
    updateCursorItems();
}

void GraphCtrl::updateCursorItems()
{
    const QRectF area = chart_->plotArea();
    for (int i = 0; i < 2; ++i) {
        const QPointF p = chart_->mapToPosition(cursors_[i]);
        const bool inside = cursorsOn_ && area.contains(QPointF(p.x(), area.center().y()));
        cursorLines_[i][0]->setLine(p.x(), area.top(), p.x(), area.bottom());
        const double y = std::clamp(p.y(), area.top(), area.bottom());
        cursorLines_[i][1]->setLine(area.left(), y, area.right(), y);
        cursorLines_[i][0]->setVisible(inside);
        cursorLines_[i][1]->setVisible(inside);
    }
}

int GraphCtrl::cursorNear(QPointF widgetPos) const
{
    if (!cursorsOn_)
        return -1;
    const QPointF scenePos = mapToScene(widgetPos.toPoint());
    int best = -1;
    double bestDist = 6;
    for (int i = 0; i < 2; ++i) {
        const double d = std::abs(chart_->mapToPosition(cursors_[i]).x() - scenePos.x());
        if (d <= bestDist) {
            best = i;
            bestDist = d;
        }
    }
    return best;
}

void GraphCtrl::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier)) {
        zooming_ = true;
        zoomStart_ = e->pos();
        if (!zoomRect_) {
            zoomRect_ = new QGraphicsRectItem(chart_);
            zoomRect_->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
            zoomRect_->setZValue(30);
        }
        zoomRect_->setRect(QRectF(mapToScene(zoomStart_), QSizeF()));
        zoomRect_->setVisible(true);
        return;
    }
    if (e->button() == Qt::LeftButton) {
        const int c = cursorNear(e->position());
        if (c < 0 && cursorsOn_) {
            // A click in the plot area brings the nearer cursor there.
            const QPointF v = chart_->mapToValue(mapToScene(e->pos()));
            const double d0 = std::abs(v.x() - cursors_[0].x());
            const double d1 = std::abs(v.x() - cursors_[1].x());
            dragging_ = d0 <= d1 ? 0 : 1;
        } else {
            dragging_ = c;
        }
        if (dragging_ >= 0) {
            cursors_[dragging_] = chart_->mapToValue(mapToScene(e->pos()));
            updateCursorItems();
            emit cursorMoved(dragging_);
            return;
        }
    }
    QChartView::mousePressEvent(e);
}

void GraphCtrl::mouseMoveEvent(QMouseEvent *e)
{
    if (zooming_) {
        zoomRect_->setRect(QRectF(mapToScene(zoomStart_), mapToScene(e->pos())).normalized());
        return;
    }
    if (dragging_ >= 0) {
        cursors_[dragging_] = chart_->mapToValue(mapToScene(e->pos()));
        updateCursorItems();
        emit cursorMoved(dragging_);
        return;
    }
    QChartView::mouseMoveEvent(e);
}

void GraphCtrl::mouseReleaseEvent(QMouseEvent *e)
{
    if (zooming_) {
        zooming_ = false;
        zoomRect_->setVisible(false);
        const QPointF a = chart_->mapToValue(mapToScene(zoomStart_));
        const QPointF b = chart_->mapToValue(mapToScene(e->pos()));
        if (std::abs(a.x() - b.x()) > 1e-9 && std::abs(a.y() - b.y()) > 1e-9) {
            yAuto_ = false;
            setXRange(std::min(a.x(), b.x()), std::max(a.x(), b.x()));
            setYRange(std::min(a.y(), b.y()), std::max(a.y(), b.y()));
            emit zoomed();
        }
        return;
    }
    if (dragging_ >= 0) {
        dragging_ = -1;
        return;
    }
    QChartView::mouseReleaseEvent(e);
}

void GraphCtrl::resizeEvent(QResizeEvent *e)
{
    QChartView::resizeEvent(e);
    updateCursorItems();
}

// ---- StripChartCtrl ----------------------------------------------------------------------------

StripChartCtrl::StripChartCtrl(QWidget *parent) : ChartCtrlBase(parent)
{
    setTraceCount(1);
    setPointsPerScreen(100);
}

void StripChartCtrl::setPointsPerScreen(int n)
{
    pointsPerScreen_ = std::max(2, n);
    xAxis_->setRange(0, pointsPerScreen_ - 1);
    for (auto &v : values_)
        if (int(v.size()) > pointsPerScreen_)
            v.erase(v.begin(), v.end() - pointsPerScreen_);
    redraw();
}

void StripChartCtrl::setTraceCount(int n)
{
    n = std::clamp(n, 1, 16);
    static const QColor kDefault[] = {Qt::red, Qt::darkGreen, Qt::blue, Qt::darkYellow,
                                      Qt::magenta, Qt::darkCyan};
    while (int(series_.size()) < n) {
        auto *s = new QLineSeries;
        s->setPen(QPen(kDefault[series_.size() % 6], 1.5));
        chart_->addSeries(s);
        s->attachAxis(xAxis_);
        s->attachAxis(yAxis_);
        series_.push_back(s);
        values_.emplace_back();
    }
    while (int(series_.size()) > n) {
        chart_->removeSeries(series_.back());
        delete series_.back();
        series_.pop_back();
        values_.pop_back();
    }
}

void StripChartCtrl::setTraceStyle(int trace, const QColor &color, Qt::PenStyle style)
{
    if (trace < 0 || trace >= traceCount())
        return;
    series_[trace]->setPen(QPen(color, 1.5, style));
}

void StripChartCtrl::plot(const double *values, int count)
{
    const int traces = traceCount();
    for (int i = 0; i + traces <= count; i += traces)
        for (int t = 0; t < traces; ++t)
            values_[t].push_back(values[i + t]);
    for (auto &v : values_)
        if (int(v.size()) > pointsPerScreen_)
            v.erase(v.begin(), v.end() - pointsPerScreen_);
    redraw();
}

void StripChartCtrl::clear()
{
    for (auto &v : values_)
        v.clear();
    redraw();
}

std::vector<double> StripChartCtrl::traceValues(int trace) const
{
    return (trace < 0 || trace >= traceCount()) ? std::vector<double>() : values_[trace];
}

void StripChartCtrl::redraw()
{
    for (int t = 0; t < traceCount(); ++t) {
        QList<QPointF> pts;
        const auto &v = values_[t];
        pts.reserve(qsizetype(v.size()));
        // Right-aligned: the newest sample sits at the right edge.
        const int offset = pointsPerScreen_ - int(v.size());
        for (int i = 0; i < int(v.size()); ++i)
            pts.append(QPointF(offset + i, v[i]));
        series_[t]->replace(pts);
    }
    applyAutoscale();
}

void StripChartCtrl::dataRange(double *min, double *max, bool *any) const
{
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (const auto &v : values_)
        for (double d : v) {
            lo = std::min(lo, d);
            hi = std::max(hi, d);
            *any = true;
        }
    *min = lo;
    *max = hi;
}
