// The language-file reader: the input is a language file, applied to the real main panel with
// its tab pages, display panels and menu bar, as the language switch does.
#include "fuzz/fuzz_app.h"

#include "support/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzapp::Start();
    const std::string path = fuzzapp::WorkDir() + "/language.lwl";
    fuzzapp::WriteFile(path, data, size);
    (void)LocalizePanel(AppState.MainPanel, path.c_str());
    return 0;
}
