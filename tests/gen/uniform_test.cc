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

// Every unit once, for every n: each pair of indexes from exactly 65536 / (n * n) units.
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

// Known answers, the same on every machine: a unit is read first byte low, and its pair is the
// two base-n digits of its bucket, high first; unit 0 falls below the bound of 62, and a last
// odd byte makes no unit.
TEST(Uniform, ScriptedUnitsGiveTheseIndexes) {
  struct Row {
    std::int32_t n;
    std::vector<std::uint8_t> bytes, indexes;
  };
  // clang-format off
  const Row rows[] = {{62, {0x34, 0x12}, {4, 25}}, {62, {0x12, 0x34}, {12, 37}},
                      {62, {0x00, 0x00, 0x34, 0x12, 0xFF}, {4, 25}}, {78, {0x10, 0x00}, {0, 1}}};
  // clang-format on
  for (const Row& row : rows) {
    std::vector<std::uint8_t> out(row.bytes.size());
    out.resize(indexes_from_units(row.bytes, row.n, out.data()));
    EXPECT_EQ(out, row.indexes) << row.n;
  }
}

}  // namespace
