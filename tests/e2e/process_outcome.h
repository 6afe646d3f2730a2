// What a program started by a test left behind when it ended.
#pragma once

#include <QProcess>

#include <string>

struct Outcome {
    int exitCode = -1; // -1: it crashed or did not end in time
    std::string out, err;
};

// Waits up to `timeoutMs` for the started process; one that does not end in time is killed.
inline Outcome WaitForOutcome(QProcess &p, int timeoutMs)
{
    Outcome r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}
