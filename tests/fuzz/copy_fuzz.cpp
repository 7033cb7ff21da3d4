// Fuzz target for the conversion: derives NumBytes, HeaderSize, a point
// where the source fails and the source itself from its input, converts in
// memory, and checks what any run must satisfy, not just that it survives:
// - the destination parses back as frames of NumBytes whose payloads, in
//   order, are the source after the header;
// - 0x1A ends it if and only if the run completed;
// - the summary's count is the number of frames;
// - a failed run leaves only complete frames, all the records it read;
// - the reader takes the destination back apart: a completed run is a whole
//   file that gives back the records, a failed one breaks where it ends,
//   after the same records.
// Input: byte 0 picks NumBytes (below 128: 1 to 16; else with byte 1, up to
// the limit), byte 2 is HeaderSize as a signed byte, byte 3 is 0 for a
// source that ends cleanly or 1 + the offset where it fails; the rest is
// the source.

#include <cstdint>
#include <cstdio>
#include <string>

#include "convert/record_copy.h"
#include "convert/spinner.h"
#include "convert/unf_reader.h"
#include "streams.h"

using recslice::CopyStatus;
using recslice::ReadStatus;

namespace {

std::string glyph_pairs(std::size_t n)
{
    std::string pairs;
    for (std::size_t i = 0; i < n; ++i) {
        pairs += recslice::SpinGlyphs[i % 4];
        pairs += '\b';
    }
    return pairs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const int NumBytes = data[0] < 128 ? 1 + data[0] % 16
                                       : 1 + (((data[0] & 127) << 8) | data[1]) % recslice::MaxRecordSize;
    const int HeaderSize = static_cast<std::int8_t>(data[2]);
    Source source = {data + 4, size - 4, 0, 0, data[3] != 0};
    if (source.fails)
        source.fail_at = static_cast<std::size_t>(data[3] - 1) < source.size ? data[3] - 1u : source.size;

    std::FILE *in = open_source(source);
    Sink dest, out, err;
    CHECK(in && dest.stream && out.stream && err.stream);
    recslice::spinner.step = 0;
    const CopyStatus status =
        recslice::copy_records(in, dest.stream, NumBytes, HeaderSize, {out.stream, err.stream});
    recslice::spin_to(stderr);
    std::fclose(out.stream);
    std::fclose(err.stream);
    const std::string unf = dest.taken(), summary = out.taken(), messages = err.taken();

    // Parse the destination back into frames.
    const std::size_t record = static_cast<std::size_t>(NumBytes);
    std::string payloads;
    std::size_t at = 0, frames = 0;
    bool marked = false;
    while (at < unf.size()) {
        if (unf[at] == '\x1a') {
            CHECK(at + 1 == unf.size()); // nothing follows the mark
            marked = true;
            break;
        }
        std::size_t length = 0, digits = 0;
        for (; at < unf.size() && unf[at] >= '0' && unf[at] <= '9'; ++at, ++digits)
            length = length * 10 + static_cast<std::size_t>(unf[at] - '0');
        CHECK(digits > 0 && (digits == 1 || unf[at - digits] != '0')); // plain decimal
        CHECK(at < unf.size() && unf[at] == ',');
        CHECK(length == record);
        ++at;
        CHECK(unf.size() - at >= length + 2); // only complete frames
        payloads.append(unf, at, length);
        at += length;
        CHECK(unf.compare(at, 2, "\r\n") == 0);
        at += 2;
        ++frames;
    }

    // The reader agrees.
    Source back = {reinterpret_cast<const std::uint8_t *>(unf.data()), unf.size(), 0, 0, false};
    Sink read_back;
    const recslice::UnfReport report = recslice::read_unf(open_source(back), read_back.stream);
    CHECK(report.records == frames);
    CHECK(read_back.taken() == payloads);
    if (marked) {
        CHECK(report.status == ReadStatus::well_formed);
    } else {
        CHECK(report.status == ReadStatus::malformed);
        CHECK(report.offset == unf.size());
        CHECK(report.expected == recslice::Expected::length_or_end_mark);
    }

    // What the run must have done with the bytes it was given.
    const std::size_t header = HeaderSize > 0 ? static_cast<std::size_t>(HeaderSize) : 0;
    const std::size_t given = source.fails ? source.fail_at : source.size;
    const std::string body(reinterpret_cast<const char *>(source.data), given);
    CHECK(marked == (status == CopyStatus::completed));
    if (given < header) {
        CHECK(status == CopyStatus::header_short);
        CHECK(unf.empty() && summary.empty());
        CHECK(messages == "Error reading data file header.\r\n");
        return 0;
    }
    const std::size_t records = (given - header) / record, rest = (given - header) % record;
    CHECK(frames == records);
    CHECK(payloads == body.substr(header, records * record));
    if (!source.fails && rest == 0) {
        CHECK(status == CopyStatus::completed);
        CHECK(summary == "Completed.  Copied " + std::to_string(frames) + " Lines.\r\n");
        CHECK(messages == glyph_pairs(records));
    } else {
        CHECK(status == CopyStatus::read_failed);
        CHECK(summary.empty());
        CHECK(messages == glyph_pairs(records + (rest ? 1 : 0)) + "Error reading data file.\r\n");
    }
    return 0;
}
