#include "gen/clock.h"

#ifdef TOLVANE_HAVE_TIMESPEC_GET
#include <ctime>
#else
#include <chrono>
#endif

namespace {

struct Now {
  std::int64_t seconds;      // since the Unix epoch, rounded down
  std::int64_t nanoseconds;  // within that second, 0 to 999,999,999
};

// The C library's clock where it has one: the program then needs no C++ runtime library at load
// time, a measurable share of a run that lasts milliseconds. MinGW's C runtime has none, and
// std::chrono serves there. A failed reading leaves the zero time: a seed like any other.
Now now() {
#ifdef TOLVANE_HAVE_TIMESPEC_GET
  std::timespec ts{};
  (void)std::timespec_get(&ts, TIME_UTC);
  return {static_cast<std::int64_t>(ts.tv_sec), static_cast<std::int64_t>(ts.tv_nsec)};
#else
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
  return {seconds.count(),
          std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count()};
#endif
}

}  // namespace

ClockReading read_system_clock() {
  const Now reading = now();
  return {reading.seconds, static_cast<std::int32_t>(reading.nanoseconds / 1'000'000)};
}

std::uint32_t seed_from_clock(ClockReading reading) {
  // Unsigned arithmetic: the wrap modulo 2^32 is wanted, and defined.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(reading.seconds) * 1000u +
                                    static_cast<std::uint64_t>(reading.milliseconds));
}
