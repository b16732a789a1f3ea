// The clock reading that seeds the random source.
#include "gen/clock.h"

#include <gtest/gtest.h>

namespace {

TEST(SeedFromClock, IsMillisecondsSinceTheEpochModulo2To32) {
  struct Row {
    ClockReading reading;
    std::uint32_t seed;
  };
  const Row rows[] = {
      {{0, 0}, 0u},
      {{0, 1}, 1u},
      {{1, 999}, 1999u},
      {{4294967, 296}, 0u},  // exactly 2^32 ms
      {{1'796'000'000, 123}, static_cast<std::uint32_t>(1'796'000'000'123ULL % 4294967296ULL)},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(seed_from_clock(row.reading), row.seed);
  }
}

TEST(ReadSystemClock, ReadsMillisecondsWithinTheSecond) {
  const ClockReading reading = read_system_clock();
  EXPECT_GE(reading.milliseconds, 0);
  EXPECT_LT(reading.milliseconds, 1000);
  // After 2020 and before 2100: a clock read in seconds, not milliseconds or minutes.
  EXPECT_GT(reading.seconds, 1'577'836'800);
  EXPECT_LT(reading.seconds, 4'102'444'800);
}

}  // namespace
