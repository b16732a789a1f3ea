// The clock reading that seeds the random source.
#include "gen/clock.h"
#include "gen/random_lcg.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

TEST(SeedFromClock, IsMillisecondsSinceTheEpochModulo2To32) {
  struct Row {
    ClockReading reading;
    std::uint32_t seed;
  };
  // The fourth is exactly 2^32 ms.
  // clang-format off
  const Row rows[] = {
      {{0, 0}, 0u}, {{0, 1}, 1u}, {{1, 999}, 1999u}, {{4294967, 296}, 0u},
      {{1'796'000'000, 123}, static_cast<std::uint32_t>(1'796'000'000'123ULL % 4294967296ULL)},
  };
  // clang-format on
  for (const Row& row : rows) {
    EXPECT_EQ(seed_from_clock(row.reading), row.seed);
  }
}

std::int64_t chrono_milliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The reading lies between two readings of an independent clock, to the millisecond. Taken where
// those two fall in one second and off its first millisecond, so that a reading whose
// milliseconds were always 0, or one a second off, could not land in between: the loop goes on
// until the clock has moved on to such a pair.
TEST(ReadSystemClock, AgreesWithAnIndependentClockToTheMillisecond) {
  for (;;) {
    const std::int64_t before = chrono_milliseconds();
    const ClockReading reading = read_system_clock();
    const std::int64_t after = chrono_milliseconds();
    if (before / 1000 != after / 1000 || before % 1000 == 0) {
      continue;
    }
    EXPECT_GE(reading.milliseconds, 0);
    EXPECT_LT(reading.milliseconds, 1000);
    const std::int64_t read = reading.seconds * 1000 + reading.milliseconds;
    EXPECT_GE(read, before);
    EXPECT_LE(read, after);
    return;
  }
}

}  // namespace
