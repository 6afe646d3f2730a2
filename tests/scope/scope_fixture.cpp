#include "scope_fixture.h"

#include "platform/spinbox.h"
#include "platform/ui_testing.h"
#include "platform/widgets.h"

#include <QAbstractSpinBox>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QTest>

Ring CountingRing(int base)
{
    Ring r{};
    for (int i = 0; i < kScopeSamples; ++i)
        r[size_t(i)] = int16_t(base + i);
    return r;
}

std::vector<uint8_t> BlockPayload(const Ring &ring, uint16_t ringIndex)
{
    std::vector<uint8_t> p(kScopeBlockBytes);
    for (int i = 0; i < kScopeSamples; ++i)
        frame::PutU16(p.data() + 2 * i, uint16_t(ring[size_t(i)]));
    frame::PutU16(p.data() + 2 * kScopeSamples, ringIndex);
    return p;
}

std::vector<uint8_t> ScopeAnswer(const std::array<Ring, 4> &rings, uint16_t ringIndex)
{
    std::vector<uint8_t> all = Frame(110, 0);
    for (uint16_t b = 0; b < 4; ++b) {
        const std::vector<uint8_t> f = Frame(110, b, BlockPayload(rings[b], ringIndex));
        all.insert(all.end(), f.begin(), f.end());
    }
    return all;
}

std::vector<PeerStep> InPieces(const std::vector<uint8_t> &bytes,
                               std::initializer_list<size_t> sizes)
{
    std::vector<PeerStep> steps;
    size_t at = 0;
    for (size_t n : sizes) {
        const size_t end = std::min(bytes.size(), at + n);
        steps.push_back({5, {bytes.begin() + long(at), bytes.begin() + long(end)}});
        at = end;
    }
    if (at < bytes.size())
        steps.push_back({5, {bytes.begin() + long(at), bytes.end()}});
    return steps;
}

std::vector<PlotInfo> PlotsOf(int panel, int control)
{
    // The plotted data, not what is painted of it (that follows later and may be reduced).
    std::vector<PlotInfo> plots;
    auto *graph = qobject_cast<GraphCtrl *>(CtrlWidget(panel, control));
    for (int handle : graph->plotHandles()) {
        plots.push_back({graph->plotColor(handle), {}});
        for (const QPointF &pt : graph->plotPoints(handle))
            plots.back().y.push_back(pt.y());
    }
    return plots;
}

std::vector<double> AsDoubles(const Ring &r)
{
    return {r.begin(), r.end()};
}

std::string SpinText(int panel, int control)
{
    QWidget *w = CtrlWidget(panel, control);
    ShowPendingValues(w); // as the screen shows it at its next refresh
    return qobject_cast<QAbstractSpinBox *>(w)->text().toStdString();
}

void ClickBreak()
{
    QTest::mouseClick(CtrlWidget(AppState.TabScope, TABP_SCOPE_BUTTON_BREAK_SCAN), Qt::LeftButton);
}

bool Scan()
{
    bool ended = false;
    Later guard(20000, [&] {
        ended = AppState.ScanRunning == 1;
        AppState.ScanRunning = 0;
    });
    SimulateCtrlEvent(AppState.TabScope, TABP_SCOPE_BUTTON_SCAN, EVENT_COMMIT);
    return !ended;
}

void ScopeOnPeer::SetUp()
{
    AppTest::SetUp();
    OpenTcp(peer.port());
    DisplayPanel(AppState.MainPanel);
}

void ScopeOnPeer::SetTrigger(int mode, int level, int pre, int rate)
{
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_RING_TRIGGER_MODE, mode);
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_TRIGGER_LEVEL, level);
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_PRE_TRIGGER, pre);
    SetCtrlVal(AppState.TabScope, TABP_SCOPE_NUMERIC_SCAN_RATE, rate);
}
