// The process's one random source as the generator sees it: an index below n. Which source
// answers is chosen at link time (random_lcg.cc or random_system.cc).
#pragma once

#include <cstddef>
#include <cstdint>

// Starts the stream. The clock-seeded source restarts from seed, so the same seed always gives
// the same indexes; the system source ignores it and keys itself from the operating system,
// ending the run through random_source_failed if it cannot.
void random_seed(std::uint32_t seed);

// An index from 0 to n - 1, for n from 1 to 255 (the generator asks for at most 78).
std::int32_t random_index(std::int32_t n);

// The next count indexes below n (count at most RANDOM_PEEK_MAX), in place, but not yet drawn:
// random_take then draws the first count of them, as many as the caller turned out to use, and
// the rest stay the next to be drawn. Valid until the next draw. (From the system source,
// indexes below another n than the first it was asked for are made afresh for each look and
// not kept; no index is handed out twice either way.)
inline constexpr std::size_t RANDOM_PEEK_MAX = 512;
const std::uint8_t* random_peek(std::int32_t n, std::size_t count);
void random_take(std::size_t count);

// The next count indexes below n (count at most RANDOM_PEEK_MAX), drawn: what as many calls of
// random_index would give, in place, valid until the next draw. Both sources make the indexes
// of the run's n ahead, a block at a time, so that a draw loop keeps its place in a local pointer
// rather than in the source's state.
inline const std::uint8_t* random_run(std::int32_t n, std::size_t count) {
  const std::uint8_t* run = random_peek(n, count);
  random_take(count);
  return run;
}

// Ends the stream: the system source wipes its key and the values it did not hand out.
void random_finish();

// Says on standard error that the system random source cannot be read and ends the process with
// status 1 at once. The block the generator is filling is never written, so the reader is left
// with the whole lines already delivered and nothing else.
[[noreturn]] void random_source_failed();
