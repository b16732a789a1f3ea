// AVX2 where the processor has it (every x86-64 of the last ten years, but not the baseline the
// programs are built for): the code that uses it is compiled for it function by function, and
// runs only where avx2_usable says so.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) && defined(__GNUC__) && defined(__GLIBC__)
#include <immintrin.h>
// The C library's header is C: its functions return C's boolean type, which C++ spells bool.
#define _Bool bool  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
#include <sys/platform/x86.h>
#undef _Bool
#define TOLVANE_AVX2 1

// Read from what the C library learnt at start, not from the processor again: CPUID is slow
// where a hypervisor answers it (and, C, throws nothing). POPCNT too, which every processor with
// AVX2 has. Tests clear it to run the plain code on the same input.
inline bool avx2_usable =  // NOLINT(cert-err58-cpp)
    CPU_FEATURE_ACTIVE(AVX2) && CPU_FEATURE_ACTIVE(POPCNT);
// Whether the vector registers are 256 bits wide, whatever the draw: the C library's own copies
// use all of them where they are.
inline const bool avx_usable = CPU_FEATURE_ACTIVE(AVX);  // NOLINT(cert-err58-cpp)

// For each mask of eight bytes to keep, the shuffle that packs those bytes at the start of eight
// (0x80 zeroes the rest, and still does with 8 added), and how many they are.
inline constexpr std::array<std::uint64_t, 256> PACK_ORDER = [] {
  std::array<std::uint64_t, 256> table{};
  for (std::size_t mask = 0; mask != table.size(); ++mask) {
    std::uint64_t order = 0x8080808080808080ull;
    std::size_t count = 0;
    for (std::size_t bit = 0; bit != 8; ++bit) {
      if ((mask >> bit & 1) != 0) {
        order &= ~(0xFFull << (8 * count));
        order |= static_cast<std::uint64_t>(bit) << (8 * count);
        ++count;
      }
    }
    table[mask] = order;
  }
  return table;
}();
inline constexpr std::array<std::uint8_t, 256> PACK_COUNT = [] {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t mask = 0; mask != table.size(); ++mask) {
    table[mask] = static_cast<std::uint8_t>(std::popcount(mask));
  }
  return table;
}();

// Writes the bytes of bytes whose bits are set in keep (its low 16), in order, at out; returns
// how many. Up to 16 bytes at out are written, whatever keep says: out needs that room.
[[gnu::target("avx2")]] inline std::size_t pack_bytes(__m128i bytes, std::uint32_t keep,
                                                      void* out) {
  auto* const at = static_cast<unsigned char*>(out);
  const std::uint32_t low = keep & 0xFF;
  const std::uint32_t high = keep >> 8 & 0xFF;
  const __m128i low_order = _mm_cvtsi64_si128(static_cast<long long>(PACK_ORDER[low]));
  const __m128i high_order =
      _mm_add_epi8(_mm_cvtsi64_si128(static_cast<long long>(PACK_ORDER[high])), _mm_set1_epi8(8));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(at), _mm_shuffle_epi8(bytes, low_order));  // NOLINT
  _mm_storel_epi64(reinterpret_cast<__m128i*>(at + PACK_COUNT[low]),                     // NOLINT
                   _mm_shuffle_epi8(bytes, high_order));
  return std::size_t{PACK_COUNT[low]} + PACK_COUNT[high];
}
#endif
