#include "platform/graph.h"

#include <QCategoryAxis>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <limits>

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

int GraphCtrl::addPlot(const std::vector<QPointF> &points, const QColor &color, Qt::PenStyle style,
                       bool withPoints)
{
    const QPen pen(color, 1.5, style);
    const int handle = nextHandle_++;
    extendRange(points);
    // A plot that starts where the newest plot ends, drawn alike, continues its series: a
    // graph that gets one short segment per recorded frame would otherwise carry thousands of
    // series, and every one of them slows each further plot and repaint.
    auto last = plots_.find(lastHandle_);
    if (last != plots_.end() && !points.empty()) {
        QLineSeries *s = last->second.series;
        const Plot &p = last->second;
        if (p.first + p.count == s->count() && s->pen() == pen &&
            s->pointsVisible() == withPoints && s->at(s->count() - 1) == points.front()) {
            for (size_t i = 1; i < points.size(); ++i)
                s->append(points[i]);
            plots_[handle] = Plot{s, p.first + p.count - 1, int(points.size())};
            lastHandle_ = handle;
            applyAutoscale();
            return handle;
        }
    }
    plots_[handle] = Plot{newSeries(QList<QPointF>(points.begin(), points.end()), pen, withPoints),
                          0, int(points.size())};
    lastHandle_ = handle;
    applyAutoscale();
    return handle;
}

QLineSeries *GraphCtrl::newSeries(const QList<QPointF> &points, const QPen &pen, bool withPoints)
{
    auto *s = new QLineSeries;
    s->setPen(pen);
    s->setPointsVisible(withPoints);
    s->replace(points);
    chart_->addSeries(s);
    s->attachAxis(xAxis_);
    s->attachAxis(yAxis_);
    series_.push_back(s);
    return s;
}

void GraphCtrl::removeSeries(QLineSeries *s)
{
    chart_->removeSeries(s);
    series_.erase(std::remove(series_.begin(), series_.end(), s), series_.end());
    delete s;
}

void GraphCtrl::extendRange(const std::vector<QPointF> &points)
{
    if (!rangeValid_)
        return; // recomputed on the next use
    for (const QPointF &p : points) {
        if (!rangeAny_) {
            rangeLo_ = rangeHi_ = p.y();
            rangeAny_ = true;
        }
        rangeLo_ = std::min(rangeLo_, p.y());
        rangeHi_ = std::max(rangeHi_, p.y());
    }
}

bool GraphCtrl::deletePlot(int handle)
{
    rangeValid_ = false;
    if (handle == -1) {
        for (QLineSeries *s : std::vector<QLineSeries *>(series_))
            removeSeries(s);
        plots_.clear();
        return true;
    }
    auto it = plots_.find(handle);
    if (it == plots_.end())
        return false;
    QLineSeries *s = it->second.series;
    const QPen pen = s->pen();
    const bool withPoints = s->pointsVisible();
    plots_.erase(it);
    // The other plots of the series are laid out again, each unbroken run on a series of its
    // own, so that the deleted plot's segments are gone.
    std::vector<std::pair<int, Plot *>> rest;
    for (auto &[h, p] : plots_)
        if (p.series == s)
            rest.push_back({h, &p});
    std::sort(rest.begin(), rest.end(),
              [](const auto &a, const auto &b) { return a.second->first < b.second->first; });
    const QList<QPointF> all = s->points();
    removeSeries(s);
    for (size_t i = 0; i < rest.size();) {
        size_t j = i + 1;
        while (j < rest.size() &&
               rest[j].second->first == rest[j - 1].second->first + rest[j - 1].second->count - 1)
            ++j;
        const int from = rest[i].second->first;
        const int to = rest[j - 1].second->first + rest[j - 1].second->count;
        QLineSeries *run = newSeries(all.mid(from, to - from), pen, withPoints);
        for (size_t k = i; k < j; ++k) {
            rest[k].second->series = run;
            rest[k].second->first -= from;
        }
        i = j;
    }
    return true;
}

std::vector<QPointF> GraphCtrl::plotPoints(int handle) const
{
    auto it = plots_.find(handle);
    if (it == plots_.end())
        return {};
    const QList<QPointF> pts = it->second.series->points().mid(it->second.first, it->second.count);
    return {pts.begin(), pts.end()};
}

QColor GraphCtrl::plotColor(int handle) const
{
    auto it = plots_.find(handle);
    return it == plots_.end() ? QColor() : it->second.series->pen().color();
}

void GraphCtrl::dataRange(double *min, double *max, bool *any) const
{
    if (!rangeValid_) {
        double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
        bool found = false;
        for (const QLineSeries *s : series_)
            for (const QPointF &p : s->points()) {
                lo = std::min(lo, p.y());
                hi = std::max(hi, p.y());
                found = true;
            }
        rangeLo_ = lo;
        rangeHi_ = hi;
        rangeAny_ = found;
        rangeValid_ = true;
    }
    *any = rangeAny_;
    *min = rangeLo_;
    *max = rangeHi_;
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

// Axis values and scene positions through the axes' ranges and the plot area, so that the
// cursors and the zoom work on a graph that has no plot yet.
QPointF GraphCtrl::toScene(QPointF value) const
{
    const QRectF area = chart_->plotArea();
    const double w = xAxis_->max() - xAxis_->min(), h = yAxis_->max() - yAxis_->min();
    if (w <= 0 || h <= 0)
        return area.topLeft();
    return {area.left() + (value.x() - xAxis_->min()) / w * area.width(),
            area.bottom() - (value.y() - yAxis_->min()) / h * area.height()};
}

QPointF GraphCtrl::toValue(QPointF scene) const
{
    const QRectF area = chart_->plotArea();
    if (area.width() <= 0 || area.height() <= 0)
        return {xAxis_->min(), yAxis_->min()};
    const double w = xAxis_->max() - xAxis_->min(), h = yAxis_->max() - yAxis_->min();
    return {xAxis_->min() + (scene.x() - area.left()) / area.width() * w,
            yAxis_->min() + (area.bottom() - scene.y()) / area.height() * h};
}

void GraphCtrl::updateCursorItems()
{
    const QRectF area = chart_->plotArea();
    for (int i = 0; i < 2; ++i) {
        const QPointF p = toScene(cursors_[i]);
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
        const double d = std::abs(toScene(cursors_[i]).x() - scenePos.x());
        if (d <= bestDist) {
            best = i;
            bestDist = d;
        }
    }
    return best;
}

void GraphCtrl::mousePressEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier) && zoomable_) {
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
            const QPointF v = toValue(mapToScene(e->pos()));
            const double d0 = std::abs(v.x() - cursors_[0].x());
            const double d1 = std::abs(v.x() - cursors_[1].x());
            dragging_ = d0 <= d1 ? 0 : 1;
        } else {
            dragging_ = c;
        }
        if (dragging_ >= 0) {
            cursors_[dragging_] = toValue(mapToScene(e->pos()));
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
        cursors_[dragging_] = toValue(mapToScene(e->pos()));
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
        const QPointF a = toValue(mapToScene(zoomStart_));
        const QPointF b = toValue(mapToScene(e->pos()));
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

bool GraphCtrl::event(QEvent *e)
{
    if (e->type() == QEvent::DynamicPropertyChange) {
        const QByteArray name = static_cast<QDynamicPropertyChangeEvent *>(e)->propertyName();
        if (name == "cursorCount")
            setCursorsEnabled(property(name).toInt() > 0);
        else if (name == "zoomable")
            zoomable_ = property(name).toBool();
        else if (name == "yAxisItems")
            setYAxisItems(property(name).toString());
    }
    return ChartCtrlBase::event(e);
}

// The labels stand on their values on a second left axis that keeps the value axis's range;
// the value axis keeps its grid and gives up its own labels.
void GraphCtrl::setYAxisItems(const QString &items)
{
    std::vector<std::pair<double, QString>> labels;
    for (const QString &item : items.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        bool ok = false;
        const double value = item.left(eq).trimmed().toDouble(&ok);
        if (eq > 0 && ok)
            labels.emplace_back(value, item.mid(eq + 1).trimmed());
    }
    std::sort(labels.begin(), labels.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    if (yItems_) {
        chart_->removeAxis(yItems_);
        delete yItems_;
        yItems_ = nullptr;
    }
    yAxis_->setLabelsVisible(labels.empty());
    if (labels.empty())
        return;
    yItems_ = new QCategoryAxis;
    yItems_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    yItems_->setGridLineVisible(false);
    yItems_->setLineVisible(false);
    yItems_->setStartValue(yAxis_->min());
    double last = yAxis_->min();
    for (const auto &[value, label] : labels)
        if (value > last || yItems_->count() == 0) {
            yItems_->append(label, value);
            last = value;
        }
    yItems_->setRange(yAxis_->min(), yAxis_->max());
    chart_->addAxis(yItems_, Qt::AlignLeft);
    connect(yAxis_, &QValueAxis::rangeChanged, yItems_,
            [this](qreal min, qreal max) { yItems_->setRange(min, max); });
}
