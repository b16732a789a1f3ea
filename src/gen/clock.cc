#include "gen/clock.h"

#include <chrono>

ClockReading read_system_clock() {
  using std::chrono::floor;
  using Clock = std::chrono::system_clock;
  const auto millis = floor<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
  const auto seconds = floor<std::chrono::seconds>(Clock::now().time_since_epoch()).count();
  // Kept in 0..999 even for a clock set before 1970, where % alone would go negative.
  const auto within = ((millis % 1000) + 1000) % 1000;
  return {static_cast<std::int64_t>(seconds), static_cast<std::int32_t>(within)};
}

std::uint32_t seed_from_clock(ClockReading reading) {
  // Unsigned arithmetic: the wrap modulo 2^32 is wanted, and defined.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(reading.seconds) * 1000u +
                                    static_cast<std::uint64_t>(reading.milliseconds));
}
