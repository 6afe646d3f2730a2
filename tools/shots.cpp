// orvante2-shots: pictures of every main tab page of the program running in demo mode, in
// English or German, for the README, the operator's guide and for looking at the panels without
// a display. Usage: orvante2-shots [--language de|en] [--size WIDTHxHEIGHT] [OUTDIR]
#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "platform/ui_testing.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

// File names of the pictures, one per main tab page in the tab control's order.
constexpr const char *kPageNames[] = {"connect",    "parameter", "threshold", "conversion-table",
                                      "recorder",   "scope",     "service"};

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Pictures of every main tab page of the program in demo mode (built-in simulated sensor),\n"
        "taken without a display: one PNG per page, named connect.png, parameter.png,\n"
        "threshold.png, conversion-table.png, recorder.png, scope.png and service.png.");
    parser.addHelpOption();
    const QCommandLineOption language(
        "language", "Language of the window: de (German) or en (English, the default).", "de|en",
        "en");
    const QCommandLineOption size("size", "Window size (default: 1014x690).", "WIDTHxHEIGHT");
    parser.addOption(language);
    parser.addOption(size);
    parser.addPositionalArgument("OUTDIR", "Folder for the pictures (default: the current one).",
                                 "[OUTDIR]");
    parser.process(app); // --help prints and exits; an unknown option is refused with exit code 1
    const QString lang = parser.value(language);
    if (lang != "de" && lang != "en") {
        std::fprintf(stderr, "orvante2-shots: --language takes de or en, not '%s'; see --help\n",
                     qPrintable(lang));
        return 1;
    }
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
    if (!QDir().mkpath(out) || !QFileInfo(out).isDir()) {
        std::fprintf(stderr, "orvante2-shots: cannot make the folder '%s'\n", qPrintable(out));
        return 1;
    }
    // A settings folder of its own, so that neither an earlier run's language nor its window
    // position reaches the pictures.
    QTemporaryDir settings;
    if (!settings.isValid()) {
        std::fprintf(stderr, "orvante2-shots: no temporary folder for the settings\n");
        return 1;
    }
    InitUserInterfaceLayer();
    StartOptions options;
    options.demo = true;
    options.settingsDir = settings.path().toStdString();
    SetStartOptions(options);
    if (LoadPanels() < 0)
        return 1;
    SetPopupResponder([](const PopupRequest &) { return PopupAnswer{}; });
    InitAll();
    // The connect page's language selector, as the operator would choose it (0 German, 1 English).
    SetCtrlIndex(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, lang == "de" ? 0 : 1);
    SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_RING_LANGUAGE, EVENT_COMMIT);
    QWidget *main = PanelWidget(AppState.MainPanel);
    auto *tab = qobject_cast<QTabWidget *>(CtrlWidget(AppState.MainPanel, MAINP_TAB_MAIN));
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
    SetTabPageVisible(AppState.MainPanel, MAINP_TAB_MAIN, kPageService, 1);
    const int pages = std::min<int>(tab->count(), std::size(kPageNames));
    int failed = 0;
    for (int page = 0; page < pages; ++page) {
        tab->setCurrentIndex(page);
        // The connect page as after CONNECT in the chosen language: the message box cleared
        // (right double-click on STATUS) and the start-up's English log replaced by this one.
        if (page == kPageConnect) {
            SimulateCtrlEvent(AppState.DataPanel, DATAP_STRING_STATUS, EVENT_RIGHT_DOUBLE_CLICK);
            SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_BUTTON_TRY_TO_CONNECT,
                              EVENT_COMMIT);
        }
        if (page == kPageParam || page == kPageConvTable || page == kPageRecorder)
            runLive(2.5);
        if (page == kPageConvTable)
            SimulateCtrlEvent(AppState.ConvPanel, CONVP_BUTTON_CALC_CONV_DATA, EVENT_COMMIT);
        if (page == kPageScope) {
            SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_GET_CYCLE_TIME, EVENT_COMMIT);
            SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_SCAN, EVENT_COMMIT);
        }
        settle(0.3);
        const QString file = out + "/" + kPageNames[page] + ".png";
        if (!main->grab().save(file)) {
            std::fprintf(stderr, "orvante2-shots: cannot write '%s'\n", qPrintable(file));
            failed = 1;
        }
    }
    Shutdown();
    return failed;
}
