// The generator on the clock-seeded source: a seed gives exactly the passwords it always gave,
// and a run stops drawing where its output stops. The passwords of whole runs are pinned in the
// end-to-end known-answer table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gen/generator.h"
#include "gen/random.h"
#include "gen/random_lcg.h"
#include "test_util.h"

namespace {

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

TEST(GeneratePasswords, SeedsFromTheClockOnceAndRepeatsForTheSameReading) {
  for (const std::uint8_t flags : valid_flag_sets()) {
    SCOPED_TRACE(int(flags));
    Options options;
    options.count = 50;
    options.flags = flags;
    const std::string first = generate(options);
    EXPECT_EQ(generate(options), first) << "same clock reading, different lines";
    if (flags == 0) {
      EXPECT_EQ(first.substr(0, 2), "Ai");
    }
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

// Once a write fails nothing more is drawn: the stream stands where the refused block ended,
// as after a run of exactly two blocks.
TEST(GeneratePasswords, DrawsNothingAfterAFailedWrite) {
  constexpr auto LINES_PER_BLOCK = std::int32_t(OUTPUT_BLOCK_SIZE / 33);
  Options options;
  options.count = 32767;
  options.size = 32;
  written.clear();
  blocks_before_failure = 1;
  EXPECT_FALSE(generate_passwords(options, write_to_string, clock_at_seed_one));
  EXPECT_EQ(written.size(), std::size_t(LINES_PER_BLOCK) * 33);
  const std::int32_t after_failure = random_next();
  options.count = 2 * LINES_PER_BLOCK;
  generate(options);
  EXPECT_EQ(random_next(), after_failure);
}

}  // namespace
