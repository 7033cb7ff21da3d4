#include "spinner.h"

#include <cstring>

namespace recslice {

SpinState spinner = {nullptr, SpinMode::every_step, 0, false, {}, 0, {}};

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

std::FILE *console()
{
    return spinner.console ? spinner.console : stderr;
}

void write_queued()
{
    if (spinner.pending == 0)
        return;
    // Nothing can be reported about a console that cannot be written.
    (void)std::fwrite(spinner.queued, 1, spinner.pending, console());
    (void)std::fflush(console());
    spinner.pending = 0;
}

// Draws the glyph of the latest step, the one before the next.
void draw(std::chrono::steady_clock::time_point now)
{
    (void)std::fwrite(pairs.bytes + 2 * ((spinner.step + 3) % 4), 1, 2, console());
    (void)std::fflush(console());
    spinner.undrawn = false;
    spinner.drawn_at = now;
}

} // namespace

void spin_progress(std::size_t steps)
{
    if (spinner.mode == SpinMode::on_clock) {
        spinner.step = static_cast<std::int8_t>((spinner.step + steps % 4) % 4);
        spinner.undrawn = spinner.undrawn || steps > 0;
        return;
    }
    while (steps > 0) {
        if (spinner.pending == SpinBufferSize)
            write_queued();
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

void spin_pace(std::chrono::steady_clock::time_point now)
{
    if (spinner.mode == SpinMode::every_step)
        write_queued();
    else if (spinner.undrawn && now - spinner.drawn_at >= SpinInterval)
        draw(now);
}

void spin_flush()
{
    if (spinner.mode == SpinMode::every_step)
        write_queued();
    else if (spinner.undrawn)
        draw(std::chrono::steady_clock::now());
}

void spin_to(std::FILE *to, SpinMode mode, std::chrono::steady_clock::time_point start)
{
    spin_flush();
    spinner.console = to;
    spinner.mode = mode;
    spinner.undrawn = false;
    spinner.drawn_at = start;
}

} // namespace recslice
