// The INI reader and its lookups. The input is a file; every section and item name that appears
// in it is looked up with each getter and several buffer sizes, and every value found must come
// back unchanged through a put, a write and a second read.
#include "fuzz/fuzz_files.h"
#include "support/ini.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Section and item names as a reader of the text would guess them, whatever their validity.
void Names(const std::string &text, std::vector<std::string> *sections,
           std::vector<std::string> *items)
{
    size_t start = 0;
    while (start < text.size() && (sections->size() < 8 || items->size() < 24)) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        const size_t open = line.find('['), close = line.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open &&
            sections->size() < 8)
            sections->push_back(line.substr(open + 1, close - open - 1));
        const size_t eq = line.find('=');
        if (eq != std::string::npos && items->size() < 24)
            items->push_back(line.substr(0, eq));
        start = end + 1;
    }
    sections->push_back("");
    items->push_back("Key Line0001");
}

void RoundTrip(const char *value)
{
    const std::string path = fuzzapp::WorkDir() + "/round.ini";
    IniText out = Ini_New(0);
    Ini_PutString(out, "S", "K", value);
    if (Ini_WriteToFile(out, path.c_str()) != 0)
        std::abort();
    Ini_Dispose(out);
    IniText in = Ini_New(0);
    Ini_ReadFromFile(in, path.c_str());
    std::vector<char> back(std::strlen(value) + 2);
    if (Ini_GetStringIntoBuffer(in, "S", "K", back.data(), back.size()) != 1 ||
        std::strcmp(back.data(), value) != 0) {
        std::fprintf(stderr, "round trip changed the value \"%s\" to \"%s\"\n", value, back.data());
        std::abort();
    }
    Ini_Dispose(in);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string path = fuzzapp::WorkDir() + "/input.ini";
    fuzzapp::WriteFile(path, data, size);
    IniText ini = Ini_New(0);
    if (!ini)
        return 0;
    Ini_ReadFromFile(ini, path.c_str());
    (void)Ini_GetNumberOfSections(ini);

    std::vector<std::string> sections, items;
    Names(std::string(reinterpret_cast<const char *>(data), size), &sections, &items);
    char small[16], big[1024];
    uint8_t raw[64];
    int roundTrips = 0; // each one writes a file: a few per input keep the runs quick
    for (const std::string &s : sections) {
        (void)Ini_SectionExists(ini, s.c_str());
        for (const std::string &k : items) {
            int value = 0;
            (void)Ini_GetInt(ini, s.c_str(), k.c_str(), &value);
            (void)Ini_GetStringIntoBuffer(ini, s.c_str(), k.c_str(), small, sizeof small);
            if (std::strlen(small) >= sizeof small)
                std::abort();
            (void)Ini_GetStringIntoBuffer(ini, s.c_str(), k.c_str(), small, 1);
            if (small[0] != '\0')
                std::abort();
            size_t got = 0;
            (void)Ini_GetData(ini, s.c_str(), k.c_str(), raw, sizeof raw, &got);
            if (Ini_GetStringIntoBuffer(ini, s.c_str(), k.c_str(), big, sizeof big) == 1 &&
                roundTrips++ < 3)
                RoundTrip(big);
        }
    }
    Ini_Dispose(ini);
    return 0;
}
