#ifndef RECSLICE_RECORD_COPY_H
#define RECSLICE_RECORD_COPY_H

#include <cstdint>
#include <cstdio>

#include "unf.h"

namespace recslice {

enum class CopyStatus {
    completed,      // every record written, 0x1A ended the file, summary printed
    header_short,   // the source ended, or failed, inside the header
    read_failed,    // the source ended inside a record, or failed
    write_failed,   // the destination could not be written or closed
    summary_failed, // the conversion completed but the summary could not be written
    interrupted,    // an interrupt stopped it at a record boundary
};

// Where the summary and the messages go: stdout and stderr in the tool.
struct Console {
    std::FILE *out;
    std::FILE *err;
};

// The one message that reports status on stderr; null for completed.
const char *message_for(CopyStatus status);

// Writes "Completed.  Copied <lines> Lines.\r\n" to out, the count in full
// 64 bits on every platform. False if out could not take it.
bool print_summary(std::FILE *out, std::uint64_t lines);

// Skips HeaderSize bytes of source, then writes each NumBytes-byte record
// to dest as "<NumBytes>,<bytes>\r\n" and ends dest with 0x1A. Reports a
// failure with one message on console.err, or the record count on
// console.out. Closes both streams whatever happens; on failure dest keeps
// the complete records before it and nothing more. Whole records read from
// a source that may wait are written before each wait, and an interrupt
// stops the copy after the block in hand. NumBytes must lie in
// 1..MaxRecordSize, and dest must not have been written yet.
CopyStatus copy_records(std::FILE *source, std::FILE *dest, std::int32_t NumBytes,
                        std::int32_t HeaderSize, Console console = {stdout, stderr});

} // namespace recslice

#endif
