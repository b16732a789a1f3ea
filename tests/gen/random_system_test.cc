// The system source's batch and spare bytes on a scripted stream. With 255 indexes, byte 0 is
// the one rejected and byte b stands for index b - 1, so the script decides every index and
// every rejection.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <vector>

#include "gen/random.h"
#include "gen/system_stream.h"

namespace {

std::vector<unsigned char> script;  // the stream's bytes in order
std::size_t script_next = 0;

constexpr std::int32_t N = 255;
constexpr std::size_t SPARE = 1024, BLOCK = 4096, FIRST_BATCH = 256, RUN = 32;

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

// Runs of 32 from a script of the spare bytes and four blocks, the first with its bytes at
// rejected made 0; every other byte carries tag(its place in the blocks) + 1.
std::vector<std::uint8_t> runs_from(const std::set<std::size_t>& rejected, std::size_t runs,
                                    const std::function<unsigned(std::size_t)>& tag) {
  script.assign(SPARE, 1);
  for (std::size_t place = 0; place < 4 * BLOCK; ++place)
    script.push_back(rejected.count(place) != 0 ? 0 : static_cast<unsigned char>(tag(place) + 1));
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
  const auto mixed = [](std::size_t place) { return unsigned((place * 7 + 3) % 255); };
  for (const std::set<std::size_t>& rejected : rows) {
    SCOPED_TRACE(std::to_string(rejected.size()) + " rejected");
    const std::size_t runs = 2 * BLOCK / RUN;
    const std::vector<std::uint8_t> a = runs_from(rejected, runs, low);
    const std::vector<std::uint8_t> b = runs_from(rejected, runs, high);
    const std::vector<std::uint8_t> c = runs_from(rejected, runs, mixed);
    std::set<std::size_t> seen;
    for (std::size_t i = 0; i < a.size(); ++i) {
      const std::size_t place = std::size_t(b[i]) * 255 + a[i];
      ASSERT_LT(place, 4 * BLOCK) << "index " << i;
      ASSERT_EQ(rejected.count(place), 0u) << "a rejected byte handed out, index " << i;
      ASSERT_TRUE(seen.insert(place).second) << "handed out twice: place " << place;
      ASSERT_EQ(c[i], mixed(place)) << "the order depends on the values, index " << i;
    }
    // The batches start small and double up to a block. Of each batch before the last one drawn
    // from, only the tail too short for a run may go unused.
    const std::size_t last = *seen.rbegin();
    for (std::size_t from = 0, size = FIRST_BATCH; from + size <= last;
         from += size, size = std::min(2 * size, BLOCK)) {
      std::size_t fresh = 0, used = 0;
      for (std::size_t place = from; place < from + size; ++place) {
        fresh += place < BLOCK && rejected.count(place) != 0 ? 0 : 1;
        used += seen.count(place);
      }
      EXPECT_LT(fresh - used, RUN) << "the batch at " << from << " of " << size << " bytes";
    }
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
