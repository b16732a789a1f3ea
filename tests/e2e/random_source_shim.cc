// Preloaded into the system-source build to stand in for the kernel's random source. SHIM_MODE in
// the environment names a row of MODES, which says all that the shim does in that run.
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shim.h"

namespace {

enum class Getrandom {
  Missing,        // reports that the kernel lacks it
  Interrupted,    // reports an interrupted call every time
  FixedKey,       // the same bytes in every run, all it is asked for
  FixedKeyShort,  // the same bytes, at most 5 a call, after a first call interrupted
  HalfKey,        // the first 16 of those bytes, then "the kernel lacks it"; no device opens
};

// What /dev/urandom is. The real one works, but fails every read made before a wait for
// /dev/random has ended, and its first read after is interrupted. The others: neither device
// opens; a device whose first read is interrupted, the next gives 16 bytes, and then it ends; a
// plain file of 4096 zeros; /dev/zero, whose opening is reported on standard error (a device may
// act on being opened); a FIFO that no one will ever write to; the console tty9 (urandom's minor,
// another major); a block device numbered as urandom.
enum class Device { Real, Missing, Short, PlainFile, Zero, Fifo, Console, Block };

struct Mode {
  const char* name;
  Getrandom getrandom;
  Device device = Device::Real;
};

// Modes of a kind share a line, laid out by hand.
// clang-format off
const Mode MODES[] = {
    {"no_getrandom", Getrandom::Missing}, {"getrandom_eintr", Getrandom::Interrupted},
    {"no_urandom", Getrandom::Missing, Device::Missing}, {"short_urandom", Getrandom::Missing, Device::Short},
    {"plain_file_urandom", Getrandom::Missing, Device::PlainFile}, {"zero_urandom", Getrandom::Missing, Device::Zero},
    {"fifo_urandom", Getrandom::Missing, Device::Fifo}, {"console_urandom", Getrandom::Missing, Device::Console},
    {"block_urandom", Getrandom::Missing, Device::Block},
    {"fixed_key", Getrandom::FixedKey}, {"fixed_key_short", Getrandom::FixedKeyShort},
    {"half_key", Getrandom::HalfKey, Device::Missing},
};
// clang-format on

const Mode& mode() {
  static const Mode& chosen = mode_named_in_environment(MODES);
  return chosen;
}

bool fixed_key() {
  return mode().getrandom == Getrandom::FixedKey || mode().getrandom == Getrandom::FixedKeyShort;
}

int getrandom_calls = 0;
int device_opens = 0;
int urandom_fd = -1;
int random_fd = -1;
bool pool_ready = false;  // a wait for /dev/random has ended

// A fixed key's run says at exit how often the kernel's source was asked.
struct Report {
  ~Report() {
    if (fixed_key()) {
      char text[64];
      const int length = std::snprintf(text, sizeof text, "getrandom calls: %d, device opens: %d\n",
                                       getrandom_calls, device_opens);
      (void)!write(2, text, static_cast<size_t>(length));
    }
  }
} report;

bool is_urandom(const char* path) {
  return std::strcmp(path, "/dev/urandom") == 0;
}

// Opens path with the next definition of name, except where this mode stands in for a device.
int open_through(const char* name, const char* path, int flags, va_list args) {
  const bool urandom = is_urandom(path);
  const bool random = std::strcmp(path, "/dev/random") == 0;
  device_opens += urandom || random;
  const Device device = mode().device;
  if (device == Device::Missing && (urandom || random)) {
    errno = ENOENT;
    return -1;
  }
  if (device == Device::PlainFile && urandom) {
    const int fd = memfd_create("zeros", MFD_CLOEXEC);
    return fd >= 0 && ftruncate(fd, 4096) == 0 ? fd : -1;
  }
  if (device == Device::Zero && urandom) {
    path = "/dev/zero";
    static const char report[] = "/dev/zero opened\n";
    (void)!write(2, report, sizeof report - 1);
  }
  // A FIFO of its own, named only until the open returns (a pipe opened through /proc is not
  // waited on as a FIFO is).
  char folder[] = "/tmp/tolvane-fifo-XXXXXX";
  char fifo[sizeof folder + 5];
  const bool made = device == Device::Fifo && urandom && mkdtemp(folder) != nullptr;
  if (made) {
    std::snprintf(fifo, sizeof fifo, "%s/fifo", folder);
    (void)mkfifo(fifo, 0600);
    path = fifo;
  }
  const mode_t perms = (flags & O_CREAT) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
  const int fd = next_definition<int (*)(const char*, int, ...)>(name)(path, flags, perms);
  if (made) {
    unlink(fifo);
    rmdir(folder);
  }
  if (urandom)
    urandom_fd = fd;
  else if (random)
    random_fd = fd;
  return fd;
}

// A console or a block device where /dev/urandom should be.
template <typename Stat>
void disguise(Stat& info) {
  if (mode().device == Device::Block)
    info.st_mode = (info.st_mode & ~S_IFMT) | S_IFBLK;
  else if (mode().device == Device::Console)
    info.st_rdev = makedev(4, 9);
}

// Each stat caught under both its names: a program built with 64-bit file offsets on a 32-bit
// machine calls the ones ending in 64.
template <typename Stat>
int stat_through(const char* name, const char* path, Stat* info) {
  const bool urandom = is_urandom(path);
  const char* real = urandom && mode().device == Device::Zero ? "/dev/zero" : path;
  const int result = next_definition<int (*)(const char*, Stat*)>(name)(real, info);
  if (urandom)
    disguise(*info);
  return result;
}

template <typename Stat>
int fstat_through(const char* name, int fd, Stat* info) {
  const int result = next_definition<int (*)(int, Stat*)>(name)(fd, info);
  if (fd == urandom_fd && fd >= 0)
    disguise(*info);
  return result;
}

}  // namespace

extern "C" ssize_t getrandom(void* buffer, size_t size, unsigned int /*flags*/) {
  ++getrandom_calls;
  const Getrandom how = mode().getrandom;
  if (how == Getrandom::Missing || how == Getrandom::Interrupted ||
      (how == Getrandom::HalfKey && getrandom_calls > 1) ||
      (how == Getrandom::FixedKeyShort && getrandom_calls == 1)) {
    errno = how == Getrandom::Missing || how == Getrandom::HalfKey ? ENOSYS : EINTR;
    return -1;
  }
  const size_t most = how == Getrandom::HalfKey ? 16 : how == Getrandom::FixedKeyShort ? 5 : size;
  size = size < most ? size : most;
  // The memory test looks for the half key by these bytes: 1, then each 5 times the last plus 3.
  static unsigned char next = 1;
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (size_t i = 0; i < size; ++i, next = static_cast<unsigned char>(next * 5 + 3))
    bytes[i] = next;
  return static_cast<ssize_t>(size);
}

extern "C" int fstat(int fd, struct stat* info) {
  return fstat_through("fstat", fd, info);
}

extern "C" int fstat64(int fd, struct stat64* info) {
  return fstat_through("fstat64", fd, info);
}

extern "C" int stat(const char* path, struct stat* info) {
  return stat_through("stat", path, info);
}

extern "C" int stat64(const char* path, struct stat64* info) {
  return stat_through("stat64", path, info);
}

extern "C" int open(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = open_through("open", path, flags, args);
  va_end(args);
  return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
  va_list args;
  va_start(args, flags);
  const int fd = open_through("open64", path, flags, args);
  va_end(args);
  return fd;
}

extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  static const auto real_read = next_definition<ssize_t (*)(int, void*, size_t)>("read");
  static int urandom_reads = 0;
  const Device device = mode().device;
  if (fd != urandom_fd || fd < 0 || (device != Device::Real && device != Device::Short))
    return real_read(fd, buffer, size);
  if (device == Device::Real && !pool_ready) {
    errno = EIO;
    return -1;
  }
  switch (urandom_reads++) {
    case 0:
      errno = EINTR;
      return -1;
    case 1:
      return real_read(fd, buffer, device == Device::Short && size > 16 ? 16 : size);
    default:
      return device == Device::Short ? 0 : real_read(fd, buffer, size);
  }
}

// The program's own reads are fortified: checked by the C library, which then reads by itself.
extern "C" ssize_t __read_chk(int fd, void* buffer, size_t size, size_t buffer_size) {
  return read(fd, buffer, size < buffer_size ? size : buffer_size);
}

// The first wait for the kernel's pool is interrupted.
extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
  static const auto real_poll = next_definition<int (*)(pollfd*, nfds_t, int)>("poll");
  static bool interrupted = false;
  if (!fixed_key() && !interrupted) {
    interrupted = true;
    errno = EINTR;
    return -1;
  }
  const int ready = real_poll(fds, count, timeout);
  pool_ready = pool_ready || (ready > 0 && fds[0].fd == random_fd && random_fd >= 0);
  return ready;
}
