// The linear congruential generator's exact arithmetic, on which every password of a given
// seed depends. These run in every build, whichever source the program links.
#include "gen/random_lcg.h"

#include "gen/random.h"

#include <gtest/gtest.h>

#include <cmath>

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

}  // namespace
