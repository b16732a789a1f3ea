// Exactly uniform indexes below n (1 to 255) from random bytes, without dividing.
//
// One index from k random bits, for any m up to 2^k: a value x of k bits times m lies below
// m * 2^k, so its high part, (x * m) >> k, is below m and is the index; its low part is
// (x * m) mod 2^k. Fix an index j. The x that give j have low parts that step by m through
// [0, 2^k), all alike mod m (each is -j * 2^k mod m, plus a multiple of m). Rejecting every x
// whose low part is below r = 2^k mod m keeps those in [r, 2^k), a stretch of 2^k - r, a whole
// number of m: it holds floor(2^k / m) numbers of each class mod m, so exactly that many x are
// kept for every j. Every index is equally likely, whatever the random bits, with no division.
//
// A byte (k = 8, m = n) gives one index. Two bytes (k = 16) give two at once: the two base-n
// digits of one index below m = n * n (at most 65025, so under 2^16), rejected against
// 65536 mod n^2 as above. With t = x * n, the first digit is t >> 16; and since
// x * n * n = (t >> 16) * n * 2^16 + (t mod 2^16) * n, the product (t mod 2^16) * n holds the
// second digit in its high half and, in its low half, exactly the low part of x * n * n that the
// rule looks at. So the test on that low half is the one-index rule for m = n * n, and the pair
// is uniform over all n * n pairs: each digit uniform, and the two independent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::int32_t BYTE_REJECTED = -1;

// 256 mod n, for each n: a table, so that no draw pays for a division.
inline constexpr std::array<std::uint8_t, 256> REJECTED_LOW_BYTES = [] {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t n = 1; n != table.size(); ++n) {
    table[n] = static_cast<std::uint8_t>(256u % n);
  }
  return table;
}();

// An index below n from one byte, or BYTE_REJECTED: then draw another byte.
constexpr std::int32_t index_from_byte(std::uint8_t byte, std::int32_t n) {
  const auto product = static_cast<std::uint32_t>(byte) * static_cast<std::uint32_t>(n);
  if ((product & 0xFFu) < REJECTED_LOW_BYTES[static_cast<std::size_t>(n)]) {
    return BYTE_REJECTED;
  }
  return static_cast<std::int32_t>(product >> 8);
}

// 65536 mod n * n, for each n. Two indexes from each unit of two bytes, for the pool's draws,
// where a byte each would leave log2(256 / n) bits unused and reject far more (one byte in 32
// for the default pool of 62, against one unit in 340).
inline constexpr std::array<std::uint16_t, 256> REJECTED_LOW_UNITS = [] {
  std::array<std::uint16_t, 256> table{};
  for (std::uint32_t n = 1; n != table.size(); ++n) {
    table[n] = static_cast<std::uint16_t>(65536u % (n * n));
  }
  return table;
}();

// The bytes made indexes below n at out (as long as bytes), two from each unit, the first byte
// the low one whatever the machine's byte order. Rejected units give none, so the indexes kept
// stay in the stream's order. Returns how many were kept.
constexpr std::size_t indexes_from_units(std::span<const std::uint8_t> bytes, std::int32_t n,
                                         std::uint8_t* out) {
  const auto width = static_cast<std::uint32_t>(n);
  const std::uint16_t bound = REJECTED_LOW_UNITS[static_cast<std::size_t>(n)];
  std::size_t kept = 0;
  for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const std::uint32_t unit = bytes[at] | static_cast<std::uint32_t>(bytes[at + 1]) << 8;
    const std::uint32_t times_n = unit * width;
    const std::uint32_t rest_times_n = (times_n & 0xFFFFu) * width;
    // Written whether kept or not; only a kept pair moves the end on: no branch.
    out[kept] = static_cast<std::uint8_t>(times_n >> 16);
    out[kept + 1] = static_cast<std::uint8_t>(rest_times_n >> 16);
    // The low half of x * n * n: below 65536 mod n^2 it is one of the few surplus units (top).
    kept += (rest_times_n & 0xFFFFu) < bound ? 0 : 2;
  }
  return kept;
}
