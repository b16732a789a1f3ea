// The rejection sampler fed every byte value: exactly uniform for every n, and the block forms
// agree with the byte-at-a-time one.
#include "gen/uniform.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

TEST(Uniform, EveryIndexIsReachedByExactlyAsManyBytes) {
  std::array<unsigned char, 256> bytes;
  for (unsigned b = 0; b < bytes.size(); ++b)
    bytes[b] = static_cast<unsigned char>(b);
  for (std::int32_t n = 1; n < 256; ++n) {
    SCOPED_TRACE(n);
    std::vector<int> hits(static_cast<std::size_t>(n), 0);
    std::array<std::uint8_t, 256> block;
    indexes_or_rejected(bytes, n, block);
    for (const unsigned char byte : bytes) {
      const std::int32_t index = index_from_byte(byte, n);
      ASSERT_EQ(block[byte], index == BYTE_REJECTED ? INDEX_REJECTED : index);
      if (index != BYTE_REJECTED) {
        ASSERT_LT(index, n);
        ++hits[static_cast<std::size_t>(index)];
      }
    }
    for (const int count : hits)
      ASSERT_EQ(count, 256 / n);
    // The same in rows of 64, with the mask of the rejected bytes.
    std::array<std::uint8_t, 256> rows;
    for (std::size_t row = 0; row < 4; ++row) {
      const std::uint64_t mask = indexes_of_row(bytes.data() + 64 * row, n, rows.data() + 64 * row);
      for (std::size_t k = 0; k < 64; ++k) {
        ASSERT_EQ(rows[64 * row + k], block[64 * row + k]) << "byte " << 64 * row + k;
        ASSERT_EQ((mask >> k & 1) != 0, block[64 * row + k] == INDEX_REJECTED);
      }
    }
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
    EXPECT_EQ(rejected_mask_portable(row.data()), expected);
  }
}

}  // namespace
