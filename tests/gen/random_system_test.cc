// The system source's batch and spare bytes on a scripted stream. The batch makes two indexes of
// each two bytes (a unit), and the script is written from the indexes wanted (unit_of), so it
// decides every index and every rejection.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

#include "gen/avx2.h"
#include "gen/random.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"

namespace {

std::vector<unsigned char> script;  // the stream's bytes in order
std::size_t script_next = 0;

constexpr std::int32_t N = 255;
// The spare bytes drawn at the start, before the first batch; the first batch's size.
constexpr std::size_t SPARE = 64, BLOCK = 4096, FIRST_BATCH = 128, RUN = 32;

}  // namespace

bool stream_start() {
  script_next = 0;
  return true;
}

bool stream_fill(std::span<unsigned char> out) {
  for (unsigned char& byte : out)
    byte = script_next < script.size() ? script[script_next++] : 0;
  return true;
}

void stream_finish() {}

void stream_lock(std::span<unsigned char> /*data*/) {}

void random_source_failed() {
  std::fputs("drawn without a key\n", stderr);
  std::_Exit(3);
}

namespace {

// The batch's two packings: the accepted indexes packed in order with AVX2, and the holes filled
// from the batch's end without it. Each test runs on both; the processor may lack the first.
std::vector<bool> packings() {
#if defined(TOLVANE_AVX2)
  if (avx2_usable) {
    return {true, false};
  }
#endif
  return {false};
}

void use_packing(bool packed) {
#if defined(TOLVANE_AVX2)
  avx2_usable = packed;
#else
  (void)packed;
#endif
}

// Puts back the processor's own packing when a test ends.
struct PackingRestored {
  std::vector<bool> usable = packings();
  ~PackingRestored() { use_packing(usable.front()); }
};

// The unit whose indexes below N are first and second: the last of the units that give them,
// which is never rejected. Unit 0 always is (with N = 255).
std::uint16_t unit_of(unsigned first, unsigned second) {
  const std::uint32_t bucket = first * N + second;
  return static_cast<std::uint16_t>(((bucket + 1) * 65536 - 1) / (N * N));
}

// Whether the unit of the place (a byte's place in the blocks) is one rejected places name.
bool unit_rejected(const std::set<std::size_t>& rejected, std::size_t place) {
  return place < BLOCK &&
         (rejected.count(place & ~std::size_t{1}) + rejected.count(place | 1)) != 0;
}

// The script of the spare bytes and four blocks, the first with its units at rejected made 0;
// every other unit gives the indexes tag(place) at each of its two places in the blocks.
void script_blocks(const std::set<std::size_t>& rejected,
                   const std::function<unsigned(std::size_t)>& tag) {
  script.assign(SPARE, 1);
  for (std::size_t place = 0; place < 4 * BLOCK; place += 2) {
    const std::uint16_t unit =
        unit_rejected(rejected, place) ? 0 : unit_of(tag(place), tag(place + 1));
    script.push_back(static_cast<unsigned char>(unit));
    script.push_back(static_cast<unsigned char>(unit >> 8));
  }
}

// Runs of 32 from script_blocks(rejected, tag).
std::vector<std::uint8_t> runs_from(const std::set<std::size_t>& rejected, std::size_t runs,
                                    const std::function<unsigned(std::size_t)>& tag) {
  script_blocks(rejected, tag);
  random_seed(0);
  std::vector<std::uint8_t> out;
  for (std::size_t k = 0; k < runs; ++k) {
    const std::uint8_t* run = random_run(N, RUN);
    out.insert(out.end(), run, run + RUN);
  }
  random_finish();
  return out;
}

std::set<std::size_t> every(std::size_t from, std::size_t to, std::size_t step = 1) {
  std::set<std::size_t> places;
  for (std::size_t place = from; place < to; place += step)
    places.insert(place);
  return places;
}

// A tag for each place whose order among the places follows no pattern of theirs.
unsigned mixed(std::size_t place) {
  return unsigned((place * 7 + 3) % 255);
}

// The same rejections under three tags: the first two together name each index's place in the
// script, the third shows that the order does not depend on the values.
TEST(Batch, HandsOutEachAcceptedIndexOnceInAnOrderFixedByTheRejections) {
  std::set<std::size_t> scattered;
  for (std::uint32_t x = 7; scattered.size() < 400;) {
    x = x * 1103515245u + 12345u;
    scattered.insert((x >> 8) % BLOCK);
  }
  std::set<std::size_t> stuck = every(5, 8);  // holes whose last bytes are rejected too
  stuck.merge(every(BLOCK - 6, BLOCK));
  const std::set<std::size_t> rows[] = {
      {},
      {0},
      {BLOCK - 1},
      every(0, 64),
      every(BLOCK - 100, BLOCK),
      every(0, 256, 2),
      stuck,
      scattered,
      every(20, BLOCK),  // too few for one run: the batch must be made again
      every(0, BLOCK),   // none at all
  };
  const auto low = [](std::size_t place) { return unsigned(place % 255); };
  const auto high = [](std::size_t place) { return unsigned(place / 255); };
  const PackingRestored restore;
  for (const bool packed : packings()) {
    use_packing(packed);
    for (const std::set<std::size_t>& rejected : rows) {
      SCOPED_TRACE(std::to_string(rejected.size()) + " rejected, packed " + std::to_string(packed));
      const std::size_t runs = 2 * BLOCK / RUN;
      const std::vector<std::uint8_t> a = runs_from(rejected, runs, low);
      const std::vector<std::uint8_t> b = runs_from(rejected, runs, high);
      const std::vector<std::uint8_t> c = runs_from(rejected, runs, mixed);
      std::set<std::size_t> seen;
      for (std::size_t i = 0; i < a.size(); ++i) {
        const std::size_t place = std::size_t(b[i]) * 255 + a[i];
        ASSERT_LT(place, 4 * BLOCK) << "index " << i;
        ASSERT_FALSE(unit_rejected(rejected, place)) << "a rejected unit handed out, index " << i;
        ASSERT_TRUE(seen.insert(place).second) << "handed out twice: place " << place;
        ASSERT_EQ(c[i], mixed(place)) << "the order depends on the values, index " << i;
      }
      // The batches start small and double up to a block. What a batch leaves unused goes
      // before the next one's: every batch before the last one drawn from is handed out whole.
      const std::size_t last = *seen.rbegin();
      for (std::size_t from = 0, size = FIRST_BATCH; from + size <= last;
           from += size, size = std::min(2 * size, BLOCK)) {
        std::size_t fresh = 0, used = 0;
        for (std::size_t place = from; place < from + size; ++place) {
          fresh += unit_rejected(rejected, place) ? 0 : 1;
          used += seen.count(place);
        }
        EXPECT_EQ(used, fresh) << "the batch at " << from << " of " << size << " bytes";
      }
    }
  }
}

// A first batch of units spread over all values, and those at the rejection bound, for each
// pool's n and some odd ones: each index handed out as its unit's pair (pair_from_unit), packed
// in the order of the units, and, with the holes filled, the same indexes.
TEST(Batch, EveryIndexOfAPoolComesFromItsOwnUnit) {
  const PackingRestored restore;
  for (const bool packed : packings()) {
    use_packing(packed);
    for (const std::int32_t n : {26, 36, 42, 52, 62, 68, 78, 37, 77, 255}) {
      SCOPED_TRACE("n " + std::to_string(n) + ", packed " + std::to_string(packed));
      // The units whose low half of unit * n * n is the highest below the bound, and the bound.
      const std::uint32_t bound = REJECTED_LOW_UNITS[static_cast<std::size_t>(n)];
      std::vector<std::uint32_t> units(2);
      std::uint32_t highest_below = 0;
      for (std::uint32_t unit = 0; unit < 65536; ++unit) {
        const std::uint32_t low = unit * std::uint32_t(n * n) & 0xFFFF;
        if (low < bound && low >= highest_below) {
          highest_below = low;
          units[0] = unit;
        }
        if (low == bound)
          units[1] = unit;
      }
      ASSERT_NE(units[1], 0u) << "no unit at the bound";
      for (std::uint32_t k = 0; k < 4 * BLOCK; ++k)
        units.push_back((k * 40503 + 13) & 0xFFFF);
      script.assign(SPARE, 1);
      for (const std::uint32_t unit : units) {
        script.push_back(static_cast<unsigned char>(unit));
        script.push_back(static_cast<unsigned char>(unit >> 8));
      }
      std::vector<std::uint8_t> expected;
      for (std::size_t place = 0; place < FIRST_BATCH; place += 2) {
        std::array<std::uint8_t, 2> pair;
        pair_from_unit(
            static_cast<std::uint16_t>(script[SPARE + place] | script[SPARE + place + 1] << 8), n,
            pair.data());
        if (pair[0] != INDEX_REJECTED)
          expected.insert(expected.end(), pair.begin(), pair.end());
      }
      random_seed(0);
      std::vector<std::uint8_t> drawn;
      while (drawn.size() < expected.size()) {
        const std::size_t count = std::min(RUN, expected.size() - drawn.size());
        const std::uint8_t* run = random_run(n, count);
        drawn.insert(drawn.end(), run, run + count);
      }
      random_finish();
      if (!packed) {
        std::sort(drawn.begin(), drawn.end());
        std::sort(expected.begin(), expected.end());
      }
      EXPECT_EQ(drawn, expected);
    }
  }
}

// Looks into the batch, taken in part or not at all, mixed with single draws and the repairs'
// draws below another n, must hand out what single draws hand out, in the same order: a look not
// taken leaves the same indexes next, a look after a take shows what followed it, and a look that
// needs a new batch keeps the indexes the old one left (nothing dropped, nothing twice).
TEST(Batch, LooksShowWhatTheDrawsHandOutNext) {
  const std::set<std::size_t> rows[] = {{}, every(0, BLOCK, 3), every(20, BLOCK)};
  const PackingRestored restore;
  for (const bool packed : packings()) {
    use_packing(packed);
    for (const std::set<std::size_t>& rejected : rows) {
      SCOPED_TRACE(std::to_string(rejected.size()) + " rejected, packed " + std::to_string(packed));
      script_blocks(rejected, mixed);
      random_seed(0);
      std::vector<std::uint8_t> single(2 * BLOCK + RANDOM_PEEK_MAX);
      for (std::uint8_t& index : single)
        index = static_cast<std::uint8_t>(random_index(N));
      random_finish();

      random_seed(0);
      std::size_t next = 0;
      for (std::uint32_t x = 11; next <= 2 * BLOCK;) {
        x = x * 1103515245u + 12345u;
        const std::uint32_t pick = x >> 8;
        const std::size_t count = pick % 4 == 0 ? RANDOM_PEEK_MAX : 1 + pick / 4 % RANDOM_PEEK_MAX;
        const std::uint8_t* look = random_peek(N, count);
        for (std::size_t i = 0; i < count; ++i)
          ASSERT_EQ(look[i], single[next + i])
              << "look of " << count << " at " << next << ", " << i;
        const std::size_t taken = pick % 3 == 0 ? 0 : pick / 2048 % (count + 1);
        random_take(taken);
        next += taken;
        if (pick % 5 == 0) {
          (void)random_run(10, 2);  // a repair: spare bytes, which leave the batch as it was
        }
        if (pick % 7 == 0) {
          ASSERT_EQ(random_index(N), single[next]) << "single draw at " << next;
          ++next;
        }
      }
      random_finish();
    }
  }
}

// The repairs' draws (another n than the batch's, which the first draw fixes) take the spare
// bytes a byte each, in the stream's order: those drawn at the start, then, after the first
// batch's, a whole spare's worth.
TEST(Batch, RepairsTakeTheSpareBytesInTheStreamsOrder) {
  script.clear();
  for (std::size_t place = 0; place < SPARE + FIRST_BATCH + 1024; ++place)
    script.push_back(static_cast<unsigned char>(place * 89 + 7));
  for (const std::int32_t n : {10, 26, 32}) {
    SCOPED_TRACE(n);
    std::vector<std::uint8_t> expected;
    for (std::size_t place = 0; place < script.size(); ++place) {
      const std::int32_t index = index_from_byte(script[place], n);
      if (index != BYTE_REJECTED && (place < SPARE || place >= SPARE + FIRST_BATCH))
        expected.push_back(static_cast<std::uint8_t>(index));
    }
    random_seed(0);
    (void)random_index(N);
    for (std::size_t k = 0; k < 3 * SPARE; ++k)
      ASSERT_EQ(*random_run(n, 1), expected[k]) << "draw " << k;
    random_finish();
  }
}

// A draw before the stream is started, or after it was wiped, would expand a zero key.
TEST(Batch, NoDrawWithoutAKey) {
  random_seed(0);
  random_finish();
  for (const std::int32_t n : {62, 10}) {  // the batch's path and the spare bytes'
    SCOPED_TRACE(n);
    EXPECT_EXIT(random_index(n), testing::ExitedWithCode(3), "drawn without a key");
    EXPECT_EXIT(random_run(n, RUN), testing::ExitedWithCode(3), "drawn without a key");
  }
}

}  // namespace
