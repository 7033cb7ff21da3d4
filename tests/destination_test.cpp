// Opening the destination: every refusal comes before anything in the file
// is cut, and a file is only emptied once it has passed every check.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "test_files.h"

using recslice::DestOpen;
using namespace recslice_test;

namespace {

const std::string Kept = "bytes that must survive";

// The null device by either system's name.
const char *null_device()
{
    std::FILE *probe = std::fopen("/dev/null", "wb");
    if (!probe)
        return "NUL";
    std::fclose(probe);
    return "/dev/null";
}

// Which of the run's streams an existing file with Kept in it also is.
struct Refusal {
    const char *name;
    bool source, out, err;
    DestOpen verdict;
};

class Refused : public testing::TestWithParam<Refusal> {};

TEST_P(Refused, BeforeAnythingIsCut)
{
    const Refusal &c = GetParam();
    const std::string path = temp_path("dest"), other = temp_path("other");
    write_file(path, Kept);
    write_file(other, "");
    std::FILE *source = std::fopen((c.source ? path : other).c_str(), "rb");
    std::FILE *out = std::fopen((c.out ? path : other).c_str(), "ab");
    std::FILE *err = std::fopen((c.err ? path : other).c_str(), "ab");
    ASSERT_TRUE(source && out && err);
    std::FILE *dest = nullptr;
    EXPECT_EQ(recslice::open_destination(path.c_str(), source, out, err, &dest), c.verdict);
    EXPECT_EQ(dest, nullptr);
    std::fclose(source);
    std::fclose(out);
    std::fclose(err);
    EXPECT_EQ(read_file(path), Kept);
}

INSTANTIATE_TEST_SUITE_P(Cases, Refused,
    testing::Values(
        Refusal{"TheSource", true, false, false, DestOpen::is_source},
        Refusal{"StandardOutput", false, true, false, DestOpen::is_output},
        Refusal{"StandardError", false, false, true, DestOpen::is_error},
        // A source that is also the console's file is reported as the source.
        Refusal{"SourceAndOutput", true, true, false, DestOpen::is_source}),
    [](const testing::TestParamInfo<Refusal> &info) { return std::string(info.param.name); });

TEST(Destination, IsEmptiedOnlyOnceOpened)
{
    const std::string path = temp_path("dest"), other = temp_path("other");
    write_file(path, Kept);
    write_file(other, "");
    std::FILE *source = std::fopen(other.c_str(), "rb");
    std::FILE *dest = nullptr;
    ASSERT_EQ(recslice::open_destination(path.c_str(), source, stdout, stderr, &dest), DestOpen::opened);
    ASSERT_NE(dest, nullptr);
    EXPECT_EQ(read_file(path), "");
    EXPECT_TRUE(recslice::write_all(dest, "new", 3));
    EXPECT_EQ(std::fclose(dest), 0);
    std::fclose(source);
    EXPECT_EQ(read_file(path), "new");
}

TEST(Destination, AnotherRunsFileIsInUse)
{
    const std::string path = temp_path("dest"), other = temp_path("other");
    write_file(other, "");
    std::FILE *source = std::fopen(other.c_str(), "rb");
    std::FILE *first = nullptr, *second = nullptr;
    ASSERT_EQ(recslice::open_destination(path.c_str(), source, stdout, stderr, &first), DestOpen::opened);
    ASSERT_TRUE(recslice::write_all(first, "first run", 9));

    EXPECT_EQ(recslice::open_destination(path.c_str(), source, stdout, stderr, &second), DestOpen::in_use);
    EXPECT_EQ(read_file(path), "first run");

    // Once the first run has closed it, the file is free again.
    ASSERT_EQ(std::fclose(first), 0);
    ASSERT_EQ(recslice::open_destination(path.c_str(), source, stdout, stderr, &second), DestOpen::opened);
    EXPECT_EQ(read_file(path), "");
    std::fclose(second);
    std::fclose(source);
}

TEST(Destination, NullDeviceIsNeverRefusedOrLocked)
{
    const char *null = null_device();
    std::FILE *source = std::fopen(null, "rb");
    std::FILE *out = std::fopen(null, "wb");
    ASSERT_TRUE(source && out);
    std::FILE *first = nullptr, *second = nullptr;
    EXPECT_EQ(recslice::open_destination(null, source, out, out, &first), DestOpen::opened);
    EXPECT_EQ(recslice::open_destination(null, source, out, out, &second), DestOpen::opened);
    for (std::FILE *f : {first, second, source, out})
        if (f)
            std::fclose(f);
}

TEST(Destination, MissingFolderIsUnopenable)
{
    std::FILE *dest = nullptr;
    EXPECT_EQ(recslice::open_destination(temp_path("no/such/dest").c_str(), stdin, stdout, stderr, &dest),
              DestOpen::unopenable);
    EXPECT_EQ(dest, nullptr);
}

} // namespace
