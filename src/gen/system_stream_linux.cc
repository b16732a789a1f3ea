// Linux: 32 bytes from the kernel, read once before anything is printed, expanded with ChaCha20
// in user space. No system call per block, so the stream cannot fail once the run has started.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <type_traits>

#include "gen/chacha20.h"
#include "gen/memory.h"
#include "gen/system_stream.h"
#include "gen/wait.h"

static_assert(std::is_same_v<StreamKey, ChaCha20Key>);

namespace {

// The kernel's numbers for its random devices (Documentation/admin-guide/devices.txt).
constexpr unsigned RANDOM_MAJOR = 1;
constexpr unsigned RANDOM_MINOR = 8;
constexpr unsigned URANDOM_MINOR = 9;

bool is_random_device(const struct stat& info) {
  return S_ISCHR(info.st_mode) && major(info.st_rdev) == RANDOM_MAJOR &&
         (minor(info.st_rdev) == RANDOM_MINOR || minor(info.st_rdev) == URANDOM_MINOR);
}

// Only the kernel's own random devices are read: a plain file, or another device such as
// /dev/zero, put in their place would give the same key, and so the same passwords, on every
// run. What the name stands for is checked before the open too, as some devices act on being
// opened (a watchdog starts counting), and the open cannot block (a FIFO in the device's place
// would wait for a writer for ever); the reads that follow may. The descriptor's own check is
// the one that counts: the name may be given another file in between.
int open_device(const char* path) {
  struct stat info {};
  if (stat(path, &info) != 0 || !is_random_device(info)) {
    return -1;
  }
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    return -1;
  }
  struct stat opened {};  // all zeros, no device, should fstat fail
  (void)fstat(fd, &opened);
  if (!is_random_device(opened)) {
    close(fd);
    return -1;
  }
  // F_SETFL sets only the status flags, of which O_NONBLOCK is the one open set; on a descriptor
  // just opened it cannot fail.
  (void)fcntl(fd, F_SETFL, 0);
  return fd;
}

// /dev/urandom answers even before the kernel's pool is ready, and getrandom would have waited
// for it: /dev/random becomes readable once it is.
bool wait_for_pool() {
  const int fd = open_device("/dev/random");
  if (fd < 0) {
    return false;
  }
  const bool ready = wait_ready(fd, POLLIN);
  close(fd);
  return ready;
}

// Reads key from done on with read_some (a getrandom or a read), which may give less than asked;
// an interrupted call is made again, but not without end. Returns how far the key was read.
template <typename ReadSome>
std::size_t read_rest(StreamKey& key, std::size_t done, ReadSome read_some) {
  int interrupted = 0;
  while (done < key.size()) {
    const ssize_t got = read_some(key.data() + done, key.size() - done);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
    } else if (!(got < 0 && errno == EINTR && ++interrupted < MAX_IDLE_CALLS)) {
      break;  // an error, or the end of a device that should have none
    }
  }
  return done;
}

// Where getrandom is missing (an old kernel) or refused (a sandbox), the device serves the rest
// of the key from done on.
bool read_device(StreamKey& key, std::size_t done) {
  const int fd = wait_for_pool() ? open_device("/dev/urandom") : -1;
  if (fd < 0) {
    return false;
  }
  done = read_rest(key, done,
                   [fd](unsigned char* at, std::size_t size) { return read(fd, at, size); });
  close(fd);
  return done == key.size();
}

bool read_key(StreamKey& key) {
  const std::size_t done =
      read_rest(key, 0, [](unsigned char* at, std::size_t size) { return getrandom(at, size, 0); });
  return done == key.size() || read_device(key, done);
}

}  // namespace

// libsodium starts once the key is read, drawing what its start wants from the key (under a
// nonce of its own) rather than from the kernel: the key is the run's one kernel read.
bool stream_start(StreamKey& key) {
  return read_key(key) && chacha20_init(key);
}

// Each key fills one buffer and is then replaced, so no key left in memory can tell what was
// drawn before it.
bool stream_fill(StreamKey& key, std::span<unsigned char> out) {
  chacha20_keystream(out, key, OUTPUT_NONCE);
  ChaCha20Key next;
  chacha20_keystream(next, key, NEXT_KEY_NONCE);
  key = next;
  // next is now the live key, on the stack, which is never locked: only the locked copy stays.
  wipe(next.data(), next.size());
  return true;
}
