#include "gen/clock.h"

#ifdef TOLVANE_HAVE_TIMESPEC_GET
#include <ctime>
#else
#include <chrono>
#endif

// The C library's clock where it has one: the program then needs no C++ runtime library at load
// time, a measurable share of a run that lasts milliseconds. MinGW's C runtime has none, and
// std::chrono serves there. A failed reading leaves the zero time: a seed like any other.
ClockReading read_system_clock() {
#ifdef TOLVANE_HAVE_TIMESPEC_GET
  std::timespec now{};
  (void)std::timespec_get(&now, TIME_UTC);
  return {static_cast<std::int64_t>(now.tv_sec),
          static_cast<std::int32_t>(now.tv_nsec / 1'000'000)};
#else
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
  return {seconds.count(),
          static_cast<std::int32_t>(
              std::chrono::duration_cast<std::chrono::milliseconds>(since - seconds).count())};
#endif
}
