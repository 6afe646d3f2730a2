// orvante2-shots: pictures of every main tab page of the program running in demo mode, for the
// README and for looking at the panels without a display.
// Usage: orvante2-shots [--german] [--size WIDTHxHEIGHT] OUTDIR
#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "platform/ui_testing.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTabWidget>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Pictures of every main tab page of the program in demo mode (built-in simulated sensor),\n"
        "one PNG per page (page0.png ... page6.png), taken without a display.");
    parser.addHelpOption();
    parser.addPositionalArgument("OUTDIR", "Folder for the pictures (default: the current one).");
    const QCommandLineOption german("german", "Show the panels in German.");
    const QCommandLineOption size("size", "Window size (default: 1014x690).", "WIDTHxHEIGHT");
    parser.addOption(german);
    parser.addOption(size);
    parser.process(app); // --help prints and exits; an unknown option is refused
    QSize windowSize;
    if (parser.isSet(size)) {
        const QStringList wh = parser.value(size).split('x');
        windowSize = wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize();
        if (windowSize.width() <= 0 || windowSize.height() <= 0) {
            std::fprintf(stderr, "orvante2-shots: --size takes WIDTHxHEIGHT, e.g. 1600x1000\n");
            return 1;
        }
    }
    if (parser.positionalArguments().size() > 1) {
        std::fprintf(stderr, "orvante2-shots: one output folder at most; see --help\n");
        return 1;
    }
    const QString out = parser.positionalArguments().isEmpty()
                            ? QStringLiteral(".")
                            : parser.positionalArguments().front();
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
    if (parser.isSet(german)) {
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, 0);
        SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, EVENT_COMMIT);
    }
    if (windowSize.isValid())
        main->resize(windowSize);
    main->show();
    auto settle = [](double seconds) {
        const double until = Timer() + seconds;
        while (Timer() < until)
            WaitForEvents(until);
    };
    // The live loop runs for a while so that the displays and charts have content; the scope
    // captures once and the conversion data are calculated, as an operator would have done.
    auto runLive = [&](double seconds) {
        QTimer::singleShot(int(seconds * 1000), [] { AppState.AcquisitionRunning = 0; });
        SimulateCtrlEvent(AppState.MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT);
    };
    SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, 6, 1);
    for (int page = 0; page < tab->count(); ++page) {
        tab->setCurrentIndex(page);
        if (page == 1 || page == 3)
            runLive(2.5);
        if (page == 4)
            runLive(2.5);
        if (page == 3)
            SimulateCtrlEvent(AppState.ConvPanel, CONVP_BUTTON_CALC_CONV_DATA, EVENT_COMMIT);
        if (page == 5) {
            SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_GET_CYCLE_TIME, EVENT_COMMIT);
            SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_SCAN, EVENT_COMMIT);
        }
        settle(0.3);
        main->grab().save(out + QString("/page%1.png").arg(page));
    }
    Shutdown();
    return 0;
}
