#include <io.h>

#include <cstddef>

#include "cli/output.h"

// The C runtime's _write keeps the console's text mode, which ends each line with CR LF; its
// offsets then differ from the block's, so no cut line can be mended, and none is tried. A block
// is never more than 64 KiB of passwords or a help text, which the unsigned count holds.
bool write_lines(int fd, std::string_view block) {
  while (!block.empty()) {
    const int written = _write(fd, block.data(), static_cast<unsigned>(block.size()));
    if (written <= 0) {
      return false;
    }
    block.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool close_fd(int fd) {
  return _close(fd) == 0;
}
