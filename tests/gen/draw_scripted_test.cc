// The generator on a scripted stream, linked in place of a random source: runs of one character
// long enough that the sequence rule takes out most of a look ahead, which no real stream makes.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "gen/avx2.h"
#include "gen/random.h"
#include "test_util.h"

namespace {

std::vector<std::uint8_t> script;  // repeated for ever; each index taken below the n asked for
std::size_t position = 0;

}  // namespace

void random_seed(std::uint32_t /*seed*/) {
  position = 0;
}

const std::uint8_t* random_peek(std::int32_t n, std::size_t count) {
  static std::array<std::uint8_t, RANDOM_PEEK_MAX> look;
  for (std::size_t i = 0; i < count; ++i) {
    look[i] = std::uint8_t(script[(position + i) % script.size()] % n);
  }
  return look.data();
}

void random_take(std::size_t count) {
  position += count;
}

std::int32_t random_index(std::int32_t n) {
  return *random_run(n, 1);
}

void random_finish() {}

namespace {

// 45 A's, of which the rule keeps at most the first, then C, E, ..., Y, none a neighbour of the
// one before: a look of 64 keeps about 20, so a password of 32 is finished one index at a time.
// In the second script the run comes after 600 such letters, in the middle of a full look ahead,
// whose rest the draw must not go on using once it has drawn one by one.
TEST(ScriptedStream, ThePlainAndTheVectorDrawAgreeWhereALookKeepsTooFew) {
#if defined(TOLVANE_AVX2)
  if (!avx2_usable) {
    GTEST_SKIP() << "this processor has no AVX2";
  }
  std::vector<std::uint8_t> letters;
  for (std::uint8_t index = 2; index <= 24; index += 2) {
    letters.push_back(index);
  }
  std::vector<std::uint8_t> scripts[2];
  for (std::vector<std::uint8_t>& one : scripts) {
    while (&one == &scripts[1] && one.size() < 600) {
      one.insert(one.end(), letters.begin(), letters.end());
    }
    one.insert(one.end(), 45, 0);
    one.insert(one.end(), letters.begin(), letters.end());
  }
  for (const auto& [flags, one] :
       {std::pair{Q, scripts[0]}, std::pair{std::uint8_t(Q | R), scripts[0]},
        std::pair{std::uint8_t(Q | U | A), scripts[0]}, std::pair{Q, scripts[1]}}) {
    script = one;
    SCOPED_TRACE("flags " + std::to_string(flags) + ", script of " + std::to_string(one.size()));
    std::string drawn[2];
    for (const bool vector : {false, true}) {
      avx2_usable = vector;
      Options options;
      options.flags = flags;
      options.size = 32;
      options.count = 40;
      drawn[vector] = generate(options);
    }
    avx2_usable = true;
    ASSERT_EQ(drawn[0].size(), 40u * 33u);
    EXPECT_EQ(drawn[1], drawn[0]);
  }
#else
  GTEST_SKIP() << "built without the vector draw";
#endif
}

}  // namespace
