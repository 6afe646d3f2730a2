#include "platform/graph.h"

#include <QCategoryAxis>
#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QKeyEvent>
#include <QLegend>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

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
    connect(xAxis_, &QValueAxis::rangeChanged, this, [this] {
        updateCursorItems();
        redrawLater(); // the visible x range is reduced to pixel columns anew
    });
    connect(yAxis_, &QValueAxis::rangeChanged, this, [this] { updateCursorItems(); });
}

void PointStore::append(QPointF p)
{
    if (!wide_ && (double(float(p.x())) != p.x() || double(float(p.y())) != p.y())) {
        for (size_t c = 0; c < f_.size(); ++c) {
            const size_t used = 2 * std::min(kChunk, size_ - c * kChunk);
            d_.push_back(std::make_unique_for_overwrite<double[]>(2 * kChunk));
            std::copy(f_[c].get(), f_[c].get() + used, d_.back().get());
        }
        f_.clear();
        wide_ = true;
    }
    const size_t c = size_ >> kChunkBits, k = 2 * (size_ & (kChunk - 1));
    if (wide_) {
        if (c == d_.size())
            d_.push_back(std::make_unique_for_overwrite<double[]>(2 * kChunk));
        d_[c][k] = p.x();
        d_[c][k + 1] = p.y();
    } else {
        if (c == f_.size())
            f_.push_back(std::make_unique_for_overwrite<float[]>(2 * kChunk));
        f_[c][k] = float(p.x());
        f_[c][k + 1] = float(p.y());
    }
    ++size_;
}

void GraphCtrl::Run::addPlot(const std::vector<QPointF> &pts, bool continues)
{
    const size_t first = continues ? points.size() - 1 : points.size();
    for (size_t i = continues ? 1 : 0; i < pts.size(); ++i) {
        if (!points.empty() && !(pts[i].x() >= points.back().x())) {
            ascending = false;
            reducer.reset();
        }
        points.append(pts[i]);
    }
    const int n = int(pts.size());
    if (plots == 0) {
        uniform = n > 1 ? n : 0;
    } else if (uniform > 1 && n != uniform) {
        starts.resize(size_t(plots));
        for (int k = 0; k < plots; ++k)
            starts[size_t(k)] = uint32_t(k * (uniform - 1));
        uniform = 0;
    }
    if (uniform <= 1)
        starts.push_back(uint32_t(first));
    ++plots;
    dirty = true;
}

int GraphCtrl::addPlot(const std::vector<QPointF> &points, const QColor &color, Qt::PenStyle style,
                       bool withPoints)
{
    const QPen pen(color, 1.5, style);
    const int handle = nextHandle_++;
    extendRange(points);
    // A plot that starts where the newest plot ends, drawn alike, continues its run: a graph
    // that gets one short segment per recorded frame would otherwise carry thousands of series,
    // and every one of them slows each further plot and repaint.
    Run *last = runOf(lastHandle_);
    if (last && !points.empty() && lastHandle_ == last->firstHandle + last->plots - 1 &&
        handle == lastHandle_ + 1 && last->pen == pen && last->withPoints == withPoints &&
        last->points.back() == points.front()) {
        last->addPlot(points, true);
    } else {
        newRun(handle, pen, withPoints, nullptr)->addPlot(points, false);
    }
    lastHandle_ = handle;
    applyAutoscale();
    scheduleRedraw();
    return handle;
}

GraphCtrl::Run *GraphCtrl::newRun(int handle, const QPen &pen, bool withPoints,
                                  const QXYSeries *looks)
{
    auto run = std::make_unique<Run>();
    run->pen = pen;
    run->withPoints = withPoints;
    run->firstHandle = handle;
    auto *s = new QLineSeries;
    s->setPen(pen);
    s->setPointsVisible(withPoints);
    if (looks) {
        s->setMarkerSize(looks->markerSize());
        s->setBrush(looks->brush());
        s->setColor(looks->color());
        s->setName(looks->name());
    }
    chart_->addSeries(s);
    s->attachAxis(xAxis_);
    s->attachAxis(yAxis_);
    run->series = s;
    refreshLegend();
    Run *r = run.get();
    runs_[handle] = std::move(run);
    return r;
}

GraphCtrl::Run *GraphCtrl::runOf(int handle) const
{
    auto it = runs_.upper_bound(handle);
    if (it == runs_.begin())
        return nullptr;
    --it;
    Run *r = it->second.get();
    return handle < r->firstHandle + r->plots ? r : nullptr;
}

void GraphCtrl::removeRun(Run *run)
{
    chart_->removeSeries(run->series);
    delete run->series;
    runs_.erase(run->firstHandle);
    refreshLegend();
}

void GraphCtrl::setPlotName(int handle, const QString &name)
{
    if (Run *run = runOf(handle); run && run->series->name() != name) {
        run->series->setName(name);
        refreshLegend();
    }
}

QString GraphCtrl::plotName(int handle) const
{
    const Run *run = runOf(handle);
    return run ? run->series->name() : QString();
}

void GraphCtrl::setStepLines(bool on)
{
    stepLines_ = on;
    for (auto &[first, run] : runs_)
        run->dirty = true;
    // A digital line's levels are whole numbers: a grid line on each.
    fixedYStep_ = on ? 1 : 0;
    updateTicks();
    updateLaneLabels();
    redrawLater();
}

// The chart's own margins stay whole pixels; what lines it up with a linked graph goes into its
// contents margins, which take fractions, and the layout follows at once so that the plot area
// read next reflects them.
void GraphCtrl::applyMargins()
{
    chart_->setMargins(baseMargins_);
    chart_->setContentsMargins(extraLeft_, 0, extraRight_, 0);
    if (chart_->layout())
        chart_->layout()->activate();
}

// A graph of step lines with labelled lanes (an item at the middle of each line's two levels)
// names each level at the right of the plot: L at the lower, H at the upper.
void GraphCtrl::updateLaneLabels()
{
    const bool on = stepLines_ && !itemValues_.empty();
    const size_t wanted = on ? 2 * itemValues_.size() : 0;
    while (laneLabels_.size() > wanted) {
        delete laneLabels_.back();
        laneLabels_.pop_back();
    }
    QFont font = chart_->legend()->font();
    while (laneLabels_.size() < wanted) {
        auto *t = new QGraphicsSimpleTextItem(chart_);
        t->setFont(font);
        t->setBrush(QColor(90, 90, 90));
        t->setZValue(15);
        laneLabels_.push_back(t);
    }
    const int room = on ? QFontMetrics(font).horizontalAdvance(QStringLiteral("H")) + 8 : 0;
    if (baseMargins_.right() != 2 + room) {
        baseMargins_.setRight(2 + room);
        applyMargins();
    }
    const QRectF area = chart_->plotArea();
    for (size_t i = 0; i < laneLabels_.size(); ++i) {
        const double level = itemValues_[i / 2] + (i % 2 == 0 ? -0.5 : 0.5);
        QGraphicsSimpleTextItem *t = laneLabels_[i];
        t->setText(i % 2 == 0 ? QStringLiteral("L") : QStringLiteral("H"));
        const QRectF box = t->boundingRect();
        const double y = toScene(QPointF(0, level)).y();
        t->setPos(area.right() + 4, y - box.height() / 2);
        t->setVisible(y >= area.top() - 1 && y <= area.bottom() + 1);
    }
}

void GraphCtrl::linkX(GraphCtrl *other)
{
    if (!other || other == this)
        return;
    linked_ = other;
    other->linked_ = this;
    other->setXRange(xAxis_->min(), xAxis_->max());
    connect(xAxis_, &QValueAxis::rangeChanged, other, [other](qreal min, qreal max) {
        if (other->xMin() != min || other->xMax() != max)
            other->setXRange(min, max);
    });
    connect(other->xAxis_, &QValueAxis::rangeChanged, this, [this](qreal min, qreal max) {
        if (xMin() != min || xMax() != max)
            setXRange(min, max);
    });
    connect(chart_, &QChart::plotAreaChanged, this, [this] { alignWithLinked(); });
    connect(other->chart_, &QChart::plotAreaChanged, this, [this] { alignWithLinked(); });
    alignWithLinked();
}

// The plot areas as the charts lay them out, less the margin added for the other graph, are
// each graph's own; both then get the margins that bring their edges to the inner one of each
// pair, in the window's coordinates (the two graphs need not share a left edge).
void GraphCtrl::alignWithLinked()
{
    GraphCtrl *other = linked_;
    if (!other || aligning_ || other->aligning_)
        return;
    aligning_ = true;
    const auto done = qScopeGuard([this] { aligning_ = false; });
    QWidget *top = window();
    if (other->window() != top)
        return;
    const auto edges = [top](GraphCtrl *g) {
        const QRectF a = g->chart_->plotArea();
        const double offset = g->mapTo(top, QPoint(0, 0)).x();
        return std::pair<double, double>(offset + a.left() - g->extraLeft_,
                                         offset + a.right() + g->extraRight_);
    };
    if (chart_->plotArea().width() < 2 || other->chart_->plotArea().width() < 2)
        return;
    const auto [l1, r1] = edges(this);
    const auto [l2, r2] = edges(other);
    const double left = std::max(l1, l2), right = std::min(r1, r2);
    for (auto [g, l, r] : {std::tuple(this, l1, r1), std::tuple(other, l2, r2)}) {
        const double addLeft = left - l, addRight = r - right;
        if (std::abs(addLeft - g->extraLeft_) < 0.01 && std::abs(addRight - g->extraRight_) < 0.01)
            continue;
        g->extraLeft_ = addLeft;
        g->extraRight_ = addRight;
        g->applyMargins();
    }
}

double GraphCtrl::xPixel(double x) const
{
    return viewportTransform().map(toScene(QPointF(x, yAxis_->min()))).x() + viewport()->x();
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
        while (!runs_.empty())
            removeRun(runs_.begin()->second.get());
        return true;
    }
    Run *run = runOf(handle);
    if (!run)
        return false;
    // The other plots of the run are laid out again: those before the deleted one and those
    // after it each continue each other on a run of their own, so the deleted plot's segment
    // is gone.
    std::vector<std::pair<int, std::vector<QPointF>>> rest;
    for (int k = 0; k < run->plots; ++k) {
        const int h = run->firstHandle + k;
        if (h != handle)
            rest.emplace_back(h, plotPoints(h));
    }
    const QPen pen = run->pen;
    const bool withPoints = run->withPoints;
    QLineSeries looks;
    looks.setMarkerSize(run->series->markerSize());
    looks.setBrush(run->series->brush());
    looks.setColor(run->series->color());
    looks.setName(run->series->name());
    removeRun(run);
    Run *current = nullptr;
    int previous = 0;
    for (const auto &[h, pts] : rest) {
        if (!current || h != previous + 1)
            current = newRun(h, pen, withPoints, &looks), current->addPlot(pts, false);
        else
            current->addPlot(pts, true);
        previous = h;
    }
    scheduleRedraw();
    return true;
}

int GraphCtrl::plotCount() const
{
    int n = 0;
    for (const auto &[first, run] : runs_)
        n += run->plots;
    return n;
}

std::vector<int> GraphCtrl::plotHandles() const
{
    std::vector<int> handles;
    for (const auto &[first, run] : runs_)
        for (int k = 0; k < run->plots; ++k)
            handles.push_back(first + k);
    return handles;
}

size_t GraphCtrl::pointCount() const
{
    size_t n = 0;
    for (const auto &[first, run] : runs_)
        n += run->points.size();
    return n;
}

std::vector<QPointF> GraphCtrl::plotPoints(int handle) const
{
    const Run *run = runOf(handle);
    if (!run)
        return {};
    const int k = handle - run->firstHandle;
    std::vector<QPointF> pts;
    const size_t first = run->start(k), n = run->count(k);
    pts.reserve(n);
    for (size_t i = first; i < first + n; ++i)
        pts.push_back(run->points.at(i));
    return pts;
}

QColor GraphCtrl::plotColor(int handle) const
{
    const Run *run = runOf(handle);
    return run ? run->pen.color() : QColor();
}

QXYSeries *GraphCtrl::plotSeries(int handle) const
{
    const Run *run = runOf(handle);
    return run ? run->series : nullptr;
}

void GraphCtrl::dataRange(double *min, double *max, bool *any) const
{
    if (!rangeValid_) {
        double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
        bool found = false;
        for (const auto &[first, run] : runs_)
            for (size_t i = 0; i < run->points.size(); ++i) {
                const double y = run->points.at(i).y();
                lo = std::min(lo, y);
                hi = std::max(hi, y);
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

void GraphCtrl::redraw()
{
    const double lo = xAxis_->min(), hi = xAxis_->max();
    const int columns = plotColumns();
    const bool viewChanged = lo != reducedLo_ || hi != reducedHi_ || columns != reducedColumns_;
    reducedLo_ = lo;
    reducedHi_ = hi;
    reducedColumns_ = columns;
    for (const auto &[first, run] : runs_) {
        if (!run->dirty && !viewChanged)
            continue;
        run->dirty = false;
        const PointStore &store = run->points;
        QList<QPointF> pts;
        // Point markers are each shown; a line whose x runs back and forth is drawn as given.
        if (stepLines_ && store.size() <= 4096) {
            pts.reserve(qsizetype(2 * store.size()));
            for (size_t i = 0; i < store.size(); ++i) {
                if (i > 0)
                    pts.append(QPointF(store.at(i).x(), store.at(i - 1).y()));
                pts.append(store.at(i));
            }
        } else if (run->ascending && !run->withPoints) {
            const std::vector<QPointF> &reduced = run->reducer.reduce(
                store.size(), [&](size_t i) { return store.at(i); }, lo, hi, columns);
            pts = QList<QPointF>(reduced.begin(), reduced.end());
        } else {
            pts.reserve(qsizetype(store.size()));
            for (size_t i = 0; i < store.size(); ++i)
                pts.append(store.at(i));
        }
        run->series->replace(pts);
    }
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
    if (!laneLabels_.empty())
        updateLaneLabels();
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
    if (zoomable_ &&
        (e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && !cursorsOn_))) {
        panning_ = true;
        panLast_ = e->pos();
        setFocus(Qt::MouseFocusReason);
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
    if (panning_) {
        const QRectF area = chart_->plotArea();
        const QPoint d = e->pos() - panLast_;
        panLast_ = e->pos();
        if (area.width() > 0 && area.height() > 0)
            panBy(-d.x() / area.width(), d.y() / area.height());
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
    if (panning_) {
        panning_ = false;
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

// The wheel zooms a zoomable graph in (away from the operator) and out (toward), about the
// point under the pointer; ZOOM 1:1 returns to the whole.
void GraphCtrl::wheelEvent(QWheelEvent *e)
{
    if (!zoomable_ || e->angleDelta().y() == 0) {
        QChartView::wheelEvent(e);
        return;
    }
    const double factor = e->angleDelta().y() > 0 ? 0.8 : 1.25;
    zoomAbout(toValue(mapToScene(e->position().toPoint())), factor);
    e->accept();
}

void GraphCtrl::zoomAbout(QPointF at, double factor)
{
    const double x0 = at.x() - (at.x() - xAxis_->min()) * factor;
    const double x1 = at.x() + (xAxis_->max() - at.x()) * factor;
    const double y0 = at.y() - (at.y() - yAxis_->min()) * factor;
    const double y1 = at.y() + (yAxis_->max() - at.y()) * factor;
    if (!(x1 - x0 > 1e-9) || !(y1 - y0 > 1e-9) || !std::isfinite(x0 + x1 + y0 + y1))
        return;
    yAuto_ = false;
    setXRange(x0, x1);
    setYRange(y0, y1);
    emit zoomed();
}

void GraphCtrl::panBy(double dx, double dy)
{
    const double w = xAxis_->max() - xAxis_->min(), h = yAxis_->max() - yAxis_->min();
    if (!std::isfinite(dx * w + dy * h) || (dx == 0 && dy == 0))
        return;
    if (dy != 0) {
        yAuto_ = false;
        setYRange(yAxis_->min() + dy * h, yAxis_->max() + dy * h);
    }
    if (dx != 0)
        setXRange(xAxis_->min() + dx * w, xAxis_->max() + dx * w);
    emit zoomed();
}

void GraphCtrl::showAll()
{
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (const auto &[first, run] : runs_) {
        const PointStore &p = run->points;
        if (p.empty())
            continue;
        if (run->ascending) {
            lo = std::min(lo, p.at(0).x());
            hi = std::max(hi, p.back().x());
        } else {
            for (size_t i = 0; i < p.size(); ++i) {
                lo = std::min(lo, p.at(i).x());
                hi = std::max(hi, p.at(i).x());
            }
        }
    }
    if (lo <= hi)
        setXRange(lo, hi > lo ? hi : lo + 1);
    setYScaling(true, 0, 0);
    emit zoomed();
}

void GraphCtrl::keyPressEvent(QKeyEvent *e)
{
    if (!zoomable_ || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        QChartView::keyPressEvent(e);
        return;
    }
    const QPointF middle((xAxis_->min() + xAxis_->max()) / 2, (yAxis_->min() + yAxis_->max()) / 2);
    switch (e->key()) {
    case Qt::Key_Left: panBy(-0.1, 0); break;
    case Qt::Key_Right: panBy(0.1, 0); break;
    case Qt::Key_Up: panBy(0, 0.1); break;
    case Qt::Key_Down: panBy(0, -0.1); break;
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomAbout(middle, 0.8); break;
    case Qt::Key_Minus: zoomAbout(middle, 1.25); break;
    case Qt::Key_Home: showAll(); break;
    default: QChartView::keyPressEvent(e); return;
    }
    e->accept();
}

bool GraphCtrl::event(QEvent *e)
{
    if (e->type() == QEvent::DynamicPropertyChange) {
        const QByteArray name = static_cast<QDynamicPropertyChangeEvent *>(e)->propertyName();
        if (name == "cursorCount")
            setCursorsEnabled(property(name).toInt() > 0);
        else if (name == "zoomable") {
            zoomable_ = property(name).toBool();
            if (zoomable_)
                setFocusPolicy(Qt::StrongFocus); // its keys move and zoom it
        } else if (name == "yAxisItems")
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
    itemValues_.clear();
    for (const auto &[value, label] : labels)
        itemValues_.push_back(value);
    updateLaneLabels();
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
