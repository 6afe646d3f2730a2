// The user-interface layer: printed reports (header, footer, text and images laid out on pages)
// and the printer selection.
#include "platform/ui_layer.h"

#include <QApplication>
#include <QFileInfo>

#include <cstring>
#include <map>

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

// One line of text or one image at its place on a page, in device pixels.
struct PlacedItem {
    int page = 0;
    QRectF rect;
    QString text;
    QFont font;
    const QImage *image = nullptr;
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
    for (const ReportItem &item : r.items) {
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

int PrintReport(int report, const char *printerName)
{
    ReportRec *r = FindReport(report);
    if (!r)
        return UIE_BAD_INDEX;
    const QString name = Q(printerName);
    if (name.isEmpty())
        return UIE_BAD_INDEX;
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
    QString family = QStringLiteral("Arial");
    for (const ReportItem &item : r->items)
        if (!item.isImage && !item.family.isEmpty()) {
            family = item.family;
            break;
        }
    const QFont fieldFont = ReportFont(family, kFieldPoints, &printer);
    const double fieldHeight = QFontMetricsF(fieldFont, &printer).lineSpacing();
    const double gap = fieldHeight;
    const QRectF body(area.left(), area.top() + fieldHeight + gap, area.width(),
                      area.height() - 2 * (fieldHeight + gap));
    int pages = 1;
    const std::vector<PlacedItem> placed = LayOutReport(*r, &printer, body, &pages);
    const QDateTime now = QDateTime::currentDateTime();
    static const Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    size_t next = 0;
    bool ok = true;
    for (int page = 0; page < pages && ok; ++page) {
        if (page > 0 && !printer.newPage()) {
            ok = false;
            break;
        }
        painter.setPen(Qt::black);
        painter.setFont(fieldFont);
        for (int f = REPORT_HEADER_LEFT; f <= REPORT_FOOTER_RIGHT; ++f) {
            if (r->fields[f].isEmpty())
                continue;
            const bool header = f <= REPORT_HEADER_RIGHT;
            const QRectF band(area.left(), header ? area.top() : area.bottom() - fieldHeight,
                              area.width(), fieldHeight);
            painter.drawText(band, int(kAlign[f % 3] | Qt::AlignVCenter),
                             ExpandField(r->fields[f], now, page + 1, pages));
        }
        for (; next < placed.size() && placed[next].page == page; ++next) {
            const PlacedItem &p = placed[next];
            if (p.image) {
                painter.drawImage(p.rect, *p.image);
            } else if (!p.text.isEmpty()) {
                painter.setFont(p.font);
                painter.drawText(p.rect, int(Qt::AlignLeft | Qt::AlignTop), p.text);
            }
        }
    }
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
