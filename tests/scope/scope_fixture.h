// Shared pieces of the scope tests: scope answers built byte by byte, what a graph or a numeric
// shows, and a timer that acts as the operator while a capture waits.
#pragma once

#include "common/harness.h"

#include "scope/capture.h"

#include <QColor>
#include <QTimer>

#include <array>
#include <functional>
#include <initializer_list>

using Ring = std::array<int16_t, kScopeSamples>;

// A ring whose every value tells its block and position: base + position.
Ring CountingRing(int base);
std::vector<uint8_t> BlockPayload(const Ring &ring, uint16_t ringIndex);
// The acknowledge and the four block frames as one byte stream.
std::vector<uint8_t> ScopeAnswer(const std::array<Ring, 4> &rings, uint16_t ringIndex);
// `bytes` cut into pieces of the given sizes (the rest in one last piece), 5 ms apart.
std::vector<PeerStep> InPieces(const std::vector<uint8_t> &bytes,
                               std::initializer_list<size_t> sizes);

struct PlotInfo {
    QColor color;
    std::vector<double> y;
};
std::vector<PlotInfo> PlotsOf(int panel, int control); // in the order they were plotted
std::vector<double> AsDoubles(const Ring &r);
std::string SpinText(int panel, int control); // what a numeric shows, with its suffix
void ClickBreak();

// Runs `fn` once, `ms` after it is made, from inside whatever waits then; never after the test.
class Later {
public:
    Later(int ms, std::function<void()> fn)
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, std::move(fn));
        timer_.start(ms);
    }

private:
    QTimer timer_;
};

// SCAN as the operator presses it. A capture that nothing ends would hang the test, so after
// 20 s it is ended from outside; false then.
bool Scan();

// The real panels against a scripted peer over TCP, the main panel shown.
class ScopeOnPeer : public AppTest {
protected:
    void SetUp() override;
    // The scope page's trigger settings, as the operator sets them.
    static void SetTrigger(int mode, int level, int pre, int rate);
    RawPeer peer;
};
