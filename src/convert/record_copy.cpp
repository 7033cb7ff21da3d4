#include "record_copy.h"

#include <chrono>
#include <cinttypes>
#include <cstddef>
#include <cstring>

#include "platform/platform.h"
#include "spinner.h"

namespace recslice {
namespace {

// One read asks for this much of the source.
constexpr std::size_t ReadSize = 128 * 1024;
// Complete frames are written once this much has gathered.
constexpr std::size_t WriteSize = 256 * 1024;

// Frames are put together with fixed-size moves that may run up to
// Slack bytes past what they mean to copy; both buffers leave room for it.
constexpr std::size_t Slack = 16;
constexpr std::size_t FramesSize = WriteSize + MaxFrameSize;

unsigned char source_block[ReadSize + Slack];
// Complete frames waiting to be written, then the frame being filled.
unsigned char frames[FramesSize + Slack];

// What every frame of a run shares: its "<NumBytes>," prefix and length.
struct FrameShape {
    char prefix[8];
    std::size_t prefix_len;
    std::size_t record;
};

// Writes "<NumBytes>,", the record and CR LF at `at`. Short records are
// moved as one fixed 16-byte block, which compiles to a few plain moves
// instead of a call per record.
inline void put_frame(unsigned char *at, const FrameShape &shape, const unsigned char *record)
{
    std::memcpy(at, shape.prefix, sizeof shape.prefix);
    at += shape.prefix_len;
    if (shape.record <= Slack)
        std::memcpy(at, record, Slack);
    else
        std::memcpy(at, record, shape.record);
    std::memcpy(at + shape.record, UnfLineEnd, sizeof UnfLineEnd);
}

// The destination's side of the copy: frames[0, held) are complete frames
// not yet written.
struct Output {
    std::FILE *dest;
    std::size_t held;
    bool failed;
};

bool write_held(Output &out)
{
    if (out.held != 0 && !out.failed && !write_all(out.dest, frames, out.held))
        out.failed = true;
    out.held = 0;
    return !out.failed;
}

// Writes the complete frames while a record is part-way filled: its frame
// so far, partial bytes after them, moves to the front.
bool write_complete(Output &out, std::size_t partial)
{
    const std::size_t written = out.held;
    const bool ok = write_held(out);
    if (partial != 0)
        std::memmove(frames, frames + written, partial);
    return ok;
}

// A write that failed may have left part of a frame behind: cut the file
// back to the last whole frame, so it holds only complete records.
void drop_partial_frame(std::FILE *dest, std::size_t frame)
{
    std::uint64_t size = 0;
    if (regular_file_size(dest, size) && size % frame != 0)
        (void)truncate_file(dest, size - size % frame);
}

} // namespace

const char *message_for(CopyStatus status)
{
    switch (status) {
    case CopyStatus::header_short:
        return "Error reading data file header.\r\n";
    case CopyStatus::read_failed:
        return "Error reading data file.\r\n";
    case CopyStatus::write_failed:
        return "Error writing destination file.\r\n";
    case CopyStatus::summary_failed:
        return "Error writing summary.\r\n";
    case CopyStatus::interrupted:
        return "Conversion interrupted.\r\n";
    case CopyStatus::completed:
        break;
    }
    return nullptr;
}

bool print_summary(std::FILE *out, std::uint64_t lines)
{
    std::fprintf(out, "Completed.  Copied %" PRIu64 " Lines.\r\n", lines);
    return std::fflush(out) == 0 && !std::ferror(out);
}

CopyStatus copy_records(std::FILE *source, std::FILE *dest, std::int32_t NumBytes,
                        std::int32_t HeaderSize, Console console)
{
    spin_to(console.err, is_console(console.err) ? SpinMode::on_clock : SpinMode::every_step,
            std::chrono::steady_clock::now());

    FrameShape shape = {{}, 0, static_cast<std::size_t>(NumBytes)};
    shape.prefix_len = put_prefix(shape.prefix, shape.record);
    const std::size_t record = shape.record;
    const std::size_t frame = shape.prefix_len + record + sizeof UnfLineEnd;

    // The header may be far longer than a block, so it is dropped as it streams by.
    std::uint64_t skip = HeaderSize > 0 ? static_cast<std::uint64_t>(HeaderSize) : 0;
    std::size_t filled = 0; // bytes of the record being filled
    std::uint64_t count = 0;
    Output out = {dest, 0, false};
    CopyStatus status = CopyStatus::completed;
    const bool waits = may_wait(source);

    while (status == CopyStatus::completed) {
        if (interrupted()) {
            status = CopyStatus::interrupted;
            break;
        }
        // Before the source keeps the tool waiting, what it has read goes
        // out: a slow pipe's records reach the file as they arrive, and the
        // latest record's glyph is on the screen while the tool waits.
        if (waits && !data_ready(source)) {
            if (!write_complete(out, filled == 0 ? 0 : shape.prefix_len + filled)) {
                status = CopyStatus::write_failed;
                break;
            }
            spin_flush();
        } else {
            spin_pace(std::chrono::steady_clock::now());
        }
        const std::int64_t got = read_some(source, source_block, ReadSize);
        if (got < 0 && interrupted()) {
            status = CopyStatus::interrupted;
            break;
        }
        if (got <= 0) {
            if (skip > 0)
                status = CopyStatus::header_short;
            else if (got < 0 || filled > 0)
                status = CopyStatus::read_failed;
            break;
        }
        const unsigned char *p = source_block;
        const unsigned char *const end = p + got;
        if (skip > 0) {
            const std::uint64_t dropped = skip < static_cast<std::uint64_t>(got)
                                              ? skip
                                              : static_cast<std::uint64_t>(got);
            p += dropped;
            skip -= dropped;
        }
        while (p < end) {
            // A new frame needs room for all of it.
            if (filled == 0 && out.held + frame > FramesSize && !write_held(out)) {
                status = CopyStatus::write_failed;
                break;
            }
            if (filled == 0 && static_cast<std::size_t>(end - p) >= record) {
                // Whole records lie in the block: the common case, framed
                // in one run as far as the buffer has room.
                std::size_t run = static_cast<std::size_t>(end - p) / record;
                if (run > (FramesSize - out.held) / frame)
                    run = (FramesSize - out.held) / frame;
                spin_progress(run);
                for (std::size_t i = 0; i < run; ++i) {
                    put_frame(frames + out.held, shape, p);
                    p += record;
                    out.held += frame;
                }
                count += run;
                continue;
            }
            // The record straddles blocks: gather it piece by piece.
            if (filled == 0) {
                spin_progress();
                std::memcpy(frames + out.held, shape.prefix, shape.prefix_len);
            }
            const std::size_t take = static_cast<std::size_t>(end - p) < record - filled
                                         ? static_cast<std::size_t>(end - p)
                                         : record - filled;
            std::memcpy(frames + out.held + shape.prefix_len + filled, p, take);
            p += take;
            filled += take;
            if (filled == record) {
                std::memcpy(frames + out.held + shape.prefix_len + record, UnfLineEnd, sizeof UnfLineEnd);
                out.held += frame;
                ++count;
                filled = 0;
            }
        }
    }

    if (status == CopyStatus::completed) {
        if (out.held + 1 > FramesSize)
            (void)write_held(out);
        frames[out.held++] = UnfEndMark;
    }
    // Whatever happened, the complete frames gathered so far belong in the file.
    if (!write_held(out) && status == CopyStatus::completed)
        status = CopyStatus::write_failed;
    if (out.failed)
        drop_partial_frame(dest, frame);

    (void)std::fclose(source);
    if (std::fclose(dest) != 0 && status == CopyStatus::completed)
        status = CopyStatus::write_failed;

    spin_flush();
    if (status == CopyStatus::completed && !print_summary(console.out, count))
        status = CopyStatus::summary_failed;
    if (status != CopyStatus::completed) {
        std::fputs(message_for(status), console.err);
        std::fflush(console.err);
    }
    return status;
}

} // namespace recslice
