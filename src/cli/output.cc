#include "cli/output.h"

#include <cerrno>

#include "cli/options.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace {

constexpr int STDOUT_FD = 1;
constexpr int STDERR_FD = 2;

bool write_failed = false;

#if defined(_WIN32)
// The C runtime's _write keeps the console's text mode, which ends each line with CR LF.
bool write_all(int fd, std::string_view block) {
  while (!block.empty()) {
    const int chunk = block.size() > 0x40000000u ? 0x40000000 : static_cast<int>(block.size());
    const int written = _write(fd, block.data(), static_cast<unsigned>(chunk));
    if (written <= 0) {
      return false;
    }
    block.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

int close_fd(int fd) {
  return _close(fd);
}
#else
// A parent may have left the descriptor non-blocking: a full pipe is then a slow reader, not a
// failure, and the rest goes out once it has room.
bool wait_writable(int fd) {
  pollfd entry{fd, POLLOUT, 0};
  int ready = 0;
  do {
    ready = poll(&entry, 1, -1);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

// One test for a full non-blocking descriptor covers both names where they are one error.
static_assert(EAGAIN == EWOULDBLOCK, "test errno for EWOULDBLOCK too");

bool write_all(int fd, std::string_view block) {
  while (!block.empty()) {
    const ssize_t written = write(fd, block.data(), block.size());
    if (written > 0) {
      block.remove_prefix(static_cast<std::size_t>(written));
    } else if (written < 0 && errno == EINTR) {
      // interrupted before it wrote anything: try again
    } else if (!(written < 0 && errno == EAGAIN && wait_writable(fd))) {
      return false;
    }
  }
  return true;
}

int close_fd(int fd) {
  return close(fd);
}
#endif

}  // namespace

bool write_stdout(std::string_view block) {
  write_failed = write_failed || !write_all(STDOUT_FD, block);
  return !write_failed;
}

void write_stderr(std::string_view text) {
  (void)write_all(STDERR_FD, text);  // nowhere left to report a failure of this one
}

std::int32_t finish_output(std::int32_t status) {
  const bool closed = close_fd(STDOUT_FD) == 0;
  if (write_failed || !closed) {
    write_stderr(MSG_WRITE_ERROR);
    return STATUS_WRITE_ERROR;
  }
  return status;
}
