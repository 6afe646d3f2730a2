#include "params/pagecheck.h"

#include "params/paramfile.h"
#include "params/record.h"
#include "params/transfer.h"

const Msg kMsgChangedWords{
    "Folgende Werte der Datei kann die Oberflaeche nicht einstellen; \nsie wurden geaendert "
    "(Name: Wert in der Datei -> verwendeter Wert):\n\n",
    "The controls cannot take the following values of the file; \nthey were changed (name: "
    "value in the file -> value used):\n\n"};

WrittenValues ParameterValuesAsWritten(IniText ini)
{
    WrittenValues values;
    for (const ParameterKey &k : kParameterKeys) {
        int value = 0;
        if (Ini_GetInt(ini, kSectionParameter, k.key, &value) == 1)
            values[k.key] = value;
    }
    return values;
}

std::vector<ChangedWord> SetPanelValuesChecked(const WrittenValues &written)
{
    const ParameterRecord wanted = Parameters;
    SetPanelValues();
    GetPanelValues(); // what the controls now hold
    const ParameterRecord shown = Parameters;
    Parameters = wanted;
    std::vector<ChangedWord> changed;
    for (const ParameterKey &k : kParameterKeys) {
        const auto w = written.find(k.key);
        const long value = w != written.end() ? w->second : long(wanted.*k.field);
        // A file value beyond 16 bits was cut to its low 16 bits on reading: changed as well,
        // even where the cut word fits its control.
        if (wanted.*k.field == shown.*k.field && value == long(wanted.*k.field))
            continue;
        changed.push_back({k.key, value, unsigned(shown.*k.field)});
    }
    return changed;
}

std::string ChangedWordsText(const std::vector<ChangedWord> &changed)
{
    std::string text = Tr(kMsgChangedWords);
    for (const ChangedWord &c : changed)
        text += c.name + ": " + std::to_string(c.written) + " -> " + std::to_string(c.used) + "\n";
    return text;
}
