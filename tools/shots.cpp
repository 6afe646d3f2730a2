// orvante2-shots: pictures of every main tab page of the program running in demo mode, for the
// README and for looking at the panels without a display. Usage: orvante2-shots OUTDIR
#include "app/appstate.h"
#include "app/startup.h"
#include "app/ui.h"
#include "app/ui_testing.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QWidget>

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    InitUserInterfaceLayer();
    StartOptions options;
    options.demo = true;
    options.settingsDir = QDir::tempPath().toStdString();
    SetStartOptions(options);
    if (LoadPanels() < 0)
        return 1;
    SetPopupResponder([](const PopupRequest &) { return PopupAnswer{}; });
    InitAll();
    QWidget *main = PanelWidget(AppState.MainPanel);
    auto *tab = qobject_cast<QTabWidget *>(CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN));
    SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, 6, 1);
    for (int page = 0; page < tab->count(); ++page) {
        tab->setCurrentIndex(page);
        const double until = Timer() + 0.3;
        while (Timer() < until)
            WaitForEvents(until);
        main->grab().save(out + QString("/page%1.png").arg(page));
    }
    Shutdown();
    return 0;
}
