// The loaders of the program's own files, each through the path the operator takes: a parameter
// file (GET with the memory selector on FILE), a conversion table file (the conversion page's
// load button) and the panel settings file (start-up). Byte 0 chooses the loader; the rest is
// the file.
#include "fuzz/fuzz_app.h"

#include "app/settings.h"
#include "convtable/convtable.h"
#include "params/paramfile.h"
#include "params/record.h"
#include "support/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzapp::Start();
    if (size < 1)
        return 0;
    const int which = data[0] % 3;
    ++data;
    --size;
    switch (which) {
    case 0: {
        const std::string path = fuzzapp::WorkDir() + "/parameter.ini";
        fuzzapp::WriteFile(path, data, size);
        fuzzapp::DialogPath() = path;
        ReadParaFromFile();
        IniText ini = Ini_New(0);
        Ini_ReadFromFile(ini, path.c_str());
        ParameterRecord record;
        (void)TakeParameters(ini, &record);
        Ini_Dispose(ini);
        break;
    }
    case 1: {
        const std::string path = fuzzapp::WorkDir() + "/table.ini";
        fuzzapp::WriteFile(path, data, size);
        fuzzapp::DialogPath() = path;
        GetConvTableFromFile();
        break;
    }
    default: {
        const std::string path = SettingsFilePath(fuzzapp::WorkDir());
        fuzzapp::WriteFile(path, data, size);
        LoadPanelSettings();
        GetConnectionSettingsFromFile();
        break;
    }
    }
    fuzzapp::ClearMessages();
    return 0;
}
