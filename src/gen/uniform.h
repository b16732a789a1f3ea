// Exactly uniform indexes below n from random bytes, without dividing: the bytes times n spread
// over n buckets, less the few products that would make some buckets fuller.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

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

// Two indexes from each 16 bits, for the pool's indexes: a byte each would leave log2(256 / n)
// bits unused, and reject far more (one byte in 32 for the default pool of 62, against one unit
// in 340). The unit times n * n is spread over n * n buckets of 65536, less the 65536 mod n * n
// lowest products, which would make some buckets fuller; the bucket's number, in base n, is the
// two indexes. Worked out as two products by n: the high half of unit * n is the first index,
// and what remains times n gives the second in its high half and, in its low half, the low half
// of unit * n * n.
inline constexpr std::array<std::uint16_t, 256> REJECTED_LOW_UNITS = [] {
  std::array<std::uint16_t, 256> table{};
  for (std::uint32_t n = 1; n != table.size(); ++n) {
    table[n] = static_cast<std::uint16_t>(65536u % (n * n));
  }
  return table;
}();

// The bytes made indexes below n (1 to 255) at out (as long as bytes), two from each unit of two
// bytes, the first byte the low one whatever the machine's byte order; the rejected units are
// left out, so the indexes kept stay in the stream's order. Returns how many were kept.
constexpr std::size_t indexes_from_units(std::span<const std::uint8_t> bytes, std::int32_t n,
                                         std::uint8_t* out) {
  const auto width = static_cast<std::uint32_t>(n);
  const std::uint16_t bound = REJECTED_LOW_UNITS[static_cast<std::size_t>(n)];
  std::size_t kept = 0;
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const std::uint32_t unit = bytes[at] | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
    const std::uint32_t times_n = unit * width;                      // high half: first index
    const std::uint32_t rest_times_n = (times_n & 0xFFFFu) * width;  // high half: second index
    const bool rejected = (rest_times_n & 0xFFFFu) < bound;  // low half: that of unit * n * n
    // Written whether kept or not; only a kept pair moves the end on, so a rejection costs no
    // branch.
    out[kept] = static_cast<std::uint8_t>(times_n >> 16);
    out[kept + 1] = static_cast<std::uint8_t>(rest_times_n >> 16);
    kept += rejected ? 0 : 2;
  }
  return kept;
}
