// The main window's status line: one line, with the time of day, for the last operation that
// completed or failed, so that every operation answers, also those that show no popup. It does
// not stop the operator. The line and its accessible name follow the language switch; a text
// the program received in one language (a link failure's message, a path) stays as it came.
#pragma once

#include "app/messages.h"

#include <string>

inline constexpr Msg kStatusLineName{"Statuszeile", "Status line"};

// Creates the line in the header strip of the main panel (after the panels are loaded).
void InitStatusLine();
// Shows "HH:MM:SS  <what>" or "HH:MM:SS  <what> <detail>"; earlier lines stay in its tooltip.
void ShowStatus(const Msg &what, const std::string &detail = {});
// Writes the line, its tooltip and its accessible name anew in the current language.
void RelabelStatusLine();
// What the line shows now ("" before the first operation).
std::string StatusLineText();
// The line's control on the main panel (0 before InitStatusLine).
int StatusLineControl();
