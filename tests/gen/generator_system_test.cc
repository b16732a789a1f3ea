// The generator on the operating system's random source: characters come with the frequencies
// the pool and the 15-bit scaling give them, and the clock has no say.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gen/generator.h"
#include "gen/random.h"
#include "generator_test_util.h"

namespace {

// The probability of each pool index: how many of the 32768 values scale onto it. The pool sizes
// do not divide 32768, so some indexes are one value likelier than others; that is the design,
// and the expected counts include it.
std::vector<double> index_probabilities(std::int32_t n) {
  std::vector<double> p(std::size_t(n), 0.0);
  for (std::int32_t r = 0; r < RANDOM_RANGE; ++r)
    p[std::size_t(scale_to_index(r, n))] += 1.0;
  for (double& x : p)
    x /= RANDOM_RANGE;
  return p;
}

double chi_square(const std::vector<long>& observed, const std::vector<double>& p, long total) {
  double sum = 0;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const double expected = p[i] * double(total);
    sum += (double(observed[i]) - expected) * (double(observed[i]) - expected) / expected;
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
    Options options;
    options.flags = flags;
    options.size = 32;  // long enough that a password without a letter, and so a repair, never
                        // occurs (below 1e-15), leaving the raw draws
    const Pool pool = build_pool(flags);
    const std::string chars = pool_text(pool);
    random_seed(0);
    std::vector<long> observed(chars.size(), 0);
    long total = 0;
    for (int k = 0; k < 125'000; ++k) {
      for (const char c : make(options, pool)) {
        ++observed[chars.find(c)];
        ++total;
      }
    }
    const double statistic = chi_square(observed, index_probabilities(pool.n), total);
    const double limit = threshold(chars.size() - 1);
    EXPECT_LT(statistic, limit) << pool.n << " characters, " << total << " draws";
  }
}

// The same statistic does reject a biased source: the one that reduces a random byte modulo the
// pool size makes the first 256 % 62 characters a quarter likelier than the rest.
TEST(SystemSource, TheFrequencyTestRejectsModuloBias) {
  const std::int32_t n = 62;
  random_seed(0);
  std::vector<long> observed(std::size_t(n), 0);
  const long total = 4'000'000;
  for (long k = 0; k < total; ++k)
    ++observed[std::size_t((random_next() & 0xFF) % n)];
  EXPECT_GT(chi_square(observed, index_probabilities(n), total), threshold(std::size_t(n - 1)));
}

TEST(SystemSource, TwoRunsInTheSameMillisecondDiffer) {
  Options options;
  options.count = 4;
  const std::string first = generate(options);  // both read the same clock: {0 s, 1 ms}
  const std::string second = generate(options);
  EXPECT_EQ(lines_of(first).size(), 4u);
  EXPECT_NE(first, second);
}

}  // namespace
