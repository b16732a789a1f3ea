// The system source's samplers on a scripted stream, which decides every byte: the pool's indexes
// two from each unit of two bytes, the repairs' a byte each, every fill used in the stream's
// order, whatever its size, nothing drawn without a good stream, and nothing left in its buffers
// at the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gen/memory.h"
#include "gen/random.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"

namespace {

std::vector<unsigned char> script;  // the stream's bytes, over and over
std::size_t script_next = 0;
std::size_t fills_before_failure = 1000;
std::vector<std::vector<unsigned char>> fills;  // what each fill gave
std::span<unsigned char> locked;                // what the source last kept out of swap
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
    byte = script[script_next++ % script.size()];
  fills.emplace_back(out.begin(), out.end());
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

// Every unit once, in an order unlike the units', drawn in runs of every length, for each pool's
// n and some odd ones. A run is the next indexes of the latest fill, as indexes_from_units makes
// them (uniform_test.cc); a fill is made only for a run that what is left of the last one cannot
// hold, and that rest is never handed out. So every index handed out is uniform and independent,
// whatever the size of a fill.
TEST(SystemSource, RunsAreTheNextIndexesOfTheLatestFill) {
  script.clear();
  for (std::uint32_t k = 0; k < 65536; ++k) {
    script.push_back(static_cast<unsigned char>(k * 40503 + 13));
    script.push_back(static_cast<unsigned char>((k * 40503 + 13) >> 8));
  }
  for (const std::int32_t n : {26, 36, 42, 52, 62, 68, 78, 37, 255}) {
    SCOPED_TRACE(n);
    fills.clear();
    ASSERT_TRUE(random_start());
    std::vector<std::uint8_t> batch;  // the indexes of the latest fill
    std::size_t next = 0;             // the first of them not handed out
    for (std::size_t runs = 0, count = 1; runs < 10000; ++runs, count = count % RUN_MAX + 1) {
      const std::size_t fills_before = fills.size();
      const std::uint8_t* run = random_run(n, count);
      ASSERT_NE(run, nullptr);
      if (fills.size() != fills_before) {
        ASSERT_EQ(fills.size(), fills_before + 1) << "a fill never drawn from";
        ASSERT_LT(batch.size() - next, count) << "a fill made while the last one held the run";
        batch.resize(fills.back().size());
        batch.resize(indexes_from_units(fills.back(), n, batch.data()));
        next = 0;
      }
      ASSERT_LE(next + count, batch.size());
      ASSERT_TRUE(std::equal(run, run + count, batch.begin() + std::ptrdiff_t(next)))
          << "run " << runs;
      next += count;
    }
    random_finish();
  }
}

// The repairs' draws take the bytes of fills of their own, a byte each, in the stream's order from
// where the pool's fill ended, every byte of a fill before the next; the pool's indexes go on
// where they stood.
TEST(SystemSource, RepairsTakeTheirOwnBytesInTheStreamsOrder) {
  script.clear();
  for (std::size_t place = 0; place < 4099; ++place)
    script.push_back(static_cast<unsigned char>(place * 89 + 7));
  for (const std::int32_t n : {10, 26, 32}) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(random_start());
    ASSERT_NE(random_run(62, 2), nullptr);
    std::vector<std::uint8_t> pool(fills.back().size());
    pool.resize(indexes_from_units(fills.back(), 62, pool.data()));
    std::vector<std::int32_t> expected, drawn;
    for (std::size_t place = script_next; expected.size() < 1000; ++place) {
      const std::int32_t index = index_from_byte(script[place % script.size()], n);
      if (index != BYTE_REJECTED)
        expected.push_back(index);
    }
    while (drawn.size() < expected.size())
      drawn.push_back(random_index(n));
    EXPECT_EQ(drawn, expected);
    const std::uint8_t* run = random_run(62, 2);
    ASSERT_NE(run, nullptr);
    EXPECT_TRUE(std::equal(run, run + 2, pool.begin() + 2)) << "the pool's indexes moved on";
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
  // clang-format off
  const Row rows[] = {{"finished", 1000, true, false}, {"first fill", 0, false, false},
                      {"later fill", 1, false, false}, {"repairs' fill", 1, false, true}};
  // clang-format on
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
