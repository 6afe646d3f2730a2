// The layer's own control classes that Qt Widgets lacks: an LED, an XY graph with two cursors
// and Ctrl-drag zoom, and a strip chart of several traces. Panel files name them as custom
// widgets; the layer's loader creates them.
#pragma once

#include <QChartView>
#include <QColor>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QValueAxis>
#include <QWidget>

#include <map>
#include <vector>

class QCategoryAxis;
class QGraphicsLineItem;
class QTimer;

class LedCtrl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString onColor READ onColorName WRITE setOnColorName)
public:
    explicit LedCtrl(QWidget *parent = nullptr);
    bool isOn() const { return on_; }
    void setOn(bool on);
    QColor onColor() const { return onColor_; }
    void setOnColor(const QColor &c);
    QString onColorName() const { return onColor_.name(); }
    void setOnColorName(const QString &name) { setOnColor(QColor(name)); }
    QSize sizeHint() const override { return {20, 20}; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    bool on_ = false;
    QColor onColor_{255, 128, 0};
};

// Common base: a chart view with one x and one left y axis, manual or automatic y scaling.
class ChartCtrlBase : public QChartView {
    Q_OBJECT
    Q_PROPERTY(QString xName READ xName WRITE setXName)
    Q_PROPERTY(QString yName READ yName WRITE setYName)
    Q_PROPERTY(double xMin READ xMin WRITE setXMin)
    Q_PROPERTY(double xMax READ xMax WRITE setXMax)
    Q_PROPERTY(double yMin READ yMin WRITE setYMin)
    Q_PROPERTY(double yMax READ yMax WRITE setYMax)
public:
    explicit ChartCtrlBase(QWidget *parent = nullptr);
    QString xName() const { return xAxis_->titleText(); }
    void setXName(const QString &n) { xAxis_->setTitleText(n); }
    QString yName() const { return yAxis_->titleText(); }
    void setYName(const QString &n) { yAxis_->setTitleText(n); }
    double xMin() const { return xAxis_->min(); }
    double xMax() const { return xAxis_->max(); }
    double yMin() const { return yAxis_->min(); }
    double yMax() const { return yAxis_->max(); }
    void setXMin(double v) { setXRange(v, std::max(v, xAxis_->max())); }
    void setXMax(double v) { setXRange(std::min(v, xAxis_->min()), v); }
    void setYMin(double v) { setYRange(v, std::max(v, yAxis_->max())); }
    void setYMax(double v) { setYRange(std::min(v, yAxis_->min()), v); }

    void setXRange(double min, double max);
    void setYRange(double min, double max);
    // Manual keeps the given range; autoscale fits the y axis to the data after every plot.
    void setYScaling(bool autoscale, double min, double max);
    bool yAutoscale() const { return yAuto_; }

protected:
    void applyAutoscale();
    virtual void dataRange(double *min, double *max, bool *any) const = 0;

    QChart *chart_;
    QValueAxis *xAxis_;
    QValueAxis *yAxis_;
    bool yAuto_ = false;
};

class GraphCtrl : public ChartCtrlBase {
    Q_OBJECT
public:
    explicit GraphCtrl(QWidget *parent = nullptr);
    int addPlot(const std::vector<QPointF> &points, const QColor &color, Qt::PenStyle style,
                bool withPoints);
    bool deletePlot(int handle); // -1 deletes all
    int plotCount() const { return int(plots_.size()); }
    std::vector<QPointF> plotPoints(int handle) const;
    QColor plotColor(int handle) const;

    // Cursors 1 and 2, in axis coordinates. Moving one by mouse emits cursorMoved.
    void setCursor(int index, QPointF pos);
    QPointF cursorPos(int index) const;
    void setCursorsEnabled(bool on);
    bool cursorsEnabled() const { return cursorsOn_; }

    // The panel file's hints (dynamic properties): cursorCount > 0 shows the cursors, zoomable
    // lets Ctrl + left drag zoom, yAxisItems ("value=label;...") labels the left axis.
    bool zoomable() const { return zoomable_; }

signals:
    void cursorMoved(int index);
    void zoomed();

protected:
    bool event(QEvent *e) override;
    void dataRange(double *min, double *max, bool *any) const override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void updateCursorItems();
    int cursorNear(QPointF widgetPos) const;
    QPointF toScene(QPointF value) const;
    QPointF toValue(QPointF scene) const;
    void setYAxisItems(const QString &items);

    // A plot is a run of points of a series; plots that continue each other share one.
    struct Plot {
        QLineSeries *series = nullptr;
        int first = 0; // index of the plot's first point in the series
        int count = 0;
    };
    QLineSeries *newSeries(const QList<QPointF> &points, const QPen &pen, bool withPoints);
    void removeSeries(QLineSeries *s);

    std::map<int, Plot> plots_;
    // The y range of all plotted points, kept up to date as plots are added so that autoscaling
    // does not walk every point for every new segment; recomputed after a delete.
    mutable bool rangeValid_ = false;
    mutable bool rangeAny_ = false;
    mutable double rangeLo_ = 0, rangeHi_ = 0;
    void extendRange(const std::vector<QPointF> &points);
    std::vector<QLineSeries *> series_;
    int nextHandle_ = 1;
    int lastHandle_ = 0; // the newest plot: the only one a new plot may continue
    bool cursorsOn_ = false;
    QPointF cursors_[2];
    QGraphicsLineItem *cursorLines_[2][2] = {};
    int dragging_ = -1;
    bool zooming_ = false;
    QPoint zoomStart_;
    QGraphicsRectItem *zoomRect_ = nullptr;
    bool zoomable_ = false;
    QCategoryAxis *yItems_ = nullptr;
};

// A strip chart shows the newest pointsPerScreen samples of each trace, newest on the right.
// Plotting stores the samples; the series follow them at most once per screen refresh
// (kRefreshMs), so a caller may re-plot thousands of times a second.
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
    QPen tracePen(int trace) const;
    // Appends count / traces samples per trace, values interleaved by trace.
    void plot(const double *values, int count);
    void clear();
    std::vector<double> traceValues(int trace) const;

    static constexpr int kRefreshMs = 16;

protected:
    void dataRange(double *min, double *max, bool *any) const override;

private:
    void scheduleRedraw(); // new samples: now if a refresh is due, else when it is
    void redrawLater();    // at the next refresh
    void redraw();
    void applyTraceLooks(); // the panel file's names, colours and styles, as far as given
    int pointsPerScreen_ = 100;
    std::vector<QLineSeries *> series_;
    std::vector<std::vector<double>> values_;
    QTimer *redrawTimer_ = nullptr;
    QElapsedTimer sinceRedraw_;
    QStringList names_, colors_, styles_;
};
