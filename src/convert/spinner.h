#ifndef RECSLICE_SPINNER_H
#define RECSLICE_SPINNER_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace recslice {

// The rotating progress mark: one step per record, each drawn as a glyph
// and a backspace so that it lands on the one before it.
constexpr char SpinGlyphs[] = "-\\|/";
constexpr std::size_t SpinBufferSize = 64 * 1024;
// On a console the mark is drawn at most this often.
constexpr std::chrono::milliseconds SpinInterval{50};

enum class SpinMode {
    // A file or a pipe: every step's pair, in order. Pairs are queued and
    // written once per batch of records, not once per record.
    every_step,
    // A console: a person sees only the glyph on the screen, so the mark is
    // drawn on a clock, each draw the glyph of the latest record.
    on_clock,
};

struct SpinState {
    std::FILE *console; // null until spin_to: standard error
    SpinMode mode;
    std::int8_t step;   // the glyph the next step draws, 0 to 3
    bool undrawn;       // on_clock: steps have come since the last draw
    std::chrono::steady_clock::time_point drawn_at;
    std::size_t pending;
    char queued[SpinBufferSize];
};

// The spinner's state lives for the whole process.
extern SpinState spinner;

// Takes the next steps of the mark, one per record about to be read.
void spin_progress(std::size_t steps = 1);

// Called once per batch of records with the time: writes the queued pairs,
// or on a clock draws the mark if a draw is due.
void spin_pace(std::chrono::steady_clock::time_point now);

// Before the tool waits, and before any other console text: whatever the
// mark owes goes out, so the latest record's glyph is on the screen.
void spin_flush();

// Sends later steps to console, drawn as mode says, from start on: on a
// clock the first draw comes no sooner than an interval after it, so a
// run too short to see draws only its last glyph.
void spin_to(std::FILE *console, SpinMode mode = SpinMode::every_step,
             std::chrono::steady_clock::time_point start = {});

} // namespace recslice

#endif
