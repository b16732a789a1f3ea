// The process's one random source as the generator sees it: an index below n. Which source
// answers is chosen at link time (random_lcg.cc or random_system.cc); the generator compiles the
// draw loop that source answers fastest (RANDOM_IN_RUNS below).
#pragma once

#include <cstddef>
#include <cstdint>

// Starts the stream. The clock-seeded source restarts from seed, so the same seed always gives
// the same indexes; the system source ignores it and keys itself from the operating system,
// ending the run through random_source_failed if it cannot.
void random_seed(std::uint32_t seed);

// An index from 0 to n - 1, for n from 1 to 255 (the generator asks for at most 78).
std::int32_t random_index(std::int32_t n);

// The next count indexes below n (count at most 32), what as many calls of random_index would
// give, in place: valid until the next draw. Both sources make the indexes of the run's n ahead,
// a block at a time, so that the draw loop keeps its place in a local pointer rather than in the
// source's state.
const std::uint8_t* random_run(std::int32_t n, std::size_t count);

// Ends the stream: the system source wipes its key and the values it did not hand out.
void random_finish();

// Says on standard error that the system random source cannot be read and ends the process with
// status 1 at once. The block the generator is filling is never written, so the reader is left
// with the whole lines already delivered and nothing else.
[[noreturn]] void random_source_failed();
