// Runs a program with an exact argument vector and collects what it wrote and how it ended.
#pragma once

#include <string>
#include <vector>

enum class Stdout {
  Capture,          // into a file, read back afterwards
  DevFull,          // every write fails with "no space left"
  Closed,           // descriptor 1 is not open at all
  OneLine,          // a pipe whose reader takes one line and then closes it
  SlowNonBlocking,  // a non-blocking pipe whose reader takes a little at a time, now and then
  AppendToFile,     // a file that already holds APPEND_PREFIX, opened for appending
};

// What an AppendToFile file holds before the program runs: a line that is not yet whole.
inline constexpr char APPEND_PREFIX[] = "someone else's bytes, no newline yet";

struct RunResult {
  int exit_status = -1;  // as a POSIX shell sees it (0 to 255); on Windows the whole code
  int signal = 0;        // the signal that ended it, or 0
  std::string out;
  std::string err;
};

// How long one run may take, in seconds: a third of its test's deadline (tests/CMakeLists.txt).
// A run that outlives it is killed with all it started, and ends the test that made it (an
// exception): under a fault that loops, each test fails once, in seconds, rather than once a row.
inline constexpr int RUN_DEADLINE = TOLVANE_RUN_DEADLINE;

// env holds "NAME=value" entries added to the program's environment. On Windows only Capture
// and no env exist, and standard output comes back with CR LF read as LF (and any LF without its
// CR marked, so it matches nothing).
RunResult run_program(const std::string& path, const std::vector<std::string>& args,
                      Stdout mode = Stdout::Capture, const std::vector<std::string>& env = {});

// A build for another machine (a cross build) names the emulator that runs its programs here
// (qemu-user; CMAKE_CROSSCOMPILING_EMULATOR), whose words start each of them: run_program puts
// them before every program of the build, which this machine's kernel could not start, and before
// no other (a shell is this machine's own). Empty in a build for this machine.
std::string emulator();
// The argument vector that starts the program at path with args, as run_program execs it.
std::vector<std::string> command_line(const std::string& path,
                                      const std::vector<std::string>& args);

#ifndef _WIN32
#include <sys/types.h>
// Waits at most timeout_ms for the child pid to end; its wait status, or -1 where it did not end
// and was killed with its process group.
int wait_for_child(pid_t pid, int timeout_ms);
#endif
