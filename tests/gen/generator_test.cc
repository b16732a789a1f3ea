// The generator's properties, whatever the random source: pools, sizes, counts, and the rules
// every printed password keeps.
#include "gen/generator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gen/random_lcg.h"
#include "test_util.h"

namespace {

TEST(BuildPool, CharactersAndOrderPerFlagCombination) {
  struct Row {
    std::uint8_t flags;
    std::string pool;
  };
  // Rows of a kind share a line, laid out by hand; the last: rules shape the draw, not the pool.
  // clang-format off
  const Row rows[] = {
      {0, UPPER + LOWER + DIGITS}, {Y, UPPER + LOWER + DIGITS + SYMBOLS}, {A, UPPER + LOWER},
      {A | Y, UPPER + LOWER + SYMBOLS}, {U, UPPER + DIGITS}, {U | A, UPPER},
      {U | A | Y, UPPER + SYMBOLS}, {U | Y, UPPER + DIGITS + SYMBOLS}, {L, LOWER + DIGITS},
      {L | A, LOWER}, {L | A | Y, LOWER + SYMBOLS}, {L | Y, LOWER + DIGITS + SYMBOLS},
      {Q | R, UPPER + LOWER + DIGITS},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(int(row.flags));
    EXPECT_EQ(pool_text(build_pool(row.flags)), row.pool);
  }
}

TEST(MakePassword, EveryPasswordKeepsItsRules) {
  for (const std::uint8_t flags : valid_flag_sets()) {
    for (const std::int32_t size : {4, 5, 8, 32}) {
      SCOPED_TRACE("flags " + std::to_string(flags) + " size " + std::to_string(size));
      Options options{.size = size, .flags = flags};
      const Pool pool = build_pool(flags);
      random_seed(flags * 1000u + std::uint32_t(size));
      for (int k = 0; k < 3000; ++k) {
        const std::string password = make(options, pool);
        ASSERT_EQ(options.flags, flags) << "state bits left set";
        ASSERT_EQ(password_fault(password, size, flags), "") << password;
      }
    }
  }
}

TEST(KeepsRules, Table) {
  struct Row {
    const char* password;
    std::uint8_t flags;
    bool keeps;
  };
  const Row rows[] = {
      {"a!!!", 0, true},      {"1!!!", 0, false}, {"a!!!", R, false}, {"a!1!", R, true},
      {"aceg", Q, true},      {"abeg", Q, false}, {"acca", Q, false}, {"a9:!", Q, false},
      {"?@A!", Q, false},     {"aA!a", Q, true},  {"#%#%", Q, false}, {"x1x1", Q | R, true},
      {"z:!z", Q | R, false}, {"1234", R, false}, {"yz", Q, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(keeps_rules(row.password, row.flags), row.keeps) << row.password;
  }
}

TEST(GeneratePasswords, WritesCountLinesOfSizeFromThePool) {
  struct Row {
    std::int32_t size, count;
    std::uint8_t flags;
  };
  const Row rows[] = {{8, 1, 0}, {12, 3, Y}, {4, 100, U | A}, {32, 32767, Y | Q}, {32, 2000, R}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.count);
    Options options{.size = row.size, .count = row.count, .flags = row.flags};
    const std::vector<std::string> lines = lines_of(generate(options));
    ASSERT_EQ(lines.size(), std::size_t(row.count));
    for (const std::string& line : lines)
      ASSERT_EQ(password_fault(line, row.size, row.flags), "") << line;
    EXPECT_EQ(options.flags, row.flags) << "state bits left set";
  }
}

}  // namespace
