// The layer's strip chart control: several traces, the newest samples on the right.
#pragma once

#include "platform/chart_base.h"

#include <QLineSeries>
#include <QStringList>

#include <vector>

class StripTraceLayer;

// A strip chart shows the newest pointsPerScreen samples of each trace, newest on the right.
// Plotting stores the samples; what is painted follows them at most once per screen refresh, a
// screen wider in samples than the plot in pixels reduced to each column's minimum and maximum.
// The traces are painted by the chart itself, as polylines over the plot area: a strip chart
// changes every point at every refresh, and the chart library would rebuild each series' outline
// shape for it. The library's series stay, empty, for the legend and the traces' pens.
class StripChartCtrl : public ChartCtrlBase {
    Q_OBJECT
    Q_PROPERTY(int pointsPerScreen READ pointsPerScreen WRITE setPointsPerScreen)
    Q_PROPERTY(int traces READ traceCount WRITE setTraceCount)
    // Per trace in buffer order, ';'-separated: names, colours (#rrggbb), styles (solid, dash).
    Q_PROPERTY(QString traceNames READ traceNames WRITE setTraceNames)
    Q_PROPERTY(QString traceColors READ traceColors WRITE setTraceColors)
    Q_PROPERTY(QString traceStyles READ traceStyles WRITE setTraceStyles)
public:
    explicit StripChartCtrl(QWidget *parent = nullptr);
    int pointsPerScreen() const { return pointsPerScreen_; }
    void setPointsPerScreen(int n);
    int traceCount() const { return int(series_.size()); }
    void setTraceCount(int n);
    void setTraceStyle(int trace, const QColor &color, Qt::PenStyle style);
    QString traceNames() const { return names_.join(';'); }
    void setTraceNames(const QString &names);
    QString traceColors() const { return colors_.join(';'); }
    void setTraceColors(const QString &colors);
    QString traceStyles() const { return styles_.join(';'); }
    void setTraceStyles(const QString &styles);
    QString traceName(int trace) const;
    // The trace's name in the legend; traces of one name share one entry.
    void setTraceName(int trace, const QString &name);
    QPen tracePen(int trace) const;
    // Appends count / traces samples per trace, values interleaved by trace.
    void plot(const double *values, int count);
    void clear();
    std::vector<double> traceValues(int trace) const;
    // What the last refresh painted of a trace, in data coordinates (x 0 .. pointsPerScreen-1).
    const std::vector<QPointF> &paintedTrace(int trace) const;

protected:
    void dataRange(double *min, double *max, bool *any) const override;
    void redraw() override;

private:
    friend class StripTraceLayer;
    void paintTraces(QPainter *painter) const;
    void placeTraceLayer();
    void applyTraceLooks(); // the panel file's names, colours and styles, as far as given
    int pointsPerScreen_ = 100;
    std::vector<QLineSeries *> series_;
    std::vector<std::vector<double>> values_;
    std::vector<std::vector<QPointF>> painted_;
    StripTraceLayer *layer_ = nullptr;
    QStringList names_, colors_, styles_;
};
