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

// For each mask of eight 16-bit units to keep, the shuffle that packs their bytes at the start of
// sixteen (0x80 zeroes the rest).
inline constexpr std::array<std::array<std::uint8_t, 16>, 256> PACK_UNITS = [] {
  std::array<std::array<std::uint8_t, 16>, 256> table{};
  for (std::size_t mask = 0; mask != table.size(); ++mask) {
    table[mask].fill(0x80);
    std::size_t count = 0;
    for (std::size_t unit = 0; unit != 8; ++unit) {
      if ((mask >> unit & 1) != 0) {
        table[mask][2 * count] = static_cast<std::uint8_t>(2 * unit);
        table[mask][2 * count + 1] = static_cast<std::uint8_t>(2 * unit + 1);
        ++count;
      }
    }
  }
  return table;
}();

// Writes the units of units whose bits are set in keep (its low 8), in order, at out; returns
// how many bytes. Sixteen bytes at out are written, whatever keep says: out needs that room.
[[gnu::target("avx2,popcnt")]] inline std::size_t pack_units(__m128i units, std::uint32_t keep,
                                                             void* out) {
  const __m128i order =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(PACK_UNITS[keep].data()));  // NOLINT
  _mm_storeu_si128(static_cast<__m128i*>(out), _mm_shuffle_epi8(units, order));
  return 2 * static_cast<std::size_t>(std::popcount(keep));
}
#endif
