// The generator on the clock-seeded source: a seed gives exactly the passwords it always gave
// (lcg_answers.h), and a run stops drawing where its output stops.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "gen/generator.h"
#include "gen/random.h"
#include "gen/random_lcg.h"
#include "lcg_answers.h"
#include "test_util.h"

namespace {

TEST(PlantRandomChar, DrawsTheCharacterFirstThenThePosition) {
  random_seed(1);  // 41 picks index 0 of ten digits; 18467 picks position 2 of four
  std::string password = "!!!!";
  EXPECT_TRUE(plant_random_char(password, DIGIT_SET));
  EXPECT_EQ(password, "!!0!");
}

// Once a write fails nothing more is drawn: the stream stands where the refused block ended,
// as after a run of exactly two blocks.
TEST(GeneratePasswords, DrawsNothingAfterAFailedWrite) {
  constexpr auto LINES_PER_BLOCK = std::int32_t(OUTPUT_BLOCK_SIZE / 33);
  Options options{.size = 32, .count = 32767};
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

// POSIX cksum's CRC, which tools/lcg_answers.sh takes of the program's output: CRC-32 (0x04C11DB7,
// high bit first) of the bytes and then of their count, low byte first, inverted.
std::uint32_t cksum(std::string_view text) {
  std::uint32_t crc = 0;
  const auto add = [&crc](std::size_t byte) {
    crc ^= std::uint32_t(byte & 0xFF) << 24;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  };
  for (const char c : text)
    add(static_cast<unsigned char>(c));
  for (std::size_t n = text.size(); n != 0; n >>= 8)
    add(n);
  return ~crc;
}

// The exact build's output at seed 1 for every rule set and size, and across a block's end: any
// change to the seeding, the draw, the repairs or the stream shows.
TEST(GeneratePasswords, EveryRuleSetAndSizeGivesTheLinesItAlwaysGave) {
  ASSERT_EQ(std::size(LCG_DIGESTS), valid_flag_sets().size());
  for (const LcgDigest& row : LCG_DIGESTS) {
    std::string text;
    Options options{.count = 200, .flags = row.flags};
    for (options.size = 4; options.size <= 32; ++options.size)
      text += generate(options);
    options.count = std::int32_t(OUTPUT_BLOCK_SIZE / 33) + 3;
    options.size = 32;
    text += generate(options);
    EXPECT_EQ(cksum(text), row.crc) << "flags " << int(row.flags);
  }
}

}  // namespace
