// The linear congruential generator's exact arithmetic, on which every password of a given
// seed depends. These run in every build, whichever source the program links.
#include "gen/random_lcg.h"

#include "gen/random.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>

namespace {

// Seeds that differ from 1 only in bit 16, 24, 30 or 31: every bit of the seed up to bit 30
// reaches the stream, and bit 31 never does.
TEST(Random, SeedsGiveTheKnownValues) {
  struct Row {
    std::uint32_t seed;
    std::array<std::int32_t, 5> values;
  };
  const Row rows[] = {
      {0x00000001u, {41, 18467, 6334, 26500, 19169}},
      {0x00010001u, {17446, 12332, 17571, 14293, 24046}},
      {0x01000001u, {32041, 20771, 32190, 14468, 22497}},
      {0x40000001u, {16425, 2083, 22718, 10116, 2785}},
      {0x80000001u, {41, 18467, 6334, 26500, 19169}},
  };
  for (const Row& row : rows) {
    random_seed(row.seed);
    for (const std::int32_t expected : row.values) {
      EXPECT_EQ(random_next(), expected) << "seed " << row.seed;
    }
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

// The stream is made many values ahead, in lanes, with the indexes of the last run's n: runs of
// every length, looks of up to 512 taken in part or not at all (the first right after seeding,
// when few values are made), single draws below other n and a change of the runs' n, far across
// the refills, must give what stepping the generator one value at a time gives.
TEST(Random, RunsAndDrawsFollowTheOneStepStream) {
  for (const std::uint32_t seed : {1u, 0xFFFFFFFFu, 0x9E3779B9u}) {
    SCOPED_TRACE(seed);
    random_seed(seed);
    std::uint32_t state = seed;
    const auto step = [&state] {
      state = state * 214013u + 2531011u;
      return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
    };
    std::uint32_t choice = seed;
    std::int32_t pool = 62;
    for (int k = 0; k < 20'000; ++k) {
      choice = choice * 1103515245u + 12345u;
      const std::uint32_t pick = choice >> 16;
      if (k == 0 || pick % 5 == 2) {
        const std::size_t count = k == 0 ? RANDOM_PEEK_MAX : 1 + (pick >> 3) % RANDOM_PEEK_MAX;
        const std::uint8_t* look = random_peek(pool, count);
        const std::uint32_t before = state;
        for (std::size_t i = 0; i < count; ++i)
          ASSERT_EQ(look[i], scale_to_index(step(), pool)) << "look " << k << ", " << i;
        state = before;
        choice = choice * 1103515245u + 12345u;
        const std::size_t taken = pick % 3 == 0 ? 0 : (choice >> 16) % (count + 1);
        random_take(taken);
        for (std::size_t i = 0; i < taken; ++i)
          step();
      } else if (pick % 5 == 0) {
        ASSERT_EQ(random_index(10), scale_to_index(step(), 10)) << "draw " << k;
      } else if (pick % 5 == 1) {
        ASSERT_EQ(random_next(), step()) << "draw " << k;
      } else {
        pool = pick % 97 == 0 ? (pool == 62 ? 78 : 62) : pool;
        const std::size_t count = 1 + (pick >> 3) % 32;
        const std::uint8_t* run = random_run(pool, count);
        for (std::size_t i = 0; i < count; ++i)
          ASSERT_EQ(run[i], scale_to_index(step(), pool)) << "draw " << k << ", " << i;
      }
    }
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

}  // namespace
