// The header strip of the main panel: the program name with its version, the maker's lines
// and the logo.
#pragma once

// Creates one text control on the main panel; `withVersion` attaches the full version as its
// hover text.
int ShowInfoText(const char *text, int withVersion, int left, int top, int pointSize,
                 int backgroundColour, int textColour);
void ShowLogo();
