// The random source's exact arithmetic, on which every password of a given seed depends.
#include "gen/random.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gen/clock.h"

namespace {

TEST(Random, SeedOneGivesTheKnownValues) {
  random_seed(1);
  for (const std::int32_t expected : {41, 18467, 6334, 26500, 19169}) {
    EXPECT_EQ(random_next(), expected);
  }
}

TEST(Random, ValuesStayWithinFifteenBitsAndReseedingRepeatsTheStream) {
  random_seed(0xFFFFFFFFu);
  std::int32_t first[64];
  for (std::int32_t& value : first) {
    value = random_next();
    ASSERT_GE(value, 0);
    ASSERT_LT(value, RANDOM_RANGE);
  }
  random_seed(0xFFFFFFFFu);
  for (const std::int32_t value : first) {
    EXPECT_EQ(random_next(), value);
  }
}

TEST(ScaleToIndex, ExactForEveryValueAndEveryLengthInUse) {
  // Pool sizes, set lengths, and every password length a repair can aim at.
  std::vector<std::int32_t> lengths = {10, 16, 26, 36, 42, 52, 62, 68, 78};
  for (std::int32_t n = 4; n <= 32; ++n)
    lengths.push_back(n);
  for (const std::int32_t n : lengths) {
    for (std::int32_t r = 0; r < RANDOM_RANGE; ++r) {
      // Every operand and the quotient are exact in a double, so floor gives the true value.
      const auto expected = static_cast<std::int32_t>(std::floor(double(r) * n / 32768.0));
      ASSERT_EQ(scale_to_index(r, n), expected) << "r=" << r << " n=" << n;
      ASSERT_LT(scale_to_index(r, n), n);
    }
  }
}

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
