// Preloaded into the system-source build to stand in for the kernel's random source. Built as:
//   NO_GETRANDOM        getrandom reports that the kernel lacks it; the devices work, the
//                       first wait for /dev/random is interrupted, /dev/urandom fails every
//                       read made before a wait for /dev/random has ended, and its first read
//                       after is interrupted;
//   NO_URANDOM          that, and neither /dev/random nor /dev/urandom can be opened;
//   SHORT_URANDOM       that, and the device's first read is interrupted, the next gives 16
//                       bytes, and then it ends;
//   PLAIN_FILE_URANDOM  that, and /dev/urandom is a plain file of 4096 zeros;
//   ZERO_URANDOM        that, and /dev/urandom is /dev/zero, whose opening is reported on
//                       standard error (a device may act on being opened);
//   FIFO_URANDOM        that, and /dev/urandom is a FIFO that no one will ever write to;
//   CONSOLE_URANDOM     that, and /dev/urandom reads as the console tty9: urandom's minor,
//                       another major;
//   BLOCK_URANDOM       that, and /dev/urandom reads as a block device numbered as urandom;
//   GETRANDOM_EINTR     NO_GETRANDOM, but getrandom reports an interrupted call every time;
//   FIXED_KEY           getrandom gives the same bytes in every run, all it is asked for;
//   FIXED_KEY_SHORT     the same bytes, at most 5 a call, after a first call interrupted;
//   HALF_KEY            getrandom gives the first 16 of those bytes, then reports that the
//                       kernel lacks it, and neither device can be opened.
// The FIXED_KEY builds say at exit, on standard error, how often the kernel's source was asked.
#include <dlfcn.h>
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

namespace {

int getrandom_calls = 0;
int device_opens = 0;
int urandom_fd = -1;
int random_fd = -1;
bool pool_ready = false;  // a wait for /dev/random has ended

#if defined(FIXED_KEY) || defined(FIXED_KEY_SHORT)
struct Report {
  ~Report() {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "getrandom calls: %d, device opens: %d\n",
                                     getrandom_calls, device_opens);
    (void)!write(2, text, static_cast<size_t>(length));
  }
} report;
#endif

using OpenFn = int (*)(const char*, int, ...);

// Opens path with the next definition of name, except where this build stands in for a device.
int open_through(const char* name, const char* path, int flags, va_list args) {
  const bool urandom = std::strcmp(path, "/dev/urandom") == 0;
  if (urandom || std::strcmp(path, "/dev/random") == 0) {
    ++device_opens;
  }
#if defined(NO_URANDOM) || defined(HALF_KEY)
  if (urandom || std::strcmp(path, "/dev/random") == 0) {
    errno = ENOENT;
    return -1;
  }
#elif defined(PLAIN_FILE_URANDOM)
  if (urandom) {
    const int fd = memfd_create("zeros", MFD_CLOEXEC);
    return fd >= 0 && ftruncate(fd, 4096) == 0 ? fd : -1;
  }
#endif
#if defined(ZERO_URANDOM)
  if (urandom) {
    path = "/dev/zero";
    static const char report[] = "/dev/zero opened\n";
    (void)!write(2, report, sizeof report - 1);
  }
#elif defined(FIFO_URANDOM)
  // A FIFO of its own, named only until the open returns (a pipe opened through /proc is not
  // waited on as a FIFO is).
  char folder[] = "/tmp/tolvane-fifo-XXXXXX";
  char fifo[sizeof folder + 5];
  const bool made = urandom && mkdtemp(folder) != nullptr;
  if (made) {
    std::snprintf(fifo, sizeof fifo, "%s/fifo", folder);
    (void)mkfifo(fifo, 0600);
    path = fifo;
  }
#endif
  const auto next = reinterpret_cast<OpenFn>(dlsym(RTLD_NEXT, name));
  const mode_t mode = (flags & O_CREAT) != 0 ? static_cast<mode_t>(va_arg(args, int)) : 0;
  const int fd = next(path, flags, mode);
#if defined(FIFO_URANDOM)
  if (made) {
    unlink(fifo);
    rmdir(folder);
  }
#endif
  if (urandom) {
    urandom_fd = fd;
  } else if (std::strcmp(path, "/dev/random") == 0) {
    random_fd = fd;
  }
  return fd;
}

}  // namespace

extern "C" ssize_t getrandom(void* buffer, size_t size, unsigned int /*flags*/) {
  ++getrandom_calls;
#if defined(FIXED_KEY) || defined(FIXED_KEY_SHORT) || defined(HALF_KEY)
  static unsigned char next = 1;
#if defined(HALF_KEY)
  if (getrandom_calls > 1) {
    errno = ENOSYS;
    return -1;
  }
  size = size < 16 ? size : 16;
#elif defined(FIXED_KEY_SHORT)
  if (getrandom_calls == 1) {
    errno = EINTR;
    return -1;
  }
  size = size < 5 ? size : 5;
#endif
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (size_t i = 0; i < size; ++i, next = static_cast<unsigned char>(next * 5 + 3)) {
    bytes[i] = next;
  }
  return static_cast<ssize_t>(size);
#else
  (void)buffer;
  (void)size;
#ifdef GETRANDOM_EINTR
  errno = EINTR;
#else
  errno = ENOSYS;
#endif
  return -1;
#endif
}

// Each stat caught under both its names: a program built with 64-bit file offsets on a 32-bit
// machine calls the ones ending in 64.
#ifdef ZERO_URANDOM
template <typename Stat>
int stat_through(const char* name, const char* path, Stat* info) {
  const auto real_stat = reinterpret_cast<int (*)(const char*, Stat*)>(dlsym(RTLD_NEXT, name));
  return real_stat(std::strcmp(path, "/dev/urandom") == 0 ? "/dev/zero" : path, info);
}
#elif defined(CONSOLE_URANDOM) || defined(BLOCK_URANDOM)
namespace {

template <typename Stat>
void disguise(Stat& info) {
#ifdef BLOCK_URANDOM
  info.st_mode = (info.st_mode & ~S_IFMT) | S_IFBLK;
#else
  info.st_rdev = makedev(4, 9);
#endif
}

}  // namespace

template <typename Stat>
int stat_through(const char* name, const char* path, Stat* info) {
  const auto real_stat = reinterpret_cast<int (*)(const char*, Stat*)>(dlsym(RTLD_NEXT, name));
  const int result = real_stat(path, info);
  if (std::strcmp(path, "/dev/urandom") == 0) {
    disguise(*info);
  }
  return result;
}

template <typename Stat>
int fstat_through(const char* name, int fd, Stat* info) {
  const auto real_fstat = reinterpret_cast<int (*)(int, Stat*)>(dlsym(RTLD_NEXT, name));
  const int result = real_fstat(fd, info);
  if (fd == urandom_fd && fd >= 0) {
    disguise(*info);
  }
  return result;
}

extern "C" int fstat(int fd, struct stat* info) {
  return fstat_through("fstat", fd, info);
}

extern "C" int fstat64(int fd, struct stat64* info) {
  return fstat_through("fstat64", fd, info);
}
#endif
#if defined(ZERO_URANDOM) || defined(CONSOLE_URANDOM) || defined(BLOCK_URANDOM)
extern "C" int stat(const char* path, struct stat* info) {
  return stat_through("stat", path, info);
}

extern "C" int stat64(const char* path, struct stat64* info) {
  return stat_through("stat64", path, info);
}
#endif

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

#if defined(SHORT_URANDOM) || defined(NO_GETRANDOM)
extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  using ReadFn = ssize_t (*)(int, void*, size_t);
  static const auto real_read = reinterpret_cast<ReadFn>(dlsym(RTLD_NEXT, "read"));
  [[maybe_unused]] static int urandom_reads = 0;
  if (fd != urandom_fd || fd < 0) {
    return real_read(fd, buffer, size);
  }
#if defined(NO_GETRANDOM)
  if (!pool_ready) {
    errno = EIO;
    return -1;
  }
  if (urandom_reads++ == 0) {
    errno = EINTR;
    return -1;
  }
  return real_read(fd, buffer, size);
#else
  switch (urandom_reads++) {
    case 0:
      errno = EINTR;
      return -1;
    case 1:
      return real_read(fd, buffer, size < 16 ? size : 16);
    default:
      return 0;
  }
#endif
}
#endif

#if !defined(FIXED_KEY) && !defined(FIXED_KEY_SHORT)
extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
  using PollFn = int (*)(pollfd*, nfds_t, int);
  static const auto real_poll = reinterpret_cast<PollFn>(dlsym(RTLD_NEXT, "poll"));
  static bool interrupted = false;
  if (!interrupted) {
    interrupted = true;
    errno = EINTR;
    return -1;
  }
  const int ready = real_poll(fds, count, timeout);
  pool_ready = pool_ready || (ready > 0 && fds[0].fd == random_fd && random_fd >= 0);
  return ready;
}
#endif

#if defined(SHORT_URANDOM) || defined(NO_GETRANDOM)
// The program's own reads are fortified: checked by the C library, which then reads by itself.
extern "C" ssize_t __read_chk(int fd, void* buffer, size_t size, size_t buffer_size) {
  return read(fd, buffer, size < buffer_size ? size : buffer_size);
}
#endif
