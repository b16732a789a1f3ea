// A random source that fails part way through a run, linked into a test build of the program in
// place of the real one: the real system source reads the kernel only once, before anything is
// printed, so it cannot be made to fail later. What the reader is left with is the generator's
// doing, whichever source failed.
#include "gen/random.h"

#include <array>

namespace {

constexpr unsigned DRAWS_BEFORE_FAILURE = 200'000;  // some 6,000 passwords of 32 characters
unsigned draws = 0;

}  // namespace

void random_seed(std::uint32_t /*seed*/) {
  draws = 0;
}

// Any spread will do: the test looks at the shape of the lines, not at their letters.
std::uint8_t index_at(unsigned draw, std::int32_t n) {
  return static_cast<std::uint8_t>((draw * 2654435761u >> 7) % static_cast<unsigned>(n));
}

const std::uint8_t* random_peek(std::int32_t n, std::size_t count) {
  static std::array<std::uint8_t, RANDOM_PEEK_MAX> look;
  for (std::size_t i = 0; i < count; ++i) {
    look[i] = index_at(draws + 1 + static_cast<unsigned>(i), n);
  }
  return look.data();
}

void random_take(std::size_t count) {
  draws += static_cast<unsigned>(count);
  if (draws > DRAWS_BEFORE_FAILURE) {
    random_source_failed();
  }
}

std::int32_t random_index(std::int32_t n) {
  return *random_run(n, 1);
}

void random_finish() {}
