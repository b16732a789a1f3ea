// Preloaded to make standard output fail the way some devices and file systems do. SHIM_MODE in
// the environment names a row of MODES, which says all that the shim does in that run.
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shim.h"

namespace {

struct Mode {
  const char* name;
  // Write failure: the first block goes out in a short write, an interrupted call and the rest;
  // the second in this many bytes, then "no space left", and any write to standard output after
  // that is reported on standard error. 0: none of this.
  size_t second_block_bytes = 0;
  bool another_writer_before_failure = false;  // appends a line just before "no space left"
  bool another_writer_before_second = false;   // appends a line just before the second write
  bool report_cut = false;                     // every ftruncate is reported on standard error
  bool hide_size_limit = false;  // the file-size limit reads as none; only the kernel knows it
  bool close_fails = false;      // closing standard output reports a lost write
  // A full output: the first full_writes writes fail with full_errno, and at exit the number of
  // waits in poll goes to standard error. The first wait is interrupted, or every one.
  int full_writes = 0;
  int full_errno = EAGAIN;
  bool every_poll_interrupted = false;
  bool trickle = false;  // then every other write finds it full, the rest take one byte
  // The second write takes half its bytes, as the kernel's does when a signal arrives during it,
  // and raises this signal.
  int raised_signal = 0;
};

constexpr int ALWAYS = 1'000'000;

// Modes of a kind share a line, laid out by hand; fail_write_early fails at less than a line.
// clang-format off
const Mode MODES[] = {
    {.name = "fail_write", .second_block_bytes = 1000}, {.name = "fail_write_early", .second_block_bytes = 20},
    {.name = "fail_write_shared", .second_block_bytes = 1000, .another_writer_before_failure = true},
    {.name = "report_cut", .report_cut = true}, {.name = "unknown_limit", .report_cut = true, .hide_size_limit = true},
    {.name = "sibling", .another_writer_before_second = true, .report_cut = true},
    {.name = "fail_close", .close_fails = true}, {.name = "write_again", .full_writes = 3},
    {.name = "always_again", .full_writes = ALWAYS}, {.name = "always_interrupted", .full_writes = ALWAYS, .full_errno = EINTR},
    {.name = "poll_interrupted", .full_writes = 3, .every_poll_interrupted = true}, {.name = "trickle", .full_writes = 0, .trickle = true},
    {.name = "raise_term", .raised_signal = SIGTERM}, {.name = "raise_alrm", .raised_signal = SIGALRM},
};
// clang-format on

const Mode& mode() {
  static const Mode& chosen = mode_named_in_environment(MODES);
  return chosen;
}

ssize_t real_write(int fd, const void* data, size_t size) {
  static const auto next = next_definition<ssize_t (*)(int, const void*, size_t)>("write");
  return next(fd, data, size);
}

void say(const char* text) {
  (void)!real_write(2, text, std::strlen(text));
}

// Another writer appends a line of its own to the same file through a descriptor of its own.
void another_writer_appends() {
  if (const int other = open("/proc/self/fd/1", O_WRONLY | O_APPEND); other >= 0) {
    static const char line[] = "another writer's line\n";
    (void)!real_write(other, line, std::strlen(line));
    close(other);
  }
}

// A program that a test's shell started (not its run's process group leader, as a program the
// test runs itself is) dies with that shell, which dies with the test: a killed test leaves it
// running nowhere. A shell already gone leaves none to wait for.
[[gnu::constructor]] void die_with_the_shell() {
  if (getpgrp() != getpid() && (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != getpgrp()))
    (void)std::raise(SIGKILL);
}

int polls = 0;

bool uses_poll(const Mode& m) {
  return m.full_writes > 0 || m.trickle;
}

struct Report {
  ~Report() {
    if (uses_poll(mode())) {
      char text[32];
      std::snprintf(text, sizeof text, "poll calls: %d\n", polls);
      say(text);
    }
  }
} report;

ssize_t fail_write(const Mode& m, int call, const void* data, size_t size) {
  switch (call) {
    case 0:
      return real_write(1, data, size / 2);
    case 1:
      errno = EINTR;
      return -1;
    case 2:
      return real_write(1, data, size);
    case 3:
      return real_write(1, data, size < m.second_block_bytes ? size : m.second_block_bytes);
    case 4:
      if (m.another_writer_before_failure)
        another_writer_appends();
      errno = ENOSPC;
      return -1;
    default:
      say("written after a failure\n");
      errno = EIO;
      return -1;
  }
}

// Each call caught under both its names: a program built with 64-bit file offsets on a 32-bit
// machine calls the ones ending in 64.
template <typename Offset>
int truncate_through(const char* name, int fd, Offset length) {
  if (mode().report_cut)
    say("ftruncate\n");
  return next_definition<int (*)(int, Offset)>(name)(fd, length);
}

template <typename Limit>
int limit_through(const char* name, __rlimit_resource_t resource, Limit* limit) {
  const int result = next_definition<int (*)(__rlimit_resource_t, Limit*)>(name)(resource, limit);
  if (result == 0 && resource == RLIMIT_FSIZE && mode().hide_size_limit) {
    // All ones: RLIM_INFINITY, in either width.
    limit->rlim_cur = limit->rlim_max = ~decltype(limit->rlim_cur){0};
  }
  return result;
}

}  // namespace

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  const Mode& m = mode();
  static int calls = 0;  // to standard output
  static int full = m.full_writes;
  static bool full_now = false;
  if (fd != 1)
    return real_write(fd, data, size);
  const int call = calls++;
  if (m.second_block_bytes > 0)
    return fail_write(m, call, data, size);
  if (m.another_writer_before_second && call == 1)
    another_writer_appends();
  if (full > 0) {
    --full;
    errno = m.full_errno;
    return -1;
  }
  if (m.trickle) {
    if ((full_now = !full_now)) {
      errno = EAGAIN;
      return -1;
    }
    return real_write(fd, data, size > 1 ? 1 : size);
  }
  if (m.raised_signal != 0 && call == 1) {
    const ssize_t written = real_write(fd, data, size / 2);
    (void)std::raise(m.raised_signal);
    return written;
  }
  return real_write(fd, data, size);
}

extern "C" int poll(pollfd* fds, nfds_t count, int timeout) {
  static const auto real_poll = next_definition<int (*)(pollfd*, nfds_t, int)>("poll");
  if (uses_poll(mode()) && (polls++ == 0 || mode().every_poll_interrupted)) {
    errno = EINTR;
    return -1;
  }
  return real_poll(fds, count, timeout);
}

extern "C" int close(int fd) {
  static const auto real_close = next_definition<int (*)(int)>("close");
  const int result = real_close(fd);
  if (fd == 1 && result == 0 && mode().close_fails) {
    errno = EIO;
    return -1;
  }
  return result;
}

extern "C" int ftruncate(int fd, off_t length) {
  return truncate_through("ftruncate", fd, length);
}

extern "C" int ftruncate64(int fd, off64_t length) {
  return truncate_through("ftruncate64", fd, length);
}

extern "C" int getrlimit(__rlimit_resource_t resource, rlimit* limit) {
  return limit_through("getrlimit", resource, limit);
}

extern "C" int getrlimit64(__rlimit_resource_t resource, rlimit64* limit) {
  return limit_through("getrlimit64", resource, limit);
}
