// orvante2-sensor: the simulated sensor as a program of its own, for running the scope tool
// against it by hand. Listens on 127.0.0.1 and, with --pty, on a pseudo-terminal; runs until
// SIGINT or SIGTERM.
#include "sim/eeprom_file.h"
#include "sim/sensor_server.h"
#include "params/paramfile.h"
#include "params/record.h"
#include "platform/system.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <cstdio>
#include <map>

namespace {

// The scope tool names pseudo-terminal N "COM(100 + N)".
QString ComName(const QString &ptyPath)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^/dev/pts/(\\d+)$")).match(ptyPath);
    return m.hasMatch() ? QStringLiteral("COM%1").arg(100 + m.captured(1).toInt()) : QString();
}

int Fail(const QString &text)
{
    std::fprintf(stderr, "orvante2-sensor: %s\n", qPrintable(text));
    return 2;
}

// A RAM word of --ram: its number in record order or its name in a parameter file; -1 if none.
int RamWordOf(const QString &word)
{
    bool ok = false;
    const int number = word.toInt(&ok);
    if (ok)
        return number >= 0 && number < int(sim::kParamCount) ? number : -1;
    for (const ParameterKey &k : kParameterKeys)
        if (word.compare(QLatin1String(k.key), Qt::CaseInsensitive) == 0)
            for (int i = 0; i < int(std::size(kRecordFields)); ++i)
                if (kRecordFields[i] == k.field)
                    return i;
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvante2-sensor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVANTE2_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated ORVANTE2 sensor. Answers the sensor protocol on 127.0.0.1 and, with --pty, on a "
        "pseudo-terminal.\n\nFault kinds for --fault ORDER:KIND[=VALUE] (ORDER 0..255 or *):\n"
        "  delay=MS    answer MS milliseconds late\n"
        "  noreply     swallow the request\n"
        "  badheader   wrong header check byte\n"
        "  baddata     one payload bit flipped\n"
        "  error=ARG   error reply (1 invalid order, 2 communication error)\n"
        "  cut=N       leave the last N payload bytes off\n"
        "  close       close the connection instead of answering\n"
        "  hangup      go away for good instead of answering (the pty is closed)\n"
        "  garbage=N   send N bytes of line noise instead of the answer\n"
        "  flood=N     the same with a flood of N bytes\n"
        "  dropmid     stop in the middle of the reply frame and drop the connection\n"
        "  frame=N     which frame the corruption hits (0 reply, n following, -1 all)\n"
        "  count=N     only for the next N requests"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOpt(QStringLiteral("port"),
                                     QStringLiteral("TCP port on 127.0.0.1 (default 5000)."),
                                     QStringLiteral("N"), QStringLiteral("5000"));
    const QCommandLineOption ptyOpt(QStringLiteral("pty"),
                                    QStringLiteral("Also answer on a pseudo-terminal."));
    const QCommandLineOption firmwareOpt(QStringLiteral("firmware"),
                                         QStringLiteral("Firmware identification text."),
                                         QStringLiteral("TEXT"));
    const QCommandLineOption nameOpt(QStringLiteral("name"), QStringLiteral("Sensor name."),
                                     QStringLiteral("TEXT"));
    const QCommandLineOption serialOpt(
        QStringLiteral("serial"), QStringLiteral("Serial number 0..65535."), QStringLiteral("N"));
    const QCommandLineOption seedOpt(
        QStringLiteral("seed"), QStringLiteral("Seed of the signal noise."), QStringLiteral("N"));
    const QCommandLineOption silentOpt(QStringLiteral("silent"),
                                       QStringLiteral("Receive requests but answer nothing."));
    const QCommandLineOption faultOpt(QStringLiteral("fault"),
                                      QStringLiteral("Inject a fault (repeatable, see above)."),
                                      QStringLiteral("ORDER:KIND[=VALUE]"));
    const QCommandLineOption eepromFileOpt(
        QStringLiteral("eeprom-file"),
        QStringLiteral("Keep the EEPROM parameter set in this file (read at start, written by "
                       "every store)."),
        QStringLiteral("PATH"));
    const QCommandLineOption badEepromOpt(
        QStringLiteral("bad-eeprom"),
        QStringLiteral("Loading the EEPROM set (order 4) fails its check and answers ARG."),
        QStringLiteral("ARG"));
    const QCommandLineOption inputsOpt(
        QStringLiteral("inputs"),
        QStringLiteral("Hold the inputs: bit 0 IN0, bit 1 IN1 (0..3). Without it they follow a "
                       "fixed pattern."),
        QStringLiteral("MASK"));
    const QCommandLineOption stillOpt(
        QStringLiteral("still"),
        QStringLiteral("Hold the light on the receivers still (only noise moves the signals)."));
    const QCommandLineOption ramOpt(
        QStringLiteral("ram"),
        QStringLiteral("Start with this word of the RAM parameter set changed, so that RAM and "
                       "EEPROM differ (repeatable). WORD is the word's number 0..25 in record "
                       "order or its name in a parameter file, e.g. --ram 'POWER CH0=700'."),
        QStringLiteral("WORD=VALUE"));
    parser.addOptions({portOpt, ptyOpt, firmwareOpt, nameOpt, serialOpt, seedOpt, silentOpt,
                       faultOpt, eepromFileOpt, badEepromOpt, inputsOpt, stillOpt, ramOpt});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOpt).toUInt(&ok);
    if (!ok || port > 65535)
        return Fail(QStringLiteral("bad port: %1").arg(parser.value(portOpt)));

    sim::SensorServer server;
    sim::SensorModel &model = server.model();
    if (parser.isSet(firmwareOpt))
        model.setFirmwareId(parser.value(firmwareOpt).toStdString());
    if (parser.isSet(nameOpt))
        model.setSensorName(parser.value(nameOpt).toStdString());
    if (parser.isSet(serialOpt)) {
        const uint serial = parser.value(serialOpt).toUInt(&ok);
        if (!ok || serial > 65535)
            return Fail(QStringLiteral("bad serial number: %1").arg(parser.value(serialOpt)));
        model.setSerialNumber(uint16_t(serial));
    }
    if (parser.isSet(seedOpt)) {
        const qulonglong seed = parser.value(seedOpt).toULongLong(&ok);
        if (!ok)
            return Fail(QStringLiteral("bad seed: %1").arg(parser.value(seedOpt)));
        model.generator().setSeed(seed);
    }
    model.setSilent(parser.isSet(silentOpt));
    if (parser.isSet(inputsOpt)) {
        const uint mask = parser.value(inputsOpt).toUInt(&ok);
        if (!ok || mask > 3)
            return Fail(QStringLiteral("bad inputs: %1").arg(parser.value(inputsOpt)));
        model.generator().setInputs(int(mask));
    }
    model.generator().setMoving(!parser.isSet(stillOpt));
    if (parser.isSet(badEepromOpt)) {
        const uint arg = parser.value(badEepromOpt).toUInt(&ok);
        if (!ok || arg == 0 || arg > 65535)
            return Fail(
                QStringLiteral("bad EEPROM argument: %1").arg(parser.value(badEepromOpt)));
        model.setEepromFailure(int(arg));
    }
    if (parser.isSet(eepromFileOpt)) {
        const std::string path = parser.value(eepromFileOpt).toStdString();
        sim::ParamRecord stored;
        if (sim::ReadEepromFile(path, &stored))
            model.setEeprom(stored);
        model.onEepromStored([path](const sim::ParamRecord &p) {
            if (!sim::WriteEepromFile(path, p))
                std::fprintf(stderr, "orvante2-sensor: cannot write %s\n", path.c_str());
        });
    }
    if (parser.isSet(ramOpt)) {
        sim::ParamRecord ram = model.eeprom();
        for (const QString &option : parser.values(ramOpt)) {
            const int word = RamWordOf(option.section('=', 0, 0).trimmed());
            const uint value = option.section('=', 1).trimmed().toUInt(&ok);
            if (word < 0 || !option.contains('=') || !ok || value > 65535)
                return Fail(QStringLiteral("bad --ram %1: WORD=VALUE, WORD 0..25 or a "
                                           "parameter name, VALUE 0..65535")
                                .arg(option));
            ram[size_t(word)] = uint16_t(value);
        }
        model.setRam(ram);
    }
    std::map<int, sim::Fault> faults;
    for (const QString &option : parser.values(faultOpt)) {
        std::string error;
        if (!sim::ParseFaultOption(option.toStdString(), &faults, &error))
            return Fail(QString::fromStdString(error));
    }
    for (const auto &[order, fault] : faults)
        model.setFault(order, fault);

    if (!server.listenTcp(quint16(port)))
        return Fail(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(port));
    std::printf("orvante2-sensor: listening on 127.0.0.1:%u\n", unsigned(server.tcpPort()));
    if (parser.isSet(ptyOpt)) {
        const QString pty = server.openPty();
        if (pty.isEmpty())
            return Fail(QStringLiteral("cannot open a pseudo-terminal"));
        const QString com = ComName(pty);
        std::printf("orvante2-sensor: pseudo-terminal %s%s\n", qPrintable(pty),
                    com.isEmpty() ? "" : qPrintable(QStringLiteral(" (%1)").arg(com)));
    }
    std::fflush(stdout);

    // SIGINT and SIGTERM end the event loop, so the server closes its links on the way out.
    OnTerminationRequest([] { QCoreApplication::quit(); });
    // A client that vanishes mid-write must not kill the program.
    IgnoreBrokenPipe();

    return app.exec();
}
