#ifndef RECSLICE_ARGS_H
#define RECSLICE_ARGS_H

#include <cstdint>

namespace recslice {

// Converts the leading decimal number of text as atoi does: white space is
// skipped, then an optional sign and digits are taken and the rest ignored;
// no number gives 0. Values beyond the signed 32-bit range are clamped to
// it instead of wrapping, whatever the width of long.
std::int32_t to_int32(const char *text);

// True for "/d", "/D", "-d" and "-D": an argument that turns on the debug
// notice. It keeps its place among the four arguments all the same.
bool is_debug_marker(const char *arg);

} // namespace recslice

#endif
