// The operating system's cryptographically secure random source, linked in place of the linear
// congruential generator by the build that wants unpredictable passwords. On Linux 32 bytes are
// read from the kernel once, before anything is printed, and expanded with ChaCha20 in user
// space: no system call per block, so the source cannot fail once the run has started. Windows
// and the BSDs have a user-space generator of their own (BCryptGenRandom, arc4random_buf).
// Each character costs about one random byte: an exactly uniform index, by rejection. The
// pool's indexes, nearly every draw, are made a block at a time; other lengths byte by byte.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <span>

#include "gen/random.h"
#include "gen/uniform.h"

#if defined(_WIN32)
#include <windows.h>
// windows.h first: bcrypt.h relies on its types.
#include <bcrypt.h>
#elif defined(__linux__)
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>

#include "gen/chacha20.h"
#else
#include <stdlib.h>  // arc4random_buf
#include <string.h>  // explicit_bzero
#endif

namespace {

// Keystream for the pool's indexes, large so the cipher runs its widest code, and the indexes
// below batch_n made from it.
alignas(64) std::array<unsigned char, 4096> block;
alignas(64) std::array<std::uint8_t, 4096> batch;
std::int32_t batch_n = 0;  // 0 until the first draw after seeding
const std::uint8_t* batch_next = batch.data();
const std::uint8_t* batch_end = batch.data();
// Keystream for every other n, taken a byte at a time.
alignas(64) std::array<unsigned char, 1024> spare;
std::size_t spare_next = spare.size();

#if defined(_WIN32)
void start() {}

void fill(std::span<unsigned char> out) {
  if (BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(out.size()),
                      BCRYPT_USE_SYSTEM_PREFERRED_RNG) < 0) {
    random_source_failed();
  }
}

void wipe(std::span<unsigned char> data) {
  SecureZeroMemory(data.data(), data.size());
}
#elif defined(__linux__)
ChaCha20Key key;
// Two streams of each key: one for output, one for the key that replaces it.
constexpr ChaCha20Nonce OUTPUT_NONCE{};
constexpr ChaCha20Nonce NEXT_KEY_NONCE{1};

// Where getrandom is missing (an old kernel) or refused (a sandbox), the device serves instead,
// for the rest of the key from done on. The reads go straight into the key, whose size the
// fortified C library then checks each one against.
bool read_urandom(std::size_t done) {
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  while (done < key.size()) {
    const ssize_t got = read(fd, key.data() + done, key.size() - done);
    if (got <= 0 && !(got < 0 && errno == EINTR)) {
      break;  // an error, or the end of a device that should have none
    }
    done += got > 0 ? static_cast<std::size_t>(got) : 0;
  }
  close(fd);
  return done == key.size();
}

bool read_key() {
  std::size_t done = 0;
  while (done < key.size()) {
    const ssize_t got = getrandom(key.data() + done, key.size() - done, 0);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return read_urandom(done);
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

// The key first: libsodium's own start-up reads the kernel's source too, and aborts where there
// is none; tolvane must say so and end with its own status instead.
void start() {
  if (!read_key() || !chacha20_init()) {
    random_source_failed();
  }
}

// Each key fills one buffer and is then replaced, so no key left in memory can tell what was
// drawn before it.
void fill(std::span<unsigned char> out) {
  chacha20_keystream(out, key, OUTPUT_NONCE);
  ChaCha20Key next;
  chacha20_keystream(next, key, NEXT_KEY_NONCE);
  key = next;
  chacha20_wipe(next);
}

void wipe(std::span<unsigned char> data) {
  chacha20_wipe(data);
}
#else
void start() {}

void fill(std::span<unsigned char> out) {
  arc4random_buf(out.data(), out.size());
}

void wipe(std::span<unsigned char> data) {
  explicit_bzero(data.data(), data.size());
}
#endif

std::int32_t spare_index(std::int32_t n) {
  for (;;) {
    if (spare_next == spare.size()) {
      fill(spare);
      spare_next = 0;
    }
    const std::int32_t index = index_from_byte(spare[spare_next++], n);
    if (index != BYTE_REJECTED) {
      return index;
    }
  }
}

// Each rejected slot takes the last good index of the batch, which then ends before it: what
// remains is the accepted indexes, each exactly uniform, in an order that depends on where the
// rejections fell and not on any value. The rejected slots are found 64 at a time, so the loop
// over them mispredicts about once a row rather than once a rejection.
void fill_batch() {
  fill(block);
  indexes_or_rejected(block, batch_n, batch);
  std::size_t end = batch.size();
  for (std::size_t row = 0; row < end; row += 64) {
    for (std::uint64_t mask = rejected_mask(batch.data() + row); mask != 0; mask &= mask - 1) {
      const std::size_t hole = row + static_cast<std::size_t>(std::countr_zero(mask));
      if (hole >= end) {
        break;
      }
      do {
        --end;
      } while (end > hole && batch[end] == INDEX_REJECTED);
      batch[hole] = batch[end];
    }
  }
  batch_next = batch.data();
  batch_end = batch.data() + end;
}

// Every draw the batch cannot serve: the first after seeding, which fixes the batch's n (the
// pool's), an empty batch, and the repairs' set lengths and positions, which take spare bytes.
[[gnu::noinline]] std::int32_t index_outside_batch(std::int32_t n) {
  if (batch_n == 0) {
    batch_n = n;
  }
  if (n != batch_n) {
    return spare_index(n);
  }
  fill_batch();
  return *batch_next++;
}

// A run the batch cannot serve whole. The few indexes left at the batch's end are dropped
// unused, which costs a little keystream and nothing else: they are drawn by no one.
[[gnu::noinline]] const std::uint8_t* run_outside_batch(std::int32_t n, std::size_t count) {
  if (batch_n == 0) {
    batch_n = n;
  }
  if (n != batch_n) {
    static std::array<std::uint8_t, 32> spare_run;
    std::generate_n(spare_run.begin(), count,
                    [n] { return static_cast<std::uint8_t>(spare_index(n)); });
    return spare_run.data();
  }
  fill_batch();
  const std::uint8_t* run = batch_next;
  batch_next += count;
  return run;
}

}  // namespace

// The key is read and the spare bytes drawn here, before any password is: a source that fails
// stops the run before it prints anything. The batch is made at the first draw, for its n.
void random_seed(std::uint32_t /*seed*/) {
  start();
  fill(spare);
  batch_n = 0;
  batch_next = batch_end = batch.data();
  spare_next = 0;
}

std::int32_t random_index(std::int32_t n) {
  if (n == batch_n && batch_next != batch_end) {
    return *batch_next++;
  }
  return index_outside_batch(n);
}

const std::uint8_t* random_run(std::int32_t n, std::size_t count) {
  if (n == batch_n && static_cast<std::size_t>(batch_end - batch_next) >= count) {
    const std::uint8_t* run = batch_next;
    batch_next += count;
    return run;
  }
  return run_outside_batch(n, count);
}

void random_finish() {
#if defined(__linux__)
  wipe(key);
#endif
  wipe(block);
  wipe(batch);
  wipe(spare);
  batch_next = batch_end = batch.data();
  spare_next = spare.size();
}
