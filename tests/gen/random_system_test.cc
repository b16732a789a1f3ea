// The system source's samplers on a scripted stream, which decides every byte: the pool's indexes
// two from each unit of two bytes, the first low, the repairs' a byte each, nothing drawn without
// a key, and nothing left in its buffers at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gen/random.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"

namespace {

std::vector<unsigned char> script;  // the stream's bytes in order
std::size_t script_next = 0;
std::size_t fills_before_failure = 1000;
std::span<unsigned char> locked;  // what the source asked to keep out of swap

}  // namespace

bool stream_start() {
  script_next = 0;
  return true;
}

bool stream_fill(std::span<unsigned char> out) {
  if (fills_before_failure-- == 0) {
    return false;
  }
  for (unsigned char& byte : out)
    byte = script_next < script.size() ? script[script_next++] : 0;
  return true;
}

void stream_finish() {}

void stream_lock(std::span<unsigned char> data) {
  locked = data;
}

namespace {

// The stream of the given units, first byte low, then of the given bytes, a long way on.
void script_units(const std::vector<std::uint32_t>& units) {
  script.clear();
  for (const std::uint32_t unit : units) {
    script.push_back(static_cast<unsigned char>(unit));
    script.push_back(static_cast<unsigned char>(unit >> 8));
  }
}

std::vector<std::uint8_t> draw(std::int32_t n, std::size_t count) {
  std::vector<std::uint8_t> out(count);
  EXPECT_TRUE(random_indexes(n, out));
  return out;
}

// Units spread over all values, and those at the rejection bound, for each pool's n and some odd
// ones, drawn in runs of every length: each unit kept gives its two indexes in the order of the
// units, across the refills, and a unit rejected gives none.
TEST(SystemSource, ThePoolsIndexesComeTwoFromEachUnitInTheStreamsOrder) {
  for (const std::int32_t n : {26, 36, 42, 52, 62, 68, 78, 37, 255}) {
    SCOPED_TRACE(n);
    const auto square = static_cast<std::uint32_t>(n * n);
    const std::uint32_t bound = REJECTED_LOW_UNITS[static_cast<std::size_t>(n)];
    // The units whose low half of unit * n * n is just below the bound, and at it.
    std::vector<std::uint32_t> edges;
    for (std::uint32_t unit = 0; unit < 65536; ++unit) {
      const std::uint32_t low = unit * square & 0xFFFF;
      if (low + 1 == bound || low == bound)
        edges.push_back(unit);
    }
    std::vector<std::uint32_t> units;
    for (std::uint32_t k = 0; k < 20'000; ++k)
      units.push_back(k % 7 == 0 && !edges.empty() ? edges[k / 7 % edges.size()]
                                                   : (k * 40503 + 13) & 0xFFFF);
    std::vector<std::uint8_t> expected;
    for (const std::uint32_t unit : units) {
      if ((unit * square & 0xFFFF) >= bound) {
        expected.push_back(static_cast<std::uint8_t>(unit * std::uint32_t(n) >> 16));
        expected.push_back(
            static_cast<std::uint8_t>((unit * std::uint32_t(n) & 0xFFFF) * std::uint32_t(n) >> 16));
      }
    }
    script_units(units);
    ASSERT_TRUE(random_seed(0));
    std::vector<std::uint8_t> drawn;
    for (std::size_t run = 1; drawn.size() + run <= expected.size() / 2; run = run % 32 + 1) {
      const std::vector<std::uint8_t> indexes = draw(n, run);
      drawn.insert(drawn.end(), indexes.begin(), indexes.end());
    }
    random_finish();
    ASSERT_TRUE(std::equal(drawn.begin(), drawn.end(), expected.begin()));
  }
}

// The repairs' draws (another n than the pool's, which the first draw fixes) take the bytes of
// their own fills, a byte each, in the stream's order, and leave the pool's indexes as they were.
TEST(SystemSource, RepairsTakeTheirOwnBytesInTheStreamsOrder) {
  script.clear();
  for (std::size_t place = 0; place < 4096 + 3 * 256; ++place)
    script.push_back(static_cast<unsigned char>(place * 89 + 7));
  for (const std::int32_t n : {10, 26, 32}) {
    SCOPED_TRACE(n);
    std::vector<std::uint8_t> expected;
    for (std::size_t place = 4096; place < script.size(); ++place) {
      const std::int32_t index = index_from_byte(script[place], n);
      if (index != BYTE_REJECTED)
        expected.push_back(static_cast<std::uint8_t>(index));
    }
    ASSERT_TRUE(random_seed(0));
    const std::uint8_t first = draw(62, 1)[0];
    EXPECT_EQ(draw(n, expected.size()), expected);
    ASSERT_TRUE(random_seed(0));
    EXPECT_EQ(draw(62, 1)[0], first);
    random_finish();
  }
}

// A draw before the stream is started, after it was wiped, or once a fill failed, would expand a
// zero key or hand out what a failed fill left: it fails, and so does every later one.
TEST(SystemSource, NothingIsDrawnWithoutAGoodStream) {
  struct Row {
    const char* name;
    std::size_t fills;  // good fills before the stream fails
    bool finished;      // random_finish before the draws
  };
  const Row rows[] = {{"finished", 1000, true}, {"first fill", 0, false}, {"later fill", 1, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    script_units({});
    ASSERT_TRUE(random_seed(0));
    fills_before_failure = row.fills;
    if (row.finished)
      random_finish();
    std::vector<std::uint8_t> out(5000);
    EXPECT_FALSE(random_indexes(62, out) && random_indexes(62, out));
    for (const std::int32_t n : {62, 10}) {  // the pool's path and the repairs'
      EXPECT_FALSE(random_indexes(n, std::span(out).first(1))) << n;
    }
    fills_before_failure = 1000;
    random_finish();
  }
}

// The run's keystream and indexes, of the pool and of the repairs, are wiped when it ends: what is
// left in memory cannot tell a password.
TEST(SystemSource, TheEndWipesEveryByteDrawn) {
  script.assign(9000, 0xA5);
  ASSERT_TRUE(random_seed(0));
  ASSERT_FALSE(locked.empty());
  (void)draw(62, 3000);
  (void)draw(10, 300);
  ASSERT_NE(std::count(locked.begin(), locked.end(), 0), std::ptrdiff_t(locked.size()));
  random_finish();
  EXPECT_EQ(std::count(locked.begin(), locked.end(), 0), std::ptrdiff_t(locked.size()));
}

}  // namespace
