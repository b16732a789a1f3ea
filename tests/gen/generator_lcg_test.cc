// The generator on the clock-seeded source: a seed gives exactly the passwords it always gave,
// and a run stops drawing where its output stops. The passwords of whole runs are pinned in the
// end-to-end known-answer table.
#include <gtest/gtest.h>

#include <algorithm>
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
  EXPECT_TRUE(plant_random_char(password, DIGIT_SET));
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
  random_seed(1);
  EXPECT_EQ(write_passwords(options, write_to_string), Generated::write_failed);
  EXPECT_EQ(written.size(), std::size_t(LINES_PER_BLOCK) * 33);
  const std::int32_t after_failure = random_next();
  options.count = 2 * LINES_PER_BLOCK;
  generate(options);
  EXPECT_EQ(random_next(), after_failure);
}

// The exact build's output, pinned for every rule set and size: a digest of what a frozen clock
// gives, so that any change to the draw, the repairs or the stream shows.
TEST(GeneratePasswords, EveryRuleSetAndSizeGivesTheLinesItAlwaysGave) {
  struct Row {
    std::uint8_t flags;
    std::uint64_t digest;
  };
  const Row rows[] = {
      {0x00, 0xC40C192E101DFD8Cull}, {0x10, 0xCCA4A227569F550Eull}, {0x08, 0x288F05DD22DAA888ull},
      {0x18, 0x635CD24CA0B2930Cull}, {0x04, 0xAE57696B8AF9F71Bull}, {0x14, 0xC25C63EA28F8C84Aull},
      {0x0C, 0xBC01A0CB45655678ull}, {0x1C, 0xCDA87E229022EE28ull}, {0x20, 0xF23F7069521E061Full},
      {0x30, 0x2A72DC9F229AC839ull}, {0x28, 0xC36B60BC3408FCAEull}, {0x38, 0x98DC5B7DE7A35C59ull},
      {0x01, 0x90FAB986849E426Eull}, {0x11, 0xFD8B45BB622C457Eull}, {0x09, 0x1BF0847C09BE6A3Full},
      {0x19, 0x1501F7CBFD02F8C9ull}, {0x05, 0x7C3B0A66B13A6F5Bull}, {0x15, 0xBB6CD5FBF795322Aull},
      {0x0D, 0xE324790FF0F32371ull}, {0x1D, 0x1C2F3F86D8942D13ull}, {0x21, 0x22F1CF42FC074EBEull},
      {0x31, 0x4D8E238355D1B719ull}, {0x29, 0x8F5FC2D217C7474Bull}, {0x39, 0xD0B0301E8D98306Aull},
      {0x02, 0x3977D9978AD643AEull}, {0x12, 0xCE1E7AE95F9F9FFEull}, {0x0A, 0x0D641DAEAD3AFFFFull},
      {0x1A, 0xEA0DC3583BF04567ull}, {0x06, 0xDD25C00BD99FEBDBull}, {0x16, 0x5E4D35DE089DBD6Aull},
      {0x0E, 0xAA3ADA94FB61F1D1ull}, {0x1E, 0x358CD0331109ECE6ull}, {0x22, 0x98743CBF967DFE5Eull},
      {0x32, 0xCC99563D8C5C8999ull}, {0x2A, 0x6B41D131228AE82Bull}, {0x3A, 0xF473A1B9B5CD6E44ull},
  };
  ASSERT_EQ(std::size(rows), valid_flag_sets().size());
  for (const Row& row : rows) {
    // FNV-1a over every line of 200 passwords of each size, then one run across a block's end.
    std::uint64_t digest = 14695981039346656037ull;
    const auto add = [&digest](const std::string& text) {
      for (const char c : text)
        digest = (digest ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    };
    Options options;
    options.flags = row.flags;
    for (options.size = 4; options.size <= 32; ++options.size) {
      options.count = 200;
      add(generate(options));
    }
    options.size = 32;
    options.count = std::int32_t(OUTPUT_BLOCK_SIZE / 33) + 3;
    add(generate(options));
    EXPECT_EQ(digest, row.digest) << "flags " << int(row.flags);
  }
}

}  // namespace
