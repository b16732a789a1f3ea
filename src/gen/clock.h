// The clock reading that seeds the random source, kept apart so tests can supply their own.
#pragma once

#include <cstdint>

struct ClockReading {
  std::int64_t seconds;       // whole seconds since the Unix epoch
  std::int32_t milliseconds;  // within the current second, 0 to 999
};

using ClockFn = ClockReading (*)();

// Reads the milliseconds first, then the seconds, from the system clock.
ClockReading read_system_clock();

// seconds * 1000 + milliseconds, modulo 2^32.
std::uint32_t seed_from_clock(ClockReading reading);
