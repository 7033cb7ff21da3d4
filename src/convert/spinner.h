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

struct SpinState {
    std::FILE *console; // null until spin_to: standard error
    std::int8_t step;   // the glyph the next step draws, 0 to 3
    std::size_t pending;
    char queued[SpinBufferSize];
};

// The spinner's state lives for the whole process.
extern SpinState spinner;

// Draws the next steps of the mark, one per record about to be read.
void spin_progress(std::size_t steps = 1);

// Writes the queued steps to the console stream.
void spin_flush();

// Sends later steps to console instead of standard error.
void spin_to(std::FILE *console);

} // namespace recslice

#endif
