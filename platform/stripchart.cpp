#include "platform/stripchart.h"

#include "platform/decimate.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

// The plot area of a strip chart as a widget of its own over the chart: what the chart shows
// there besides the traces (background, grid, axis lines) is kept as a picture, taken anew
// whenever the scene changes there, and a refresh paints that picture, the traces and the
// stale veil, without walking the chart's scene. It takes no mouse events, so clicks and
// tooltips reach the chart as before.
class StripTraceLayer : public QWidget {
public:
    StripTraceLayer(StripChartCtrl *chart, QWidget *viewport) : QWidget(viewport), chart_(chart)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    // The chart's own content in the plot area changed: taken anew at the next paint.
    void invalidate()
    {
        backgroundValid_ = false;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const qreal dpr = devicePixelRatioF();
        if (!backgroundValid_ || background_.size() != size() * dpr)
            takeBackground(dpr);
        QPainter painter(this);
        painter.setRenderHints(chart_->renderHints());
        painter.drawPixmap(0, 0, background_);
        // From here on in the scene's coordinates, as the chart paints.
        painter.translate(QPointF(chart_->mapFromScene(QPointF(0, 0)) - pos()));
        chart_->paintTraces(&painter);
        chart_->drawForeground(&painter, chart_->mapToScene(geometry()).boundingRect());
    }
    void resizeEvent(QResizeEvent *) override { backgroundValid_ = false; }

private:
    void takeBackground(qreal dpr)
    {
        background_ = QPixmap(size() * dpr);
        background_.setDevicePixelRatio(dpr);
        background_.fill(chart_->backgroundBrush().color());
        QPainter painter(&background_);
        painter.setRenderHints(chart_->renderHints());
        const QRectF source = chart_->mapToScene(geometry()).boundingRect();
        chart_->scene()->render(&painter, QRectF(QPointF(0, 0), size()), source,
                                Qt::IgnoreAspectRatio);
        backgroundValid_ = true;
    }

    StripChartCtrl *chart_;
    QPixmap background_;
    bool backgroundValid_ = false;
};

// ---- StripChartCtrl ----------------------------------------------------------------------------

StripChartCtrl::StripChartCtrl(QWidget *parent) : ChartCtrlBase(parent)
{
    layer_ = new StripTraceLayer(this, viewport());
    connect(chart_, &QChart::plotAreaChanged, this, [this] { placeTraceLayer(); });
    connect(xAxis_, &QValueAxis::rangeChanged, this, [this] { layer_->update(); });
    connect(yAxis_, &QValueAxis::rangeChanged, this, [this] { layer_->update(); });
    // Grid lines moved by a new axis range, a resize: whatever the chart changes in the plot
    // area is taken into the layer's picture.
    connect(scene(), &QGraphicsScene::changed, this, [this](const QList<QRectF> &rects) {
        const QRectF area = mapToScene(layer_->geometry()).boundingRect();
        for (const QRectF &r : rects)
            if (r.intersects(area)) {
                layer_->invalidate();
                return;
            }
    });
    setTraceCount(1);
    setPointsPerScreen(100);
    placeTraceLayer();
}

void StripChartCtrl::placeTraceLayer()
{
    // The pixels the plot area touches; the traces are clipped to the plot area itself.
    const QRect area = chart_->mapRectToScene(chart_->plotArea()).toAlignedRect();
    layer_->setGeometry(QRect(mapFromScene(area.topLeft()), area.size()));
    layer_->invalidate();
}

void StripChartCtrl::setPointsPerScreen(int n)
{
    n = std::max(2, n);
    if (n == pointsPerScreen_ && xAxis_->min() == 0 && xAxis_->max() == n - 1)
        return;
    pointsPerScreen_ = n;
    xAxis_->setRange(0, pointsPerScreen_ - 1);
    for (auto &v : values_)
        if (int(v.size()) > pointsPerScreen_)
            v.erase(v.begin(), v.end() - pointsPerScreen_);
    redrawLater();
}

void StripChartCtrl::setTraceCount(int n)
{
    n = std::clamp(n, 1, 16);
    static const QColor kDefault[] = {Qt::red,        Qt::darkGreen, Qt::blue,
                                      Qt::darkYellow, Qt::magenta,   Qt::darkCyan};
    while (int(series_.size()) < n) {
        auto *s = new QLineSeries;
        s->setPen(QPen(kDefault[series_.size() % 6], 1.5));
        chart_->addSeries(s);
        s->attachAxis(xAxis_);
        s->attachAxis(yAxis_);
        series_.push_back(s);
        values_.emplace_back();
        painted_.emplace_back();
    }
    while (int(series_.size()) > n) {
        chart_->removeSeries(series_.back());
        delete series_.back();
        series_.pop_back();
        values_.pop_back();
        painted_.pop_back();
    }
    applyTraceLooks();
    redrawLater();
}

void StripChartCtrl::setTraceStyle(int trace, const QColor &color, Qt::PenStyle style)
{
    if (trace < 0 || trace >= traceCount())
        return;
    series_[trace]->setPen(QPen(color, 1.5, style));
    layer_->update();
}

void StripChartCtrl::setTraceNames(const QString &names)
{
    names_ = names.split(';');
    applyTraceLooks();
}

void StripChartCtrl::setTraceColors(const QString &colors)
{
    colors_ = colors.split(';');
    applyTraceLooks();
}

void StripChartCtrl::setTraceStyles(const QString &styles)
{
    styles_ = styles.split(';');
    applyTraceLooks();
}

void StripChartCtrl::setTraceName(int trace, const QString &name)
{
    if (trace < 0 || trace >= traceCount())
        return;
    if (trace >= names_.size())
        names_.resize(trace + 1);
    names_[trace] = name;
    applyTraceLooks();
}

QString StripChartCtrl::traceName(int trace) const
{
    return (trace < 0 || trace >= traceCount()) ? QString() : series_[trace]->name();
}

QPen StripChartCtrl::tracePen(int trace) const
{
    return (trace < 0 || trace >= traceCount()) ? QPen() : series_[trace]->pen();
}

void StripChartCtrl::applyTraceLooks()
{
    for (int t = 0; t < traceCount(); ++t) {
        if (t < names_.size())
            series_[t]->setName(names_[t].trimmed());
        QPen pen = series_[t]->pen();
        if (t < colors_.size() && QColor(colors_[t].trimmed()).isValid())
            pen.setColor(QColor(colors_[t].trimmed()));
        if (t < styles_.size())
            pen.setStyle(styles_[t].trimmed() == QLatin1String("dash") ? Qt::DashLine
                                                                       : Qt::SolidLine);
        series_[t]->setPen(pen);
    }
    refreshLegend();
    layer_->update();
}

void StripChartCtrl::plot(const double *values, int count)
{
    const int traces = traceCount();
    for (int t = 0; t < traces; ++t)
        if (values_[t].capacity() < size_t(pointsPerScreen_ + count / traces))
            values_[t].reserve(size_t(pointsPerScreen_ + count / traces));
    for (int i = 0; i + traces <= count; i += traces)
        for (int t = 0; t < traces; ++t)
            values_[t].push_back(values[i + t]);
    for (auto &v : values_)
        if (int(v.size()) > pointsPerScreen_)
            v.erase(v.begin(), v.end() - pointsPerScreen_);
    scheduleRedraw();
}

void StripChartCtrl::clear()
{
    for (auto &v : values_)
        v.clear();
    redrawLater();
}

std::vector<double> StripChartCtrl::traceValues(int trace) const
{
    return (trace < 0 || trace >= traceCount()) ? std::vector<double>() : values_[trace];
}

const std::vector<QPointF> &StripChartCtrl::paintedTrace(int trace) const
{
    static const std::vector<QPointF> kNone;
    return (trace < 0 || trace >= traceCount()) ? kNone : painted_[size_t(trace)];
}

void StripChartCtrl::redraw()
{
    const int columns = plotColumns();
    for (int t = 0; t < traceCount(); ++t) {
        const auto &v = values_[t];
        // Right-aligned: the newest sample sits at the right edge.
        const int offset = pointsPerScreen_ - int(v.size());
        const std::vector<QPointF> pts = DecimateToColumns(
            v.size(), [&](size_t i) { return QPointF(offset + double(i), v[i]); }, 0,
            pointsPerScreen_ - 1, columns);
        painted_[size_t(t)] = pts;
    }
    if (yAuto_) {
        applyAutoscale();
        yAxis_->applyNiceNumbers(); // round axis labels, not 1738.45
    }
    layer_->update();
}

namespace {

// A trace's pen as one-pixel lines, the dashes as long as the pen's. A wide pen is drawn as two
// such lines, the second one pixel right and down: the rasteriser draws one-pixel lines
// directly, where a wider pen is first outlined and then filled, several times the cost, and
// the live charts draw six traces sixty times a second.
QPen HairlineOf(const QPen &pen)
{
    QPen thin = pen;
    thin.setWidthF(1);
    if (pen.style() != Qt::SolidLine && pen.style() != Qt::NoPen) {
        QList<qreal> dashes = pen.dashPattern(); // in widths of the pen
        for (qreal &d : dashes)
            d *= std::max<qreal>(1, pen.widthF());
        thin.setDashPattern(dashes);
    }
    return thin;
}

} // namespace

void StripChartCtrl::paintTraces(QPainter *painter) const
{
    const QRectF area = chart_->mapRectToScene(chart_->plotArea());
    const double x0 = xAxis_->min(), y1 = yAxis_->max();
    const double xSpan = xAxis_->max() - x0, ySpan = y1 - yAxis_->min();
    if (area.width() < 1 || area.height() < 1 || !(xSpan > 0) || !(ySpan > 0))
        return;
    const double sx = area.width() / xSpan, sy = area.height() / ySpan;
    // A value far beyond the axis is drawn towards it, not at a coordinate the rasteriser
    // cannot hold; the part beyond the plot is clipped away in any case.
    const double far = 16 * (area.width() + area.height());
    painter->save();
    painter->setClipRect(area);
    QPolygonF line;
    std::vector<QLineF> segments;
    for (int t = 0; t < traceCount(); ++t) {
        if (!series_[size_t(t)]->isVisible())
            continue;
        // A trace drawn again just as the one before it (the two threshold lines of a mode
        // with one threshold) would change no pixel.
        if (t > 0 && series_[size_t(t - 1)]->isVisible() &&
            painted_[size_t(t)] == painted_[size_t(t - 1)] &&
            series_[size_t(t)]->pen() == series_[size_t(t - 1)]->pen())
            continue;
        const QPen pen = series_[size_t(t)]->pen();
        const bool solid = pen.style() == Qt::SolidLine;
        const QPen thin = HairlineOf(pen);
        const bool twice = pen.widthF() > 1;
        painter->setPen(thin);
        // A solid trace goes as separate segments (the same pixels but at a few corners, and
        // one call for them all). So does a level dashed trace, a single segment (the same
        // pixels); any other dashed trace stays one polyline, so that its dashes run on across
        // the samples as before.
        const auto drawOnce = [&] {
            if (line.size() > 2 && !solid) {
                painter->drawPolyline(line);
            } else if (line.size() > 1) {
                segments.clear();
                for (qsizetype i = 1; i < line.size(); ++i)
                    segments.emplace_back(line[i - 1], line[i]);
                painter->drawLines(segments.data(), int(segments.size()));
            }
        };
        const auto draw = [&] {
            drawOnce();
            if (twice) {
                painter->translate(1, 1);
                drawOnce();
                painter->translate(-1, -1);
            }
            line.clear();
        };
        for (const QPointF &p : painted_[size_t(t)]) {
            if (!std::isfinite(p.x()) || !std::isfinite(p.y())) {
                draw(); // a gap in the trace
                continue;
            }
            const QPointF q(area.left() + (p.x() - x0) * sx,
                            std::clamp(area.top() + (y1 - p.y()) * sy, area.top() - far,
                                       area.bottom() + far));
            // A level stretch is one segment, not one per sample: the same pixels and dashes,
            // for a fraction of the stroking.
            const qsizetype n = line.size();
            if (n >= 2 && line[n - 1].y() == q.y() && line[n - 2].y() == q.y())
                line[n - 1] = q;
            else
                line.append(q);
        }
        draw();
    }
    painter->restore();
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
