// The screens as windows may use them.
#include "platform/ui.h"

#include <QGuiApplication>
#include <QScreen>

std::vector<ScreenArea> AvailableScreenAreas()
{
    std::vector<ScreenArea> areas;
    if (!qGuiApp)
        return areas;
    QScreen *primary = QGuiApplication::primaryScreen();
    const auto add = [&areas](const QScreen *s) {
        const QRect r = s->availableGeometry();
        areas.push_back({r.x(), r.y(), r.width(), r.height()});
    };
    if (primary)
        add(primary);
    for (const QScreen *s : QGuiApplication::screens())
        if (s != primary)
            add(s);
    return areas;
}
