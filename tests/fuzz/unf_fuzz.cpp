// Fuzz target for the UNF reader: arbitrary bytes as a UNF file, read by
// read_unf and by a plain byte-by-byte parser written here from the format,
// which must agree on everything:
// - the status, and for a broken file the offset, what was expected there
//   and how many record bytes are missing; the offset lies within the file;
// - the records: their count, shortest and longest, and the bytes written
//   out, which are whole records only;
// - a whole file framed again from its records is byte for byte the input.
// Input: byte 0, from 128 up, puts a valid frame first whose end falls
// byte 0 - 127 bytes short of the reader's 128 KiB block, so the rest
// straddles a read (below 128, the rest stands alone, which runs faster);
// byte 1 is 0 for a file that ends cleanly or 1 + the offset into the rest
// where reading it fails; the rest is the file.

#include <cstdint>
#include <string>
#include <vector>

#include "convert/unf.h"
#include "convert/unf_reader.h"
#include "streams.h"

using namespace recslice;

namespace {

constexpr std::size_t Block = 128 * 1024;

struct Parse {
    ReadStatus status;
    std::uint64_t offset;
    Expected expected;
    std::uint64_t missing;
    bool at_end; // the break is where the bytes ran out, not at a wrong byte
    std::vector<std::string> records;
};

bool digit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// The format, one rule after another.
Parse parse(const std::string &f)
{
    Parse r = {ReadStatus::malformed, 0, Expected::length_or_end_mark, 0, false, {}};
    const std::size_t n = f.size();
    auto broken = [&](std::size_t at, Expected what) {
        r.offset = at;
        r.expected = what;
        r.at_end = at == n;
        return r;
    };
    std::size_t i = 0;
    for (;;) {
        if (i == n)
            return broken(n, Expected::length_or_end_mark);
        const unsigned char c = static_cast<unsigned char>(f[i]);
        if (c == UnfEndMark) {
            if (i + 1 != n)
                return broken(i + 1, Expected::end_of_file);
            r.status = ReadStatus::well_formed;
            r.at_end = true;
            return r;
        }
        if (!digit(c))
            return broken(i, Expected::length_or_end_mark);
        std::uint64_t length = 0;
        std::size_t j = i;
        for (; j < n && digit(static_cast<unsigned char>(f[j])); ++j) {
            if (j > i && f[i] == '0')
                return broken(j, Expected::comma_not_zero);
            const unsigned d = static_cast<unsigned>(f[j] - '0');
            if (length > (MaxUnfLength - d) / 10)
                return broken(j, Expected::comma_not_longer);
            length = length * 10 + d;
        }
        if (j == n || f[j] != ',')
            return broken(j, Expected::digit_or_comma);
        ++j;
        if (n - j < length) {
            r.missing = length - (n - j);
            return broken(n, Expected::record_bytes);
        }
        const std::string record = f.substr(j, static_cast<std::size_t>(length));
        j += static_cast<std::size_t>(length);
        if (j == n || f[j] != '\r')
            return broken(j, Expected::cr_lf);
        if (++j == n || f[j] != '\n')
            return broken(j, Expected::lf);
        r.records.push_back(record);
        i = j + 1;
    }
}

std::string frame(const std::string &record)
{
    char prefix[MaxPrefixSize];
    return std::string(prefix, put_prefix(prefix, record.size())) + record + "\r\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::string file;
    if (data[0] >= 128) {
        // A frame of "130xxx,", that many bytes and CR LF: six digits, so
        // nine bytes besides the record.
        const std::size_t framed = Block - (data[0] - 127u);
        file = frame(std::string(framed - 9, 'p'));
        CHECK(file.size() == framed);
    }
    const std::size_t start = file.size();
    file.append(reinterpret_cast<const char *>(data + 2), size - 2);
    Source source = {reinterpret_cast<const std::uint8_t *>(file.data()), file.size(), 0, 0, data[1] != 0};
    if (source.fails)
        source.fail_at = start + data[1] - 1u < file.size() ? start + data[1] - 1u : file.size();

    Sink out;
    const UnfReport got = read_unf(open_source(source), out.stream);
    const std::string extracted = out.taken();

    // A read that fails stops the reader where the bytes ran out for it;
    // a break before that is found all the same.
    const std::string given = source.fails ? file.substr(0, source.fail_at) : file;
    Parse want = parse(given);
    if (source.fails && want.at_end)
        want.status = ReadStatus::read_failed;

    CHECK(got.status == want.status);
    CHECK(got.records == want.records.size());
    std::string records;
    for (const std::string &r : want.records)
        records += r;
    CHECK(extracted == records);
    if (!want.records.empty()) {
        std::uint64_t shortest = UINT64_MAX, longest = 0;
        for (const std::string &r : want.records) {
            shortest = r.size() < shortest ? r.size() : shortest;
            longest = r.size() > longest ? r.size() : longest;
        }
        CHECK(got.shortest == shortest && got.longest == longest);
    }
    if (want.status == ReadStatus::malformed) {
        CHECK(got.offset == want.offset && got.offset <= file.size());
        CHECK(got.expected == want.expected);
        CHECK(want.expected != Expected::record_bytes || got.missing == want.missing);
    }
    if (got.status == ReadStatus::well_formed) {
        std::string again;
        for (const std::string &r : want.records)
            again += frame(r);
        CHECK(again + '\x1a' == file);
    }
    return 0;
}
