#ifndef RECSLICE_SPINNER_H
#define RECSLICE_SPINNER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace recslice {

// The rotating progress mark: one glyph and a backspace per record, so each
// glyph lands on the one before it. Steps are queued in a static buffer and
// written by spin_flush, which the copy calls before it waits for more
// source data and before any other console text: one write per batch of
// records instead of one per record.
constexpr char SpinGlyphs[] = "-\\|/";
constexpr std::size_t SpinBufferSize = 64 * 1024;

static_assert(SpinBufferSize % 2 == 0, "steps are queued in pairs");

struct SpinState {
    std::FILE *console;
    std::int8_t step;
    std::size_t pending;
    char queued[SpinBufferSize];
};

extern SpinState spinner;

// Writes the queued steps to the console stream.
void spin_flush();

// Sends later steps to console instead of standard error.
void spin_to(std::FILE *console);

// Draws the next step of the mark.
inline void spin_progress()
{
    if (spinner.pending == SpinBufferSize)
        spin_flush();
    spinner.queued[spinner.pending] = SpinGlyphs[spinner.step];
    spinner.queued[spinner.pending + 1] = '\b';
    spinner.pending += 2;
    if (++spinner.step > 3)
        spinner.step = 0;
}

} // namespace recslice

#endif
