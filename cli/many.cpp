// Many sensors at once: the exchange of this program is one synchronous conversation, so the
// command runs once per sensor in a process of its own (this program again, with one link), all
// in parallel. Their lines are passed on as they come, each marked with its target; the exit
// status is the worst of all.
#include "cli/cli.h"

#include "platform/files.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QProcess>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The target's name in a file name: the address without /dev/, other than letters, digits, dots
// and hyphens made underscores.
std::string FileNameOf(const std::string &address)
{
    std::string name = address.rfind("/dev/", 0) == 0 ? address.substr(5) : address;
    for (char &c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            c = '_';
    return name;
}

struct Run {
    std::string target;
    std::unique_ptr<QProcess> process;
    QByteArray out, err; // the rest of a line not yet complete
    int code = -1;
};

void PassOn(Run &run, QByteArray *pending, const QByteArray &bytes, bool error, bool atEnd)
{
    *pending += bytes;
    for (;;) {
        qsizetype end = pending->indexOf('\n');
        if (end < 0 && !(atEnd && !pending->isEmpty()))
            return;
        if (end < 0)
            end = pending->size();
        const QByteArray line = pending->left(end);
        pending->remove(0, std::min(end + 1, pending->size()));
        if (!error && JsonOutput()) {
            QJsonObject object;
            const QJsonDocument doc = QJsonDocument::fromJson(line);
            if (doc.isObject())
                object = doc.object();
            else
                object = {{"error", "failure"}, {"message", QString::fromUtf8(line)}};
            object.insert("target", QString::fromStdString(run.target));
            EmitJson(object);
        } else {
            FILE *to = error ? stderr : stdout;
            std::fprintf(to, "%s: %s\n", run.target.c_str(), line.constData());
            std::fflush(to);
        }
    }
}

} // namespace

int RunForEveryLink(const Options &o, int argc, char **argv)
{
    // The arguments without the links; the values of the files written per target.
    std::vector<std::string> rest;
    std::vector<int> fileAt;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--tcp" || a == "--serial") && i + 1 < argc) {
            ++i;
            continue;
        }
        if ((a == "--file" || a == "--save" || a == "--png" || a == "--svg") && i + 1 < argc)
            fileAt.push_back(int(rest.size()) + 1);
        rest.push_back(a);
    }
    std::vector<Run> runs(o.links.size());
    std::vector<long> pids;
    QEventLoop loop;
    int running = 0;
    for (size_t k = 0; k < o.links.size(); ++k) {
        Run &run = runs[k];
        const Link &link = o.links[k];
        run.target = link.address;
        QStringList args{link.tcp ? "--tcp" : "--serial", QString::fromStdString(link.address)};
        for (size_t i = 0; i < rest.size(); ++i) {
            std::string a = rest[i];
            if (std::find(fileAt.begin(), fileAt.end(), int(i)) != fileAt.end())
                for (size_t at; (at = a.find("{target}")) != std::string::npos;)
                    a.replace(at, 8, FileNameOf(link.address));
            args << QString::fromStdString(a);
        }
        run.process = std::make_unique<QProcess>();
        QProcess *p = run.process.get();
        QObject::connect(p, &QProcess::readyReadStandardOutput, [&run, p] {
            PassOn(run, &run.out, p->readAllStandardOutput(), false, false);
        });
        QObject::connect(p, &QProcess::readyReadStandardError, [&run, p] {
            PassOn(run, &run.err, p->readAllStandardError(), true, false);
        });
        QObject::connect(p, &QProcess::finished, [&, p](int code, QProcess::ExitStatus status) {
            PassOn(run, &run.out, p->readAllStandardOutput(), false, true);
            PassOn(run, &run.err, p->readAllStandardError(), true, true);
            run.code = status == QProcess::NormalExit ? code
                       : SignalReceived()             ? 128 + SignalReceived()
                                                      : kExitLink;
            if (--running == 0)
                loop.quit();
        });
        ++running;
        p->start(QCoreApplication::applicationFilePath(), args);
        if (!p->waitForStarted()) {
            --running;
            run.code = kExitLink;
            if (JsonOutput())
                EmitJson({{"error", "failure"},
                          {"message", p->errorString()},
                          {"target", QString::fromStdString(run.target)}});
            else
                Print(stderr, run.target + ": " + p->errorString().toStdString());
            continue;
        }
        pids.push_back(long(p->processId()));
    }
    ForwardTerminationSignals(pids.data(), int(pids.size()));
    if (running > 0)
        loop.exec();
    int worst = kExitOk;
    for (const Run &run : runs)
        worst = std::max(worst, run.code);
    std::fflush(stdout);
    return worst;
}
