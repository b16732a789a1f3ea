// The process's one random source as the generator sees it: indexes below n. Which source
// answers is chosen at link time (random_lcg.cc or random_system.cc).
#pragma once

#include <cstdint>
#include <span>

// Starts the stream. The clock-seeded source restarts from seed, so the same seed always gives
// the same indexes; the system source ignores it and keys itself from the operating system:
// false if it cannot.
bool random_seed(std::uint32_t seed);

// Fills out with indexes from 0 to n - 1, n from 1 to 255 (the generator asks for at most 78),
// in the order single draws would give them. False once the source has failed: it then draws
// nothing more, and what out holds is not to be used.
bool random_indexes(std::int32_t n, std::span<std::uint8_t> out);

// Ends the stream: the system source wipes its key and the values it did not hand out.
void random_finish();
