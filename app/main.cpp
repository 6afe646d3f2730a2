// orvante2-scope: configure, watch and service one ORVANTE2 sensor over RS-232 or TCP/IP.
#include "app/startup.h"
#include "platform/application.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

#ifndef ORVANTE2_VERSION
#define ORVANTE2_VERSION "1.3.0"
#endif

namespace {

const QCommandLineOption kDemo("demo", "Work with the built-in simulated sensor.");
const QCommandLineOption kSettings("settings-dir", "Keep the panel settings in DIR.", "DIR");

void SetUpParser(QCommandLineParser &parser)
{
    QCoreApplication::setApplicationName("orvante2-scope");
    QCoreApplication::setApplicationVersion(ORVANTE2_VERSION);
    parser.setApplicationDescription(
        "ORVANTE2 Scope V1.3: configure, watch and service one ORVANTE2 optical sensor over\n"
        "RS-232 or TCP/IP. Without options it connects with the link settings of the last run.\n"
        "The simulated sensor runs on its own as orvante2-sensor.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(kDemo);
    parser.addOption(kSettings);
}

// --help and --version only print: they must work without a display.
bool OnlyPrints(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char *a : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], a) == 0)
                return true;
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (OnlyPrints(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCommandLineParser parser;
        SetUpParser(parser);
        parser.process(app); // prints and exits
        return 0;
    }
    const auto app = NewUserInterfaceApplication(argc, argv);
    QCommandLineParser parser;
    SetUpParser(parser);
    parser.process(*app);

    StartOptions options;
    options.demo = parser.isSet(kDemo);
    options.settingsDir = parser.value(kSettings).toStdString();
    return RunApplication(options);
}
