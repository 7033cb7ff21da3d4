// recslice: turns a flat file of fixed-length records into a UNF file.

#include <cstdio>

#include "convert/record_copy.h"
#include "driver/args.h"
#include "driver/destination.h"
#include "platform/platform.h"

using namespace recslice;

static const char Usage[] =
    "\nUsage: RECSLICE <Sourcefile> <Destfile> <NumBytes> <HeaderSize>\n\n"
    "    This utility takes a binary file, grabs NumBytes at a time from it, \n"
    "    and writes them to DestFile, which will be formatted as a UNF.\n"
    "    <Sourcefile> is the source binary filename.\n"
    "    <Destfile> is the destination UNF file to be created.\n"
    "    <NumBytes> is the number of bytes to copy per record.\n"
    "    <HeaderSize> is the number of bytes to skip at the beginning.\n";

int main(int argc, char **argv)
{
    guard_std_streams();
    ignore_write_signals();
    watch_interrupts();

    if (argc != 5) {
        std::fputs(Usage, stderr);
        return 1;
    }
    const char *Sourcefile = argv[1];
    const char *Destfile = argv[2];

    for (int i = 1; i <= 4; ++i) {
        if (is_debug_marker(argv[i]))
            std::fputs("[Full Debugger Enabled]\n", stderr);
    }

    const std::int32_t HeaderSize = to_int32(argv[4]);
    std::fprintf(stderr, "Skipping %d Bytes of Header.\r\n", HeaderSize);
    const std::int32_t NumBytes = to_int32(argv[3]);
    std::fprintf(stderr, "Extracting %d Bytes Per Record.\r\n", NumBytes);
    std::fflush(stderr);

    if (NumBytes > MaxRecordSize) {
        std::fprintf(stderr, "Error: Maximum record size currently %d bytes.\n", MaxRecordSize);
        return 1;
    }
    // A record of no bytes would never reach the end of the source.
    if (NumBytes < 1) {
        std::fputs("Error: Minimum record size is 1 byte.\n", stderr);
        return 1;
    }

    // The open may wait (a FIFO waits for its writer) and be interrupted.
    std::FILE *source = std::fopen(Sourcefile, "rb");
    end_if_interrupted(message_for(CopyStatus::interrupted));
    if (!source) {
        print_named(stderr, "Unable to open source file <%s>.\r\n", Sourcefile);
        return 1;
    }
    std::FILE *dest = open_checked_destination(Destfile, source, message_for(CopyStatus::interrupted));
    if (!dest)
        return 1;

    const CopyStatus status = copy_records(source, dest, NumBytes, HeaderSize);
    if (status == CopyStatus::interrupted)
        end_as_interrupted();
    return status == CopyStatus::completed ? 0 : 1;
}
