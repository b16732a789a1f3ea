// The process's one random source as the generator sees it: indexes below n. Which source
// answers is chosen when the program is linked (random_lcg.cc or random_system.cc).
#pragma once

#include <cstddef>
#include <cstdint>

// What -v names the source by, so that a user can tell the build for real secrets: the operating
// system's stream (cmake/random_source.cmake names each), or nothing (empty) for the
// clock-seeded source. The bound holds every name.
inline constexpr std::size_t RANDOM_SOURCE_NAME_MAX = 48;
extern const char RANDOM_SOURCE_NAME[RANDOM_SOURCE_NAME_MAX];

// Starts the stream: the clock-seeded source seeds itself from one reading of the system clock,
// the system source keys itself from the operating system, false if it cannot.
bool random_start();

// The next count indexes from 0 to n - 1 (n from 1 to 255, count at most RUN_MAX), in place and
// valid until the next call, in the order single draws would give them. Null once the source has
// failed: it then draws nothing more.
inline constexpr std::size_t RUN_MAX = 32;
const std::uint8_t* random_run(std::int32_t n, std::size_t count);

// One index from 0 to n - 1 (n from 1 to 255), or -1 once the source has failed.
std::int32_t random_index(std::int32_t n);

// Ends the stream: the system source wipes its key and the values it did not hand out, and draws
// nothing after.
void random_finish();
