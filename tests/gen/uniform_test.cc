// The rejection samplers fed every value: exactly uniform for every n, and the block form agrees
// with the one at a time.
#include "gen/uniform.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

TEST(Uniform, EveryIndexIsReachedByExactlyAsManyBytes) {
  for (std::int32_t n = 1; n < 256; ++n) {
    SCOPED_TRACE(n);
    std::vector<int> hits(static_cast<std::size_t>(n), 0);
    for (unsigned byte = 0; byte < 256; ++byte) {
      const std::int32_t index = index_from_byte(static_cast<std::uint8_t>(byte), n);
      if (index != BYTE_REJECTED) {
        ASSERT_LT(index, n);
        ++hits[static_cast<std::size_t>(index)];
      }
    }
    for (const int count : hits)
      ASSERT_EQ(count, 256 / n);
  }
}

// Every unit once, for every n: each pair of indexes from exactly 65536 / (n * n) units, and the
// rows of 32 units give each unit's pair in its place, with the mask of the rejected bytes.
TEST(Uniform, EveryPairOfIndexesIsReachedByExactlyAsManyUnits) {
  std::vector<unsigned char> units(2 * 65536);
  for (std::size_t unit = 0; unit < 65536; ++unit) {
    units[2 * unit] = static_cast<unsigned char>(unit);
    units[2 * unit + 1] = static_cast<unsigned char>(unit >> 8);
  }
  for (std::int32_t n = 1; n < 256; ++n) {
    SCOPED_TRACE(n);
    const auto width = static_cast<std::size_t>(n);
    std::vector<int> hits(width * width, 0);
    std::array<std::uint8_t, 64> row;
    for (std::size_t start = 0; start < units.size(); start += row.size()) {
      const std::uint64_t mask = pairs_of_row(units.data() + start, n, row.data());
      for (std::size_t k = 0; k < row.size(); k += 2) {
        std::array<std::uint8_t, 2> pair;
        pair_from_unit(static_cast<std::uint16_t>((start + k) / 2), n, pair.data());
        ASSERT_EQ(row[k], pair[0]) << "unit " << (start + k) / 2;
        ASSERT_EQ(row[k + 1], pair[1]) << "unit " << (start + k) / 2;
        ASSERT_EQ((mask >> k & 3) != 0, pair[0] == INDEX_REJECTED);
        ASSERT_EQ((mask >> k & 3) == 3, pair[1] == INDEX_REJECTED);
        if (pair[0] != INDEX_REJECTED) {
          ASSERT_LT(pair[0], n);
          ASSERT_LT(pair[1], n);
          ++hits[pair[0] * width + pair[1]];
        }
      }
    }
    for (const int count : hits)
      ASSERT_EQ(count, 65536 / (n * n));
  }
}

TEST(Uniform, RejectedMaskMarksExactlyTheRejectedBytes) {
  std::uint64_t pattern = 0x9E3779B97F4A7C15ull;
  for (int round = 0; round < 200; ++round) {
    pattern = pattern * 6364136223846793005ull + 1442695040888963407ull;
    // The first rounds: none, all, and the last byte alone; then made-up patterns.
    const std::uint64_t expected = round == 0   ? 0
                                   : round == 1 ? ~0ull
                                   : round == 2 ? 1ull << 63
                                                : pattern;
    std::array<std::uint8_t, 64> row;
    for (std::size_t k = 0; k < row.size(); ++k) {
      // Every other value in turn (four rounds cover all 255), the marker's neighbours among
      // them, so a test that takes another value for the marker shows.
      row[k] = (expected >> k & 1) != 0
                   ? INDEX_REJECTED
                   : static_cast<std::uint8_t>((64 * std::size_t(round) + k) % 255);
    }
    EXPECT_EQ(rejected_mask(row.data()), expected);
  }
}

}  // namespace
