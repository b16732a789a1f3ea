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
