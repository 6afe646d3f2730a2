// The language switch: German (0) or English (1) for every text the program shows.
#pragma once

// Applies the language chosen on the connect page's language selector.
void InitLanguage();
