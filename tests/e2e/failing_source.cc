// A random source that fails part way through a run, linked into a test build of the program in
// place of the real one: the real system source reads the kernel only once, before anything is
// printed, so it cannot be made to fail later. What the reader is left with is the generator's
// doing, whichever source failed. The pool's draws fail after some 6,000 passwords of 32
// characters; a repair's draw fails far sooner, within the first block of a run that repairs.
#include "gen/random.h"

#include <array>

namespace {

constexpr unsigned DRAWS_BEFORE_FAILURE = 200'000;
constexpr unsigned DRAWS_BEFORE_REPAIRS_FAIL = 1'000;
unsigned draws = 0;

// Any spread will do: the tests look at the shape of the lines, not at their letters.
std::int32_t next_index(std::int32_t n, unsigned failure) {
  if (++draws > failure) {
    return -1;
  }
  return static_cast<std::int32_t>((draws * 2654435761u >> 7) % static_cast<unsigned>(n));
}

}  // namespace

const char RANDOM_SOURCE_NAME[RANDOM_SOURCE_NAME_MAX] = "";

bool random_start() {
  draws = 0;
  return true;
}

std::int32_t random_index(std::int32_t n) {
  return next_index(n, DRAWS_BEFORE_REPAIRS_FAIL);
}

const std::uint8_t* random_run(std::int32_t n, std::size_t count) {
  static std::array<std::uint8_t, RUN_MAX> run;
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t index = next_index(n, DRAWS_BEFORE_FAILURE);
    if (index < 0) {
      return nullptr;
    }
    run[i] = static_cast<std::uint8_t>(index);
  }
  return run.data();
}

void random_finish() {}
