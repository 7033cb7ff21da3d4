#include "destination.h"

#include <cstdio>

namespace recslice {

const char *refusal_for(DestOpen verdict)
{
    switch (verdict) {
    case DestOpen::is_source:
        return "Destination File <%s> is the source file.\r\n";
    case DestOpen::is_output:
        return "Destination File <%s> is standard output.\r\n";
    case DestOpen::is_error:
        return "Destination File <%s> is standard error.\r\n";
    case DestOpen::in_use:
        return "Destination File <%s> is in use.\r\n";
    case DestOpen::unopenable:
    case DestOpen::opened:
        break;
    }
    return "Unable to open Destination File <%s>.\r\n";
}

void end_if_interrupted(const char *message)
{
    if (!interrupted())
        return;
    std::fputs(message, stderr);
    std::fflush(stderr);
    end_as_interrupted();
}

} // namespace recslice
