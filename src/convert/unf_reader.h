#ifndef RECSLICE_UNF_READER_H
#define RECSLICE_UNF_READER_H

#include <cstdint>
#include <cstdio>

#include "unf.h"

namespace recslice {

enum class ReadStatus {
    well_formed,  // a whole UNF file, every record in dest
    malformed,    // the format breaks at offset
    read_failed,  // the UNF file could not be read
    write_failed, // dest could not be written or closed
    interrupted,  // an interrupt stopped it at a record boundary
};

// What was expected where a malformed file breaks.
enum class Expected {
    length_or_end_mark, // a frame starts here, or the end mark
    digit_or_comma,     // inside a length
    comma_not_zero,     // after a length 0: a length has no leading zero
    comma_not_longer,   // the length has grown past MaxUnfLength
    record_bytes,       // the file ends inside a record
    cr_lf,              // a record's bytes are followed by CR LF
    lf,                 // ... and its CR by LF
    end_of_file,        // nothing follows the end mark
};

struct UnfReport {
    ReadStatus status;
    std::uint64_t offset;   // malformed: the 0-based offset of the break
    Expected expected;      // malformed: what should have been there
    std::uint64_t missing;  // malformed at record_bytes: how many bytes are missing
    std::uint64_t records;  // the whole records read
    std::uint64_t shortest; // their shortest and longest lengths, where records > 0
    std::uint64_t longest;
};

// Reads unf once, front to back, in constant memory, and checks that it is
// a whole UNF file; with dest, writes the records' bytes there one after
// another, without framing. Closes both streams whatever happens; where
// the file is not whole, dest keeps the records before the break and
// nothing more (a destination that cannot be cut, such as a pipe, may have
// the start of a record too long to hold back). dest may be null.
UnfReport read_unf(std::FILE *unf, std::FILE *dest);

// The words for what was expected, for a message.
const char *expected_text(Expected expected);

} // namespace recslice

#endif
