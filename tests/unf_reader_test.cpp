// The UNF reader over whole and broken files: its status, where a break is
// and what was expected there, and the records it writes out.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "convert/unf_reader.h"
#include "test_files.h"

using namespace recslice;
using namespace recslice_test;
using namespace std::string_literals;

namespace {

struct Read {
    UnfReport report;
    std::string extracted;
};

// Reads unf from a file, the records going to another file, or to dest
// where one is named (a device, not read back).
Read read(const std::string &unf, const std::string &dest = "")
{
    const std::string in = temp_path("in.unf"), out = dest.empty() ? temp_path("out.bin") : dest;
    write_file(in, unf);
    std::FILE *source = std::fopen(in.c_str(), "rb");
    std::FILE *to = std::fopen(out.c_str(), "wb");
    if (!source || !to) {
        ADD_FAILURE() << "cannot open the test's files";
        return {};
    }
    Read r;
    r.report = read_unf(source, to);
    r.extracted = dest.empty() ? read_file(out) : "";
    return r;
}

struct Case {
    const char *name;
    std::string unf;
    ReadStatus status;
    std::uint64_t offset; // malformed: where it breaks
    Expected expected;
    std::string extracted;
    std::uint64_t records;
};

class Reader : public testing::TestWithParam<Case> {};

TEST_P(Reader, FindsTheBreakAndKeepsTheWholeRecords)
{
    const Case &c = GetParam();
    const Read r = read(c.unf);
    EXPECT_EQ(r.report.status, c.status);
    EXPECT_EQ(r.extracted, c.extracted);
    EXPECT_EQ(r.report.records, c.records);
    if (c.status == ReadStatus::malformed) {
        EXPECT_EQ(r.report.offset, c.offset);
        EXPECT_EQ(r.report.expected, c.expected) << expected_text(r.report.expected);
    }
}

constexpr auto whole = ReadStatus::well_formed;
constexpr auto broken = ReadStatus::malformed;

INSTANTIATE_TEST_SUITE_P(Cases, Reader,
    testing::Values(
        Case{"FifteenByteExample", "3,abc\r\n3,def\r\n\x1a", whole, 0, {}, "abcdef", 2},
        Case{"NoRecords", "\x1a", whole, 0, {}, "", 0},
        Case{"LengthsDiffer", "1,a\r\n3,abc\r\n0,\r\n10,0123456789\r\n\x1a", whole, 0, {},
             "aabc0123456789", 4},
        Case{"FrameBytesInsideRecords", "4,\r\n\x1a,\r\n\x1a", whole, 0, {}, "\r\n\x1a,", 1},
        Case{"EmptyFile", "", broken, 0, Expected::length_or_end_mark, "", 0},
        Case{"NoEndMark", "3,abc\r\n", broken, 7, Expected::length_or_end_mark, "abc", 1},
        Case{"BytesAfterEndMark", "3,abc\r\n\x1a\x1a", broken, 8, Expected::end_of_file, "abc", 1},
        Case{"NotADigit", "3,abc\r\nx,y\r\n\x1a", broken, 7, Expected::length_or_end_mark, "abc", 1},
        Case{"NoLength", ",abc\r\n\x1a", broken, 0, Expected::length_or_end_mark, "", 0},
        Case{"SignedLength", "+3,abc\r\n\x1a", broken, 0, Expected::length_or_end_mark, "", 0},
        Case{"BlankInLength", "1 0,abc\r\n\x1a", broken, 1, Expected::digit_or_comma, "", 0},
        Case{"LeadingZero", "1,a\r\n03,abc\r\n\x1a", broken, 6, Expected::comma_not_zero, "a", 1},
        Case{"NoComma", "3abc\r\n\x1a", broken, 1, Expected::digit_or_comma, "", 0},
        Case{"EndsInsideLength", "3,abc\r\n12", broken, 9, Expected::digit_or_comma, "abc", 1},
        Case{"EndsInsideRecord", "3,abc\r\n5,de", broken, 11, Expected::record_bytes, "abc", 1},
        Case{"RecordLongerThanItsLength", "3,abcd\r\n\x1a", broken, 5, Expected::cr_lf, "", 0},
        Case{"NoCrLf", "3,abc3,def\r\n\x1a", broken, 5, Expected::cr_lf, "", 0},
        Case{"HalfCrLf", "3,abc\r3,def\r\n\x1a", broken, 6, Expected::lf, "", 0},
        Case{"EndsAfterCr", "3,abc\r\n3,def\r", broken, 13, Expected::lf, "abc", 1},
        Case{"LfAlone", "3,abc\n\x1a", broken, 5, Expected::cr_lf, "", 0},
        // One past the largest length: the break is at its last digit.
        Case{"LengthOverflows", "9223372036854775808,x\r\n\x1a", broken, 18, Expected::comma_not_longer, "", 0},
        Case{"LargestLengthEndsEarly", "9223372036854775807,x", broken, 21, Expected::record_bytes, "", 0}),
    [](const testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

TEST(Reader, CountsWhatIsMissingFromARecord)
{
    const Read r = read("100,abc");
    EXPECT_EQ(r.report.expected, Expected::record_bytes);
    EXPECT_EQ(r.report.missing, 97u);
    EXPECT_EQ(read("9223372036854775807,x").report.missing, 9223372036854775806u);
}

TEST(Reader, ReportsShortestAndLongest)
{
    const Read r = read("2,ab\r\n0,\r\n5,abcde\r\n2,cd\r\n\x1a");
    EXPECT_EQ(r.report.shortest, 0u);
    EXPECT_EQ(r.report.longest, 5u);
    const Read same = read("2,ab\r\n2,cd\r\n\x1a");
    EXPECT_EQ(same.report.shortest, 2u);
    EXPECT_EQ(same.report.longest, 2u);
}

std::string frame(const std::string &record)
{
    return std::to_string(record.size()) + "," + record + "\r\n";
}

// Files far larger than the reader's blocks: frames and records straddle
// reads and writes.
TEST(Reader, StreamsManyRecordsAcrossBlocks)
{
    std::string unf, records;
    for (int i = 0; i < 100000; ++i) {
        const std::string record(static_cast<std::size_t>(i % 7), static_cast<char>('a' + i % 26));
        unf += frame(record);
        records += record;
    }
    const Read r = read(unf + "\x1a");
    EXPECT_EQ(r.report.status, ReadStatus::well_formed);
    EXPECT_EQ(r.report.records, 100000u);
    EXPECT_TRUE(r.extracted == records) << r.extracted.size() << " bytes against " << records.size();
}

// A record longer than the reader can hold goes out before it is whole;
// where it then breaks, the file is cut back to the records before it.
TEST(Reader, RecordTooLongToHoldIsCutBackWhenItBreaks)
{
    std::string big(700000, 'x');
    for (std::size_t i = 0; i < big.size(); i += 1000)
        big[i] = static_cast<char>(i / 1000);
    const std::string before = frame("first");

    const Read complete = read(before + frame(big) + "\x1a");
    EXPECT_EQ(complete.report.status, ReadStatus::well_formed);
    EXPECT_TRUE(complete.extracted == "first" + big);

    const Read cut = read(before + "700000," + big.substr(0, 650000));
    EXPECT_EQ(cut.report.status, ReadStatus::malformed);
    EXPECT_EQ(cut.report.offset, before.size() + 7 + 650000);
    EXPECT_EQ(cut.report.missing, 50000u);
    EXPECT_EQ(cut.extracted, "first");

    const Read no_crlf = read(before + frame(big).substr(0, 7 + 700000) + "XY");
    EXPECT_EQ(no_crlf.report.expected, Expected::cr_lf);
    EXPECT_EQ(no_crlf.extracted, "first");
}

TEST(Reader, WithoutDestinationOnlyChecks)
{
    const std::string in = temp_path("in.unf");
    write_file(in, "3,abc\r\n\x1a");
    std::FILE *source = std::fopen(in.c_str(), "rb");
    ASSERT_NE(source, nullptr);
    const UnfReport report = read_unf(source, nullptr);
    EXPECT_EQ(report.status, ReadStatus::well_formed);
    EXPECT_EQ(report.records, 1u);
}

TEST(Reader, FullDiskIsNeverASuccess)
{
    std::FILE *probe = std::fopen("/dev/full", "wb");
    if (!probe)
        GTEST_SKIP() << "no /dev/full here";
    std::fclose(probe);
    for (const std::string &unf : {"3,abc\r\n\x1a"s, frame(std::string(1 << 20, 'x')) + "\x1a"})
        EXPECT_EQ(read(unf, "/dev/full").report.status, ReadStatus::write_failed) << unf.size() << " bytes";
}

} // namespace
