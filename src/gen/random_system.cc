// The operating system's cryptographically secure random source, linked in place of the linear
// congruential generator by the build that wants unpredictable passwords. The bytes come from
// the platform's stream (system_stream.h); here they become exactly uniform indexes, by
// rejection, at about one byte a character. The pool's indexes, nearly every draw, are made a
// block at a time; other lengths byte by byte.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <span>

#include "gen/avx2.h"
#include "gen/random.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"
#include "gen/wipe.h"

namespace {

constexpr std::size_t BATCH_MAX = 8192;
constexpr std::size_t BATCH_FIRST = 128;  // the first look ahead (64 indexes), and a little more
constexpr std::size_t SPARE = 1024;
// A run's first spare bytes, at the spare's end: a few passwords' repairs, a few bytes each. A
// short run that needs none is spared making the rest (before libsodium starts, with its
// slower portable cipher).
constexpr std::size_t SPARE_FIRST = 64;
constexpr std::size_t ROW = 64;

// What may tell a password, in one piece, so that one call locks it in memory while the run lasts:
// keystream for the pool's indexes, in blocks large enough for the cipher's widest code, made
// indexes below batch_n in its place; keystream for every other n, taken a byte at a time, and
// the runs made from it.
struct Secrets {
  // The indexes a look left unused, moved to the front, then a block of keystream made new ones.
  alignas(64) std::array<std::uint8_t, RANDOM_PEEK_MAX + BATCH_MAX> batch;
  alignas(64) std::array<unsigned char, SPARE> spare;
  std::array<std::uint8_t, RANDOM_PEEK_MAX> spare_run;
};
Secrets secrets;
auto& batch = secrets.batch;
auto& spare = secrets.spare;
auto& spare_run = secrets.spare_run;

std::int32_t batch_n = 0;  // 0 until the first draw after seeding
const std::uint8_t* batch_next = batch.data();
const std::uint8_t* batch_end = batch.data();
// A run of a few passwords needs a few hundred indexes: the batches start small and grow, so that
// such a run neither makes nor wipes keystream it never uses.
std::size_t batch_size = BATCH_FIRST;
std::size_t batch_written = 0;  // how much of the batch holds anything to wipe
std::size_t spare_next = SPARE;
std::size_t spare_run_written = 0;
bool peeked_spare = false;  // the last look was at spare indexes, which random_take leaves be
bool keyed = false;         // between random_seed and random_finish

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

// The size bytes of keystream at out made indexes in their place, two from each 16-bit unit, the
// rejected ones taken out; returns how many remain: the accepted indexes, each exactly uniform,
// in an order that depends on where the rejections fell and not on any value. With AVX2 the
// accepted units are packed in order, with no branch per rejection.
#if defined(TOLVANE_AVX2)
// As pairs_of_8 does, sixteen units at a time.
[[gnu::target("avx2")]] __m256i pairs_of_16(const std::uint8_t* at, __m256i width, __m256i bound,
                                            __m256i& kept) {
  const __m256i units = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));  // NOLINT
  const __m256i first = _mm256_mulhi_epu16(units, width);
  const __m256i rest = _mm256_mullo_epi16(units, width);
  const __m256i second = _mm256_mulhi_epu16(rest, width);
  const __m256i low = _mm256_mullo_epi16(rest, width);
  kept = _mm256_cmpeq_epi16(_mm256_subs_epu16(bound, low), _mm256_setzero_si256());
  return _mm256_or_si256(first, _mm256_slli_epi16(second, 8));
}

[[gnu::target("avx2,popcnt")]] std::size_t make_packed_batch(std::uint8_t* out, std::size_t size) {
  const __m256i width = _mm256_set1_epi16(static_cast<short>(batch_n));
  const __m256i bound =
      _mm256_set1_epi16(static_cast<short>(REJECTED_LOW_UNITS[static_cast<std::size_t>(batch_n)]));
  std::size_t end = 0;
  for (std::size_t offset = 0; offset < size; offset += 64) {
    __m256i kept_a;
    __m256i kept_b;
    const __m256i a = pairs_of_16(out + offset, width, bound, kept_a);
    const __m256i b = pairs_of_16(out + offset + 32, width, bound, kept_b);
    // A byte a unit, by halves: a's first eight units, b's first eight, a's last, b's last.
    const auto keep =
        static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_packs_epi16(kept_a, kept_b)));
    end += pack_units(_mm256_castsi256_si128(a), keep & 0xFF, out + end);
    end += pack_units(_mm256_extracti128_si256(a, 1), keep >> 16 & 0xFF, out + end);
    end += pack_units(_mm256_castsi256_si128(b), keep >> 8 & 0xFF, out + end);
    end += pack_units(_mm256_extracti128_si256(b, 1), keep >> 24, out + end);
  }
  return end;
}
#endif

// Without it, each rejected slot takes the last good index of the batch, which then ends before
// it. Each row's rejected slots are found with its indexes, so the loop over them mispredicts
// about once a row rather than once a rejection.
std::size_t make_batch(std::uint8_t* out, std::size_t size) {
#if defined(TOLVANE_AVX2)
  if (avx2_usable) {
    return make_packed_batch(out, size);
  }
#endif
  std::array<std::uint64_t, BATCH_MAX / ROW> masks;
  for (std::size_t row = 0; row < size / ROW; ++row) {
    masks[row] = pairs_of_row(out + row * ROW, batch_n, out + row * ROW);
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
      } while (end > hole && out[end] == INDEX_REJECTED);
      out[hole] = out[end];
    }
  }
  return end;
}

// A batch of at least count indexes: those left unused, moved to the front, and new ones after
// them, from blocks that start small and grow.
void fill_batch(std::size_t count) {
  do {
    const auto left = static_cast<std::size_t>(batch_end - batch_next);
    std::memmove(batch.data(), batch_next, left);
    const std::size_t size = batch_size;
    refill({batch.data() + left, size});
    batch_written = std::max(batch_written, left + size);
    batch_size = std::min(2 * size, BATCH_MAX);
    batch_end = batch.data() + left + make_batch(batch.data() + left, size);
    batch_next = batch.data();
  } while (static_cast<std::size_t>(batch_end - batch_next) < count);
}

// Every look the batch cannot serve: the first after seeding, which fixes the batch's n (the
// pool's), a batch that holds too few, and the repairs' set lengths and positions, which take
// spare bytes, made afresh for each look.
[[gnu::noinline]] const std::uint8_t* peek_outside_batch(std::int32_t n, std::size_t count) {
  if (batch_n == 0) {
    batch_n = n;
  }
  peeked_spare = n != batch_n;
  if (peeked_spare) {
    std::generate_n(spare_run.begin(), count,
                    [n] { return static_cast<std::uint8_t>(spare_index(n)); });
    spare_run_written = std::max(spare_run_written, count);
    return spare_run.data();
  }
  fill_batch(count);
  return batch_next;
}

}  // namespace

// The key is read and the first spare bytes drawn here, before any password is: a source that
// fails stops the run before it prints anything. The batch is made at the first draw, for its n.
void random_seed(std::uint32_t /*seed*/) {
  stream_lock({reinterpret_cast<unsigned char*>(&secrets), sizeof secrets});  // NOLINT
  keyed = stream_start();
  spare_next = SPARE - SPARE_FIRST;
  refill({spare.data() + spare_next, SPARE_FIRST});
  batch_n = 0;
  batch_next = batch_end = batch.data();
  batch_size = BATCH_FIRST;
}

const std::uint8_t* random_peek(std::int32_t n, std::size_t count) {
  if (n == batch_n && static_cast<std::size_t>(batch_end - batch_next) >= count) {
    peeked_spare = false;
    return batch_next;
  }
  return peek_outside_batch(n, count);
}

void random_take(std::size_t count) {
  if (!peeked_spare) {
    batch_next += count;
  }
}

std::int32_t random_index(std::int32_t n) {
  if (n == batch_n && batch_next != batch_end) {
    return *batch_next++;
  }
  return *random_run(n, 1);
}

// Only what was written is wiped: a short run wrote a few hundred bytes of the batch, not all.
void random_finish() {
  keyed = false;
  stream_finish();
  wipe({batch.data(), batch_written});
  wipe(spare);
  wipe({spare_run.data(), spare_run_written});
  batch_written = spare_run_written = 0;
  batch_next = batch_end = batch.data();
  spare_next = spare.size();
}
