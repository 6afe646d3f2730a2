// The user-interface layer: picture files (PNG or SVG) of a report's chart on its own, for
// handing a capture on without printing it, and of a single control as it shows.
#include "platform/ui_layer.h"

#include "platform/chart_base.h"
#include "platform/spinbox.h"
#include "platform/system.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <QWidget>

#include <cmath>

using namespace uilayer;

namespace {

enum class PictureKind { kNone, kPng, kSvg };

PictureKind KindOf(const QString &path)
{
    if (path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return PictureKind::kPng;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        return PictureKind::kSvg;
    return PictureKind::kNone;
}

// The chart is laid out in millimetres as on the report's page; the picture's resolution is
// chosen so that its width spans the report's chart width (the A4 page less its margins) and
// the picture looks like the printed chart at any size.
constexpr double kReportChartWidthMm = 180.0;
constexpr double kPictureMarginMm = 4.0;
constexpr const char *kPictureFont = "Arial";

double DotsPerInch(int width)
{
    return width / ((kReportChartWidthMm + 2 * kPictureMarginMm) / 25.4);
}

void PaintPicture(QPainter &painter, const ReportChart &chart, int width, int height, double dpi)
{
    painter.fillRect(QRectF(0, 0, width, height), Qt::white);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const double margin = kPictureMarginMm / 25.4 * dpi;
    PaintReportChart(painter, QRectF(margin, margin, width - 2 * margin, height - 2 * margin),
                     chart, QString::fromLatin1(kPictureFont));
}

bool PngBytes(const ReportChart &chart, int width, int height, QByteArray *bytes)
{
    const double dpi = DotsPerInch(width);
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return false;
    image.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    {
        QPainter painter;
        if (!painter.begin(&image))
            return false;
        PaintPicture(painter, chart, width, height, dpi);
    }
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG");
}

bool SvgBytes(const ReportChart &chart, int width, int height, QByteArray *bytes)
{
    const double dpi = DotsPerInch(width);
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setResolution(int(std::lround(dpi)));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    PaintPicture(painter, chart, width, height, dpi);
    if (!painter.end())
        return false;
    // Where the report's font is missing, a viewer takes a sans-serif face as the printout does,
    // not its default (often a serif one).
    QString text = QString::fromUtf8(*bytes);
    text.replace(QRegularExpression(QStringLiteral("font-family=\"([^\"]*)\"")),
                 QStringLiteral("font-family=\"\\1, sans-serif\""));
    *bytes = text.toUtf8();
    return true;
}

// A control drawn with its children: PNG at twice its size (sharp in a document or on a
// high-density screen), SVG at its size.
bool ControlBytes(QWidget *w, PictureKind kind, QByteArray *bytes)
{
    const QSize size = w->size().expandedTo(QSize(1, 1));
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QPainter painter;
    if (kind == PictureKind::kSvg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(w->accessibleName().isEmpty() ? w->objectName() : w->accessibleName());
        if (!painter.begin(&svg))
            return false;
        w->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        return painter.end();
    }
    constexpr int kScale = 2;
    QImage image(size * kScale, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return false;
    image.setDevicePixelRatio(kScale);
    image.fill(Qt::white);
    if (!painter.begin(&image))
        return false;
    w->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image.save(&buffer, "PNG");
}

// The picture's bytes in place of the file's, whole or not at all.
int WritePicture(const char *path, bool drawn, const QByteArray &bytes)
{
    if (!drawn || bytes.isEmpty())
        return UIE_LOAD_FAILED;
    return ReplaceFileContents(path, std::string_view(bytes.constData(), size_t(bytes.size()))) ==
                   FileStatus::kOk
               ? 0
               : UIE_LOAD_FAILED;
}

} // namespace

bool IsPicturePath(const char *path)
{
    return KindOf(Q(path)) != PictureKind::kNone;
}

int SaveReportChartPicture(const ReportChart &chart, const char *path, int width, int height)
{
    const PictureKind kind = KindOf(Q(path));
    if (kind == PictureKind::kNone)
        return UIE_BAD_TYPE;
    if (width < 16 || height < 16 || width > 20000 || height > 20000)
        return UIE_BAD_ATTRIBUTE;
    QByteArray bytes;
    const bool drawn = kind == PictureKind::kPng ? PngBytes(chart, width, height, &bytes)
                                                 : SvgBytes(chart, width, height, &bytes);
    return WritePicture(path, drawn, bytes);
}

int SaveControlPicture(int panel, int control, const char *path)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    const PictureKind kind = KindOf(Q(path));
    if (kind == PictureKind::kNone)
        return UIE_BAD_TYPE;
    // A chart shows its latest data, however recently it was given.
    if (auto *chart = qobject_cast<ChartCtrlBase *>(w))
        chart->redrawNow();
    ShowPendingValues(w);
    QByteArray bytes;
    const bool drawn = ControlBytes(w, kind, &bytes);
    return WritePicture(path, drawn, bytes);
}
