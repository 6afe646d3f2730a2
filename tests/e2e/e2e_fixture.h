// The whole program as the operator meets it: the real start-up with a settings file that points
// at the simulated sensor, the main window on the offscreen screen, and real mouse and keyboard
// input on its widgets. Popups and file dialogs are answered from a script.
#pragma once

#include "common/harness.h"

#include "sim/sim_runner.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class EndToEnd : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a settings file for a TCP link to the simulator, plus `extra` lines.
    void WriteSettings(const std::string &extra = {});
    // The real start-up: panels, InitAll, the window shown.
    void StartProgram();
    // Closes the main window with its close button's event, as the operator does.
    void CloseWindow();

    // Operator input.
    static void Click(int panel, int control, Qt::MouseButton button = Qt::LeftButton);
    static void Key(Qt::Key key);
    // Replaces the text of a field (numeric or string) by typing, then Enter.
    static void Type(int panel, int control, const std::string &text);
    // Picks item `index` of a ring with the keyboard (Home, then Down), as the operator does.
    static void Choose(int panel, int control, int index);
    static void ShowPage(int page); // clicks the page's tab
    // Calls `step` every 2 ms from inside whatever the next click blocks in, until it returns
    // true; after `limitMs` it gives up with a failure and clears the run flags.
    void During(std::function<bool()> step, int limitMs = 15000);
    // Waits in the event loop until `done` or `limitMs`; true when done.
    static bool WaitUntil(const std::function<bool()> &done, int limitMs = 10000);

    // What the operator sees.
    static std::string Text(int panel, int control);
    static int Int(int panel, int control);
    static double Real(int panel, int control);
    static bool Dimmed(int panel, int control);
    static bool Shown(int panel, int control);
    static bool PanelShown(int panel);
    static int ActivePage();
    static std::string MessageBox();
    static std::string Status();
    // Points on the graph's line series (the strip charts' and graphs' content).
    static size_t PointsOn(int panel, int control);

    // What the sensor received: the order of every request, in order.
    std::vector<int> Orders();
    size_t CountOf(int order);
    sim::ParamRecord SensorRam();
    sim::ParamRecord SensorEeprom();

    std::string Path(const char *name) const { return dir.filePath(name).toStdString(); }
    static std::string ReadFile(const std::string &path);

    sim::SimRunner sensor;
    ScriptedResponder responder;
    QTemporaryDir dir;
    std::unique_ptr<QTimer> poll;
    bool closed = false;
};

// Started and connected to the simulator over TCP, as most workflows begin.
class ConnectedEndToEnd : public EndToEnd {
protected:
    void SetUp() override
    {
        EndToEnd::SetUp();
        WriteSettings();
        StartProgram();
        ASSERT_EQ(AppState.SensorConnected, 1) << MessageBox();
    }
};
