#include "gen/random_lcg.h"

#include "gen/random.h"

namespace {

std::uint32_t state = 1;  // the value before any seeding

}  // namespace

void random_seed(std::uint32_t seed) {
  state = seed;
}

std::int32_t random_next() {
  // Unsigned, so the wrap modulo 2^32 is the defined behaviour we want. Bit 31 of the state never
  // reaches the output, so seeds s and s + 2^31 give the same stream.
  state = state * 214013u + 2531011u;
  return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
}

std::int32_t random_index(std::int32_t n) {
  return scale_to_index(random_next(), n);
}

void random_finish() {}
