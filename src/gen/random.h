// The process's one random source as the generator sees it: indexes below n. Which source
// answers is chosen at link time (random_lcg.cc or random_system.cc).
#pragma once

#include <cstddef>
#include <cstdint>

// Starts the stream. The clock-seeded source restarts from seed, so the same seed always gives
// the same indexes; the system source ignores it and keys itself from the operating system:
// false if it cannot.
bool random_seed(std::uint32_t seed);

// The next count indexes from 0 to n - 1 (n from 1 to 255, count at most RUN_MAX), in place and
// valid until the next call, in the order single draws would give them. Null once the source has
// failed: it then draws nothing more.
inline constexpr std::size_t RUN_MAX = 32;
const std::uint8_t* random_run(std::int32_t n, std::size_t count);

// One index from 0 to n - 1 (n from 1 to 255), or -1 once the source has failed.
std::int32_t random_index(std::int32_t n);

// Ends the stream: the system source wipes its key and the values it did not hand out.
void random_finish();
