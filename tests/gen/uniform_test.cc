// The rejection samplers fed every value: exactly uniform for every n.
#include "gen/uniform.h"

#include <gtest/gtest.h>

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

// Every unit once, for every n, each written first byte low: each pair of indexes from exactly
// 65536 / (n * n) units, and the pairs in the order of their units, so the pair of the first
// unit kept is the bucket of that unit read first byte low, on every machine.
TEST(Uniform, EveryPairOfIndexesIsReachedByExactlyAsManyUnits) {
  for (std::int32_t n = 1; n < 256; ++n) {
    SCOPED_TRACE(n);
    std::vector<std::uint8_t> bytes(2 * 65536 + 1);  // and one byte that makes no unit
    for (std::size_t unit = 0; unit < 65536; ++unit) {
      bytes[2 * unit] = static_cast<std::uint8_t>(unit);
      bytes[2 * unit + 1] = static_cast<std::uint8_t>(unit >> 8);
    }
    std::vector<std::uint8_t> out(bytes.size());
    const std::size_t kept = indexes_from_units(bytes, n, out.data());
    const auto width = static_cast<std::size_t>(n);
    const std::size_t rejected = 65536 % (width * width);
    ASSERT_EQ(kept, 2 * (65536 - rejected));
    // The lowest products are rejected, and unit 0's is the lowest of all: the first unit kept
    // is the first whose low half of unit * n * n reaches the bound.
    std::uint32_t first_kept = 0;
    while ((first_kept * width * width & 0xFFFF) < rejected)
      ++first_kept;
    ASSERT_EQ(out[0], first_kept * width >> 16);
    ASSERT_EQ(out[1], (first_kept * width & 0xFFFF) * width >> 16);
    std::vector<int> hits(width * width, 0);
    for (std::size_t k = 0; k < kept; k += 2) {
      ASSERT_LT(out[k], n);
      ASSERT_LT(out[k + 1], n);
      ++hits[out[k] * width + out[k + 1]];
    }
    for (const int count : hits)
      ASSERT_EQ(count, 65536 / (n * n));
  }
}

}  // namespace
