#include "params/compare.h"

#include "params/paramfile.h"

#include <cstdio>

std::vector<WordDifference> CompareParameters(const ParameterRecord &first,
                                              const ParameterRecord &second)
{
    std::vector<WordDifference> out;
    for (const ParameterKey &k : kParameterKeys)
        if (first.*k.field != second.*k.field)
            out.push_back({k.key, first.*k.field, second.*k.field});
    return out;
}

std::string ParameterChangesText(const ParameterRecord *before, const ParameterRecord &after)
{
    std::string text;
    const auto add = [&text](const char *name, const std::string &old, uint16_t now) {
        text += (text.empty() ? "" : "; ") + std::string(name) + " " + old + "->" +
                std::to_string(now);
    };
    if (!before) {
        for (const ParameterKey &k : kParameterKeys)
            add(k.key, "?", after.*k.field);
        return text;
    }
    for (const WordDifference &d : CompareParameters(*before, after))
        add(d.name, std::to_string(d.first), d.second);
    return text;
}

std::string WordInPageUnits(uint16_t ParameterRecord::*field, uint16_t value)
{
    if (field == &ParameterRecord::Hold) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f ms", HoldMsFromField(value));
        return text;
    }
    if (field == &ParameterRecord::DeadTime)
        return std::to_string(value) + " %";
    return std::to_string(value);
}

std::vector<CompareRow> CompareSideBySide(const std::vector<const ParameterRecord *> &sets,
                                          const WordFormatter &format)
{
    std::vector<CompareRow> rows;
    for (const ParameterKey &k : kParameterKeys) {
        CompareRow row{k.key, k.field, {}, false};
        const ParameterRecord *first = nullptr;
        for (const ParameterRecord *set : sets) {
            row.shown.push_back(set ? format(k.field, set->*k.field) : std::string());
            if (!set)
                continue;
            if (!first)
                first = set;
            else if (set->*k.field != first->*k.field)
                row.differs = true;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}
