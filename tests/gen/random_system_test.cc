// The system source's samplers on a scripted stream, which decides every byte: the pool's indexes
// two from each unit of two bytes, the first low, the repairs' a byte each, nothing drawn without
// a good stream, and nothing left in its buffers at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gen/memory.h"
#include "gen/random.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"

namespace {

std::vector<unsigned char> script;  // the stream's bytes in order
std::size_t script_next = 0;
std::size_t fills_before_failure = 1000;
std::span<unsigned char> locked;    // what the source last kept out of swap
std::size_t lock_limit = SIZE_MAX;  // the most one lock may take, as RLIMIT_MEMLOCK allows
const unsigned char* key_at = nullptr;

}  // namespace

bool stream_start(StreamKey& key) {
  key_at = key.data();
  script_next = 0;
  return true;
}

bool stream_fill(StreamKey& /*key*/, std::span<unsigned char> out) {
  if (fills_before_failure-- == 0) {
    return false;
  }
  for (unsigned char& byte : out)
    byte = script_next < script.size() ? script[script_next++] : 0;
  return true;
}

bool lock_memory(const void* data, std::size_t size) {
  if (size > lock_limit) {
    return false;
  }
  locked = {static_cast<unsigned char*>(const_cast<void*>(data)), size};
  return true;
}

namespace {

// The batches' sizes in units: a short one first, for a run of a few passwords.
constexpr std::size_t FIRST_UNITS = 128, UNITS = 2048;

// Units spread over all values, and those at the rejection bound, for each pool's n and some odd
// ones, drawn in runs of every length: each unit kept gives its two indexes in the order of the
// units, a unit rejected gives none, and a run that the rest of a batch cannot hold starts the
// next batch, the rest never handed out.
TEST(SystemSource, ThePoolsIndexesComeTwoFromEachUnitInTheStreamsOrder) {
  for (const std::int32_t n : {26, 36, 42, 52, 62, 68, 78, 37, 255}) {
    SCOPED_TRACE(n);
    const auto width = static_cast<std::uint32_t>(n);
    const std::uint32_t bound = REJECTED_LOW_UNITS[static_cast<std::size_t>(n)];
    // The units whose low half of unit * n * n is just below the bound, and at it.
    std::vector<std::uint32_t> edges;
    for (std::uint32_t unit = 0; unit < 65536; ++unit) {
      const std::uint32_t low = unit * width * width & 0xFFFF;
      if (low + 1 == bound || low == bound)
        edges.push_back(unit);
    }
    std::vector<std::uint32_t> units;
    for (std::uint32_t k = 0; k < FIRST_UNITS + 5 * UNITS; ++k)
      units.push_back(k % 7 == 0 && !edges.empty() ? edges[k / 7 % edges.size()]
                                                   : (k * 40503 + 13) & 0xFFFF);
    script.clear();
    for (const std::uint32_t unit : units) {
      script.push_back(static_cast<unsigned char>(unit));
      script.push_back(static_cast<unsigned char>(unit >> 8));
    }
    // Each batch's indexes, as the units read first byte low give them.
    std::vector<std::vector<std::uint8_t>> batches;
    for (std::size_t first = 0; first < units.size();) {
      const std::size_t size = first == 0 ? FIRST_UNITS : UNITS;
      batches.emplace_back();
      for (std::size_t k = first; k < first + size; ++k) {
        if ((units[k] * width * width & 0xFFFF) >= bound) {
          batches.back().push_back(static_cast<std::uint8_t>(units[k] * width >> 16));
          batches.back().push_back(
              static_cast<std::uint8_t>((units[k] * width & 0xFFFF) * width >> 16));
        }
      }
      first += size;
    }
    ASSERT_TRUE(random_start());
    std::size_t batch = 0, next = 0;
    for (std::size_t count = 1; batch + 1 < batches.size(); count = count % RUN_MAX + 1) {
      if (batches[batch].size() - next < count) {
        ++batch;
        next = 0;
      }
      const std::uint8_t* run = random_run(n, count);
      ASSERT_NE(run, nullptr);
      ASSERT_TRUE(std::equal(run, run + count, batches[batch].begin() + std::ptrdiff_t(next)))
          << "batch " << batch << ", index " << next;
      next += count;
    }
    random_finish();
  }
}

// The repairs' draws take the bytes of fills of their own, a byte each, in the stream's order,
// after the pool's first batch, and leave the pool's indexes as they were.
TEST(SystemSource, RepairsTakeTheirOwnBytesInTheStreamsOrder) {
  script.clear();
  for (std::size_t place = 0; place < 2 * FIRST_UNITS + 3 * 256; ++place)
    script.push_back(static_cast<unsigned char>(place * 89 + 7));
  for (const std::int32_t n : {10, 26, 32}) {
    SCOPED_TRACE(n);
    std::vector<std::int32_t> expected;
    for (std::size_t place = 2 * FIRST_UNITS; place < script.size(); ++place) {
      const std::int32_t index = index_from_byte(script[place], n);
      if (index != BYTE_REJECTED)
        expected.push_back(index);
    }
    ASSERT_TRUE(random_start());
    ASSERT_NE(random_run(62, 2), nullptr);  // fixes the pool's batch, which repairs leave be
    std::vector<std::int32_t> drawn;
    while (drawn.size() < expected.size())
      drawn.push_back(random_index(n));
    EXPECT_EQ(drawn, expected);
    random_finish();
  }
}

// A draw before the stream is started, after it was wiped, or once a fill failed, would expand a
// zero key or hand out what a failed fill left: it fails, and so does every later one, on the
// pool's path and the repairs', what is left of a batch included.
TEST(SystemSource, NothingIsDrawnWithoutAGoodStream) {
  struct Row {
    const char* name;
    std::size_t fills;  // good fills before the stream fails
    bool finished;      // random_finish before the draws
    bool repair_first;  // the failed fill is the repairs', the batch's first one good
  };
  const Row rows[] = {{"finished", 1000, true, false},
                      {"first fill", 0, false, false},
                      {"later fill", 1, false, false},
                      {"repairs' fill", 1, false, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    script.assign(4096, 0xA5);
    ASSERT_TRUE(random_start());
    fills_before_failure = row.fills;
    if (row.finished)
      random_finish();
    if (row.repair_first) {
      ASSERT_NE(random_run(62, 1), nullptr);
      EXPECT_EQ(random_index(10), -1);
    }
    bool drawn = true;
    int draws = 0;
    for (; draws < 200 && drawn; ++draws)
      drawn = random_run(62, RUN_MAX) != nullptr;
    EXPECT_FALSE(drawn);
    if (row.finished) {
      EXPECT_EQ(draws, 1) << "drawn after the finish, from a stream still good";
    }
    EXPECT_EQ(random_run(62, 1), nullptr);
    EXPECT_EQ(random_index(10), -1);
    fills_before_failure = 1000;
    random_finish();
  }
}

// The run's keystream and indexes, of the pool and of the repairs, are wiped when it ends: what is
// left in memory cannot tell a password.
TEST(SystemSource, TheEndWipesEveryByteDrawn) {
  script.assign(20000, 0xA5);
  ASSERT_TRUE(random_start());
  ASSERT_FALSE(locked.empty());
  for (int k = 0; k < 200; ++k)
    ASSERT_NE(random_run(62, RUN_MAX), nullptr);
  for (int k = 0; k < 300; ++k)
    ASSERT_GE(random_index(10), 0);
  ASSERT_NE(std::count(locked.begin(), locked.end(), 0), std::ptrdiff_t(locked.size()));
  random_finish();
  EXPECT_EQ(std::count(locked.begin(), locked.end(), 0), std::ptrdiff_t(locked.size()));
}

// Under a lock limit too small for the whole region, the key is locked on its own: the output
// block, locked after the source has started, must never hold a lock the key lacks.
TEST(SystemSource, ALimitTooSmallForTheRegionStillLocksTheKey) {
  locked = {};
  lock_limit = 4096;
  ASSERT_TRUE(random_start());
  lock_limit = SIZE_MAX;
  ASSERT_NE(key_at, nullptr);
  EXPECT_LE(locked.data(), key_at);
  EXPECT_GE(locked.data() + locked.size(), key_at + sizeof(StreamKey));
  random_finish();
}

}  // namespace
