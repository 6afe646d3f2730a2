// The panel settings file "PanelSettings.cfg": language, main window position and size, last
// used file paths, the server-address history, the link settings and the sensor
// identification, read at start-up and written when the main window closes or on Accept.
#pragma once

#include "platform/ui.h"

#include <string>
#include <vector>

inline constexpr const char *kSettingsFileName = "PanelSettings.cfg";
// Demo mode keeps its own settings, so that its link to the simulated sensor never replaces
// the operator's real link settings.
inline constexpr const char *kDemoSettingsFileName = "PanelSettingsDemo.cfg";

// Where the settings file lives: `dir` when given; else beside the executable when that
// directory can be written, else in the per-user configuration directory.
std::string SettingsFilePath(const std::string &dir = {}, bool demo = false);
// The directory for default data files (parameter, record, table, hardware files): the
// executable's directory when it can be written, else the home directory.
std::string DataDirectory();

// A main window's place and size as the settings file holds them, and where it goes: as stored
// when its title strip can be grabbed on one of `screens` (primary first); else onto the primary
// screen at the default place (10, 40), no larger than that screen. A width or height below 100
// is no size: the default size replaces it. No screen at all: only the size is mended.
struct WindowPlace {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const WindowPlace &) const = default;
};
WindowPlace PlaceOnScreens(WindowPlace stored, const std::vector<ScreenArea> &screens);

void LoadPanelSettings();
void GetConnectionSettingsFromFile();
bool StorePanelSettings(); // false: the file could not be written (reported)
