// Shared test fixtures: the real panels under the offscreen platform, popups answered from a
// script, and a raw TCP peer that answers requests with exactly the bytes a test gives it.
#pragma once

#include "app/appstate.h"
#include "platform/ui.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>
#include <deque>
#include <string>
#include <vector>

// Answers popups in order from a queue; an empty queue gives OK / No / the second button
// ("Offline" in the connection popups) / cancel.
class ScriptedResponder {
public:
    void install();
    void uninstall();
    void push(int result, const std::string &path = {});
    std::vector<PopupRequest> shown;
    std::deque<PopupAnswer> answers;
    int countOf(PopupRequest::Kind kind) const;
    const PopupRequest *last() const { return shown.empty() ? nullptr : &shown.back(); }
};

// One step of a scripted answer: wait delayMs after the previous step, then send bytes (or
// close the connection).
struct PeerStep {
    int delayMs = 0;
    std::vector<uint8_t> bytes;
    bool close = false;
};

// A TCP peer on 127.0.0.1 on the test's own thread: the exchange's event processing drives it.
// Each request received (a header and its payload) is answered by the next script in the queue.
class RawPeer : public QObject {
public:
    RawPeer();
    quint16 port() const { return server_.serverPort(); }
    void answerNext(std::vector<PeerStep> script) { scripts_.push_back(std::move(script)); }
    void sendNow(const std::vector<uint8_t> &bytes);
    void closeNow();
    std::vector<std::vector<uint8_t>> requests;

private:
    void onData();
    void run(std::vector<PeerStep> script, size_t index);
    QTcpServer server_;
    QTcpSocket *client_ = nullptr;
    std::vector<uint8_t> pending_;
    std::deque<std::vector<PeerStep>> scripts_;
};

// The real panels loaded, AppState fresh, popups scripted.
class AppTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Points the link at 127.0.0.1:port over TCP and opens it.
    void OpenTcp(quint16 port);
    std::string MessageBoxText() const;
    std::string StatusText() const;
    int ActiveMainPage() const;
    bool Dimmed(int panel, int control) const;
    // Processes events for `ms` milliseconds.
    static void Pump(int ms);

    ScriptedResponder responder;
    QTemporaryDir dir;
};

std::vector<uint8_t> Frame(uint8_t order, uint16_t arg, const std::vector<uint8_t> &payload = {});

// A whole file's bytes ("" when it cannot be read), and a file written with exactly `text`.
std::string ReadAll(const std::string &path);
void WriteAll(const std::string &path, const std::string &text);

// A local calendar time, month and day counted from 1.
inline std::tm CalendarTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}
