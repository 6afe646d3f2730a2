// The user-interface layer: printed reports (header, footer, text and images laid out on pages)
// and the printer selection.
#include "platform/ui_layer.h"

#include "platform/chart_base.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

using namespace uilayer;

// ---- Printed reports ---------------------------------------------------------------------------

#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextLayout>

namespace {

struct ReportItem {
    bool isImage = false;
    QString text; // text items; the caption of an image
    QString family;
    int points = 10;
    QImage image;
    std::vector<std::pair<QString, QString>> pairs; // label and value pairs
    int columns = 0;                                // > 0: a block of pairs
    std::shared_ptr<ReportChart> chart;             // a chart drawn as lines
};

struct ReportRec {
    QString fields[REPORT_FOOTER_RIGHT + 1];
    std::vector<ReportItem> items;
};

struct Reports {
    std::map<int, ReportRec> reports;
    int next = 1;
};

Reports &R()
{
    static Reports r;
    return r;
}

ReportRec *FindReport(int report)
{
    auto it = R().reports.find(report);
    return it == R().reports.end() ? nullptr : &it->second;
}

// One line of text, one row of pairs, one chart or one image at its place on a page, in device
// pixels.
struct PlacedItem {
    int page = 0;
    QRectF rect;
    QString text;
    QFont font;
    const QImage *image = nullptr;
    const ReportItem *row = nullptr; // pairs: the row's item, `first` its first pair
    size_t first = 0;
    const ReportChart *chart = nullptr;
};

constexpr double kReportMarginMm = 15.0;
constexpr int kFieldPoints = 8;
constexpr int kCaptionPoints = 8;

QFont ReportFont(const QString &family, int points, QPaintDevice *device)
{
    QFont f(family.isEmpty() ? QStringLiteral("Arial") : family);
    f.setPointSize(points > 0 ? points : 10);
    return QFont(f, device);
}

// Lays the items out on pages of `body` size; returns the placed lines and images and the page
// count (at least 1).
std::vector<PlacedItem> LayOutReport(const ReportRec &r, QPaintDevice *device, const QRectF &body,
                                     int *pages)
{
    std::vector<PlacedItem> placed;
    int page = 0;
    double y = body.top();
    auto place = [&](double height) {
        if (y + height > body.bottom() && y > body.top()) {
            ++page;
            y = body.top();
        }
        const double top = y;
        y += height;
        return top;
    };
    const double dotsPerMm = device->logicalDpiY() / 25.4;
    for (const ReportItem &item : r.items) {
        if (item.chart) {
            const double height = std::min(item.chart->heightMm * dotsPerMm, body.height());
            const double top = place(height);
            placed.push_back({page,
                              QRectF(body.left(), top, body.width(), height),
                              {},
                              {},
                              nullptr,
                              nullptr,
                              0,
                              item.chart.get()});
            continue;
        }
        if (item.columns > 0) {
            const QFont font = ReportFont(item.family, item.points, device);
            const double height = QFontMetricsF(font, device).lineSpacing() * 1.15;
            for (size_t i = 0; i < item.pairs.size(); i += size_t(item.columns)) {
                const double top = place(height);
                placed.push_back({page,
                                  QRectF(body.left(), top, body.width(), height),
                                  {},
                                  font,
                                  nullptr,
                                  &item,
                                  i,
                                  nullptr});
            }
            continue;
        }
        if (item.isImage) {
            if (item.image.isNull())
                continue;
            const QFont captionFont = ReportFont(item.family, kCaptionPoints, device);
            const double captionHeight = QFontMetricsF(captionFont, device).lineSpacing();
            const QSizeF room(body.width(), body.height() - captionHeight);
            const QSizeF size = QSizeF(item.image.size()).scaled(room, Qt::KeepAspectRatio);
            const double top = place(size.height() + captionHeight);
            placed.push_back({page, QRectF(QPointF(body.left(), top), size), {}, {}, &item.image});
            placed.push_back({page,
                              QRectF(body.left(), top + size.height(), size.width(), captionHeight),
                              item.text, captionFont, nullptr});
            continue;
        }
        const QFont font = ReportFont(item.family, item.points, device);
        const QFontMetricsF metrics(font, device);
        for (const QString &paragraph : item.text.split(QLatin1Char('\n'))) {
            if (paragraph.isEmpty()) {
                const double height = metrics.lineSpacing();
                const double top = place(height);
                placed.push_back(
                    {page, QRectF(body.left(), top, body.width(), height), {}, font, nullptr});
                continue;
            }
            QTextLayout layout(paragraph, font, device);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(body.width());
                const double height = std::max(line.height(), metrics.lineSpacing());
                const double top = place(height);
                placed.push_back({page, QRectF(body.left(), top, body.width(), height),
                                  paragraph.mid(line.textStart(), line.textLength()), font,
                                  nullptr});
            }
            layout.endLayout();
        }
    }
    *pages = page + 1;
    return placed;
}

// One row of a pairs block: each pair in its column, the label in grey, the value after it in
// black. (One face throughout: a report's text stays one font in the file.)
void PaintPairsRow(QPainter &painter, const PlacedItem &p)
{
    const int columns = p.row->columns;
    const double width = p.rect.width() / columns;
    for (int c = 0; c < columns && p.first + size_t(c) < p.row->pairs.size(); ++c) {
        const auto &[label, value] = p.row->pairs[p.first + size_t(c)];
        const QRectF cell(p.rect.left() + c * width, p.rect.top(), width, p.rect.height());
        const double labelWidth = width * 0.45;
        painter.setFont(p.font);
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(QRectF(cell.left(), cell.top(), labelWidth, cell.height()),
                         int(Qt::AlignLeft | Qt::AlignVCenter), label);
        painter.setPen(Qt::black);
        painter.drawText(
            QRectF(cell.left() + labelWidth, cell.top(), width - labelWidth, cell.height()),
            int(Qt::AlignLeft | Qt::AlignVCenter), value);
    }
}

Qt::PenStyle ReportPenStyle(int lineStyle)
{
    return PenStyle(lineStyle);
}

// The parts of a polyline inside `box`, each a polyline of its own (segments cut where they
// cross its edges; Liang-Barsky). Drawing these instead of relying on the painter's clip keeps
// the lines inside the plot also where the device does not clip (SVG).
std::vector<QPolygonF> ClipPolyline(const QPolygonF &line, const QRectF &box)
{
    std::vector<QPolygonF> parts;
    QPolygonF part;
    const auto endPart = [&] {
        if (part.size() > 1)
            parts.push_back(part);
        part.clear();
    };
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1], b = line[i];
        const double dx = b.x() - a.x(), dy = b.y() - a.y();
        double t0 = 0, t1 = 1;
        const double p[4] = {-dx, dx, -dy, dy};
        const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                             box.bottom() - a.y()};
        bool visible = true;
        for (int k = 0; k < 4 && visible; ++k) {
            if (p[k] == 0) {
                visible = q[k] >= 0;
                continue;
            }
            const double t = q[k] / p[k];
            if (p[k] < 0)
                t0 = std::max(t0, t);
            else
                t1 = std::min(t1, t);
            visible = t0 <= t1;
        }
        if (!visible) {
            endPart();
            continue;
        }
        const QPointF from(a.x() + t0 * dx, a.y() + t0 * dy), to(a.x() + t1 * dx, a.y() + t1 * dy);
        if (t0 > 0 || part.isEmpty()) {
            endPart();
            part << from;
        }
        part << to;
        if (t1 < 1)
            endPart();
    }
    endPart();
    return parts;
}

} // namespace

// The chart, drawn with lines and text only: a legend row, the analog plot with its y axis, the
// digital lanes under it with the same x mapping, the cursors through both, and the x axis with
// round ticks in its own unit beneath.
void uilayer::PaintReportChart(QPainter &painter, const QRectF &rect, const ReportChart &c,
                               const QString &family)
{
    QPaintDevice *device = painter.device();
    const double mm = device->logicalDpiY() / 25.4;
    const QFont font = ReportFont(family, 8, device);
    const QFontMetricsF fm(font, device);
    const double line = fm.lineSpacing();
    const auto pen = [mm](const QColor &color, double widthMm, Qt::PenStyle style) {
        QPen p(color, widthMm * mm, style);
        p.setCapStyle(Qt::FlatCap);
        p.setJoinStyle(Qt::RoundJoin);
        return p;
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);

    // Legend: one entry per named trace, then the cursors.
    double x = rect.left();
    const double legendY = rect.top() + line / 2;
    painter.setFont(font);
    const auto legendEntry = [&](const QPen &p, const QString &name) {
        painter.setPen(p);
        painter.drawLine(QPointF(x, legendY), QPointF(x + 8 * mm, legendY));
        painter.setPen(Qt::black);
        const QRectF box(x + 9.5 * mm, rect.top(), fm.horizontalAdvance(name) + 1, line);
        painter.drawText(box, int(Qt::AlignLeft | Qt::AlignVCenter), name);
        x = box.right() + 5 * mm;
    };
    for (const ReportTrace &t : c.traces)
        if (!t.name.empty())
            legendEntry(pen(Rgb(t.color), 0.35, ReportPenStyle(t.lineStyle)),
                        QString::fromStdString(t.name));
    static const QColor kCursorColors[] = {QColor(220, 0, 220), QColor(0, 160, 220)};
    for (size_t i = 0; i < c.cursors.size(); ++i)
        legendEntry(pen(kCursorColors[i % 2], 0.25, Qt::DashLine),
                    QString::fromStdString(c.cursors[i].first));

    // Frame of the plots: room for the y labels on the left, the x labels and name below.
    double labelWidth = fm.horizontalAdvance(QStringLiteral("00000"));
    for (const ReportLane &lane : c.lanes)
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(QString::fromStdString(lane.name) +
                                                               QStringLiteral(" H")));
    const double left = rect.left() + labelWidth + 2 * mm;
    const double right = rect.right() - 2 * mm;
    const double top = rect.top() + 2.8 * line;
    const double bottom = rect.bottom() - 2.3 * line;
    const double laneHeight = 7 * mm, laneGap = 1.5 * mm;
    const double lanesHeight =
        c.lanes.empty() ? 0 : c.lanes.size() * (laneHeight + laneGap) + 2 * mm;
    const QRectF plot(left, top, right - left, std::max(10 * mm, bottom - top - lanesHeight));
    const QRectF lanes(left, plot.bottom() + 2 * mm, plot.width(), lanesHeight - 2 * mm);
    const double xSpan = c.xMax - c.xMin, ySpan = c.yMax - c.yMin;
    if (!(xSpan > 0) || !(ySpan > 0)) {
        painter.restore();
        return;
    }
    const auto px = [&](double sample) {
        return plot.left() + (sample - c.xMin) / xSpan * plot.width();
    };
    const auto py = [&](double v) { return plot.bottom() - (v - c.yMin) / ySpan * plot.height(); };

    // y grid and labels on round numbers.
    const AxisTicks yt = NiceTicks(c.yMin, c.yMax, std::max(2, int(plot.height() / (9 * mm))));
    painter.setFont(font);
    for (double v = yt.first; v <= c.yMax + yt.step * 1e-9; v += yt.step) {
        painter.setPen(pen(QColor(215, 215, 215), 0.15, Qt::SolidLine));
        painter.drawLine(QPointF(plot.left(), py(v)), QPointF(plot.right(), py(v)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(rect.left(), py(v) - line / 2, labelWidth, line),
                         int(Qt::AlignRight | Qt::AlignVCenter),
                         QString::number(v, 'f', yt.decimals));
    }
    painter.drawText(QRectF(rect.left(), top - 1.2 * line, labelWidth + 20 * mm, line),
                     int(Qt::AlignLeft | Qt::AlignVCenter), QString::fromStdString(c.yName));

    // x grid, ticks and labels in the axis's unit.
    const double unitLo = c.xMin * c.xPerSample, unitHi = c.xMax * c.xPerSample;
    const AxisTicks xt = NiceTicks(std::min(unitLo, unitHi), std::max(unitLo, unitHi),
                                   std::max(2, int(plot.width() / (22 * mm))));
    const double axisBottom = c.lanes.empty() ? plot.bottom() : lanes.bottom();
    painter.setFont(font);
    if (c.xPerSample > 0)
        for (double u = xt.first; u <= std::max(unitLo, unitHi) + xt.step * 1e-9; u += xt.step) {
            const double xx = px(u / c.xPerSample);
            painter.setPen(pen(QColor(215, 215, 215), 0.15, Qt::SolidLine));
            painter.drawLine(QPointF(xx, plot.top()), QPointF(xx, plot.bottom()));
            if (!c.lanes.empty())
                painter.drawLine(QPointF(xx, lanes.top()), QPointF(xx, lanes.bottom()));
            painter.setPen(Qt::black);
            painter.drawLine(QPointF(xx, axisBottom), QPointF(xx, axisBottom + 1 * mm));
            painter.drawText(QRectF(xx - 15 * mm, axisBottom + 1.2 * mm, 30 * mm, line),
                             int(Qt::AlignHCenter | Qt::AlignTop),
                             QString::number(u, 'f', xt.decimals));
        }
    painter.drawText(QRectF(plot.left(), axisBottom + 1.2 * mm + line, plot.width(), line),
                     int(Qt::AlignHCenter | Qt::AlignTop), QString::fromStdString(c.xName));

    // Analog traces, clipped to the plot.
    painter.setClipRect(plot);
    for (const ReportTrace &t : c.traces) {
        QPolygonF poly;
        for (size_t k = 0; k < t.y.size(); ++k)
            poly << QPointF(px(double(k)), py(t.y[k]));
        painter.setPen(pen(Rgb(t.color), 0.3, ReportPenStyle(t.lineStyle)));
        for (const QPolygonF &part : ClipPolyline(poly, plot))
            painter.drawPolyline(part);
    }
    painter.setClipping(false);
    painter.setPen(pen(Qt::black, 0.2, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);

    // Digital lanes: a band each, its low and high level as thin lines, the state as steps.
    for (size_t i = 0; i < c.lanes.size(); ++i) {
        const ReportLane &lane = c.lanes[i];
        const double laneTop = lanes.top() + double(i) * (laneHeight + laneGap);
        const QRectF band(lanes.left(), laneTop, lanes.width(), laneHeight);
        painter.fillRect(band, i % 2 ? QColor(245, 245, 245) : QColor(236, 240, 246));
        const double high = band.top() + 1 * mm, low = band.bottom() - 1 * mm;
        painter.setPen(pen(QColor(190, 190, 190), 0.12, Qt::DotLine));
        painter.drawLine(QPointF(band.left(), high), QPointF(band.right(), high));
        painter.drawLine(QPointF(band.left(), low), QPointF(band.right(), low));
        painter.setFont(font);
        painter.setPen(Qt::black);
        const QString name = QString::fromStdString(lane.name);
        painter.drawText(QRectF(rect.left(), high - line / 2, labelWidth, line),
                         int(Qt::AlignRight | Qt::AlignVCenter),
                         name + QLatin1Char(' ') + QString::fromStdString(c.highLabel));
        painter.drawText(QRectF(rect.left(), low - line / 2, labelWidth, line),
                         int(Qt::AlignRight | Qt::AlignVCenter),
                         QString::fromStdString(c.lowLabel));
        QPolygonF steps;
        for (size_t k = 0; k < lane.high.size(); ++k) {
            const double y = lane.high[k] ? high : low;
            if (k > 0)
                steps << QPointF(px(double(k)), steps.back().y());
            steps << QPointF(px(double(k)), y);
        }
        painter.setClipRect(band);
        painter.setPen(pen(QColor(60, 60, 60), 0.3, Qt::SolidLine));
        for (const QPolygonF &part : ClipPolyline(steps, band))
            painter.drawPolyline(part);
        painter.setClipping(false);
    }

    // Cursors through the plot and the lanes, numbered at the top.
    for (size_t i = 0; i < c.cursors.size(); ++i) {
        const double xx = px(c.cursors[i].second);
        if (xx < plot.left() - 0.5 || xx > plot.right() + 0.5)
            continue;
        painter.setPen(pen(kCursorColors[i % 2], 0.25, Qt::DashLine));
        painter.drawLine(QPointF(xx, plot.top()), QPointF(xx, axisBottom));
    }
    painter.restore();
}

namespace {

QString ExpandField(QString text, const QDateTime &now, int page, int pages)
{
    text.replace(QLatin1String("<date>"), QLocale().toString(now.date(), QLocale::ShortFormat));
    text.replace(QLatin1String("<time>"), now.time().toString(QStringLiteral("HH:mm:ss")));
    text.replace(QLatin1String("<pages>"), QString::number(pages));
    text.replace(QLatin1String("<page>"), QString::number(page));
    return text;
}

} // namespace

int NewReport()
{
    const int handle = R().next++;
    R().reports[handle];
    return handle;
}

int DiscardReport(int report)
{
    return R().reports.erase(report) ? 0 : UIE_BAD_INDEX;
}

int SetReportField(int report, int field, const char *text)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    if (field < REPORT_HEADER_LEFT || field > REPORT_FOOTER_RIGHT)
        return UIE_BAD_ATTRIBUTE;
    r->fields[field] = Q(text);
    return 0;
}

int AppendReportText(int report, const char *text, const char *fontFamily, int pointSize)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    ReportItem item;
    item.text = Q(text);
    item.family = Q(fontFamily);
    item.points = pointSize;
    r->items.push_back(std::move(item));
    return 0;
}

int AppendReportImage(int report, const char *path, const char *caption)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    ReportItem item;
    item.isImage = true;
    if (!item.image.load(Q(path)))
        return UIE_LOAD_FAILED;
    item.text = Q(caption);
    if (!r->items.empty())
        item.family = r->items.back().family;
    r->items.push_back(std::move(item));
    return 0;
}

int AppendReportPairs(int report, const std::vector<std::pair<std::string, std::string>> &pairs,
                      int columns, int pointSize)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    ReportItem item;
    item.columns = std::max(1, columns);
    item.points = pointSize;
    for (const auto &[label, value] : pairs)
        item.pairs.emplace_back(QString::fromStdString(label), QString::fromStdString(value));
    if (!r->items.empty())
        item.family = r->items.back().family;
    r->items.push_back(std::move(item));
    return 0;
}

int AppendReportChart(int report, const ReportChart &chart)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    ReportItem item;
    item.chart = std::make_shared<ReportChart>(chart);
    r->items.push_back(std::move(item));
    return 0;
}

namespace {

// Lays the report out for `device` within `area` (the page less its margins, in device pixels)
// and paints it page by page; `startPage(page, pages)` readies each page and gives the painter to
// draw it with (nullptr: the page could not be started).
bool PaintReport(const ReportRec &r, QPaintDevice *device, const QRectF &area,
                 const std::function<QPainter *(int page, int pages)> &startPage)
{
    QString family = QStringLiteral("Arial");
    for (const ReportItem &item : r.items)
        if (!item.isImage && !item.family.isEmpty()) {
            family = item.family;
            break;
        }
    const QFont fieldFont = ReportFont(family, kFieldPoints, device);
    const double fieldHeight = QFontMetricsF(fieldFont, device).lineSpacing();
    const double gap = fieldHeight;
    const QRectF body(area.left(), area.top() + fieldHeight + gap, area.width(),
                      area.height() - 2 * (fieldHeight + gap));
    int pages = 1;
    const std::vector<PlacedItem> placed = LayOutReport(r, device, body, &pages);
    const QDateTime now = QDateTime::currentDateTime();
    static const Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    size_t next = 0;
    for (int page = 0; page < pages; ++page) {
        QPainter *painter = startPage(page, pages);
        if (!painter)
            return false;
        painter->setPen(Qt::black);
        painter->setFont(fieldFont);
        for (int f = REPORT_HEADER_LEFT; f <= REPORT_FOOTER_RIGHT; ++f) {
            if (r.fields[f].isEmpty())
                continue;
            const bool header = f <= REPORT_HEADER_RIGHT;
            const QRectF band(area.left(), header ? area.top() : area.bottom() - fieldHeight,
                              area.width(), fieldHeight);
            painter->drawText(band, int(kAlign[f % 3] | Qt::AlignVCenter),
                              ExpandField(r.fields[f], now, page + 1, pages));
        }
        for (; next < placed.size() && placed[next].page == page; ++next) {
            const PlacedItem &p = placed[next];
            if (p.chart) {
                PaintReportChart(*painter, p.rect, *p.chart, family);
            } else if (p.row) {
                PaintPairsRow(*painter, p);
            } else if (p.image) {
                painter->drawImage(p.rect, *p.image);
            } else if (!p.text.isEmpty()) {
                painter->setFont(p.font);
                painter->drawText(p.rect, int(Qt::AlignLeft | Qt::AlignTop), p.text);
            }
        }
    }
    return true;
}

// The report as pictures of its A4 pages at 300 dots per inch: `path` for the first page,
// "-2", "-3", ... before the suffix for the next (for looking at a report without a printer).
int ReportToPng(const ReportRec &r, const QString &path)
{
    constexpr double kDpi = 300;
    const QSizeF mm = QPageSize(QPageSize::A4).size(QPageSize::Millimeter);
    const QSize size(int(std::lround(mm.width() / 25.4 * kDpi)),
                     int(std::lround(mm.height() / 25.4 * kDpi)));
    const auto pageImage = [&] {
        QImage image(size, QImage::Format_RGB32);
        image.setDotsPerMeterX(int(std::lround(kDpi / 0.0254)));
        image.setDotsPerMeterY(int(std::lround(kDpi / 0.0254)));
        image.fill(Qt::white);
        return image;
    };
    QImage image = pageImage();
    const double margin = kReportMarginMm / 25.4 * kDpi;
    const QRectF area(margin, margin, size.width() - 2 * margin, size.height() - 2 * margin);
    QPainter painter;
    bool saved = true;
    const auto pagePath = [&](int page) {
        if (page == 0)
            return path;
        const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
        return path.left(dot) + QStringLiteral("-%1").arg(page + 1) + path.mid(dot);
    };
    int current = -1;
    const bool ok = PaintReport(r, &image, area, [&](int page, int) -> QPainter * {
        if (current >= 0) {
            painter.end();
            saved = image.save(pagePath(current)) && saved;
            image = pageImage();
        }
        current = page;
        if (!painter.begin(&image))
            return nullptr;
        painter.setRenderHint(QPainter::TextAntialiasing);
        return &painter;
    });
    if (painter.isActive())
        painter.end();
    if (current >= 0)
        saved = image.save(pagePath(current)) && saved;
    return ok && saved ? 0 : UIE_LOAD_FAILED;
}

} // namespace

int PrintReport(int report, const char *printerName)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    const QString name = Q(printerName);
    if (name.isEmpty())
        return UIE_BAD_INDEX;
    if (name.contains(QLatin1Char('/')) &&
        name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return ReportToPng(*r, name);
    QPrinter printer(QPrinter::HighResolution);
    if (name.contains(QLatin1Char('/'))) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(name);
    } else {
        printer.setPrinterName(name);
        if (!printer.isValid())
            return UIE_BAD_INDEX;
    }
    printer.setDocName(QStringLiteral("Scope report"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    const QMarginsF margins(kReportMarginMm, kReportMarginMm, kReportMarginMm, kReportMarginMm);
    printer.setPageMargins(margins, QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&printer))
        return UIE_LOAD_FAILED;
    const QRectF area(0, 0, printer.width(), printer.height());
    bool ok = PaintReport(*r, &printer, area, [&](int page, int) -> QPainter * {
        return page == 0 || printer.newPage() ? &painter : nullptr;
    });
    if (!painter.end())
        ok = false;
    return ok ? 0 : UIE_LOAD_FAILED;
}

int PrinterSelectPopup(char *name, int size)
{
    PopupAnswer a;
    QString chosen;
    if (AskResponder(Request(PopupRequest::kPrinterSelect, "", ""), &a)) {
        if (a.result == 0 || a.path.empty())
            return 0;
        chosen = QString::fromStdString(a.path);
    } else {
        QPrinter printer;
        QPrintDialog dialog(&printer, QApplication::activeWindow());
        if (dialog.exec() != QDialog::Accepted)
            return 0;
        if (printer.outputFormat() == QPrinter::PdfFormat) {
            if (printer.outputFileName().isEmpty())
                return 0;
            chosen = QFileInfo(printer.outputFileName()).absoluteFilePath();
        } else {
            chosen = printer.printerName();
        }
        if (chosen.isEmpty())
            return 0;
    }
    const QByteArray bytes = chosen.toUtf8();
    if (size <= 0 || bytes.size() >= size)
        return 0; // a name that does not fit is never used cut short
    std::memcpy(name, bytes.constData(), size_t(bytes.size()) + 1);
    return 1;
}
