#include <gtest/gtest.h>

#include <cstdint>

#include "driver/args.h"

namespace {

struct Conversion {
    const char *text;
    std::int32_t value;
};

class ToInt32 : public testing::TestWithParam<Conversion> {};

TEST_P(ToInt32, ConvertsLikeAtoiButClamps)
{
    EXPECT_EQ(recslice::to_int32(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Cases, ToInt32,
    testing::Values(
        Conversion{"100", 100},
        Conversion{"0", 0},
        Conversion{"-7", -7},
        Conversion{"+42", 42},
        Conversion{" \t\n\v\f\r12", 12},
        Conversion{"12xyz", 12},
        Conversion{"abc", 0},
        Conversion{"", 0},
        Conversion{"-", 0},
        Conversion{"+-3", 0},
        Conversion{"- 3", 0},
        Conversion{"1 2", 1},
        Conversion{"0057000", 57000},
        Conversion{"2147483647", 2147483647},
        Conversion{"2147483648", 2147483647},
        // A cast from 64 bits would keep the low bits and give 100.
        Conversion{"4294967396", 2147483647},
        Conversion{"99999999999999999999999999", 2147483647},
        Conversion{"-2147483648", INT32_MIN},
        Conversion{"-2147483649", INT32_MIN},
        Conversion{"-99999999999999999999999999", INT32_MIN}));

struct Marker {
    const char *arg;
    bool marker;
};

class DebugMarker : public testing::TestWithParam<Marker> {};

TEST_P(DebugMarker, IsSlashOrDashThenOneD)
{
    EXPECT_EQ(recslice::is_debug_marker(GetParam().arg), GetParam().marker) << '"' << GetParam().arg << '"';
}

INSTANTIATE_TEST_SUITE_P(Cases, DebugMarker,
    testing::Values(
        Marker{"/d", true}, Marker{"/D", true}, Marker{"-d", true}, Marker{"-D", true},
        Marker{"d", false}, Marker{"/", false}, Marker{"-", false}, Marker{"", false},
        Marker{"/dd", false}, Marker{"-DX", false}, Marker{"\\d", false}, Marker{"/e", false},
        Marker{"--d", false}, Marker{" /d", false}));

} // namespace
