#include "gen/clock.h"

#include <ctime>

namespace {

// The C library's clock, not std::chrono's: the program then needs no C++ runtime library at
// load time, which is a measurable share of a run that lasts milliseconds.
std::timespec now() {
  // A failed reading leaves the zero time: a seed like any other, not worth an error.
  std::timespec ts{};
  (void)std::timespec_get(&ts, TIME_UTC);
  return ts;
}

}  // namespace

ClockReading read_system_clock() {
  const std::int32_t milliseconds = static_cast<std::int32_t>(now().tv_nsec / 1'000'000);
  const std::int64_t seconds = now().tv_sec;
  return {seconds, milliseconds};
}

std::uint32_t seed_from_clock(ClockReading reading) {
  // Unsigned arithmetic: the wrap modulo 2^32 is wanted, and defined.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(reading.seconds) * 1000u +
                                    static_cast<std::uint64_t>(reading.milliseconds));
}
