#include "args.h"

namespace recslice {

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::int32_t to_int32(const char *text)
{
    while (is_space(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    // Collect the magnitude in 64 bits and stop growing once it is past
    // the range, so no run of digits can overflow.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (value < limit)
            value = value * 10 + (*text - '0');
    }
    if (value > limit)
        value = limit;
    return static_cast<std::int32_t>(negative ? -value : value);
}

bool is_debug_marker(const char *arg)
{
    return (arg[0] == '/' || arg[0] == '-') && (arg[1] == 'd' || arg[1] == 'D') && arg[2] == '\0';
}

} // namespace recslice
