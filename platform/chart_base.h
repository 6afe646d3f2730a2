// The common base of the layer's graph and strip chart controls: a chart view with one x and one
// left y axis, manual or automatic y scaling.
#pragma once

#include <QChartView>
#include <QElapsedTimer>
#include <QValueAxis>

#include <algorithm>

class QTimer;

// Axis ticks on round numbers: steps of 1, 2 or 5 times a power of ten, at most `maxTicks`
// intervals over lo..hi, the first tick the first multiple of the step at or above lo, and the
// labels with as many decimals as the step needs (none for 500, one for 0.5, two for 0.02).
struct AxisTicks {
    double first = 0;
    double step = 1;
    int decimals = 0;
};
AxisTicks NiceTicks(double lo, double hi, int maxTicks);

// Common base: a chart view with one x and one left y axis, manual or automatic y scaling.
// The data a control is given is stored at once; what is painted follows it at most once per
// screen refresh (kRefreshMs), so a caller may plot thousands of times a second, and a hidden
// control catches up when it is shown.
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

    // The legend above the plot: one entry per named series, a name given twice shown once; no
    // legend while no series has a name.
    void refreshLegend();
    QStringList legendNames() const { return legendNames_; } // the entries, in order
    // The axes' ticks as they stand (for tests).
    AxisTicks xTicks() const { return xTicks_; }
    AxisTicks yTicks() const { return yTicks_; }

    static constexpr int kRefreshMs = 16;
    // Brings what is painted up to the data now, if it is behind (before a grab or a print).
    void redrawNow();
    bool redrawPending() const { return pending_; }
    // How often the painted series were rebuilt (for tests).
    int redrawCount() const { return redraws_; }
    // Stale data (from before a link failure) are shown under a grey veil.
    bool isStale() const { return stale_; }
    void setStale(bool stale);

protected:
    void applyAutoscale();
    virtual void dataRange(double *min, double *max, bool *any) const = 0;
    // Rebuilds the painted series from the data.
    virtual void redraw() = 0;
    // New data: painted now if a refresh is due, else when it is.
    void scheduleRedraw();
    // Painted at the next refresh (axis or size changes).
    void redrawLater();
    // The pixel columns of the plot area (an estimate while the control was never laid out).
    int plotColumns() const;
    void showEvent(QShowEvent *e) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;
    // Puts both axes' ticks on round numbers for their range and the plot's size.
    void updateTicks();

    QChart *chart_;
    QValueAxis *xAxis_;
    QValueAxis *yAxis_;
    bool yAuto_ = false;
    double fixedYStep_ = 0; // > 0: the y ticks at every multiple of it, whatever the size

private:
    void runRedraw();
    QTimer *redrawTimer_ = nullptr;
    QElapsedTimer sinceRedraw_;
    bool pending_ = false;
    int redraws_ = 0;
    int paintedColumns_ = 0;
    bool stale_ = false;
    AxisTicks xTicks_, yTicks_;
    QStringList legendNames_;
};
