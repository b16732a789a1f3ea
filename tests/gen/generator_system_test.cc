// The generator on the operating system's random source: every character of the pool equally
// likely, and the clock has no say.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gen/generator.h"
#include "gen/random.h"
#include "test_util.h"

namespace {

// Against exact uniformity: every index of the pool expected total / n times.
double chi_square(const std::vector<long>& observed, long total) {
  const double expected = double(total) / double(observed.size());
  double sum = 0;
  for (const long count : observed) {
    sum += (double(count) - expected) * (double(count) - expected) / expected;
  }
  return sum;
}

// The chi-square value that a correct source exceeds with probability 1e-6, by the
// Wilson-Hilferty approximation (z = 4.7534 is the normal quantile for that tail). For the
// pools below: 128.9 with 61 degrees of freedom, 151.3 with 77.
double threshold(std::size_t degrees) {
  const double k = double(degrees), z = 4.7534, a = 2.0 / (9.0 * k);
  return k * std::pow(1.0 - a + z * std::sqrt(a), 3.0);
}

TEST(SystemSource, EveryPoolCharacterAppearsWithItsExpectedFrequency) {
  for (const std::uint8_t flags : {std::uint8_t(0), Y}) {
    // Long enough that a password without a letter, and so a repair, never occurs (below
    // 1e-15), leaving the raw draws.
    Options options{.size = 32, .flags = flags};
    const Pool pool = build_pool(flags);
    const std::string chars = pool_text(pool);
    ASSERT_TRUE(random_start());
    std::vector<long> observed(chars.size(), 0);
    long total = 0;
    for (int k = 0; k < 125'000; ++k) {
      for (const char c : make(options, pool)) {
        ++observed[chars.find(c)];
        ++total;
      }
    }
    const double statistic = chi_square(observed, total);
    const double limit = threshold(chars.size() - 1);
    EXPECT_LT(statistic, limit) << pool.n << " characters, " << total << " draws";
  }
}

// The same statistic does reject a slightly skewed source: reducing a uniform index below 250
// modulo 62 makes the first 250 % 62 characters a quarter likelier than the rest. So does the
// 15-bit scaling the clock-seeded build uses, one value in 528 for some characters, but only
// over far more draws than a test can afford.
TEST(SystemSource, TheFrequencyTestRejectsModuloBias) {
  const std::int32_t n = 62;
  ASSERT_TRUE(random_start());
  std::vector<long> observed(std::size_t(n), 0);
  const long total = 4'000'000;
  for (long k = 0; k < total; k += long(RUN_MAX)) {
    const std::uint8_t* run = random_run(250, RUN_MAX);
    ASSERT_NE(run, nullptr);
    for (std::size_t i = 0; i < RUN_MAX; ++i)
      ++observed[run[i] % n];
  }
  EXPECT_GT(chi_square(observed, total), threshold(std::size_t(n - 1)));
}

}  // namespace
