#include "gen/random_lcg.h"

#include <algorithm>

#include "gen/random.h"

namespace {

std::uint32_t state = 1;  // the stream before any seeding is seed 1's

}  // namespace

bool random_seed(std::uint32_t seed) {
  state = seed;
  return true;
}

std::int32_t random_next() {
  state = state * 214013u + 2531011u;  // modulo 2^32, as unsigned arithmetic wraps
  // Bit 31 of the state never reaches the value, so seeds s and s + 2^31 give the same stream.
  return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
}

bool random_indexes(std::int32_t n, std::span<std::uint8_t> out) {
  std::generate(out.begin(), out.end(),
                [n] { return static_cast<std::uint8_t>(scale_to_index(random_next(), n)); });
  return true;
}

void random_finish() {}
