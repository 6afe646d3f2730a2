// The scope panel's capture kept and shown again: SAVE writes what is on the panel, LOAD puts a
// saved capture back with its settings, comment, cursors and deltas, without a sensor.
#include "scope_fixture.h"

#include "app/appstate.h"
#include "app/status_line.h"
#include "link/exchange.h"
#include "scope/capture_doc.h"
#include "scope/display.h"

namespace {

class ScopeDocument : public ScopeOnPeer {
protected:
    int Val(int control)
    {
        int v = 0;
        GetCtrlVal(AppState.TabScope, control, &v);
        return v;
    }
    std::string Path(const char *name) { return dir.filePath(name).toStdString(); }
    const std::array<Ring, 4> rings = {CountingRing(100), CountingRing(300), CountingRing(500),
                                       CountingRing(0)};
};

TEST_F(ScopeDocument, SavedCaptureComesBackWithoutASensorAndSavesToTheSameBytes)
{
    SetTrigger(1, 2500, 10, 3);
    peer.answerNext({{0, ScopeAnswer(rings, 40)}});
    ASSERT_TRUE(Scan());
    CycleTimeMs = 0.2;
    ResetTextBox(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT, "belt at\n2 m/s");
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 1, 10, 1000);
    SetGraphCursor(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE, 2, 60, 3000);
    const ScopeTracesRec taken = ScopeTraces;
    EXPECT_EQ(SaveScopeCaptureTo(Path("a.ini")), std::string(Tr(kMsgCaptureSaved)) + Path("a.ini"));

    // Another state altogether, and no sensor.
    CloseLink();
    SetTrigger(0, 0, 0, 1);
    CycleTimeMs = 0;
    ScopeTraces = {};
    ResetTextBox(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT, "other");

    bool loaded = false;
    EXPECT_EQ(LoadScopeCaptureFrom(Path("a.ini"), &loaded),
              std::string(Tr(kMsgCaptureLoaded)) + Path("a.ini"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(ScopeTraces.Ch0Trace, taken.Ch0Trace);
    EXPECT_EQ(ScopeTraces.StatusTrace, taken.StatusTrace);
    EXPECT_EQ(Val(TABP_SCOPE_RING_TRIGGER_MODE), 1);
    EXPECT_EQ(Val(TABP_SCOPE_NUMERIC_TRIGGER_LEVEL), 2500);
    EXPECT_EQ(Val(TABP_SCOPE_NUMERIC_PRE_TRIGGER), 10);
    EXPECT_EQ(Val(TABP_SCOPE_NUMERIC_SCAN_RATE), 3);
    EXPECT_EQ(GetCtrlText(AppState.TabScope, TABP_SCOPE_TEXTBOX_SCOPE_COMMENT), "belt at\n2 m/s");
    EXPECT_EQ(PlotsOf(AppState.ScopePanel, SCOPEP_GRAPH_SCOPE).size(), 3u);
    double deltaX = 0;
    GetCtrlVal(AppState.ScopePanel, SCOPEP_NUMERIC_DELTA_X, &deltaX);
    EXPECT_NEAR(deltaX, 50 * 0.2 * 3, 1e-9); // samples x cycle time x scan rate

    EXPECT_NE(StatusLineText().find(Tr(kMsgCaptureLoaded)), std::string::npos) << StatusLineText();
    EXPECT_EQ(SaveScopeCaptureTo(Path("b.ini")), std::string(Tr(kMsgCaptureSaved)) + Path("b.ini"));
    EXPECT_EQ(ReadAll(Path("a.ini")), ReadAll(Path("b.ini")));

    // A file that is no good capture changes nothing on the panel.
    WriteAll(Path("bad.ini"), ReadAll(Path("a.ini")).substr(0, 900));
    EXPECT_EQ(LoadScopeCaptureFrom(Path("bad.ini"), &loaded),
              std::string(Tr(kMsgCaptureDamaged)) + Path("bad.ini"));
    EXPECT_FALSE(loaded);
    WriteAll(Path("other.ini"), "[GENERAL INFO]\r\nFILE TYPE = \"Parameter File\"\r\n");
    EXPECT_EQ(LoadScopeCaptureFrom(Path("other.ini"), &loaded),
              std::string(Tr(kMsgNotACaptureFile)) + Path("other.ini"));
    EXPECT_EQ(ScopeTraces.SigTrace, taken.SigTrace);
    EXPECT_EQ(SaveScopeCaptureTo(Path("no/such/dir/c.ini")),
              std::string(Tr(kMsgCaptureNotSaved)) + Path("no/such/dir/c.ini"));
}

} // namespace
