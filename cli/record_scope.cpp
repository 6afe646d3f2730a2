// record and scope: not built yet.
#include "cli/cli.h"

int Record(const Options &)
{
    Print(stderr, "record is not available yet");
    return kExitUsage;
}

int Scope(const Options &)
{
    Print(stderr, "scope is not available yet");
    return kExitUsage;
}
