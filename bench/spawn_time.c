/* Starts a program many times with its output to /dev/null and prints the shortest wall time of
 * one run, in microseconds: the program alone, without a shell or a timing command of its own.
 *   usage: spawn_time runs program [arguments...] */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double now_us(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    fputs("usage: spawn_time runs program [arguments...]\n", stderr);
    return 2;
  }
  const int runs = atoi(argv[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  double best = -1;
  for (int i = 0; i < runs; ++i) {
    pid_t pid;
    int status;
    const double start = now_us();
    if (posix_spawn(&pid, argv[2], &actions, NULL, argv + 2, environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      fprintf(stderr, "spawn_time: %s did not run to a clean end\n", argv[2]);
      return 1;
    }
    const double took = now_us() - start;
    if (best < 0 || took < best) best = took;
  }
  printf("%.0f\n", best);
  return 0;
}
