// The user-interface layer: graphs and strip charts (plots, axes, cursors, traces).
#include "platform/ui_layer.h"

#include "platform/widgets.h"

#include <QXYSeries>

using namespace uilayer;

// ---- Graphs ------------------------------------------------------------------------------------

int PlotY(int panel, int control, const double *y, int count, int color, int lineStyle)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    std::vector<QPointF> pts(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        pts[size_t(i)] = QPointF(i, y[i]);
    return g->addPlot(pts, Rgb(color), PenStyle(lineStyle), false);
}

int PlotXY(int panel, int control, const double *x, const double *y, int count, int color,
           int lineStyle, int withPoints)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    std::vector<QPointF> pts(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        pts[size_t(i)] = QPointF(x[i], y[i]);
    return g->addPlot(pts, Rgb(color), PenStyle(lineStyle), withPoints != 0);
}

int PlotLine(int panel, int control, double x1, double y1, double x2, double y2, int color)
{
    const double x[2] = {x1, x2}, y[2] = {y1, y2};
    return PlotXY(panel, control, x, y, 2, color);
}

int DeleteGraphPlot(int panel, int control, int plot)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    return g->deletePlot(plot) ? 0 : UIE_BAD_INDEX;
}

int GetNumGraphPlots(int panel, int control, int *count)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    *count = g->plotCount();
    return 0;
}

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max)
{
    auto *c = qobject_cast<ChartCtrlBase *>(W(panel, control));
    if (!c)
        return UIE_BAD_CONTROL;
    if (axis == VAL_LEFT_YAXIS)
        c->setYScaling(mode == VAL_AUTOSCALE, min, max);
    else
        c->setXRange(min, max);
    return 0;
}

int GetAxisScalingMode(int panel, int control, int axis, int *mode, double *min, double *max)
{
    auto *c = qobject_cast<ChartCtrlBase *>(W(panel, control));
    if (!c)
        return UIE_BAD_CONTROL;
    if (axis == VAL_LEFT_YAXIS) {
        *mode = c->yAutoscale() ? VAL_AUTOSCALE : VAL_MANUAL;
        *min = c->yMin();
        *max = c->yMax();
    } else {
        *mode = VAL_MANUAL;
        *min = c->xMin();
        *max = c->xMax();
    }
    return 0;
}

int SetAxisName(int panel, int control, int axis, const char *name)
{
    auto *c = qobject_cast<ChartCtrlBase *>(W(panel, control));
    if (!c)
        return UIE_BAD_CONTROL;
    axis == VAL_LEFT_YAXIS ? c->setYName(Q(name)) : c->setXName(Q(name));
    return 0;
}

int SetGraphCursor(int panel, int control, int cursor, double x, double y)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    if (cursor < 1 || cursor > 2)
        return UIE_BAD_INDEX;
    g->setCursorsEnabled(true);
    g->setCursor(cursor - 1, QPointF(x, y));
    return 0;
}

int GetGraphCursor(int panel, int control, int cursor, double *x, double *y)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    if (cursor < 1 || cursor > 2)
        return UIE_BAD_INDEX;
    const QPointF p = g->cursorPos(cursor - 1);
    *x = p.x();
    *y = p.y();
    return 0;
}

int PlotStripChart(int panel, int control, const double *values, int count)
{
    auto *s = qobject_cast<StripChartCtrl *>(W(panel, control));
    if (!s)
        return UIE_BAD_CONTROL;
    s->plot(values, count);
    return 0;
}

int ClearStripChart(int panel, int control)
{
    auto *s = qobject_cast<StripChartCtrl *>(W(panel, control));
    if (!s)
        return UIE_BAD_CONTROL;
    s->clear();
    return 0;
}

int SetTraceStyle(int panel, int control, int trace, int color, int lineStyle)
{
    auto *s = qobject_cast<StripChartCtrl *>(W(panel, control));
    if (!s)
        return UIE_BAD_CONTROL;
    s->setTraceStyle(trace, Rgb(color), PenStyle(lineStyle));
    return 0;
}

int PlotPoints(int panel, int control, const double *x, const double *y, int count, int color)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    std::vector<QPointF> pts(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        pts[size_t(i)] = QPointF(x[i], y[i]);
    const int handle = g->addPlot(pts, Rgb(color), Qt::NoPen, true);
    if (QXYSeries *s = g->plotSeries(handle)) {
        s->setMarkerSize(7);
        s->setBrush(Rgb(color));
        s->setColor(Rgb(color));
    }
    return handle;
}

int SetPlotName(int panel, int control, int plot, const char *name)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    if (!g->plotSeries(plot))
        return UIE_BAD_INDEX;
    g->setPlotName(plot, Q(name));
    return 0;
}

int SetTraceName(int panel, int control, int trace, const char *name)
{
    auto *s = qobject_cast<StripChartCtrl *>(W(panel, control));
    if (!s)
        return UIE_BAD_CONTROL;
    if (trace < 0 || trace >= s->traceCount())
        return UIE_BAD_INDEX;
    s->setTraceName(trace, Q(name));
    return 0;
}

int SetGraphStepLines(int panel, int control, int on)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    g->setStepLines(on != 0);
    return 0;
}

int ShowWholeGraph(int panel, int control)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    if (!g)
        return UIE_BAD_CONTROL;
    g->showAll();
    return 0;
}

int LinkGraphX(int panel, int control, int otherControl)
{
    auto *g = qobject_cast<GraphCtrl *>(W(panel, control));
    auto *other = qobject_cast<GraphCtrl *>(W(panel, otherControl));
    if (!g || !other)
        return UIE_BAD_CONTROL;
    g->linkX(other);
    return 0;
}
