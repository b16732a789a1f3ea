#include "gen/random_lcg.h"

#include <algorithm>
#include <array>

#include "gen/random.h"

// The clock-seeded build names no source.
const char RANDOM_SOURCE_NAME[RANDOM_SOURCE_NAME_MAX] = "";

namespace {

std::uint32_t state = 1;  // the stream before any seeding is seed 1's
std::array<std::uint8_t, RUN_MAX> run;

}  // namespace

bool random_start() {
  random_seed(seed_from_clock(read_system_clock()));
  return true;
}

void random_seed(std::uint32_t seed) {
  state = seed;
}

std::uint32_t seed_from_clock(ClockReading reading) {
  // Unsigned arithmetic: the wrap modulo 2^32 is wanted, and defined.
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(reading.seconds) * 1000u +
                                    static_cast<std::uint64_t>(reading.milliseconds));
}

std::int32_t random_next() {
  state = state * 214013u + 2531011u;  // modulo 2^32, as unsigned arithmetic wraps
  // Bit 31 of the state never reaches the value, so seeds s and s + 2^31 give the same stream.
  return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
}

std::int32_t random_index(std::int32_t n) {
  return scale_to_index(random_next(), n);
}

const std::uint8_t* random_run(std::int32_t n, std::size_t count) {
  std::generate_n(run.begin(), count, [n] { return static_cast<std::uint8_t>(random_index(n)); });
  return run.data();
}

void random_finish() {}
