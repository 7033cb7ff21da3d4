// unfcheck: proves a UNF file whole, and reads its records back out.

#include <cinttypes>
#include <cstdio>

#include "convert/record_copy.h"
#include "convert/unf_reader.h"
#include "driver/destination.h"
#include "platform/platform.h"

using namespace recslice;

static const char Usage[] =
    "\nUsage: UNFCHECK <UNFfile> [<Destfile>]\n\n"
    "    This utility reads a UNF file once, front to back, and checks that it\n"
    "    is whole: every record framed as its length, a comma, the bytes and\n"
    "    CR LF, and one end mark after the last.\n"
    "    <UNFfile> is the UNF file to check.\n"
    "    <Destfile>, if given, receives the records' bytes, one after another.\n";

static const char Interrupted[] = "Check interrupted.\r\n";

// Room for the break's message before the file's name goes in.
constexpr std::size_t BreakMessageSize = 256;

// "Error in UNF file <%s> at byte <offset>: expected <what>.", with %s left
// for the name.
static void report_break(const char *UNFfile, const UnfReport &report)
{
    char what[96];
    if (report.expected == Expected::record_bytes)
        std::snprintf(what, sizeof what, "%" PRIu64 " more bytes of the record", report.missing);
    else
        std::snprintf(what, sizeof what, "%s", expected_text(report.expected));
    char format[BreakMessageSize];
    std::snprintf(format, sizeof format, "Error in UNF file <%%s> at byte %" PRIu64 ": expected %s.\r\n",
                  report.offset, what);
    print_named(stderr, format, UNFfile);
}

// "Completed.  Checked <N> Lines of <length> Bytes.", or of <shortest> to
// <longest> Bytes where they differ. False if stdout could not take it.
static bool print_summary(const UnfReport &report)
{
    if (report.records == 0)
        std::printf("Completed.  Checked 0 Lines.\r\n");
    else if (report.shortest == report.longest)
        std::printf("Completed.  Checked %" PRIu64 " Lines of %" PRIu64 " Bytes.\r\n", report.records,
                    report.longest);
    else
        std::printf("Completed.  Checked %" PRIu64 " Lines of %" PRIu64 " to %" PRIu64 " Bytes.\r\n",
                    report.records, report.shortest, report.longest);
    return std::fflush(stdout) == 0 && !std::ferror(stdout);
}

int main(int argc, char **argv)
{
    guard_std_streams();
    ignore_write_signals();
    watch_interrupts();

    if (argc != 2 && argc != 3) {
        std::fputs(Usage, stderr);
        return 1;
    }
    const char *UNFfile = argv[1];
    const char *Destfile = argc == 3 ? argv[2] : nullptr;

    std::FILE *unf = std::fopen(UNFfile, "rb");
    end_if_interrupted(Interrupted);
    if (!unf) {
        print_named(stderr, "Unable to open UNF file <%s>.\r\n", UNFfile);
        return 1;
    }
    // The same refusals as recslice's, the UNF file in the source's place.
    std::FILE *dest = nullptr;
    if (Destfile && !(dest = open_checked_destination(Destfile, unf, Interrupted)))
        return 1;

    const UnfReport report = read_unf(unf, dest);
    // Its writes fail as recslice's do, in the same words.
    switch (report.status) {
    case ReadStatus::well_formed:
        if (print_summary(report))
            return 0;
        std::fputs(message_for(CopyStatus::summary_failed), stderr);
        return 1;
    case ReadStatus::malformed:
        report_break(UNFfile, report);
        return 1;
    case ReadStatus::read_failed:
        print_named(stderr, "Error reading UNF file <%s>.\r\n", UNFfile);
        return 1;
    case ReadStatus::write_failed:
        std::fputs(message_for(CopyStatus::write_failed), stderr);
        return 1;
    case ReadStatus::interrupted:
        std::fputs(Interrupted, stderr);
        std::fflush(stderr);
        end_as_interrupted();
    }
    return 1;
}
