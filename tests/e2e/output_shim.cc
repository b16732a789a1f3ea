// Preloaded to make standard output fail the way some devices and file systems do. Built as
// FAIL_WRITE: the first block goes out in a short write, an interrupted call and the rest; the
// second in SECOND_BLOCK_BYTES (1000 unless set) and then "no space left", after which any write
// to standard output is reported on standard error, where the tests see it; with SHARED_FILE
// too, another writer appends a line to the same file just before the failure. Built as
// REPORT_CUT: every ftruncate is reported on standard error; with UNKNOWN_LIMIT too, the file-size
// limit reads as none, so the program meets it only as the kernel does; with SIBLING too, another
// writer appends a line to the file just before the second write to standard output. Built as
// FAIL_CLOSE: every write works and closing standard output reports a lost write. Built as
// WRITE_AGAIN: the first FULL_WRITES writes (3 unless set) find standard output full (EAGAIN, or
// FULL_ERRNO where that is given), the first wait in poll is interrupted, and at exit the number
// of waits in poll goes to standard error; with TRICKLE too, every other write to standard output
// finds it full and the rest take one byte, a reader that drains a byte per wake-up; with
// POLL_INTERRUPTED too, every wait in poll is interrupted. Built as RAISE_TERM: the second write
// to standard output takes half its bytes, as the kernel's does when a signal arrives during it,
// and raises SIGTERM (RAISED_SIGNAL, where that is given).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifndef SECOND_BLOCK_BYTES
#define SECOND_BLOCK_BYTES 1000
#endif

namespace {

[[maybe_unused]] constexpr char ANOTHER_WRITERS_LINE[] = "another writer's line\n";

template <typename Fn>
Fn next_definition(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

}  // namespace

#ifdef SIBLING
extern "C" ssize_t write(int fd, const void* data, size_t size) {
  using WriteFn = ssize_t (*)(int, const void*, size_t);
  static const auto real_write = next_definition<WriteFn>("write");
  static int calls = 0;
  if (fd == 1 && calls++ == 1) {
    if (const int other = open("/proc/self/fd/1", O_WRONLY | O_APPEND); other >= 0) {
      real_write(other, ANOTHER_WRITERS_LINE, std::strlen(ANOTHER_WRITERS_LINE));
      close(other);
    }
  }
  return real_write(fd, data, size);
}
#endif

#ifdef FAIL_WRITE
extern "C" ssize_t write(int fd, const void* data, size_t size) {
  using WriteFn = ssize_t (*)(int, const void*, size_t);
  static const auto real_write = next_definition<WriteFn>("write");
  static int calls = 0;
  if (fd != 1) {
    return real_write(fd, data, size);
  }
  switch (calls++) {
    case 0:
      return real_write(fd, data, size / 2);
    case 1:
      errno = EINTR;
      return -1;
    case 2:
      return real_write(fd, data, size);
    case 3:
      return real_write(fd, data, size < SECOND_BLOCK_BYTES ? size : SECOND_BLOCK_BYTES);
    case 4:
#ifdef SHARED_FILE
      // Another writer appends a line of its own through a descriptor of its own.
      if (const int other = open("/proc/self/fd/1", O_WRONLY | O_APPEND); other >= 0) {
        real_write(other, ANOTHER_WRITERS_LINE, std::strlen(ANOTHER_WRITERS_LINE));
        close(other);
      }
#endif
      errno = ENOSPC;
      return -1;
    default: {
      static const char complaint[] = "written after a failure\n";
      real_write(2, complaint, std::strlen(complaint));
      errno = EIO;
      return -1;
    }
  }
}
#endif

// Each call caught under both its names: a program built with 64-bit file offsets on a 32-bit
// machine calls the ones ending in 64.
#ifdef REPORT_CUT
template <typename Offset>
int report_cut(const char* name, int fd, Offset length) {
  static const char report[] = "ftruncate\n";
  (void)!write(2, report, std::strlen(report));
  return next_definition<int (*)(int, Offset)>(name)(fd, length);
}

extern "C" int ftruncate(int fd, off_t length) {
  return report_cut("ftruncate", fd, length);
}

extern "C" int ftruncate64(int fd, off64_t length) {
  return report_cut("ftruncate64", fd, length);
}
#endif

#ifdef UNKNOWN_LIMIT
#include <sys/resource.h>

template <typename Limit>
int no_size_limit(const char* name, __rlimit_resource_t resource, Limit* limit) {
  const int result = next_definition<int (*)(__rlimit_resource_t, Limit*)>(name)(resource, limit);
  if (result == 0 && resource == RLIMIT_FSIZE) {
    // All ones: RLIM_INFINITY, in either width.
    limit->rlim_cur = limit->rlim_max = ~decltype(limit->rlim_cur){0};
  }
  return result;
}

extern "C" int getrlimit(__rlimit_resource_t resource, rlimit* limit) {
  return no_size_limit("getrlimit", resource, limit);
}

extern "C" int getrlimit64(__rlimit_resource_t resource, rlimit64* limit) {
  return no_size_limit("getrlimit64", resource, limit);
}
#endif

#ifdef FAIL_CLOSE
extern "C" int close(int fd) {
  using CloseFn = int (*)(int);
  static const auto real_close = next_definition<CloseFn>("close");
  const int result = real_close(fd);
  if (fd == 1 && result == 0) {
    errno = EIO;
    return -1;
  }
  return result;
}
#endif

#ifdef WRITE_AGAIN
#include <poll.h>

#include <cstdio>

#ifndef FULL_WRITES
#define FULL_WRITES 3
#endif
#ifndef FULL_ERRNO
#define FULL_ERRNO EAGAIN
#endif

namespace {

int polls = 0;

struct Report {
  ~Report() {
    char text[32];
    const int length = std::snprintf(text, sizeof text, "poll calls: %d\n", polls);
    (void)!write(2, text, static_cast<size_t>(length));
  }
} report;

}  // namespace

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  using WriteFn = ssize_t (*)(int, const void*, size_t);
  static const auto real_write = next_definition<WriteFn>("write");
  static int full = FULL_WRITES;
  if (fd == 1 && full > 0) {
    --full;
    errno = FULL_ERRNO;
    return -1;
  }
#ifdef TRICKLE
  static bool full_now = false;
  if (fd == 1 && (full_now = !full_now)) {
    errno = EAGAIN;
    return -1;
  }
  return real_write(fd, data, fd == 1 && size > 1 ? 1 : size);
#else
  return real_write(fd, data, size);
#endif
}

extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
  using PollFn = int (*)(pollfd*, nfds_t, int);
  static const auto real_poll = next_definition<PollFn>("poll");
#ifdef POLL_INTERRUPTED
  ++polls;
  errno = EINTR;
  return -1;
#endif
  if (polls++ == 0) {
    errno = EINTR;
    return -1;
  }
  return real_poll(fds, count, timeout);
}
#endif

#ifdef RAISE_TERM
#include <csignal>
#ifndef RAISED_SIGNAL
#define RAISED_SIGNAL SIGTERM
#endif

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  using WriteFn = ssize_t (*)(int, const void*, size_t);
  static const auto real_write = next_definition<WriteFn>("write");
  static int calls = 0;
  if (fd != 1 || calls++ != 1) {
    return real_write(fd, data, size);
  }
  const ssize_t written = real_write(fd, data, size / 2);
  (void)std::raise(RAISED_SIGNAL);
  return written;
}
#endif
