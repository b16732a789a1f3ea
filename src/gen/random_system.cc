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
#include "gen/ssse3.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"
#include "gen/wipe.h"

namespace {

constexpr std::size_t BATCH_MAX = 4096;
constexpr std::size_t BATCH_FIRST = 256;  // one password's worth, and a little more
constexpr std::size_t SPARE = 1024;
constexpr std::size_t ROW = 64;

// What may tell a password, in one piece, so that one call locks it in memory while the run lasts:
// keystream for the pool's indexes, large so the cipher runs its widest code, and the indexes
// below batch_n made from it; keystream for every other n, taken a byte at a time, and the runs
// made from it.
struct Secrets {
  alignas(64) std::array<unsigned char, BATCH_MAX> block;
  alignas(64) std::array<std::uint8_t, BATCH_MAX + 32> batch;  // a run may be read as 32 bytes
  alignas(64) std::array<unsigned char, SPARE> spare;
  std::array<std::uint8_t, 32> spare_run;
};
Secrets secrets;
auto& block = secrets.block;
auto& batch = secrets.batch;
auto& spare = secrets.spare;
auto& spare_run = secrets.spare_run;

std::int32_t batch_n = 0;  // 0 until the first draw after seeding
const std::uint8_t* batch_next = batch.data();
const std::uint8_t* batch_end = batch.data();
// A run of a few passwords needs a few hundred indexes: the batches start small and grow, so that
// such a run neither makes nor wipes keystream it never uses.
std::size_t batch_size = BATCH_FIRST;
std::size_t batch_written = 0;  // how much of block and batch holds anything to wipe
std::size_t spare_next = SPARE;
bool spare_run_written = false;
bool keyed = false;  // between random_seed and random_finish

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

// The first size bytes of block made indexes, the rejected ones taken out: what remains is the
// accepted indexes, each exactly uniform, in an order that depends on where the rejections fell
// and not on any value. With SSSE3 each row's accepted indexes are packed in order, with no
// branch per rejection.
#if defined(TOLVANE_SSSE3)
[[gnu::target("avx2")]] std::size_t make_packed_batch(std::size_t size) {
  const __m128i width = index_width(batch_n);
  const __m128i bound = rejection_bound(batch_n);
  const __m128i rejected = _mm_set1_epi8(static_cast<char>(INDEX_REJECTED));
  std::size_t end = 0;
  // The packed indexes never reach bytes not yet read: end is at most the offset of these 16.
  for (std::size_t offset = 0; offset < size; offset += 16) {
    const __m128i index = indexes_of_16(
        _mm_load_si128(reinterpret_cast<const __m128i*>(block.data() + offset)), width,  // NOLINT
        bound);
    const auto keep =
        ~static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(index, rejected)));
    end += pack_bytes(index, keep, batch.data() + end);
  }
  return end;
}
#endif

// Without it, each rejected slot takes the last good index of the batch, which then ends before
// it. Each row's rejected slots are found with its indexes, so the loop over them mispredicts
// about once a row rather than once a rejection.
std::size_t make_batch(std::size_t size) {
#if defined(TOLVANE_SSSE3)
  if (ssse3_usable) {
    return make_packed_batch(size);
  }
#endif
  std::array<std::uint64_t, BATCH_MAX / ROW> masks;
  for (std::size_t row = 0; row < size / ROW; ++row) {
    masks[row] = indexes_of_row(block.data() + row * ROW, batch_n, batch.data() + row * ROW);
  }
  std::size_t end = size;
  for (std::size_t row = 0; row * ROW < end; ++row) {
    for (std::uint64_t mask = masks[row]; mask != 0; mask &= mask - 1) {
      const std::size_t hole = row * ROW + static_cast<std::size_t>(std::countr_zero(mask));
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
    const std::size_t size = batch_size;
    refill({block.data(), size});
    batch_written = std::max(batch_written, size);
    batch_size = std::min(2 * size, BATCH_MAX);
    batch_end = batch.data() + make_batch(size);
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
    spare_run_written = true;
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
  stream_lock({reinterpret_cast<unsigned char*>(&secrets), sizeof secrets});  // NOLINT
  keyed = stream_start();
  refill(spare);
  batch_n = 0;
  batch_next = batch_end = batch.data();
  batch_size = BATCH_FIRST;
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

// Only what was written is wiped: a short run wrote a few hundred bytes of the batch, not all.
void random_finish() {
  keyed = false;
  stream_finish();
  wipe({block.data(), batch_written});
  wipe({batch.data(), batch_written});
  wipe(spare);
  if (spare_run_written) {
    wipe(spare_run);
  }
  batch_written = 0;
  spare_run_written = false;
  batch_next = batch_end = batch.data();
  spare_next = spare.size();
}
