#include "destination.h"

#include "platform/platform.h"

namespace recslice {

namespace {

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

} // namespace

void end_if_interrupted(const char *message)
{
    if (!interrupted())
        return;
    std::fputs(message, stderr);
    std::fflush(stderr);
    end_as_interrupted();
}

std::FILE *open_checked_destination(const char *Destfile, std::FILE *source,
                                    const char *interrupted_message)
{
    std::FILE *dest = nullptr;
    const DestOpen verdict = open_destination(Destfile, source, stdout, stderr, &dest);
    // The open may wait (a FIFO waits for its reader) and be interrupted.
    end_if_interrupted(interrupted_message);
    if (verdict == DestOpen::opened)
        return dest;
    print_named(stderr, refusal_for(verdict), Destfile);
    return nullptr;
}

} // namespace recslice
