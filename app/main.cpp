// orvante2-scope: configure, watch and service one ORVANTE2 sensor over RS-232 or TCP/IP.
#include "app/startup.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("orvante2-scope");
    QApplication::setApplicationVersion("1.3.0");

    QCommandLineParser parser;
    parser.setApplicationDescription("ORVANTE2 Scope: sensor configuration and service tool.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo("demo", "Work with the built-in simulated sensor.");
    const QCommandLineOption settings("settings-dir", "Keep the panel settings in DIR.", "DIR");
    parser.addOption(demo);
    parser.addOption(settings);
    parser.process(app);

    StartOptions options;
    options.demo = parser.isSet(demo);
    options.settingsDir = parser.value(settings).toStdString();
    return RunApplication(options);
}
