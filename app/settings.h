// The panel settings file "PanelSettings.cfg": language, main window position and size, last
// used file paths, the server-address history, the link settings and the sensor
// identification, read at start-up and written when the main window closes or on Accept.
#pragma once

#include <string>

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

void LoadPanelSettings();
void GetConnectionSettingsFromFile();
void StorePanelSettings();
