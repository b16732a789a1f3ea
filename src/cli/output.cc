#include "cli/output.h"

#include "cli/options.h"

namespace {

constexpr int STDOUT_FD = 1;
constexpr int STDERR_FD = 2;

bool write_failed = false;
bool written_to = false;  // whether anything was ever handed to standard output

}  // namespace

bool write_stdout(std::string_view block) {
  written_to = true;
  if (!write_failed) {
    write_failed = !write_lines(STDOUT_FD, block);
  }
  return !write_failed;
}

bool write_stderr(std::string_view text) {
  return write_lines(STDERR_FD, text);
}

std::int32_t finish_output(std::int32_t status) {
  // A close that fails where nothing was handed to standard output has lost nothing: a run whose
  // random source failed before its first line says that, and only that.
  const bool closed = close_fd(STDOUT_FD);
  if (write_failed || (!closed && written_to)) {
    (void)write_stderr(MSG_WRITE_ERROR);  // nowhere left to report a failure of this one
    return STATUS_FAILURE;
  }
  return status;
}
