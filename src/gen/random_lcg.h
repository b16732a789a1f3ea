// The clock-seeded source's own stream: a 32-bit linear congruential generator with 15-bit
// output, and the exact scaling of its values to an index. Its arithmetic is part of what tolvane
// promises: the same seed and options give the same passwords on every build.
#pragma once

#include <cstdint>

#include "gen/clock.h"

inline constexpr std::int32_t RANDOM_RANGE = 32768;

// Restarts the stream from seed: the same seed always gives the same values.
void random_seed(std::uint32_t seed);

// seconds * 1000 + milliseconds, modulo 2^32: the moment in milliseconds, so that runs a
// millisecond apart print different passwords, and the wrap keeps every moment a valid seed.
std::uint32_t seed_from_clock(ClockReading reading);

// The next value of the stream, from 0 to RANDOM_RANGE - 1.
std::int32_t random_next();

// floor(r * n / 32768), below n for every r the source gives. Integer arithmetic keeps it exact,
// and the product fits easily: r < 2^15 and n is a pool or password length.
constexpr std::int32_t scale_to_index(std::int32_t r, std::int32_t n) {
  return static_cast<std::int32_t>(
      (static_cast<std::uint32_t>(r) * static_cast<std::uint32_t>(n)) >> 15);
}
