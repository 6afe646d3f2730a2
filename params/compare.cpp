#include "params/compare.h"

#include "params/paramfile.h"

std::vector<WordDifference> CompareParameters(const ParameterRecord &first,
                                              const ParameterRecord &second)
{
    std::vector<WordDifference> out;
    for (const ParameterKey &k : kParameterKeys)
        if (first.*k.field != second.*k.field)
            out.push_back({k.key, first.*k.field, second.*k.field});
    return out;
}
