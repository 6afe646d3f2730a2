// The layer's XY graph control: plots by handle, two cursors, Ctrl-drag zoom and y-axis item
// labels.
#pragma once

#include "platform/chart_base.h"
#include "platform/decimate.h"

#include <QColor>
#include <QLineSeries>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QCategoryAxis;
class QGraphicsLineItem;
class QGraphicsRectItem;
class QGraphicsSimpleTextItem;
class QXYSeries;

// The points of a series, as floats while every coordinate is one exactly (counts, samples, most
// plotted data), as doubles from the first that is not: half the memory for a long recording,
// the values read back unchanged. Kept in chunks of fixed size, so that a growing series never
// holds its old and its new copy at once, and a cleared one's chunks serve the next.
class PointStore {
public:
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    QPointF at(size_t i) const
    {
        const size_t c = i >> kChunkBits, k = 2 * (i & (kChunk - 1));
        return wide_ ? QPointF(d_[c][k], d_[c][k + 1]) : QPointF(f_[c][k], f_[c][k + 1]);
    }
    QPointF back() const { return at(size_ - 1); }
    void append(QPointF p);
    bool wide() const { return wide_; }

private:
    static constexpr size_t kChunkBits = 13, kChunk = size_t(1) << kChunkBits;
    std::vector<std::unique_ptr<float[]>> f_;
    std::vector<std::unique_ptr<double[]>> d_;
    size_t size_ = 0;
    bool wide_ = false;
};

// Plots are stored as given and read back whole (plotPoints); the chart paints a copy that
// follows them at most once per screen refresh, a long series with non-decreasing x reduced to
// the minimum and maximum of each pixel column of the visible x range.
class GraphCtrl : public ChartCtrlBase {
    Q_OBJECT
public:
    explicit GraphCtrl(QWidget *parent = nullptr);
    int addPlot(const std::vector<QPointF> &points, const QColor &color, Qt::PenStyle style,
                bool withPoints);
    bool deletePlot(int handle); // -1 deletes all
    int plotCount() const;
    std::vector<QPointF> plotPoints(int handle) const;
    QColor plotColor(int handle) const;
    std::vector<int> plotHandles() const; // in the order they were plotted
    size_t pointCount() const;            // stored points of all plots
    // The painted series that holds a plot (its looks may be changed).
    QXYSeries *plotSeries(int handle) const;
    // The plot's name in the legend ("" leaves it out); plots that continue each other share it.
    void setPlotName(int handle, const QString &name);
    QString plotName(int handle) const;
    // Each plot drawn as steps: a value holds until the next sample (digital lines).
    void setStepLines(bool on);

    // Another graph under or over this one that shows the same x: it takes this graph's x range,
    // and both plot areas start and end at the same x on screen, so a sample lies at the same
    // pixel column in both.
    void linkX(GraphCtrl *other);
    // Where an x value lies in the control, in its own pixel coordinates.
    double xPixel(double x) const;

    // Cursors 1 and 2, in axis coordinates. Moving one by mouse emits cursorMoved.
    void setCursor(int index, QPointF pos);
    QPointF cursorPos(int index) const;
    void setCursorsEnabled(bool on);
    bool cursorsEnabled() const { return cursorsOn_; }

    // The panel file's hints (dynamic properties): cursorCount > 0 shows the cursors, zoomable
    // lets Ctrl + left drag zoom, yAxisItems ("value=label;...") labels the left axis.
    bool zoomable() const { return zoomable_; }
    // A zoomable graph is also moved: dragged with the left button when it shows no cursors (with
    // the middle button always), and by keys: arrows move it by a tenth, + and - zoom about the
    // middle, Home shows everything.
    // Everything: x over the whole range of the plots, y autoscaled to their values.
    void showAll();
    // Moves the visible range by the given fractions of its width and height.
    void panBy(double dx, double dy);

signals:
    void cursorMoved(int index);
    void zoomed();

protected:
    bool event(QEvent *e) override;
    void dataRange(double *min, double *max, bool *any) const override;
    void redraw() override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void alignWithLinked();
    void applyMargins();
    void updateLaneLabels();
    std::vector<double> itemValues_;                    // the y axis items' values
    std::vector<QGraphicsSimpleTextItem *> laneLabels_; // H and L beside each line's levels
    QMargins baseMargins_{2, 2, 2, 2};
    GraphCtrl *linked_ = nullptr;
    double extraLeft_ = 0, extraRight_ = 0; // margin added to line up with the linked graph
    bool stepLines_ = false;
    bool aligning_ = false;
    void updateCursorItems();
    int cursorNear(QPointF widgetPos) const;
    QPointF toScene(QPointF value) const;
    QPointF toValue(QPointF scene) const;
    void setYAxisItems(const QString &items);

    // A run is one painted series: one plot, or plots that continue each other (each starts
    // at the previous one's last point), their handles consecutive.
    struct Run {
        QLineSeries *series = nullptr;
        QPen pen;
        bool withPoints = false;
        PointStore points;
        int firstHandle = 0;
        int plots = 0;
        int uniform = 0;              // > 1: every plot has this many points
        std::vector<uint32_t> starts; // otherwise the index of each plot's first point
        bool ascending = true;        // x never decreases: may be reduced to pixel columns
        bool dirty = true;            // the painted copy is behind
        ColumnReducer reducer;
        size_t start(int k) const
        {
            return uniform > 1 ? size_t(k) * size_t(uniform - 1) : size_t(starts[size_t(k)]);
        }
        size_t count(int k) const
        {
            return (k + 1 < plots ? start(k + 1) + 1 : points.size()) - start(k);
        }
        void addPlot(const std::vector<QPointF> &pts, bool continues);
    };
    Run *newRun(int handle, const QPen &pen, bool withPoints, const QXYSeries *looks);
    Run *runOf(int handle) const;
    void removeRun(Run *run);

    std::map<int, std::unique_ptr<Run>> runs_; // by first handle
    // The y range of all plotted points, kept up to date as plots are added so that autoscaling
    // does not walk every point for every new segment; recomputed after a delete.
    mutable bool rangeValid_ = false;
    mutable bool rangeAny_ = false;
    mutable double rangeLo_ = 0, rangeHi_ = 0;
    void extendRange(const std::vector<QPointF> &points);
    // The x range and the columns the painted copies were reduced for.
    double reducedLo_ = 0, reducedHi_ = 0;
    int reducedColumns_ = 0;
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
    bool panning_ = false;
    QPoint panLast_;
    void zoomAbout(QPointF at, double factor);
    QCategoryAxis *yItems_ = nullptr;
};
