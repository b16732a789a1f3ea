#include "gen/random_lcg.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "gen/random.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::uint32_t MULTIPLIER = 214013u;
constexpr std::uint32_t INCREMENT = 2531011u;

// One step is one long chain of multiply and add, each waiting on the last. But k steps are one
// step too: s -> MULTIPLIER^k * s + INCREMENT * (MULTIPLIER^(k-1) + ... + 1), modulo 2^32. So
// LANES states a step apart each take LANES steps at a time, independent of one another (two to
// a vector register), and together give the stream in its own order.
constexpr std::size_t LANES = 16;
struct Step {
  std::uint32_t multiplier;
  std::uint32_t increment;
};
constexpr Step LANE_STEP = [] {
  Step step{1, 0};
  for (std::size_t k = 0; k < LANES; ++k) {
    step = {step.multiplier * MULTIPLIER, step.increment * MULTIPLIER + INCREMENT};
  }
  return step;
}();

using Lanes = std::array<std::uint32_t, LANES>;

// The states of the next LANES values after seed: the stream's first value comes from seed's
// first step.
constexpr Lanes lanes_after(std::uint32_t seed) noexcept {
  Lanes states{};
  for (std::uint32_t& state : states) {
    seed = seed * MULTIPLIER + INCREMENT;
    state = seed;
  }
  return states;
}

// The values made ahead, with each one's index below run_n alongside, so that a run of the pool's
// indexes is handed out in place. Room before the AHEAD new values for the few left unused. The
// first values after seeding are few: one password needs no more.
constexpr std::size_t RUN_MAX = RANDOM_PEEK_MAX;
constexpr std::size_t AHEAD = 1024;
constexpr std::size_t AHEAD_FIRST = 64;
std::size_t ahead = AHEAD_FIRST;
constinit Lanes lanes = lanes_after(1);  // the stream before any seeding is seed 1's
alignas(16) std::array<std::uint16_t, RUN_MAX + AHEAD> values;
alignas(16) std::array<std::uint8_t, RUN_MAX + AHEAD> indexes;
std::size_t next = 0;
std::size_t end = 0;
std::int32_t run_n = 1;

#if defined(__SSE2__)
// Two lanes a vector, each in the low half of a 64-bit slot: SSE2's multiply takes exactly those
// halves, and the low half of its 64-bit product plus the increment is the lane's next state.
__m128i step_lanes(__m128i states) {
  return _mm_add_epi32(
      _mm_mul_epu32(states, _mm_set1_epi32(static_cast<int>(LANE_STEP.multiplier))),
      _mm_set1_epi32(static_cast<int>(LANE_STEP.increment)));
}

// The four lanes of two such vectors, in order, in one.
__m128i joined(__m128i first, __m128i second) {
  return _mm_castps_si128(
      _mm_shuffle_ps(_mm_castsi128_ps(first), _mm_castsi128_ps(second), _MM_SHUFFLE(2, 0, 2, 0)));
}

// Eight states' values: bits 16 to 30 (bit 31 never reaches a value, so seeds s and s + 2^31
// give the same stream), which fit a signed 16-bit lane, so the signed pack keeps them whole.
__m128i values_of(__m128i low, __m128i high) {
  return _mm_packs_epi32(_mm_srli_epi32(_mm_slli_epi32(low, 1), 17),
                         _mm_srli_epi32(_mm_slli_epi32(high, 1), 17));
}

// count values, from the first and LANES at a time, with their indexes below n: r * n >> 15
// is the high half of r * 2n, and 2n still fits 16 bits.
void make_values_at(std::size_t first, std::size_t count, std::uint32_t n) {
  static_assert(LANES == 16);
  const auto pair = [](std::size_t k) {  // lanes 2k and 2k + 1
    return _mm_set_epi32(0, static_cast<int>(lanes[2 * k + 1]), 0, static_cast<int>(lanes[2 * k]));
  };
  __m128i p0 = pair(0);
  __m128i p1 = pair(1);
  __m128i p2 = pair(2);
  __m128i p3 = pair(3);
  __m128i p4 = pair(4);
  __m128i p5 = pair(5);
  __m128i p6 = pair(6);
  __m128i p7 = pair(7);
  const __m128i twice_n = _mm_set1_epi16(static_cast<short>(2 * n));
  for (std::size_t k = first; k < first + count; k += LANES) {
    const __m128i low = values_of(joined(p0, p1), joined(p2, p3));
    const __m128i high = values_of(joined(p4, p5), joined(p6, p7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&values[k]), low);       // NOLINT
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&values[k + 8]), high);  // NOLINT
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(&indexes[k]),  // NOLINT
        _mm_packus_epi16(_mm_mulhi_epu16(low, twice_n), _mm_mulhi_epu16(high, twice_n)));
    p0 = step_lanes(p0);
    p1 = step_lanes(p1);
    p2 = step_lanes(p2);
    p3 = step_lanes(p3);
    p4 = step_lanes(p4);
    p5 = step_lanes(p5);
    p6 = step_lanes(p6);
    p7 = step_lanes(p7);
  }
  auto* back = reinterpret_cast<__m128i*>(lanes.data());  // NOLINT
  _mm_storeu_si128(back, joined(p0, p1));
  _mm_storeu_si128(back + 1, joined(p2, p3));
  _mm_storeu_si128(back + 2, joined(p4, p5));
  _mm_storeu_si128(back + 3, joined(p6, p7));
}
#else
constexpr std::uint16_t value_of(std::uint32_t state) {
  // Bit 31 of the state never reaches the value, so seeds s and s + 2^31 give the same stream.
  return static_cast<std::uint16_t>((state >> 16) & 0x7FFFu);
}

void make_values_at(std::size_t first, std::size_t count, std::uint32_t n) {
  for (std::size_t k = first; k < first + count; k += LANES) {
    for (std::size_t j = 0; j < LANES; ++j) {
      const std::uint16_t value = value_of(lanes[j]);
      values[k + j] = value;
      indexes[k + j] = static_cast<std::uint8_t>((value * n) >> 15);
      lanes[j] = lanes[j] * LANE_STEP.multiplier + LANE_STEP.increment;
    }
  }
}
#endif

// The few values left unused go first, then the new ones.
[[gnu::noinline]] void make_values() {
  const std::size_t left = end - next;
  std::copy(values.begin() + static_cast<std::ptrdiff_t>(next),
            values.begin() + static_cast<std::ptrdiff_t>(end), values.begin());
  std::copy(indexes.begin() + static_cast<std::ptrdiff_t>(next),
            indexes.begin() + static_cast<std::ptrdiff_t>(end), indexes.begin());
  make_values_at(left, ahead, static_cast<std::uint32_t>(run_n));
  next = 0;
  end = left + ahead;
  ahead = AHEAD;
}

// A run below another n than the last: the indexes made ahead are made again for it.
[[gnu::noinline]] void change_run_n(std::int32_t n) {
  run_n = n;
  for (std::size_t k = next; k < end; ++k) {
    indexes[k] = static_cast<std::uint8_t>(scale_to_index(values[k], n));
  }
}

}  // namespace

void random_seed(std::uint32_t seed) {
  lanes = lanes_after(seed);
  next = end = 0;
  ahead = AHEAD_FIRST;
}

std::int32_t random_next() {
  if (next == end) {
    make_values();
  }
  return values[next++];
}

std::int32_t random_index(std::int32_t n) {
  return scale_to_index(random_next(), n);
}

const std::uint8_t* random_peek(std::int32_t n, std::size_t count) {
  if (n != run_n) {
    change_run_n(n);
  }
  while (end - next < count) {  // twice at most: the first values after seeding are few
    make_values();
  }
  return indexes.data() + next;
}

void random_take(std::size_t count) {
  next += count;
}

void random_finish() {}
