// The operating system's cryptographically secure random source, linked in place of the linear
// congruential generator by the build that wants unpredictable passwords. The bytes come from
// the platform's stream (system_stream.h); here they become exactly uniform indexes, by
// rejection (uniform.h): the pool's two from each 16 bits, a block at a time; every other n's,
// for the repairs, a byte each.
#include <algorithm>
#include <array>
#include <cstddef>

#include "gen/random.h"
#include "gen/system_stream.h"
#include "gen/uniform.h"
#include "gen/wipe.h"

namespace {

// What may tell a password, in one piece, so that one call locks it in memory while the run
// lasts: a block of keystream made the pool's indexes in its place, and keystream for the rest.
struct Secrets {
  std::array<std::uint8_t, 4096> batch;
  std::array<std::uint8_t, 256> spare;
};
Secrets secrets;
auto& batch = secrets.batch;
auto& spare = secrets.spare;

std::int32_t batch_n = 0;  // the pool's: fixed by the first draw after seeding
std::size_t batch_next = 0;
std::size_t batch_end = 0;
std::size_t spare_next = 0;
bool keyed = false;  // from a good seeding to a failure or the end: nothing is drawn outside it

// Every byte drawn passes here: none from a stream never started (its key would be all zeros),
// already wiped, or failed.
bool refill(std::span<std::uint8_t> out) {
  keyed = keyed && stream_fill(out);
  return keyed;
}

}  // namespace

bool random_seed(std::uint32_t /*seed*/) {
  stream_lock({reinterpret_cast<unsigned char*>(&secrets), sizeof secrets});  // NOLINT
  keyed = stream_start();
  batch_n = 0;
  batch_next = batch_end = 0;
  spare_next = spare.size();
  return keyed;
}

bool random_indexes(std::int32_t n, std::span<std::uint8_t> out) {
  if (!keyed) {
    return false;
  }
  if (batch_n == 0) {
    batch_n = n;
  }
  if (n == batch_n) {
    for (std::size_t done = 0; done < out.size();) {
      if (batch_next == batch_end) {
        if (!refill(batch)) {
          return false;
        }
        batch_next = 0;
        batch_end = indexes_from_units(batch, n);
      }
      const std::size_t take = std::min(out.size() - done, batch_end - batch_next);
      std::copy_n(batch.begin() + static_cast<std::ptrdiff_t>(batch_next), take,
                  out.begin() + static_cast<std::ptrdiff_t>(done));
      batch_next += take;
      done += take;
    }
    return true;
  }
  for (std::uint8_t& index : out) {
    std::int32_t drawn = BYTE_REJECTED;
    while (drawn == BYTE_REJECTED) {
      if (spare_next == spare.size()) {
        if (!refill(spare)) {
          return false;
        }
        spare_next = 0;
      }
      drawn = index_from_byte(spare[spare_next++], n);
    }
    index = static_cast<std::uint8_t>(drawn);
  }
  return true;
}

void random_finish() {
  keyed = false;
  stream_finish();
  wipe(batch);
  wipe(spare);
  batch_next = batch_end = 0;
  spare_next = spare.size();
}
