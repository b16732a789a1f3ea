// The generator with a fixed seed: pools, the sequence rule, the repairs, the rules every
// printed password keeps, and the lines generate_passwords writes.
#include "gen/generator.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "gen/random.h"
#include "text_util.h"

namespace {

constexpr std::uint8_t U = FLAG_UPPER_ONLY, L = FLAG_LOWER_ONLY, A = FLAG_ALPHA_ONLY,
                       Y = FLAG_SYMBOLS, Q = FLAG_NO_SEQUENCES, R = FLAG_REQUIRE_DIGIT;

std::string pool_text(const Pool& pool) {
  return {pool.chars.data(), std::size_t(pool.n)};
}

bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

std::string make(Options& options, const Pool& pool) {
  std::array<char, PASSWORD_MAX> buffer{};
  make_password(options, pool, {buffer.data(), std::size_t(options.size)});
  return {buffer.data(), std::size_t(options.size)};
}

struct Attempt {
  std::string password;
  bool repaired = false;
};

// One attempt exactly as drawn and repaired, before any check of the result: what tolvane prints
// whenever that result keeps its rules.
Attempt one_attempt(std::uint8_t flags, std::int32_t size) {
  const Pool pool = build_pool(flags);
  Attempt attempt;
  std::string& password = attempt.password;
  bool letter = false, digit = false;
  while (std::int32_t(password.size()) < size) {
    const char c = pool.chars[std::size_t(scale_to_index(random_next(), pool.n))];
    if ((flags & Q) && !password.empty() && std::abs(c - password.back()) <= 1)
      continue;
    letter = letter || is_letter(c);
    digit = digit || is_digit(c);
    password.push_back(c);
  }
  if ((flags & R) && !digit) {
    plant_random_char(password, DIGIT_SET);
    attempt.repaired = true;
  }
  if (!letter) {
    plant_random_char(password, (flags & L) ? LOWER_SET : UPPER_SET);
    attempt.repaired = true;
  }
  return attempt;
}

// Every flag combination the parsers let through: one case or both, -a, -r or neither, -y, -q.
std::vector<std::uint8_t> valid_flag_sets() {
  std::vector<std::uint8_t> sets;
  const std::array<std::uint8_t, 3> letters = {0, U, L}, digits = {0, A, R};
  for (const std::uint8_t letter : letters) {
    for (const std::uint8_t digit : digits) {
      for (const int symbols : {0, int(Y)}) {
        for (const int sequences : {0, int(Q)}) {
          sets.push_back(std::uint8_t(letter | digit | symbols | sequences));
        }
      }
    }
  }
  return sets;
}

TEST(BuildPool, CharactersAndOrderPerFlagCombination) {
  const std::string upper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ", lower = "abcdefghijklmnopqrstuvwxyz",
                    digits = "0123456789", symbols = "!#$%&*+-.:=?@^_|";
  struct Row {
    std::uint8_t flags;
    std::string pool;
  };
  const Row rows[] = {
      {0, upper + lower + digits},
      {Y, upper + lower + digits + symbols},
      {A, upper + lower},
      {A | Y, upper + lower + symbols},
      {U, upper + digits},
      {U | A, upper},
      {U | A | Y, upper + symbols},
      {U | Y, upper + digits + symbols},
      {L, lower + digits},
      {L | A, lower},
      {L | A | Y, lower + symbols},
      {L | Y, lower + digits + symbols},
      {Q | R, upper + lower + digits},  // rules shape the draw, not the pool
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(int(row.flags));
    EXPECT_EQ(pool_text(build_pool(row.flags)), row.pool);
  }
}

TEST(MakePassword, SeedOneStartsWithTheKnownCharacters) {
  Options options;
  random_seed(1);
  EXPECT_EQ(make(options, build_pool(0)).substr(0, 2), "Ai");
}

TEST(PlantRandomChar, DrawsTheCharacterFirstThenThePosition) {
  random_seed(1);  // 41 picks index 0 of ten digits; 18467 picks position 2 of four
  std::string password = "!!!!";
  plant_random_char(password, DIGIT_SET);
  EXPECT_EQ(password, "!!0!");
}

TEST(MakePassword, EveryPasswordKeepsItsRules) {
  for (const std::uint8_t flags : valid_flag_sets()) {
    for (const std::int32_t size : {4, 5, 8, 32}) {
      SCOPED_TRACE("flags " + std::to_string(flags) + " size " + std::to_string(size));
      Options options;
      options.flags = flags;
      options.size = size;
      const Pool pool = build_pool(flags);
      const std::string allowed = pool_text(pool);
      random_seed(flags * 1000u + std::uint32_t(size));
      for (int k = 0; k < 3000; ++k) {
        const std::string password = make(options, pool);
        ASSERT_EQ(options.flags, flags) << "state bits left set";
        ASSERT_EQ(password.find_first_not_of(allowed), std::string::npos) << password;
        ASSERT_NE(password.find_first_of(pool_text(build_pool(flags | A))), std::string::npos)
            << "no letter: " << password;
        if (flags & R) {
          ASSERT_NE(password.find_first_of(DIGIT_SET), std::string::npos) << password;
        }
        for (std::size_t i = 1; (flags & Q) && i < password.size(); ++i) {
          ASSERT_GT(std::abs(password[i] - password[i - 1]), 1) << password;
        }
      }
    }
  }
}

// A first attempt that keeps its rules is printed as it is; one that the repairs broke is drawn
// again from the first character, the stream running on.
TEST(MakePassword, RedrawsOnlyWhatTheRepairsBroke) {
  struct Row {
    std::uint8_t flags;
    std::int32_t size;
    bool can_break;  // whether a repair can break a rule at all under these flags
  };
  const Row rows[] = {
      {R | Y, 4, true},      // the digit may land on the only letter
      {R | Y | U, 5, true},  // the same with fewer letters in the pool
      {Q | R | Y, 4, true},  // a planted digit may sit next to ":"
      {Q | A | Y, 4, true},  // a planted "A" may sit next to "@"
      {Q | R, 4, false},     // a digit planted among letters neither ends a letter nor pairs
      {0, 4, false},         // the letter repair alone always leaves a letter
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(int(row.flags));
    int redrawn = 0, repaired_and_kept = 0;
    for (std::uint32_t seed = 0; seed < 100000; ++seed) {
      random_seed(seed);
      const Attempt first = one_attempt(row.flags, row.size);
      Attempt expected = first;
      while (!keeps_rules(expected.password, row.flags)) {
        expected = one_attempt(row.flags, row.size);
        ++redrawn;
      }
      if (first.repaired && keeps_rules(first.password, row.flags))
        ++repaired_and_kept;
      Options options;
      options.flags = row.flags;
      options.size = row.size;
      random_seed(seed);
      ASSERT_EQ(make(options, build_pool(row.flags)), expected.password) << "seed " << seed;
    }
    EXPECT_EQ(redrawn > 0, row.can_break) << redrawn << " redraws";
    EXPECT_GT(repaired_and_kept, 0);
  }
}

TEST(MakePassword, DigitsOnlyDrawGetsOneUpperCaseLetter) {
  Options options;
  options.size = 4;
  const Pool pool = build_pool(0);
  int found = 0;
  for (std::uint32_t seed = 0; seed < 200000 && found < 5; ++seed) {
    random_seed(seed);
    std::string drawn;
    for (int i = 0; i < 4; ++i)
      drawn += pool.chars[std::size_t(scale_to_index(random_next(), 62))];
    if (drawn.find_first_not_of(DIGIT_SET) != std::string::npos)
      continue;
    ++found;
    random_seed(seed);
    const std::string password = make(options, pool);
    int changed = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      if (password[i] != drawn[i]) {
        ++changed;
        EXPECT_NE(UPPER_SET.find(password[i]), std::string_view::npos) << password;
      }
    }
    EXPECT_EQ(changed, 1) << drawn << " -> " << password;
  }
  EXPECT_EQ(found, 5);
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

ClockReading clock_at_seed_one() {
  return {0, 1};
}

std::string generate(Options& options) {
  std::FILE* out = std::tmpfile();
  EXPECT_NE(out, nullptr);
  generate_passwords(options, out, clock_at_seed_one);
  std::string text = read_whole_file(out);
  std::fclose(out);
  return text;
}

TEST(GeneratePasswords, SeedsFromTheClockAndWritesCountLinesOfSize) {
  struct Row {
    std::int32_t size, count;
    std::uint8_t flags;
  };
  const Row rows[] = {{8, 1, 0}, {12, 3, Y}, {4, 100, U | A}, {32, 32767, Y | Q}, {32, 2000, R}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.count);
    Options options;
    options.size = row.size;
    options.count = row.count;
    options.flags = row.flags;
    const std::vector<std::string> lines = lines_of(generate(options));
    ASSERT_EQ(lines.size(), std::size_t(row.count));
    for (const std::string& line : lines)
      ASSERT_EQ(line.size(), std::size_t(row.size));
    if (row.flags == 0) {
      EXPECT_EQ(lines[0].substr(0, 2), "Ai");
    }
    EXPECT_EQ(generate(options), generate(options)) << "same seed, different lines";
  }
}

TEST(GeneratePasswords, OneRunContinuesOneStream) {
  Options three;
  three.count = 3;
  const std::vector<std::string> together = lines_of(generate(three));
  random_seed(1);
  Options one;
  const Pool pool = build_pool(0);
  std::vector<std::string> apart;
  for (int k = 0; k < 3; ++k)
    apart.push_back(make(one, pool));
  EXPECT_EQ(together, apart);
  EXPECT_NE(apart[0], apart[1]);
}

}  // namespace
