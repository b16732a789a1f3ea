// The operating system's cryptographically secure random source, linked in place of the linear
// congruential generator by the build that wants unpredictable passwords. The bytes come from
// the platform's stream (system_stream.h); here they become exactly uniform indexes, by
// rejection (uniform.h): the pool's two from each 16 bits, a block at a time; the repairs' a
// byte each.
#include <array>
#include <cstddef>

#include "gen/memory.h"
#include "gen/random.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"
#include "random_source_name.h"

const char RANDOM_SOURCE_NAME[RANDOM_SOURCE_NAME_MAX] = TOLVANE_RANDOM_SOURCE_NAME;

namespace {

// The keystream of one fill of the batch: the first short, a few passwords' worth, so that a run
// of one password makes no more; every later one a page (random_run moves from one to the other).
constexpr std::size_t FIRST_FILL_SIZE = 256;
constexpr std::size_t FILL_SIZE = 4096;

// Everything that may tell a password, in one piece, locked in memory while the run lasts and
// wiped by one call at its end: the stream's key, keystream for the pool's indexes and the
// indexes made of it (apart, as a sampler that wrote where it reads would wait on its own
// stores), and keystream for the repairs. Pages of its own, which nothing else locks.
struct alignas(4096) Secrets {
  StreamKey key;
  std::array<std::uint8_t, FILL_SIZE> keystream;
  std::array<std::uint8_t, FILL_SIZE> batch;  // at most two indexes from each two bytes
  std::array<std::uint8_t, 256> spare;
};
Secrets secrets;  // tests/e2e/no_password_in_memory_test.sh reads it by this name

std::size_t fill_size = FIRST_FILL_SIZE;
std::int32_t batch_n = 0;  // the n of the indexes in the batch
std::size_t batch_next = 0;
std::size_t batch_end = 0;
std::size_t spare_next = 0;
bool keyed = false;  // from a good start to a failure or the end: nothing is drawn outside it

// Every byte drawn passes here: none from a stream never started (its key would be all zeros),
// already wiped, or failed.
bool refill(std::span<std::uint8_t> out) {
  keyed = keyed && stream_fill(secrets.key, out);
  return keyed;
}

}  // namespace

bool random_start() {
  // Under a lock limit too small for the whole region, the key's own page: the output block,
  // locked after it, then never holds a lock the key lacks.
  if (!lock_memory(&secrets, sizeof secrets)) {
    (void)lock_memory(&secrets.key, sizeof secrets.key);
  }
  keyed = stream_start(secrets.key);
  fill_size = FIRST_FILL_SIZE;
  batch_next = batch_end = 0;
  spare_next = secrets.spare.size();
  return keyed;
}

// A run never straddles two batches: what is left of one too short for it is not handed out,
// whatever it holds, which leaves every index handed out uniform and independent.
const std::uint8_t* random_run(std::int32_t n, std::size_t count) {
  if (!keyed) {
    return nullptr;  // nor what is left of a batch, once a fill has failed
  }
  while (n != batch_n || batch_end - batch_next < count) {
    const std::span<std::uint8_t> fresh(secrets.keystream.data(), fill_size);
    if (!refill(fresh)) {
      return nullptr;
    }
    batch_n = n;
    batch_next = 0;
    batch_end = indexes_from_units(fresh, n, secrets.batch.data());
    fill_size = FILL_SIZE;
  }
  const std::uint8_t* const run = secrets.batch.data() + batch_next;
  batch_next += count;
  return run;
}

std::int32_t random_index(std::int32_t n) {
  if (!keyed) {
    return -1;
  }
  std::int32_t index = BYTE_REJECTED;
  while (index == BYTE_REJECTED) {
    if (spare_next == secrets.spare.size()) {
      if (!refill(secrets.spare)) {
        return -1;
      }
      spare_next = 0;
    }
    index = index_from_byte(secrets.spare[spare_next++], n);
  }
  return index;
}

void random_finish() {
  keyed = false;
  wipe(&secrets, sizeof secrets);
}
