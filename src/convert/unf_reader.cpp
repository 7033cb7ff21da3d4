#include "unf_reader.h"

#include <cstddef>
#include <cstring>

#include "platform/platform.h"

namespace recslice {
namespace {

// One read asks for this much of the file.
constexpr std::size_t ReadSize = 128 * 1024;
// Record bytes are written once this much has gathered.
constexpr std::size_t WriteSize = 256 * 1024;

unsigned char block[ReadSize];
// Record bytes waiting to be written: out[0, whole) belong to whole
// records, out[whole, held) to the record being read.
unsigned char out[WriteSize];

// Where the parse stands between two bytes.
enum class State { frame, length, record, cr, lf, after_mark };

struct Output {
    std::FILE *dest;
    std::size_t held, whole;
    std::uint64_t written;  // bytes written to dest
    std::uint64_t complete; // bytes of whole records, written or held
    bool failed;
};

bool write_out(Output &o, std::size_t size)
{
    if (size != 0 && !o.failed) {
        if (write_all(o.dest, out, size))
            o.written += size;
        else
            o.failed = true;
    }
    std::memmove(out, out + size, o.held - size);
    o.held -= size;
    o.whole -= size < o.whole ? size : o.whole;
    return !o.failed;
}

// Makes room for more record bytes: the whole records go out, or, where one
// record fills the buffer, what there is of it.
bool make_room(Output &o)
{
    return write_out(o, o.whole != 0 ? o.whole : o.held);
}

void take(Output &o, const unsigned char *bytes, std::size_t size)
{
    while (size > 0) {
        if (o.held == WriteSize && !make_room(o))
            return;
        std::size_t n = WriteSize - o.held;
        if (n > size)
            n = size;
        std::memcpy(out + o.held, bytes, n);
        o.held += n;
        bytes += n;
        size -= n;
    }
}

void record_done(Output &o, UnfReport &report, std::uint64_t length)
{
    o.whole = o.held;
    o.complete += length;
    if (report.records == 0 || length < report.shortest)
        report.shortest = length;
    if (report.records == 0 || length > report.longest)
        report.longest = length;
    ++report.records;
}

bool is_digit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Takes one byte in a state that looks at single bytes: false, with what
// was expected, where the byte breaks the format. A length is collected in
// length, and left is set to it at its comma.
bool take_byte(State &state, unsigned char c, std::uint64_t &length, std::uint64_t &left,
               Expected &wrong)
{
    switch (state) {
    case State::frame:
        if (c == UnfEndMark) {
            state = State::after_mark;
            return true;
        }
        if (!is_digit(c)) {
            wrong = Expected::length_or_end_mark;
            return false;
        }
        length = static_cast<std::uint64_t>(c - '0');
        state = State::length;
        return true;
    case State::length:
        if (c == UnfComma) {
            left = length;
            state = left == 0 ? State::cr : State::record;
            return true;
        }
        if (!is_digit(c))
            wrong = Expected::digit_or_comma;
        else if (length == 0)
            wrong = Expected::comma_not_zero;
        else if (length > (MaxUnfLength - static_cast<std::uint64_t>(c - '0')) / 10)
            wrong = Expected::comma_not_longer;
        else {
            length = length * 10 + static_cast<std::uint64_t>(c - '0');
            return true;
        }
        return false;
    case State::cr:
        if (c != UnfLineEnd[0]) {
            wrong = Expected::cr_lf;
            return false;
        }
        state = State::lf;
        return true;
    case State::lf:
        if (c != UnfLineEnd[1]) {
            wrong = Expected::lf;
            return false;
        }
        state = State::frame;
        return true;
    case State::record:
    case State::after_mark:
        break;
    }
    wrong = Expected::end_of_file;
    return false;
}

} // namespace

const char *expected_text(Expected expected)
{
    switch (expected) {
    case Expected::length_or_end_mark:
        return "a length digit or the end mark";
    case Expected::digit_or_comma:
        return "a length digit or the comma";
    case Expected::comma_not_zero:
        return "the comma (a length has no leading zero)";
    case Expected::comma_not_longer:
        return "the comma (the length is too long to be real)";
    case Expected::record_bytes:
        return "the rest of the record";
    case Expected::cr_lf:
        return "CR LF";
    case Expected::lf:
        return "the LF of CR LF";
    case Expected::end_of_file:
        return "the end of the file after the end mark";
    }
    return "";
}

UnfReport read_unf(std::FILE *unf, std::FILE *dest)
{
    UnfReport report = {ReadStatus::well_formed, 0, Expected::length_or_end_mark, 0, 0, 0, 0};
    Output o = {dest, 0, 0, 0, 0, false};
    State state = State::frame;
    std::uint64_t length = 0, left = 0; // the record's length, and its bytes still to come
    std::uint64_t base = 0;             // the offset of block[0]
    // The prefix of the last whole record: frames that repeat it, and fit
    // the block, are taken whole without looking at each byte.
    char prefix[MaxPrefixSize];
    std::size_t prefix_size = 0, frame_size = 0;
    std::uint64_t prefix_length = 0;
    const bool waits = may_wait(unf);

    bool broken = false;
    while (!broken) {
        if (interrupted()) {
            report.status = ReadStatus::interrupted;
            break;
        }
        // Before the file keeps the tool waiting, the whole records go out.
        if (dest && waits && !data_ready(unf) && !write_out(o, o.whole)) {
            report.status = ReadStatus::write_failed;
            break;
        }
        const std::int64_t got = read_some(unf, block, ReadSize);
        if (got < 0) {
            report.status = interrupted() ? ReadStatus::interrupted : ReadStatus::read_failed;
            break;
        }
        if (got == 0) {
            // The file ends: only right after the end mark is that whole.
            const Expected at_end[] = {Expected::length_or_end_mark, Expected::digit_or_comma,
                                       Expected::record_bytes,       Expected::cr_lf,
                                       Expected::lf,                 Expected::end_of_file};
            if (state != State::after_mark) {
                report.status = ReadStatus::malformed;
                report.offset = base;
                report.expected = at_end[static_cast<int>(state)];
                report.missing = state == State::record ? left : 0;
            }
            break;
        }
        const unsigned char *p = block;
        const unsigned char *const end = block + got;
        while (p < end && !broken) {
            if (state == State::frame && prefix_size != 0 &&
                static_cast<std::size_t>(end - p) >= frame_size &&
                std::memcmp(p, prefix, prefix_size) == 0 &&
                std::memcmp(p + frame_size - sizeof UnfLineEnd, UnfLineEnd, sizeof UnfLineEnd) == 0) {
                if (dest)
                    take(o, p + prefix_size, static_cast<std::size_t>(prefix_length));
                record_done(o, report, prefix_length);
                p += frame_size;
            } else if (state == State::record) {
                const std::uint64_t n = static_cast<std::uint64_t>(end - p) < left
                                            ? static_cast<std::uint64_t>(end - p)
                                            : left;
                if (dest)
                    take(o, p, static_cast<std::size_t>(n));
                p += n;
                left -= n;
                if (left == 0)
                    state = State::cr;
            } else {
                const State before = state;
                if (!take_byte(state, *p, length, left, report.expected)) {
                    broken = true;
                    break;
                }
                ++p;
                if (before == State::lf) {
                    record_done(o, report, length);
                    if (length != prefix_length || prefix_size == 0) {
                        prefix_size = put_prefix(prefix, length);
                        prefix_length = length;
                        frame_size = prefix_size + static_cast<std::size_t>(length) + sizeof UnfLineEnd;
                    }
                }
            }
            if (o.failed) {
                report.status = ReadStatus::write_failed;
                broken = true;
            }
        }
        if (broken && report.status == ReadStatus::well_formed) {
            report.status = ReadStatus::malformed;
            report.offset = base + static_cast<std::uint64_t>(p - block);
        }
        base += static_cast<std::uint64_t>(got);
    }

    (void)std::fclose(unf);
    if (!dest)
        return report;
    // The whole records go out; the start of one that broke does not stay.
    if (!write_out(o, o.whole) && report.status == ReadStatus::well_formed)
        report.status = ReadStatus::write_failed;
    if (o.written > o.complete)
        (void)truncate_file(dest, o.complete);
    if (std::fclose(dest) != 0 && report.status == ReadStatus::well_formed)
        report.status = ReadStatus::write_failed;
    return report;
}

} // namespace recslice
