// The layer's own control classes that Qt Widgets lacks: an LED, an XY graph with two cursors
// and Ctrl-drag zoom, and a strip chart of several traces. Panel files name them as custom
// widgets; the layer's loader creates them.
#pragma once

#include <QChartView>
#include <QColor>
#include <QLineSeries>
#include <QValueAxis>
#include <QWidget>

#include <map>
#include <vector>

class QGraphicsLineItem;

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

signals:
    void cursorMoved(int index);
    void zoomed();

protected:
    void dataRange(double *min, double *max, bool *any) const override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void updateCursorItems();
    int cursorNear(QPointF widgetPos) const;

    std::map<int, QLineSeries *> plots_;
    int nextHandle_ = 1;
    bool cursorsOn_ = false;
    QPointF cursors_[2];
    QGraphicsLineItem *cursorLines_[2][2] = {};
    int dragging_ = -1;
    bool zooming_ = false;
    QPoint zoomStart_;
    QGraphicsRectItem *zoomRect_ = nullptr;
};

// A strip chart shows the newest pointsPerScreen samples of each trace, newest on the right.
class StripChartCtrl : public ChartCtrlBase {
    Q_OBJECT
    Q_PROPERTY(int pointsPerScreen READ pointsPerScreen WRITE setPointsPerScreen)
    Q_PROPERTY(int traces READ traceCount WRITE setTraceCount)
public:
    explicit StripChartCtrl(QWidget *parent = nullptr);
    int pointsPerScreen() const { return pointsPerScreen_; }
    void setPointsPerScreen(int n);
    int traceCount() const { return int(series_.size()); }
    void setTraceCount(int n);
    void setTraceStyle(int trace, const QColor &color, Qt::PenStyle style);
    // Appends count / traces samples per trace, values interleaved by trace.
    void plot(const double *values, int count);
    void clear();
    std::vector<double> traceValues(int trace) const;

protected:
    void dataRange(double *min, double *max, bool *any) const override;

private:
    void redraw();
    int pointsPerScreen_ = 100;
    std::vector<QLineSeries *> series_;
    std::vector<std::vector<double>> values_;
};
