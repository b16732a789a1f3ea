// The clock reading that seeds the exact build's generator; only that source reads the clock.
#pragma once

#include <cstdint>

// One moment, as the seed is made of it.
struct ClockReading {
  std::int64_t seconds;       // whole seconds since the Unix epoch
  std::int32_t milliseconds;  // within that same second, 0 to 999
};

// One reading of the system clock, split in two: read twice, a run just before a second's end
// could take the milliseconds of one second and the whole seconds of the next, and print the
// passwords of a moment almost a second later.
ClockReading read_system_clock();
