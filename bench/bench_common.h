// What every benchmark does first: the real panels under the offscreen platform, popups
// answered without being shown, and the link opened over TCP to a simulated sensor.
#pragma once

#include "app/appstate.h"
#include "app/startup.h"
#include "link/exchange.h"
#include "platform/ui.h"
#include "sim/sim_runner.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstring>

namespace bench {

inline void UseOffscreenPlatform()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Loads the panels; every popup gets `answer` (by default OK / No / cancel).
inline bool LoadPanelsQuietly(PopupResponder answer = {})
{
    InitUserInterfaceLayer();
    if (LoadPanels() < 0)
        return false;
    if (!answer)
        answer = [](const PopupRequest &) { return PopupAnswer{}; };
    SetPopupResponder(std::move(answer));
    return true;
}

// Opens the program's TCP link to `sensor` on 127.0.0.1.
inline bool ConnectTcp(sim::SimRunner &sensor)
{
    AppState.ComProtocol = 1;
    CopyField(AppState.ServerAddress, "127.0.0.1");
    AppState.PortNumber = sensor.tcpPort();
    InitTCP_IP();
    return AppState.TcpConnected != 0;
}

} // namespace bench
