// orvante2-icon: draws the desktop icon of ORVANTE2 Scope, a scope trace on a screen above the
// sensor's lens, as an SVG file and as PNG files of the given sizes, from one set of shapes.
// Usage: orvante2-icon OUTDIR SIZE...   writes OUTDIR/orvante2-scope.svg and
// OUTDIR/SIZExSIZE/orvante2-scope.png for every SIZE.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>

#include <cstdio>

namespace {

// All shapes on a 256 x 256 canvas.
struct RoundRect {
    double x, y, w, h, r;
    const char *fill;
};
constexpr RoundRect kBackground{16, 16, 224, 224, 36, "#0b4f9c"};
constexpr RoundRect kScreen{40, 52, 176, 124, 10, "#0d1b2a"};
constexpr double kGridX[] = {84, 128, 172};
constexpr double kGridY[] = {93, 135};
constexpr const char *kGridColour = "#2b4a6b";
constexpr double kGridWidth = 2;
constexpr QPointF kTrace[] = {{48, 152}, {74, 152}, {86, 92},  {100, 160}, {114, 112},
                              {130, 142}, {146, 70}, {162, 152}, {208, 152}};
constexpr const char *kTraceColour = "#ffd23f";
constexpr double kTraceWidth = 7;
constexpr QPointF kLensCentre{128, 206};
constexpr double kLensRadius = 16, kPupilRadius = 7;
constexpr const char *kLensColour = "#ff8000", *kPupilColour = "#fff3e0";

QString Svg()
{
    QString s;
    QTextStream out(&s);
    auto rect = [&](const RoundRect &r) {
        out << "  <rect x=\"" << r.x << "\" y=\"" << r.y << "\" width=\"" << r.w << "\" height=\""
            << r.h << "\" rx=\"" << r.r << "\" fill=\"" << r.fill << "\"/>\n";
    };
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
           "viewBox=\"0 0 256 256\">\n";
    rect(kBackground);
    rect(kScreen);
    for (double x : kGridX)
        out << "  <line x1=\"" << x << "\" y1=\"" << kScreen.y << "\" x2=\"" << x << "\" y2=\""
            << kScreen.y + kScreen.h << "\" stroke=\"" << kGridColour << "\" stroke-width=\""
            << kGridWidth << "\"/>\n";
    for (double y : kGridY)
        out << "  <line x1=\"" << kScreen.x << "\" y1=\"" << y << "\" x2=\""
            << kScreen.x + kScreen.w << "\" y2=\"" << y << "\" stroke=\"" << kGridColour
            << "\" stroke-width=\"" << kGridWidth << "\"/>\n";
    out << "  <polyline fill=\"none\" stroke=\"" << kTraceColour << "\" stroke-width=\""
        << kTraceWidth << "\" stroke-linejoin=\"round\" stroke-linecap=\"round\" points=\"";
    for (const QPointF &p : kTrace)
        out << p.x() << "," << p.y() << " ";
    out << "\"/>\n";
    out << "  <circle cx=\"" << kLensCentre.x() << "\" cy=\"" << kLensCentre.y() << "\" r=\""
        << kLensRadius << "\" fill=\"" << kLensColour << "\"/>\n";
    out << "  <circle cx=\"" << kLensCentre.x() << "\" cy=\"" << kLensCentre.y() << "\" r=\""
        << kPupilRadius << "\" fill=\"" << kPupilColour << "\"/>\n";
    out << "</svg>\n";
    return s;
}

QImage Png(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    auto rect = [&](const RoundRect &r) {
        QPainterPath path;
        path.addRoundedRect(QRectF(r.x, r.y, r.w, r.h), r.r, r.r);
        p.fillPath(path, QColor(r.fill));
    };
    rect(kBackground);
    rect(kScreen);
    p.setPen(QPen(QColor(kGridColour), kGridWidth));
    for (double x : kGridX)
        p.drawLine(QPointF(x, kScreen.y), QPointF(x, kScreen.y + kScreen.h));
    for (double y : kGridY)
        p.drawLine(QPointF(kScreen.x, y), QPointF(kScreen.x + kScreen.w, y));
    p.setPen(QPen(QColor(kTraceColour), kTraceWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(kTrace, int(std::size(kTrace)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kLensColour));
    p.drawEllipse(kLensCentre, kLensRadius, kLensRadius);
    p.setBrush(QColor(kPupilColour));
    p.drawEllipse(kLensCentre, kPupilRadius, kPupilRadius);
    p.end();
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: orvante2-icon OUTDIR SIZE...\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QFile svg(out + "/orvante2-scope.svg");
    if (!svg.open(QIODevice::WriteOnly) || svg.write(Svg().toUtf8()) < 0)
        return 1;
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0)
            return 2;
        const QString dir = out + QString("/%1x%1").arg(size);
        QDir().mkpath(dir);
        if (!Png(size).save(dir + "/orvante2-scope.png"))
            return 1;
    }
    return 0;
}
