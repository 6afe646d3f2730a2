// The connect page names the Linux device that the COM number stands for.
#include "common/harness.h"

#include "app/appstate.h"
#include "link/connect.h"
#include "platform/ui.h"

#include <string>

namespace {

class ComDevice : public AppTest {
protected:
    std::string shown() const
    {
        return GetCtrlText(AppState.TabConnect, TABP_CONNECT_TEXTMSG_COM_DEVICE);
    }
    void choose(int com)
    {
        SetCtrlVal(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, com);
        SimulateCtrlEvent(AppState.TabConnect, TABP_CONNECT_NUMERIC_COM_PORT, EVENT_COMMIT);
    }
};

TEST_F(ComDevice, TheDeviceBesideTheNumberFollowsTheChoiceAndTheSettings)
{
    AppState.ComProtocol = 0;
    AppState.ComPort = 33;
    PutLinkSettingsOnPanel();
    EXPECT_EQ(shown(), "= /dev/ttyUSB0");
    choose(103);
    EXPECT_EQ(shown(), "= /dev/pts/3");
    choose(98); // between the ranges: no device
    EXPECT_EQ(shown(), "no device");
    AppState.LanguageIndex = 0;
    choose(97);
    EXPECT_EQ(shown(), "kein Geraet");
    // Shown with the serial controls only.
    SetCtrlVal(AppState.TabConnect, TABP_CONNECT_RING_COM_PROTOCOL, 1);
    InitConnectPanel();
    int visible = 1;
    GetCtrlAttribute(AppState.TabConnect, TABP_CONNECT_TEXTMSG_COM_DEVICE, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
}

} // namespace
