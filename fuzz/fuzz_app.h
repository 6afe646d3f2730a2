// Shared start-up of the fuzz targets: an offscreen QApplication with the real panels loaded, a
// popup responder that answers every question without a window, and a private directory for the
// files that the targets write their input into.
#pragma once

#include "app/appstate.h"
#include "app/startup.h"
#include "platform/ui.h"
#include "fuzz/fuzz_files.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzapp {

// The path that file dialogs answer with; the targets write their input there.
inline std::string &DialogPath()
{
    static std::string path;
    return path;
}

// Starts Qt and the panels once per process.
inline void Start()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    new QApplication(argc, argv);
    if (InitUserInterfaceLayer() != 0)
        std::abort();
    AppState = AppStateRec{};
    if (LoadPanels() != 0)
        std::abort();
    StartOptions options;
    options.settingsDir = WorkDir();
    SetStartOptions(options);
    SetPopupResponder([](const PopupRequest &req) {
        PopupAnswer a;
        switch (req.kind) {
        case PopupRequest::kFileSelect:
            a.result = VAL_EXISTING_FILE_SELECTED;
            a.path = DialogPath();
            break;
        case PopupRequest::kConfirm:
            a.result = 1;
            break;
        case PopupRequest::kGeneric:
            a.result = GENERIC_MSG_BUTTON_2;
            break;
        default:
            a.result = 0;
        }
        return a;
    });
}

// Drops the messages that one input left in the connect page's message box, so that the box
// does not grow over a long run.
inline void ClearMessages()
{
    ResetTextBox(AppState.TabConnect, TABP_CONNECT_TEXTBOX_MESSAGES, "");
}

} // namespace fuzzapp
