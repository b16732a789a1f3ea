// The operating system's cryptographically secure random source, linked in place of the linear
// congruential generator by the build that wants unpredictable passwords. The values are read
// in blocks, so a long run makes one system call per few thousand characters, and the clock
// seed is ignored. The platform's own call lives here and nowhere else.
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "cli/options.h"
#include "gen/random.h"

#if defined(_WIN32)
#include <windows.h>
// windows.h first: bcrypt.h relies on its types.
#include <bcrypt.h>
#elif defined(__linux__)
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#else
#include <stdlib.h>  // arc4random_buf
#endif

namespace {

std::array<std::uint16_t, 2048> block;  // 4 KiB a read
std::size_t next = block.size();

#if defined(_WIN32)
bool read_system_source(unsigned char* buffer, std::size_t size) {
  return BCryptGenRandom(nullptr, buffer, static_cast<ULONG>(size),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}
#elif defined(__linux__)
// Where getrandom is missing (an old kernel) or refused (a sandbox), the device serves instead.
bool read_urandom(unsigned char* buffer, std::size_t size) {
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = read(fd, buffer + done, size - done);
    if (got <= 0 && !(got < 0 && errno == EINTR)) {
      break;
    }
    done += got > 0 ? static_cast<std::size_t>(got) : 0;
  }
  close(fd);
  return done == size;
}

bool read_system_source(unsigned char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = getrandom(buffer + done, size - done, 0);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return read_urandom(buffer + done, size - done);
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}
#else
bool read_system_source(unsigned char* buffer, std::size_t size) {
  arc4random_buf(buffer, size);
  return true;
}
#endif

// Never falls back to the clock. _Exit drops what stdout still buffers, so no password drawn
// from a half-read source gets printed.
[[noreturn]] void fail() {
  (void)std::fputs(MSG_RANDOM_ERROR, stderr);
  std::_Exit(STATUS_RANDOM_ERROR);
}

void refill() {
  if (!read_system_source(reinterpret_cast<unsigned char*>(block.data()), sizeof block)) {
    fail();
  }
  next = 0;
}

}  // namespace

// The first block is read here, before any password is drawn, so a source that cannot be read
// stops the run before it prints anything.
void random_seed(std::uint32_t /*seed*/) {
  refill();
}

std::int32_t random_next() {
  if (next == block.size()) {
    refill();
  }
  return static_cast<std::int32_t>(block[next++] & 0x7FFFu);
}
