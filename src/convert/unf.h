#ifndef RECSLICE_UNF_H
#define RECSLICE_UNF_H

// The UNF format, which recslice writes and unfcheck reads. Each record is
// its length in ASCII decimal (no sign, no blanks, no leading zero but for
// the length 0 itself), a comma, exactly that many bytes and CR LF; the
// bytes are raw, so a reader finds a record's end by its length. One 0x1A
// after the last record ends the file, and nothing follows it.

#include <cstddef>
#include <cstdint>

namespace recslice {

constexpr char UnfComma = ',';
constexpr char UnfLineEnd[2] = {'\r', '\n'};
constexpr unsigned char UnfEndMark = 0x1A;

// The longest record recslice writes, and its longest frame: "57000,", the
// record, CR LF.
constexpr std::int32_t MaxRecordSize = 57000;
constexpr std::size_t MaxFrameSize = 6 + static_cast<std::size_t>(MaxRecordSize) + sizeof UnfLineEnd;

// The longest length a reader takes: no file can hold a longer record.
constexpr std::uint64_t MaxUnfLength = INT64_MAX;
// Room for the longest prefix: 19 digits and the comma.
constexpr std::size_t MaxPrefixSize = 20;

// Writes a frame's prefix, "<length>,", at `to` (MaxPrefixSize bytes of
// room); returns its size.
std::size_t put_prefix(char *to, std::uint64_t length);

} // namespace recslice

#endif
