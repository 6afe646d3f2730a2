// The user-interface layer: pictures of a single control as PNG or SVG files.
#include "platform/ui_layer.h"

#include "platform/chart_base.h"
#include "platform/spinbox.h"

#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>

using namespace uilayer;

namespace {

bool EndsWith(const QString &path, const char *ending)
{
    return path.endsWith(QLatin1String(ending), Qt::CaseInsensitive);
}

} // namespace

int SaveControlPicture(int panel, int control, const char *path)
{
    QWidget *w = W(panel, control);
    if (!w)
        return UIE_BAD_CONTROL;
    const QString file = Q(path);
    const bool svg = EndsWith(file, ".svg");
    if (!svg && !EndsWith(file, ".png"))
        return UIE_BAD_TYPE;
    // A chart shows its latest data, however recently it was given.
    if (auto *chart = qobject_cast<ChartCtrlBase *>(w))
        chart->redrawNow();
    ShowPendingValues(w);
    const QSize size = w->size().expandedTo(QSize(1, 1));

    // Written beside the target and renamed over it on commit: an existing picture is replaced
    // whole or not at all.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return UIE_LOAD_FAILED;
    bool ok = false;
    if (svg) {
        QSvgGenerator gen;
        gen.setOutputDevice(&out);
        gen.setSize(size);
        gen.setViewBox(QRect(QPoint(0, 0), size));
        gen.setTitle(w->accessibleName().isEmpty() ? w->objectName() : w->accessibleName());
        QPainter painter;
        if (painter.begin(&gen)) {
            w->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
            ok = painter.end();
        }
    } else {
        constexpr int kScale = 2; // sharp in a document or on a high-density screen
        QImage image(size * kScale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(kScale);
        image.fill(Qt::white);
        QPainter painter;
        if (painter.begin(&image)) {
            w->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
            painter.end();
            ok = image.save(&out, "PNG");
        }
    }
    if (!ok || out.error() != QFileDevice::NoError) {
        out.cancelWriting();
        return UIE_LOAD_FAILED;
    }
    return out.commit() ? 0 : UIE_LOAD_FAILED;
}
