#include "pictures.h"

#include <QFile>
#include <QImage>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdlib>

bool SvgContent::hasText(const std::string &text) const
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

SvgContent ReadSvg(const std::string &path)
{
    SvgContent c;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        c.error = "cannot open";
        return c;
    }
    QXmlStreamReader xml(&file);
    bool root = true;
    std::vector<std::string> strokeOf{""}; // of each open element
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && strokeOf.size() > 1)
            strokeOf.pop_back();
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        const QXmlStreamAttributes a = xml.attributes();
        if (root) {
            root = false;
            if (name != QLatin1String("svg")) {
                c.error = "root is " + name.toStdString();
                return c;
            }
            c.viewBox = a.value(QLatin1String("viewBox")).toString().toStdString();
            c.width = a.value(QLatin1String("width")).toString().toStdString();
            c.height = a.value(QLatin1String("height")).toString().toStdString();
        }
        strokeOf.push_back(strokeOf.back());
        if (a.hasAttribute(QLatin1String("stroke"))) {
            strokeOf.back() = a.value(QLatin1String("stroke")).toString().toStdString();
            c.strokes.push_back(strokeOf.back());
        }
        if (name == QLatin1String("polyline")) {
            std::vector<QPointF> points;
            const QString list = a.value(QLatin1String("points")).toString();
            for (const QString &pair : list.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const QStringList xy = pair.split(QLatin1Char(','));
                if (xy.size() == 2)
                    points.emplace_back(xy[0].toDouble(), xy[1].toDouble());
            }
            c.lines.emplace_back(strokeOf.back(), std::move(points));
        }
        if (name == QLatin1String("polyline") || name == QLatin1String("path"))
            ++c.polylines;
        else if (name == QLatin1String("text")) {
            c.texts.push_back(xml.readElementText(QXmlStreamReader::IncludeChildElements)
                                  .trimmed()
                                  .toStdString());
            strokeOf.pop_back(); // readElementText consumed its end
        }
    }
    c.wellFormed = !xml.hasError() && !root;
    if (xml.hasError())
        c.error = xml.errorString().toStdString();
    return c;
}

int PixelsNear(const std::string &path, const QColor &color, int tolerance)
{
    QImage image;
    if (!image.load(QString::fromStdString(path)))
        return -1;
    image = image.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += std::abs(qRed(line[x]) - color.red()) <= tolerance &&
                 std::abs(qGreen(line[x]) - color.green()) <= tolerance &&
                 std::abs(qBlue(line[x]) - color.blue()) <= tolerance;
    }
    return n;
}
