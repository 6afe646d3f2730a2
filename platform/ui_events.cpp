// The user-interface layer: the event loop, waiting for events with a deadline, the clock, the
// wait cursor, panel images and the screen.
#include "platform/application.h"
#include "platform/chart_base.h"
#include "platform/spinbox.h"
#include "platform/ui_layer.h"

#include <QApplication>
#include <QWidget>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <memory>

using namespace uilayer;

// ---- Application ----------------------------------------------------------------------------

std::unique_ptr<QCoreApplication> NewUserInterfaceApplication(int &argc, char **argv)
{
    return std::make_unique<QApplication>(argc, argv);
}

// ---- Event loop --------------------------------------------------------------------------------

int RunUserInterface()
{
    if (L().quitPending) {
        L().quitPending = false;
        return L().quitCode;
    }
    QEventLoop loop;
    L().loop = &loop;
    const int code = loop.exec();
    L().loop = nullptr;
    L().quitPending = false;
    return code;
}

int QuitUserInterface(int code)
{
    L().quitCode = code;
    if (L().loop)
        L().loop->exit(code);
    else
        L().quitPending = true;
    return 0;
}

int ProcessSystemEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 0;
}

void WaitForEvents(double deadline)
{
    const double remaining = deadline - Timer();
    if (remaining <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // The timer wakes the blocking wait at the deadline if nothing else arrives first.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(int(std::ceil(remaining * 1000.0)));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

double Timer()
{
    if (!L().clock.isValid())
        L().clock.start();
    return double(L().clock.nsecsElapsed()) / 1e9;
}

void SetWaitCursor(int on)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return; // no cursor without a GUI application (the command-line tool)
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++L().waitCursorDepth;
    } else if (L().waitCursorDepth > 0) {
        QApplication::restoreOverrideCursor();
        --L().waitCursorDepth;
    }
}

// ---- Images, screen ----------------------------------------------------------------------------

int SavePanelDisplayToFile(int panel, const char *path)
{
    PanelRec *p = FindPanel(panel);
    if (!p)
        return UIE_BAD_PANEL;
    // The image shows every graph with its latest data, hidden ones caught up too.
    for (ChartCtrlBase *chart : p->widget->findChildren<ChartCtrlBase *>())
        chart->redrawNow();
    ShowPendingValues(p->widget);
    return p->widget->grab().save(Q(path)) ? 0 : UIE_LOAD_FAILED;
}

int GetScreenSize(int *height, int *width)
{
    QScreen *s = QGuiApplication::primaryScreen();
    const QRect r = s ? s->availableGeometry() : QRect(0, 0, 1280, 1024);
    *height = r.height();
    *width = r.width();
    return 0;
}

std::string GetProjectDir()
{
    return QCoreApplication::applicationDirPath().toStdString();
}
