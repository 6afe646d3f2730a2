// convtable and hwinfo: not built yet.
#include "cli/cli.h"

int ConvTable(const Options &, const std::string &)
{
    Print(stderr, "convtable is not available yet");
    return kExitUsage;
}

int HwInfo(const Options &)
{
    Print(stderr, "hwinfo is not available yet");
    return kExitUsage;
}
