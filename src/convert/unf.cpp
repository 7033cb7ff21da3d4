#include "unf.h"

namespace recslice {

std::size_t put_prefix(char *to, std::uint64_t length)
{
    char digits[MaxPrefixSize];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + length % 10);
        length /= 10;
    } while (length != 0);
    for (std::size_t i = 0; i < count; ++i)
        to[i] = digits[count - 1 - i];
    to[count] = UnfComma;
    return count + 1;
}

} // namespace recslice
