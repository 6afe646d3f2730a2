#include "platform/stripchart.h"

#include "platform/decimate.h"

#include <algorithm>
#include <limits>

// ---- StripChartCtrl ----------------------------------------------------------------------------

StripChartCtrl::StripChartCtrl(QWidget *parent) : ChartCtrlBase(parent)
{
    setTraceCount(1);
    setPointsPerScreen(100);
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
    }
    while (int(series_.size()) > n) {
        chart_->removeSeries(series_.back());
        delete series_.back();
        series_.pop_back();
        values_.pop_back();
    }
    applyTraceLooks();
    redrawLater();
}

void StripChartCtrl::setTraceStyle(int trace, const QColor &color, Qt::PenStyle style)
{
    if (trace < 0 || trace >= traceCount())
        return;
    series_[trace]->setPen(QPen(color, 1.5, style));
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
        series_[t]->replace(QList<QPointF>(pts.begin(), pts.end()));
    }
    if (yAuto_) {
        applyAutoscale();
        yAxis_->applyNiceNumbers(); // round axis labels, not 1738.45
    }
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
