// Qt's own texts (the buttons of questions, the file and print dialogs) in the program's
// language: German installs Qt's German translations where the system has them (Debian:
// qt6-translations-l10n), English takes them away again.
#pragma once

// True when Qt's German texts are in use afterwards.
bool UsePlatformLanguage(bool german);
