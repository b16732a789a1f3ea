// A random source that fails part way through a run, linked into a test build of the program in
// place of the real one: the real system source reads the kernel only once, before anything is
// printed, so it cannot be made to fail later. What the reader is left with is the generator's
// doing, whichever source failed.
#include "gen/random.h"

namespace {

constexpr unsigned DRAWS_BEFORE_FAILURE = 200'000;  // some 6,000 passwords of 32 characters
unsigned draws = 0;

}  // namespace

bool random_seed(std::uint32_t /*seed*/) {
  draws = 0;
  return true;
}

// Any spread will do: the test looks at the shape of the lines, not at their letters.
bool random_indexes(std::int32_t n, std::span<std::uint8_t> out) {
  for (std::uint8_t& index : out) {
    if (++draws > DRAWS_BEFORE_FAILURE) {
      return false;
    }
    index = static_cast<std::uint8_t>((draws * 2654435761u >> 7) % static_cast<unsigned>(n));
  }
  return true;
}

void random_finish() {}
