// The operating system's cryptographically secure random source, linked in place of the linear
// congruential generator by the build that wants unpredictable passwords. The bytes come from
// the platform's stream (system_stream.h); here they become exactly uniform indexes, by
// rejection, at about one byte a character. The pool's indexes, nearly every draw, are made a
// block at a time; other lengths byte by byte.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <span>

#include "gen/random.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"
#include "gen/wipe.h"

namespace {

// Keystream for the pool's indexes, large so the cipher runs its widest code, and the indexes
// below batch_n made from it.
alignas(64) std::array<unsigned char, 4096> block;
alignas(64) std::array<std::uint8_t, 4096> batch;
std::int32_t batch_n = 0;  // 0 until the first draw after seeding
const std::uint8_t* batch_next = batch.data();
const std::uint8_t* batch_end = batch.data();
// Keystream for every other n, taken a byte at a time, and the runs made from it.
alignas(64) std::array<unsigned char, 1024> spare;
std::size_t spare_next = spare.size();
std::array<std::uint8_t, 32> spare_run;
bool keyed = false;  // between random_seed and random_finish

// What may tell a password: locked in memory while the run lasts, wiped when it ends.
std::array<std::span<unsigned char>, 4> buffers() {
  return {block, batch, spare, spare_run};
}

// Every refill passes here, never the fast path: no draw is made from a stream never started
// (whose key would be all zeros) or already wiped.
void refill(std::span<unsigned char> out) {
  if (!keyed || !stream_fill(out)) {
    random_source_failed();
  }
}

std::int32_t spare_index(std::int32_t n) {
  for (;;) {
    if (spare_next == spare.size()) {
      refill(spare);
      spare_next = 0;
    }
    const std::int32_t index = index_from_byte(spare[spare_next++], n);
    if (index != BYTE_REJECTED) {
      return index;
    }
  }
}

// Each rejected slot takes the last good index of the batch, which then ends before it: what
// remains is the accepted indexes, each exactly uniform, in an order that depends on where the
// rejections fell and not on any value. The rejected slots are found 64 at a time, so the loop
// over them mispredicts about once a row rather than once a rejection.
std::size_t fill_holes() {
  std::size_t end = batch.size();
  for (std::size_t row = 0; row < end; row += 64) {
    for (std::uint64_t mask = rejected_mask(batch.data() + row); mask != 0; mask &= mask - 1) {
      const std::size_t hole = row + static_cast<std::size_t>(std::countr_zero(mask));
      if (hole >= end) {
        break;
      }
      do {
        --end;
      } while (end > hole && batch[end] == INDEX_REJECTED);
      batch[hole] = batch[end];
    }
  }
  return end;
}

// A fresh batch of at least count indexes. The few left unused at the old batch's end are
// dropped, which costs a little keystream and nothing else: they are drawn by no one.
void fill_batch(std::size_t count) {
  do {
    refill(block);
    indexes_or_rejected(block, batch_n, batch);
    batch_end = batch.data() + fill_holes();
    batch_next = batch.data();
  } while (static_cast<std::size_t>(batch_end - batch_next) < count);
}

// Every run the batch cannot serve: the first after seeding, which fixes the batch's n (the
// pool's), a batch that holds too few, and the repairs' set lengths and positions, which take
// spare bytes.
[[gnu::noinline]] const std::uint8_t* run_outside_batch(std::int32_t n, std::size_t count) {
  if (batch_n == 0) {
    batch_n = n;
  }
  if (n != batch_n) {
    std::generate_n(spare_run.begin(), count,
                    [n] { return static_cast<std::uint8_t>(spare_index(n)); });
    return spare_run.data();
  }
  fill_batch(count);
  const std::uint8_t* run = batch_next;
  batch_next += count;
  return run;
}

}  // namespace

// The key is read and the spare bytes drawn here, before any password is: a source that fails
// stops the run before it prints anything. The batch is made at the first draw, for its n.
void random_seed(std::uint32_t /*seed*/) {
  for (const std::span<unsigned char> buffer : buffers()) {
    stream_lock(buffer);
  }
  keyed = stream_start();
  refill(spare);
  batch_n = 0;
  batch_next = batch_end = batch.data();
  spare_next = 0;
}

std::int32_t random_index(std::int32_t n) {
  if (n == batch_n && batch_next != batch_end) {
    return *batch_next++;
  }
  return *run_outside_batch(n, 1);
}

const std::uint8_t* random_run(std::int32_t n, std::size_t count) {
  if (n == batch_n && static_cast<std::size_t>(batch_end - batch_next) >= count) {
    const std::uint8_t* run = batch_next;
    batch_next += count;
    return run;
  }
  return run_outside_batch(n, count);
}

void random_finish() {
  keyed = false;
  stream_finish();
  for (const std::span<unsigned char> buffer : buffers()) {
    wipe(buffer);
  }
  batch_next = batch_end = batch.data();
  spare_next = spare.size();
}
