#include "spinner.h"

#include <cstring>

namespace recslice {

SpinState spinner = {nullptr, 0, 0, {}};

namespace {

// Glyph and backspace pairs, over and over. A run of steps starting at any
// glyph is a slice of it, so many steps are queued with one copy.
constexpr std::size_t CycleBytes = 2 * 4;
constexpr std::size_t RunBytes = 4096;
static_assert(RunBytes % CycleBytes == 0 && SpinBufferSize % 2 == 0, "steps come in whole pairs");

struct Pairs {
    char bytes[RunBytes + CycleBytes];
    constexpr Pairs() : bytes()
    {
        for (std::size_t i = 0; i < sizeof bytes; i += 2) {
            bytes[i] = SpinGlyphs[i / 2 % 4];
            bytes[i + 1] = '\b';
        }
    }
};
constexpr Pairs pairs;

} // namespace

void spin_progress(std::size_t steps)
{
    while (steps > 0) {
        if (spinner.pending == SpinBufferSize)
            spin_flush();
        std::size_t bytes = 2 * steps;
        if (bytes > RunBytes)
            bytes = RunBytes;
        if (bytes > SpinBufferSize - spinner.pending)
            bytes = SpinBufferSize - spinner.pending;
        std::memcpy(spinner.queued + spinner.pending, pairs.bytes + 2 * spinner.step, bytes);
        spinner.pending += bytes;
        steps -= bytes / 2;
        spinner.step = static_cast<std::int8_t>((spinner.step + bytes / 2) % 4);
    }
}

void spin_flush()
{
    if (spinner.pending == 0)
        return;
    // Nothing can be reported about a console that cannot be written.
    (void)std::fwrite(spinner.queued, 1, spinner.pending, spinner.console ? spinner.console : stderr);
    spinner.pending = 0;
}

void spin_to(std::FILE *console)
{
    spin_flush();
    spinner.console = console;
}

} // namespace recslice
