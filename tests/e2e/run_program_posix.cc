#include "run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

// Everything written to file, read back from its start.
std::string read_whole_file(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char block[65536];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;)
    text.append(block, n);
  return text;
}

using Deadline = std::chrono::steady_clock::time_point;

// Milliseconds left until deadline, none once it has passed.
int left_ms(Deadline deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Whether fd has bytes, or its end, to read before deadline: a program that hangs holding the
// pipe open must not hold its reader for ever.
bool readable_by(int fd, Deadline deadline) {
  pollfd entry{fd, POLLIN, 0};
  int ready = 0;
  while ((ready = poll(&entry, 1, left_ms(deadline))) < 0 && errno == EINTR) {
  }
  return ready > 0;
}

// Reads from fd until the first newline, then returns what it read.
std::string read_one_line(int fd, Deadline deadline) {
  std::string text;
  char c = 0;
  while (text.find('\n') == std::string::npos && readable_by(fd, deadline) && read(fd, &c, 1) == 1)
    text.push_back(c);
  return text;
}

// Reads fd to its end a little at a time. The pipe holds one page (run_program), which only
// a whole read frees, so a writer handing it 64 KiB at a time finds it full again and again.
std::string read_slowly(int fd, Deadline deadline) {
  std::string text;
  char piece[256];
  for (ssize_t got; readable_by(fd, deadline) && (got = read(fd, piece, sizeof piece)) > 0;)
    text.append(piece, static_cast<std::size_t>(got));
  return text;
}

[[noreturn]] void exec_child(const std::vector<std::string>& words,
                             const std::vector<std::string>& env, Stdout mode, int out_fd,
                             int err_fd, pid_t test) {
  // The run and all it starts are one group, which a deadline ends whole; and should the test
  // itself be killed, the run goes with it rather than run on under init (a program a shell of
  // the run starts goes with that shell: output_shim.cc). A test already gone leaves no run.
  setpgid(0, 0);
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != test)
    _exit(127);
  for (const std::string& entry : env)
    putenv(const_cast<char*>(entry.c_str()));
  if (mode == Stdout::DevFull)
    out_fd = open("/dev/full", O_WRONLY);
  if (mode == Stdout::Closed)
    close(1);
  else
    dup2(out_fd, 1);
  if (mode == Stdout::SlowNonBlocking || mode == Stdout::AppendToFile)
    fcntl(1, F_SETFL, fcntl(1, F_GETFL) | (mode == Stdout::AppendToFile ? O_APPEND : O_NONBLOCK));
  dup2(err_fd, 2);
  signal(SIGPIPE, SIG_DFL);
  std::vector<char*> argv;
  for (const std::string& word : words)
    argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

// The process group of the run under way, which hears nothing from the terminal: a signal that
// ends the tests (Ctrl-C, ctest's end) ends the run first, and then the tests as it would have.
volatile sig_atomic_t running = 0;

void end_run_then_die(int number) {
  if (running > 0)
    kill(-static_cast<pid_t>(running), SIGKILL);
  signal(number, SIG_DFL);
  raise(number);
}

}  // namespace

int wait_for_child(pid_t pid, int timeout_ms) {
  // The child's end wakes the wait at once: its pidfd becomes readable. The timeout only bounds
  // a run that never ends. (Debian 12's C library declares pidfd_open without C linkage.)
  pollfd ended{static_cast<int>(syscall(SYS_pidfd_open, pid, 0)), POLLIN, 0};
  const Deadline deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  int ready = 0;
  while ((ready = poll(&ended, 1, left_ms(deadline))) < 0 && errno == EINTR) {
  }
  if (ended.fd < 0 || ready < 0)
    std::abort();
  if (ready == 0 && kill(-pid, SIGKILL) != 0)
    kill(pid, SIGKILL);  // a child in the caller's own group
  close(ended.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  return ready == 0 ? -1 : status;
}

std::string emulator() {
  return TOLVANE_EMULATOR;
}

std::vector<std::string> command_line(const std::string& path,
                                      const std::vector<std::string>& args) {
  std::vector<std::string> words;
  if (path.starts_with(TOLVANE_BINARY_DIR "/")) {
    std::istringstream emulator_words(TOLVANE_EMULATOR);
    for (std::string word; emulator_words >> word;)
      words.push_back(word);
  }
  words.push_back(path);
  words.insert(words.end(), args.begin(), args.end());
  return words;
}

RunResult run_program(const std::string& path, const std::vector<std::string>& args, Stdout mode,
                      const std::vector<std::string>& env) {
  RunResult result;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int pipe_fds[2] = {-1, -1};
  const Deadline deadline = std::chrono::steady_clock::now() + std::chrono::seconds(RUN_DEADLINE);
  const bool piped = mode == Stdout::OneLine || mode == Stdout::SlowNonBlocking;
  if (out == nullptr || err == nullptr || (piped && pipe(pipe_fds) != 0)) {
    std::abort();
  }
  if (mode == Stdout::SlowNonBlocking && fcntl(pipe_fds[1], F_SETPIPE_SZ, 4096) < 0) {
    std::abort();
  }
  if (mode == Stdout::AppendToFile) {
    std::fputs(APPEND_PREFIX, out);
    std::fflush(out);
  }
  const int child_out = piped ? pipe_fds[1] : fileno(out);
  const std::vector<std::string> words = command_line(path, args);
  const pid_t test = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // The child must not hold the pipe's reading end, or closing ours would not close the pipe.
    if (piped)
      close(pipe_fds[0]);
    exec_child(words, env, mode, child_out, fileno(err), test);
  }
  setpgid(pid, pid);  // whichever of the two runs first
  for (const int ending : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
    signal(ending, end_run_then_die);
  running = pid;

  if (piped) {
    close(pipe_fds[1]);
    result.out = mode == Stdout::OneLine ? read_one_line(pipe_fds[0], deadline)
                                         : read_slowly(pipe_fds[0], deadline);
    close(pipe_fds[0]);
  }
  const int status = wait_for_child(pid, left_ms(deadline));
  running = 0;
  if (!piped)
    result.out = read_whole_file(out);
  result.err = read_whole_file(err);
  std::fclose(out);
  std::fclose(err);
  if (status == -1)
    throw std::runtime_error("no end within " + std::to_string(RUN_DEADLINE) + " s: " + path +
                             ", standard error: " + result.err);
  if (WIFEXITED(status))
    result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    result.signal = WTERMSIG(status);
  return result;
}
