// A 32-bit linear congruential generator with 15-bit output. Its exact arithmetic is part of
// what tolvane promises: the same seed and options give the same passwords on every build.
#include "gen/random.h"

namespace {

std::uint32_t state = 1;  // the value before any seeding

}  // namespace

void random_seed(std::uint32_t seed) {
  state = seed;
}

std::int32_t random_next() {
  // Unsigned, so the wrap modulo 2^32 is the defined behaviour we want.
  state = state * 214013u + 2531011u;
  return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
}
