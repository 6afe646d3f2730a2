// The layer's XY graph control: plots by handle, two cursors, Ctrl-drag zoom and y-axis item
// labels.
#pragma once

#include "platform/chart_base.h"

#include <QColor>
#include <QLineSeries>

#include <map>
#include <vector>

class QCategoryAxis;
class QGraphicsLineItem;
class QGraphicsRectItem;

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
