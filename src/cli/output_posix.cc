#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "cli/output.h"
#include "gen/wait.h"

namespace {

// One test for a full non-blocking descriptor covers both names where they are one error.
static_assert(EAGAIN == EWOULDBLOCK, "test errno for EWOULDBLOCK too");

// What one fstat tells of the descriptor before a block goes out: a regular file, whose bytes can
// be cut back, or something a reader drains (a pipe, a socket, a terminal or another character
// device), where a full buffer is worth a wait; a regular file never becomes "ready", and a block
// device or a directory neither.
struct Target {
  bool file = false;
  bool drained = false;
  long long start = -1;  // where a file's block should start, for the room under a size limit
};

// Returns how much of block went out: all of it, or less after a failure. A parent may have left
// the descriptor non-blocking: a full pipe is then a slow reader, not a failure, and the rest
// goes out once it has room. Every call writes, waits on a descriptor that a reader drains, or
// counts towards giving up (MAX_IDLE_CALLS in a row that write nothing).
std::size_t write_all(int fd, std::string_view block, bool drained) {
  std::size_t done = 0;
  int idle = 0;
  while (done < block.size() && idle < MAX_IDLE_CALLS) {
    const ssize_t written = write(fd, block.data() + done, block.size() - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      idle = 0;
      continue;
    }
    ++idle;
    if (written < 0 && errno == EINTR) {
      continue;  // interrupted before it wrote anything: try again
    }
    if (!(written < 0 && errno == EAGAIN && drained && wait_ready(fd, POLLOUT))) {
      break;
    }
  }
  return done;
}

Target target_of(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    return {};
  }
  if (!S_ISREG(info.st_mode)) {
    return {.drained = S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) || S_ISCHR(info.st_mode)};
  }
  // The offset, or the end for a descriptor that appends; F_GETFL fails only on a descriptor
  // fstat has just refused. Only a guess: another process may append before the write lands.
  const bool appends = (fcntl(fd, F_GETFL) & O_APPEND) != 0;
  return {.file = true, .start = appends ? info.st_size : lseek(fd, 0, SEEK_CUR)};
}

// A size limit (RLIMIT_FSIZE) that will stop a regular file part way through block is known
// ahead: only the whole lines that fit go out, and the run then fails with nothing to cut. Where
// another process appends in between, the write stops short after all, and is cut back.
std::size_t whole_lines_that_fit(std::string_view block, long long start) {
  if (start < 0) {
    return block.size();  // no offset known, and nothing that a cut could mend
  }
  // getrlimit fails only on a bad resource or address; were it to, no limit is assumed.
  rlimit limit{RLIM_INFINITY, RLIM_INFINITY};
  (void)getrlimit(RLIMIT_FSIZE, &limit);
  if (limit.rlim_cur == RLIM_INFINITY) {
    return block.size();
  }
  const auto at = static_cast<rlim_t>(start);
  const rlim_t room = limit.rlim_cur - std::min(at, limit.rlim_cur);  // none at or past it
  if (room >= block.size()) {
    return block.size();
  }
  const std::size_t last_newline = block.substr(0, static_cast<std::size_t>(room)).rfind('\n');
  return last_newline == std::string_view::npos ? 0 : last_newline + 1;
}

// A file that filled up (no space left, or a size limit met where the room was not as known) must
// not end in a cut line, which reads as a valid shorter password: what went out after the block's
// last whole line is cut off again. Where the write went is learnt from the write, not guessed
// before it: its bytes end at the offset it left, for a descriptor that appends too. They are cut
// only while the file still ends exactly there: no one else's bytes go. The offset may be shared
// with a shell ({ tolvane; echo; } > f, or a script under exec >log) and would otherwise stay past
// the new end, so the next write through it would leave a hole of zeros: it is set to the end as
// found after the cut, which is the cut itself unless someone has written past it since. Blocks
// start at a line's start, so nothing before the block is ever cut.
//
// What no system call can close: a line another process appends between the check and the cut is
// cut off with tolvane's; one appended between the write and the check leaves tolvane's cut line
// in place (the status says the output is incomplete); and a write through the same open file
// (a shared offset) between the write and the reading of its offset is taken for tolvane's.
void cut_partial_line(int fd, std::string_view written) {
  const std::size_t last_newline = written.rfind('\n');
  const std::size_t whole = last_newline == std::string_view::npos ? 0 : last_newline + 1;
  const auto cut_line = static_cast<off_t>(written.size() - whole);
  if (cut_line == 0) {
    return;
  }
  const off_t end = lseek(fd, 0, SEEK_CUR);  // where the write's bytes end
  // An offset short of the write's own length cannot be where this write ended: another process
  // moved a shared offset back, or the file keeps no offset that means anything. The cut, at
  // end - cut_line, could then fall below 0 or into bytes that are not tolvane's. Past this
  // check, and with the file ending at end, it falls right after the write's last whole line.
  struct stat info {};
  const bool file_ends_there =
      end >= static_cast<off_t>(written.size()) && fstat(fd, &info) == 0 && info.st_size == end;
  if (!file_ends_there) {
    return;  // the line stays cut; the status says the output is incomplete
  }
  // A shared offset follows the cut; a cut that failed leaves the line, and the offset at the end.
  if (ftruncate(fd, end - cut_line) == 0) {
    (void)lseek(fd, 0, SEEK_END);
  }
}

// A signal that ends the run (Ctrl-C, kill, a closed terminal) arriving while the kernel copies
// a block into a file ends the write short and the process at once, before any cut: the file
// then ends in a cut password. Held back for the write, it lands between blocks, at a whole
// line, and its default action still ends the run. Only around a regular file's writes, which
// never wait on a reader: on a pipe or terminal a paused reader would hold off Ctrl-C too.
// SIGKILL cannot be held back; that window stays.
// sigprocmask fails only on a bad how or address. Returns the mask to restore.
sigset_t hold_ending_signals() {
  // Every signal sent from outside: a timer a parent left (SIGALRM survives exec), a CPU limit
  // (SIGXCPU), SIGUSR1 from a script. Faults the program itself causes cannot wait, and SIGKILL
  // and SIGSTOP cannot be held.
  sigset_t ending;
  (void)sigfillset(&ending);
  for (const int own_fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS}) {
    (void)sigdelset(&ending, own_fault);
  }
  sigset_t before;
  (void)sigprocmask(SIG_BLOCK, &ending, &before);
  return before;
}

}  // namespace

// Standard error may be the same file as standard output (2>&1), where its line must no more be
// cut than a password: both take this path, whole lines or nothing of the one that does not fit.
bool write_lines(int fd, std::string_view block) {
  const Target target = target_of(fd);
  sigset_t before{};
  if (target.file) {
    before = hold_ending_signals();
  }
  const std::string_view fits = block.substr(0, whole_lines_that_fit(block, target.start));
  const std::size_t written = write_all(fd, fits, target.drained);
  if (target.file && written != fits.size()) {
    cut_partial_line(fd, fits.substr(0, written));
  }
  if (target.file) {
    // A held signal that ends the run lands here, after any cut.
    (void)sigprocmask(SIG_SETMASK, &before, nullptr);
  }
  return written == block.size();
}

bool close_fd(int fd) {
  return close(fd) == 0;
}
