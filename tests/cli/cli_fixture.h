// The command-line tool's test fixture: the tool run as a separate process against the simulated
// sensor on 127.0.0.1, and the link failures every command must survive.
#pragma once

#include "link/exchange.h"
#include "params/paramfile.h"
#include "params/record.h"
#include "sim/faults.h"
#include "sim/sensor_data.h"
#include "sim/sim_runner.h"

#include "common/harness.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

// The failure tables run the tool with this answer limit, so that a late or missing answer is
// found out quickly; LateReply comes later than it. The 3 s limit itself is tested with the
// exchange.
inline const QStringList kShortAnswerLimit{"--timeout", "0.5"};

struct Result {
    int code = -1;
    std::string out, err;
};

// What a finished tool process left: its exit code (-1 after a crash) and both outputs.
inline Result ResultOf(QProcess &p)
{
    Result r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(sensor.start());
    }

    Result run(const QStringList &args)
    {
        QProcess p;
        // The change log of the tool's writes goes into the test's folder.
        QStringList all{"--tcp", QString("127.0.0.1:%1").arg(sensor.tcpPort()), "--settings-dir",
                        dir.path()};
        all += args;
        p.start(ORVANTE2_CLI_EXE, all);
        EXPECT_TRUE(p.waitForFinished(60000)); // blocks; the simulator answers on its own thread
        return ResultOf(p);
    }

    // Runs the tool against the scripted peer, which answers on this thread: the wait is the
    // event loop's, ended by the tool's exit.
    Result runOnPeer(RawPeer &peer, const QStringList &args)
    {
        QProcess p;
        QEventLoop loop;
        QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit); // a hung tool fails, not the suite
        p.start(ORVANTE2_CLI_EXE,
                QStringList{"--tcp", QString("127.0.0.1:%1").arg(peer.port()), "--settings-dir",
                            dir.path()} +
                    args);
        loop.exec();
        EXPECT_EQ(p.state(), QProcess::NotRunning);
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished();
        }
        return ResultOf(p);
    }

    QString path(const char *name) const { return dir.filePath(name); }

    static QByteArray read(const QString &file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString &file, const QByteArray &bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // What the app's parameter file writer makes of a sensor set.
    QByteArray appFile(const sim::ParamRecord &params)
    {
        const std::vector<uint8_t> bytes = sim::PackParams(params);
        const QString file = path("expected.ini");
        EXPECT_GE(WriteParameterFile(RecordFromBytes(bytes.data()), file.toUtf8().constData()), 0);
        return read(file);
    }

    sim::ParamRecord ram()
    {
        sim::ParamRecord r{};
        sensor.withModel([&](sim::SensorModel &m) { r = m.ram(); });
        return r;
    }
    sim::ParamRecord eeprom()
    {
        sim::ParamRecord r{};
        sensor.withModel([&](sim::SensorModel &m) { r = m.eeprom(); });
        return r;
    }

    // Puts `fault` (the simulator's --fault option without the order) on `order` and runs the
    // tool with `args` under kShortAnswerLimit; arguments ending in `.ini` name files of the
    // test's directory. Checks what every failure must give: exit 2, `message` on standard
    // error, nothing on standard output, and out.ini as it was.
    Result runFailing(int order, const std::string &fault, const std::vector<const char *> &args,
                      const char *message)
    {
        const QByteArray before = "kept as it was\r\n";
        write(path("out.ini"), before);
        std::map<int, sim::Fault> faults;
        std::string error;
        EXPECT_TRUE(sim::ParseFaultOption(std::to_string(order) + ":" + fault, &faults, &error))
            << error;
        if (faults.count(order))
            sensor.setFault(order, faults.at(order));
        QStringList all = kShortAnswerLimit;
        for (const char *a : args)
            all << (QString(a).endsWith(".ini") ? path(a) : QString(a));
        const Result r = run(all);
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_EQ(read(path("out.ini")), before);
        return r;
    }

    QTemporaryDir dir;
    sim::SimRunner sensor;
};

struct FailureCase {
    const char *name;
    const char *fault;   // as the simulator's --fault option, without the order
    const char *message; // English text the tool must print
};
// Printed by its name, so that test lists show no byte dumps.
inline void PrintTo(const FailureCase &c, std::ostream *os)
{
    *os << c.name;
}

inline const FailureCase kFailures[] = {
    {"LateReply", "delay=800", "TIMEOUT! \nNo data received!"},
    {"Silence", "noreply", "TIMEOUT! \nNo data received!"},
    {"BadHeaderCrc", "badheader", "ATTENTION! \nReceived header frame is incorrect!"},
    {"BadDataCrc", "baddata", "ATTENTION! \nReceived data frame is incorrect!"},
    {"ErrorReply", "error=1", "Invalid order number! \nVerify PC and sensor software!"},
    {"PayloadCut", "cut=5", "TIMEOUT! \nNo data received!"},
    {"ConnectionDropped", "close", "Server has closed connection!"},
};
