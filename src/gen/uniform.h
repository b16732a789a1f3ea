// Exactly uniform indexes below n from random bytes, without dividing: the byte times n spread
// over n buckets of 256, less the few products that would make some buckets fuller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

inline constexpr std::int32_t BYTE_REJECTED = -1;

// For each n, how many low bytes of byte * n to reject: 256 mod n. After that, every index is
// reached by exactly floor(256 / n) byte values. A table, so no draw pays for a division.
inline constexpr std::array<std::uint8_t, 256> REJECTED_LOW_BYTES = [] {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t n = 1; n != table.size(); ++n) {
    table[n] = static_cast<std::uint8_t>(256u % n);
  }
  return table;
}();

// The index byte stands for among n (1 to 255), or BYTE_REJECTED: then draw another byte.
constexpr std::int32_t index_from_byte(std::uint8_t byte, std::int32_t n) {
  const auto product = static_cast<std::uint32_t>(byte) * static_cast<std::uint32_t>(n);
  if ((product & 0xFFu) < REJECTED_LOW_BYTES[static_cast<std::size_t>(n)]) {
    return BYTE_REJECTED;
  }
  return static_cast<std::int32_t>(product >> 8);
}

inline constexpr std::uint8_t INDEX_REJECTED = 0xFF;  // no n up to 255 has this index

// Two bytes at once, for the blocks of the pool's indexes: two uniform indexes from 16 bits, of
// which a byte each would leave log2(256 / n) unused, and far fewer rejected (one in 340 for the
// default pool of 62, against one in 32 a byte). The unit (its two bytes, the first low) times
// n * n is spread over n * n buckets of 65536, less the 65536 mod n * n lowest products, which
// would make some buckets fuller; the bucket's number, in base n, is the two indexes. Worked out
// as two products by n: the high half of unit * n is the first index, and what remains times n
// gives the second in its high half and, in its low half, the low half of unit * n * n.
inline constexpr std::array<std::uint16_t, 256> REJECTED_LOW_UNITS = [] {
  std::array<std::uint16_t, 256> table{};
  for (std::uint32_t n = 1; n != table.size(); ++n) {
    table[n] = static_cast<std::uint16_t>(65536u % (n * n));
  }
  return table;
}();

// The unit's two indexes below n (1 to 255) into out, or INDEX_REJECTED twice.
constexpr void pair_from_unit(std::uint16_t unit, std::int32_t n, std::uint8_t* out) {
  const auto width = static_cast<std::uint32_t>(n);
  const std::uint32_t first = unit * width;
  const std::uint32_t second = (first & 0xFFFFu) * width;
  const bool rejected = (second & 0xFFFFu) < REJECTED_LOW_UNITS[static_cast<std::size_t>(n)];
  out[0] = rejected ? INDEX_REJECTED : static_cast<std::uint8_t>(first >> 16);
  out[1] = rejected ? INDEX_REJECTED : static_cast<std::uint8_t>(second >> 16);
}

// Bit k set where bytes[k] is INDEX_REJECTED, for the 64 bytes at bytes, eight bytes a step: the
// few rejected ones are found without a test per byte.
inline std::uint64_t rejected_mask(const std::uint8_t* bytes) {
  constexpr std::uint64_t LOW7 = 0x7F7F7F7F7F7F7F7Full;
  std::uint64_t mask = 0;
  for (std::size_t word = 0; word < 8; ++word) {
    std::uint64_t value = 0;
    std::memcpy(&value, bytes + 8 * word, sizeof value);
    const std::uint64_t inverted = ~value;  // a rejected byte is now 0
    const std::uint64_t zero_bytes = ~(((inverted & LOW7) + LOW7) | inverted | LOW7);
    // The top bit of each zero byte, gathered into the top byte in byte order.
    const std::uint64_t flags = ((zero_bytes >> 7) * 0x0102040810204080ull) >> 56;
    mask |= flags << (8 * word);
  }
  return mask;
}

#if defined(__SSE2__)
// Eight units' pairs of indexes, INDEX_REJECTED twice where rejected, and the rejected units
// as all ones, in each 16-bit lane. width is n and bound 65536 mod n * n in every lane.
inline __m128i pairs_of_8(__m128i units, __m128i width, __m128i bound, __m128i& rejected) {
  const __m128i first = _mm_mulhi_epu16(units, width);
  const __m128i rest = _mm_mullo_epi16(units, width);
  const __m128i second = _mm_mulhi_epu16(rest, width);
  const __m128i low = _mm_mullo_epi16(rest, width);
  // bound - low, saturated at 0, is 0 exactly where low >= bound.
  rejected = _mm_xor_si128(_mm_cmpeq_epi16(_mm_subs_epu16(bound, low), _mm_setzero_si128()),
                           _mm_set1_epi16(-1));
  return _mm_or_si128(_mm_or_si128(first, _mm_slli_epi16(second, 8)), rejected);
}
#endif

// The pairs of the 32 units at bytes into out (which may be bytes), and the mask of the rejected
// bytes, two for each unit rejected.
inline std::uint64_t pairs_of_row(const unsigned char* bytes, std::int32_t n, std::uint8_t* out) {
#if defined(__SSE2__)
  const __m128i width = _mm_set1_epi16(static_cast<short>(n));
  const __m128i bound =
      _mm_set1_epi16(static_cast<short>(REJECTED_LOW_UNITS[static_cast<std::size_t>(n)]));
  std::uint64_t mask = 0;
  for (std::size_t part = 0; part < 4; ++part) {
    __m128i rejected;
    const __m128i pairs = pairs_of_8(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes) + part), width, bound, rejected);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out) + part, pairs);  // NOLINT
    mask |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(rejected)))
            << (16 * part);
  }
  return mask;
#else
  for (std::size_t unit = 0; unit < 32; ++unit) {
    pair_from_unit(static_cast<std::uint16_t>(bytes[2 * unit] | bytes[2 * unit + 1] << 8), n,
                   out + 2 * unit);
  }
  return rejected_mask(out);
#endif
}
