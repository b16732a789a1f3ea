// An exactly uniform index below n from one random byte, without dividing: the byte times n
// spread over n buckets of 256, less the few products that would make some buckets fuller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

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

// The same for a whole block: each byte's index, or INDEX_REJECTED. Written without a branch, so
// the compiler makes it a few vector instructions a block.
constexpr void indexes_or_rejected(std::span<const unsigned char> bytes, std::int32_t n,
                                   std::span<std::uint8_t> out) {
  // 16-bit lanes, the narrowest that hold byte * n: twice as many a vector instruction.
  const auto width = static_cast<std::uint16_t>(n);
  const auto rejected = static_cast<std::uint8_t>(REJECTED_LOW_BYTES[static_cast<std::size_t>(n)]);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto product = static_cast<std::uint16_t>(bytes[i] * width);
    const auto low = static_cast<std::uint8_t>(product);
    out[i] = low >= rejected ? static_cast<std::uint8_t>(product >> 8) : INDEX_REJECTED;
  }
}

// Bit k set where bytes[k] is INDEX_REJECTED, for the 64 bytes at bytes, eight bytes a step: the
// few rejected ones are found without a test per byte. Portable; see rejected_mask.
inline std::uint64_t rejected_mask_portable(const std::uint8_t* bytes) {
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

// The same, sixteen bytes an instruction where the processor has SSE2 (every x86-64 does).
inline std::uint64_t rejected_mask(const std::uint8_t* bytes) {
#if defined(__SSE2__)
  const __m128i rejected = _mm_set1_epi8(static_cast<char>(INDEX_REJECTED));
  std::uint64_t mask = 0;
  for (std::size_t part = 0; part < 4; ++part) {
    const __m128i value =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * part));  // NOLINT
    const auto bits =
        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(value, rejected)));
    mask |= static_cast<std::uint64_t>(bits) << (16 * part);
  }
  return mask;
#else
  return rejected_mask_portable(bytes);
#endif
}

#if defined(__SSE2__)
// Sixteen bytes' indexes below n, each INDEX_REJECTED where its byte is: products in 16-bit
// lanes, the rejected ones found by comparing their low bytes, the indexes their high bytes.
// width is n in every 16-bit lane, bound 256 mod n.
inline __m128i indexes_of_16(__m128i bytes, __m128i width, __m128i bound) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low_byte = _mm_set1_epi16(0xFF);
  const __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(bytes, zero), width);
  const __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(bytes, zero), width);
  const __m128i rejected = _mm_packs_epi16(_mm_cmpgt_epi16(bound, _mm_and_si128(low, low_byte)),
                                           _mm_cmpgt_epi16(bound, _mm_and_si128(high, low_byte)));
  const __m128i index = _mm_packus_epi16(_mm_srli_epi16(low, 8), _mm_srli_epi16(high, 8));
  return _mm_or_si128(index, rejected);
}

inline __m128i index_width(std::int32_t n) {
  return _mm_set1_epi16(static_cast<short>(n));
}

inline __m128i rejection_bound(std::int32_t n) {
  return _mm_set1_epi16(REJECTED_LOW_BYTES[static_cast<std::size_t>(n)]);
}
#endif

// indexes_or_rejected and rejected_mask at once, for the 64 bytes at bytes: each byte's index or
// INDEX_REJECTED into out, and the mask of the rejected ones.
inline std::uint64_t indexes_of_row(const unsigned char* bytes, std::int32_t n, std::uint8_t* out) {
#if defined(__SSE2__)
  const __m128i width = index_width(n);
  const __m128i bound = rejection_bound(n);
  const __m128i rejected = _mm_set1_epi8(static_cast<char>(INDEX_REJECTED));
  std::uint64_t mask = 0;
  for (std::size_t part = 0; part < 4; ++part) {
    const __m128i index = indexes_of_16(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes) + part), width, bound);  // NOLINT
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out) + part, index);                     // NOLINT
    mask |= static_cast<std::uint64_t>(
                static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(index, rejected))))
            << (16 * part);
  }
  return mask;
#else
  indexes_or_rejected({bytes, 64}, n, {out, 64});
  return rejected_mask_portable(out);
#endif
}
