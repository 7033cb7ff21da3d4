// The mark's two ways of drawing: every pair where stderr is a file or a
// pipe, and on a console the latest record's glyph, on a clock.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "convert/spinner.h"
#include "test_files.h"

using namespace recslice;
using namespace recslice_test;
using std::chrono::milliseconds;

namespace {

const std::chrono::steady_clock::time_point T0{std::chrono::hours(1)};

// Runs steps against a console that is a file, from the first glyph and
// one interval before T0, and returns what reached it.
template <typename Steps>
std::string drawn(SpinMode mode, Steps steps, std::chrono::steady_clock::time_point start = T0 - SpinInterval)
{
    const std::string path = temp_path("console");
    std::FILE *console = std::fopen(path.c_str(), "wb");
    EXPECT_NE(console, nullptr);
    spinner.step = 0;
    spin_to(console, mode, start);
    steps();
    spin_to(stderr);
    std::fclose(console);
    return read_file(path);
}

TEST(Spinner, EveryStepWritesEveryPairInOrder)
{
    EXPECT_EQ(drawn(SpinMode::every_step, [] {
                  spin_progress(3);
                  spin_pace(T0);
                  spin_progress(2);
                  spin_flush();
              }),
              "-\b\\\b|\b/\b-\b");
}

TEST(Spinner, OnAClockDrawsTheLatestGlyphAtMostOncePerInterval)
{
    EXPECT_EQ(drawn(SpinMode::on_clock, [] {
                  spin_progress(5); // records 1..5: the fifth shows -
                  spin_pace(T0);
                  spin_progress(1000); // too soon to draw again
                  spin_pace(T0 + milliseconds(10));
                  spin_progress(1); // record 1006 shows the second glyph
                  spin_pace(T0 + SpinInterval);
                  spin_pace(T0 + 10 * SpinInterval); // nothing new to draw
              }),
              "-\b\\\b");
}

TEST(Spinner, OnAClockAWaitOrAMessageShowsTheLatestGlyphAtOnce)
{
    EXPECT_EQ(drawn(SpinMode::on_clock, [] {
                  spin_progress(1);
                  spin_pace(T0);
                  spin_progress(2); // a burst, then the source stalls
                  spin_flush();
                  spin_flush(); // still waiting: nothing more
                  spin_progress(1);
                  spin_pace(T0 + milliseconds(1)); // not due, but the summary comes next
                  spin_flush();
              }),
              "-\b|\b/\b");
}

TEST(Spinner, ARunShorterThanAnIntervalDrawsOnlyItsLastGlyph)
{
    EXPECT_EQ(drawn(
                  SpinMode::on_clock,
                  [] {
                      spin_progress(131072);
                      spin_pace(T0 + milliseconds(2));
                      spin_progress(3);
                      spin_pace(T0 + milliseconds(4));
                      spin_flush(); // the summary comes next
                  },
                  T0),
              "|\b");
}

TEST(Spinner, NoRecordsDrawNothing)
{
    for (SpinMode mode : {SpinMode::every_step, SpinMode::on_clock})
        EXPECT_EQ(drawn(mode, [] {
                      spin_pace(T0);
                      spin_flush();
                  }),
                  "");
}

// The step index goes on across whole cycles, however large the batch.
TEST(Spinner, BatchesKeepTheCycle)
{
    EXPECT_EQ(drawn(SpinMode::on_clock, [] {
                  spin_progress(4 * 1000003 + 3);
                  spin_flush();
              }),
              "|\b");
}

} // namespace
