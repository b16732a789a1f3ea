#include "cli/output.h"

#include <cerrno>

#include "cli/options.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int STDOUT_FD = 1;
constexpr int STDERR_FD = 2;

bool write_failed = false;

#if defined(_WIN32)
// The C runtime's _write keeps the console's text mode, which ends each line with CR LF.
// Returns how much of block went out: all of it, or less after a failure.
std::size_t write_all(int fd, std::string_view block) {
  std::size_t done = 0;
  while (done < block.size()) {
    const std::size_t left = block.size() - done;
    const int chunk = left > 0x40000000u ? 0x40000000 : static_cast<int>(left);
    const int written = _write(fd, block.data() + done, static_cast<unsigned>(chunk));
    if (written <= 0) {
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  return done;
}

// Text mode makes the file's offsets differ from the block's, so a cut line stays on Windows.
void cut_partial_line(int /*fd*/, std::string_view /*written*/) {}

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

// Returns how much of block went out: all of it, or less after a failure.
std::size_t write_all(int fd, std::string_view block) {
  std::size_t done = 0;
  while (done < block.size()) {
    const ssize_t written = write(fd, block.data() + done, block.size() - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
    } else if (written < 0 && errno == EINTR) {
      // interrupted before it wrote anything: try again
    } else if (!(written < 0 && errno == EAGAIN && wait_writable(fd))) {
      break;
    }
  }
  return done;
}

// A file that filled up (no space left, a size limit) must not end in a cut line, which reads as
// a valid shorter password: what went out after the block's last whole line is cut off again,
// but only while the file still ends where tolvane's last byte is, so no one else's bytes go.
// Blocks start at a line's start, so nothing before the block is ever cut.
void cut_partial_line(int fd, std::string_view written) {
  const std::size_t last_newline = written.rfind('\n');
  const std::size_t partial =
      last_newline == std::string_view::npos ? written.size() : written.size() - last_newline - 1;
  struct stat info {};
  if (partial == 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    return;
  }
  const off_t end = lseek(fd, 0, SEEK_CUR);
  if (end == info.st_size) {
    // Where even this fails the line stays cut; the status says the output is incomplete.
    [[maybe_unused]] const int cut = ftruncate(fd, end - static_cast<off_t>(partial));
  }
}

int close_fd(int fd) {
  return close(fd);
}
#endif

}  // namespace

bool write_stdout(std::string_view block) {
  if (!write_failed) {
    const std::size_t written = write_all(STDOUT_FD, block);
    write_failed = written != block.size();
    if (write_failed) {
      cut_partial_line(STDOUT_FD, block.substr(0, written));
    }
  }
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
