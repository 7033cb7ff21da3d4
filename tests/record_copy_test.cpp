#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "convert/record_copy.h"
#include "convert/spinner.h"
#include "test_files.h"

using recslice::CopyStatus;
using namespace recslice_test;

namespace {

using namespace std::string_literals;

bool ends_with(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string frame(const std::string &record)
{
    return std::to_string(record.size()) + "," + record + "\r\n";
}

struct Outcome {
    CopyStatus status;
    std::string dest, out, err;
};

// Where a conversion reads and writes; an empty path is a fresh temporary
// file, written with the case's source or read back afterwards. A given
// path aims the stream at a folder or device instead, and is not read back.
struct Paths {
    std::string source, dest, out;
};

// Runs one conversion over files, with the console captured in files too.
Outcome convert(const std::string &source, int NumBytes, int HeaderSize, const Paths &at = {})
{
    const std::string src = at.source.empty() ? temp_path("src") : at.source;
    const std::string dst = at.dest.empty() ? temp_path("dst") : at.dest;
    const std::string out = at.out.empty() ? temp_path("out") : at.out;
    const std::string err = temp_path("err");
    if (at.source.empty())
        write_file(src, source);
    std::FILE *in = std::fopen(src.c_str(), "rb");
    std::FILE *to = std::fopen(dst.c_str(), "wb");
    std::FILE *con_out = std::fopen(out.c_str(), "wb");
    std::FILE *con_err = std::fopen(err.c_str(), "wb");
    if (!in || !to || !con_out || !con_err) {
        ADD_FAILURE() << "cannot open the test's files";
        return {CopyStatus::completed, "<not run>", "", ""};
    }
    // Each case starts the mark from its first glyph, as a fresh process does.
    recslice::spinner.step = 0;
    Outcome run;
    run.status = recslice::copy_records(in, to, NumBytes, HeaderSize, {con_out, con_err});
    recslice::spin_to(stderr);
    std::fclose(con_out);
    std::fclose(con_err);
    run.dest = at.dest.empty() ? read_file(dst) : "";
    run.out = at.out.empty() ? read_file(out) : "";
    run.err = read_file(err);
    return run;
}

struct Case {
    const char *name;
    std::string source;
    int NumBytes;
    int HeaderSize;
    CopyStatus status;
    std::string dest, out, err;
};

class Conversion : public testing::TestWithParam<Case> {};

TEST_P(Conversion, WritesExactBytes)
{
    const Case &c = GetParam();
    const Outcome run = convert(c.source, c.NumBytes, c.HeaderSize);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.dest, c.dest);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
}

const std::string lines(int n)
{
    return "Completed.  Copied " + std::to_string(n) + " Lines.\r\n";
}

INSTANTIATE_TEST_SUITE_P(Cases, Conversion,
    testing::Values(
        Case{"FifteenByteExample", "abcdef", 3, 0, CopyStatus::completed,
             "3,abc\r\n3,def\r\n\x1a", lines(2), "-\b\\\b"},
        Case{"HeaderSkipped", "HDRabcdef", 3, 3, CopyStatus::completed,
             "3,abc\r\n3,def\r\n\x1a", lines(2), "-\b\\\b"},
        Case{"EmptySource", "", 3, 0, CopyStatus::completed, "\x1a", lines(0), ""},
        Case{"SourceIsOnlyHeader", "HDR", 3, 3, CopyStatus::completed, "\x1a", lines(0), ""},
        Case{"NegativeHeaderSkipsNothing", "abc", 3, -5, CopyStatus::completed,
             "3,abc\r\n\x1a", lines(1), "-\b"},
        Case{"OneBytePastBoundary", "abcdefg", 3, 0, CopyStatus::read_failed,
             "3,abc\r\n3,def\r\n", "", "-\b\\\b|\bError reading data file.\r\n"},
        Case{"RecordCutShort", "abcde", 3, 0, CopyStatus::read_failed, "3,abc\r\n", "",
             "-\b\\\bError reading data file.\r\n"},
        Case{"HeaderLongerThanSource", "abc", 3, 5, CopyStatus::header_short, "", "",
             "Error reading data file header.\r\n"},
        Case{"HeaderEmptySource", "", 1, 1, CopyStatus::header_short, "", "",
             "Error reading data file header.\r\n"},
        Case{"FrameBytesInsideRecords", "\r\n\x1a,"s, 1, 0, CopyStatus::completed,
             "1,\r\r\n1,\n\r\n1,\x1a\r\n1,,\r\n\x1a", lines(4), "-\b\\\b|\b/\b"},
        Case{"NulBytesCopied", "\0\0\0\0"s, 2, 0, CopyStatus::completed,
             "2,\0\0\r\n2,\0\0\r\n\x1a"s, lines(2), "-\b\\\b"},
        Case{"GlyphsCycle", "abcde", 1, 0, CopyStatus::completed,
             "1,a\r\n1,b\r\n1,c\r\n1,d\r\n1,e\r\n\x1a", lines(5), "-\b\\\b|\b/\b-\b"}),
    [](const testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

// Sources far larger than the tool's blocks: records and the header straddle
// reads and writes, and the mark keeps cycling.
struct Large {
    const char *name;
    int NumBytes;
    int HeaderSize;
    int records;
};

class LargeSource : public testing::TestWithParam<Large> {};

TEST_P(LargeSource, MatchesFramedRecords)
{
    const Large &c = GetParam();
    std::string source(static_cast<std::size_t>(c.HeaderSize), 'H');
    std::string dest, err;
    for (int i = 0; i < c.records; ++i) {
        std::string record(static_cast<std::size_t>(c.NumBytes), '\0');
        for (std::size_t j = 0; j < record.size(); ++j)
            record[j] = static_cast<char>((i * 31 + static_cast<int>(j) * 7) & 0xff);
        source += record;
        dest += frame(record);
        err += recslice::SpinGlyphs[i % 4];
        err += '\b';
    }
    const Outcome run = convert(source, c.NumBytes, c.HeaderSize);
    EXPECT_EQ(run.status, CopyStatus::completed);
    EXPECT_TRUE(run.dest == dest + "\x1a") << "destination differs, " << run.dest.size()
                                            << " bytes against " << dest.size() + 1;
    EXPECT_EQ(run.out, lines(c.records));
    EXPECT_TRUE(run.err == err) << "spinner output differs";
}

INSTANTIATE_TEST_SUITE_P(Cases, LargeSource,
    testing::Values(
        Large{"MaxRecords", recslice::MaxRecordSize, 5, 9},
        Large{"HeaderBeyondEveryBuffer", 10, 300000, 3},
        Large{"ManySmallRecords", 3, 0, 200000},
        Large{"OddSizeRecords", 4093, 17, 150}),
    [](const testing::TestParamInfo<Large> &info) { return std::string(info.param.name); });

TEST(Summary, CountsPast32Bits)
{
    const std::string path = temp_path("out");
    std::FILE *out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(recslice::print_summary(out, 4294967297ULL));
    EXPECT_TRUE(recslice::print_summary(out, 18446744073709551615ULL));
    std::fclose(out);
    EXPECT_EQ(read_file(path), "Completed.  Copied 4294967297 Lines.\r\n"
                               "Completed.  Copied 18446744073709551615 Lines.\r\n");
}

// A device that refuses every write with "no space left".
bool have_dev_full()
{
    std::FILE *probe = std::fopen("/dev/full", "wb");
    if (!probe)
        return false;
    std::fclose(probe);
    return true;
}

TEST(CopyFailure, UnreadableSourceIsAnErrorNotAnEmptyFile)
{
    const std::string dir = testing::TempDir();
    std::FILE *in = std::fopen(dir.c_str(), "rb");
    if (!in)
        GTEST_SKIP() << "this platform does not open a folder as a file";
    std::fclose(in);
    Outcome run = convert("", 4, 0, {dir, "", ""});
    EXPECT_EQ(run.status, CopyStatus::read_failed);
    EXPECT_EQ(run.dest, "");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Error reading data file.\r\n");

    run = convert("", 4, 2, {dir, "", ""});
    EXPECT_EQ(run.status, CopyStatus::header_short);
    EXPECT_EQ(run.err, "Error reading data file header.\r\n");
}

TEST(CopyFailure, FullDiskIsNeverASuccess)
{
    if (!have_dev_full())
        GTEST_SKIP() << "no /dev/full here";
    for (const std::string &source : {""s, "abcdef"s, std::string(1 << 20, 'x')}) {
        const Outcome run = convert(source, 3, 0, {"", "/dev/full", ""});
        EXPECT_EQ(run.status, CopyStatus::write_failed) << source.size() << " bytes";
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(ends_with(run.err, "Error writing destination file.\r\n")) << run.err.size();
    }
}

TEST(CopyFailure, SummaryThatCannotBeWrittenFails)
{
    if (!have_dev_full())
        GTEST_SKIP() << "no /dev/full here";
    const Outcome run = convert("abc", 3, 0, {"", "", "/dev/full"});
    EXPECT_EQ(run.status, CopyStatus::summary_failed);
    EXPECT_EQ(run.dest, "3,abc\r\n\x1a");
    EXPECT_EQ(run.err, "-\bError writing summary.\r\n");
}

} // namespace
