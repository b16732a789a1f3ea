/* Times two programs in pairs, each run started here with its output to /dev/null: A then B,
 * then B then A, and so on, so that a slow spell of a shared machine falls on both of a pair.
 * Prints the median of the pairs' ratios B / A and the median times of A and B in microseconds,
 * first of the wall clock, then of the processor time the kernel charged each run (user and
 * system), which a machine busy with other work inflates far less. A median of ratios moves
 * far less with the machine's drift than best-of times.
 *   usage: pair_time pairs A [arguments...] -- B [arguments...] */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double now_us(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

static double us_of(struct timeval t) {
  return (double)t.tv_sec * 1e6 + (double)t.tv_usec;
}

/* One run: its wall time, and its processor time into *cpu. */
static double run(char** argv, const posix_spawn_file_actions_t* actions, double* cpu) {
  pid_t pid;
  int status;
  struct rusage usage;
  const double start = now_us();
  if (posix_spawn(&pid, argv[0], actions, NULL, argv, environ) != 0 ||
      wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fprintf(stderr, "pair_time: %s did not run to a clean end\n", argv[0]);
    exit(1);
  }
  const double wall = now_us() - start;
  *cpu = us_of(usage.ru_utime) + us_of(usage.ru_stime);
  return wall;
}

static int by_value(const void* a, const void* b) {
  const double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

static double median(double* values, int count) {
  qsort(values, (size_t)count, sizeof *values, by_value);
  return count % 2 != 0 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

int main(int argc, char** argv) {
  int split = 2;
  while (split < argc && strcmp(argv[split], "--") != 0) ++split;
  const int pairs = argc > 1 ? atoi(argv[1]) : 0;
  if (pairs < 1 || split == 2 || split + 1 >= argc) {
    fputs("usage: pair_time pairs A [arguments...] -- B [arguments...]\n", stderr);
    return 2;
  }
  argv[split] = NULL; /* ends A's arguments */
  char** a = argv + 2;
  char** b = argv + split + 1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  /* Wall and processor times of A and B, and their ratios, pairs values each. */
  double* values = malloc(6 * (size_t)pairs * sizeof(double));
  if (values == NULL) return 1;
  double *wall_a = values, *wall_b = wall_a + pairs, *wall_ratio = wall_b + pairs;
  double *cpu_a = wall_ratio + pairs, *cpu_b = cpu_a + pairs, *cpu_ratio = cpu_b + pairs;
  double ignored;
  run(a, &actions, &ignored); /* once each first, so neither pays alone for a cold cache */
  run(b, &actions, &ignored);
  for (int i = 0; i < pairs; ++i) {
    if (i % 2 == 0) {
      wall_a[i] = run(a, &actions, &cpu_a[i]);
      wall_b[i] = run(b, &actions, &cpu_b[i]);
    } else {
      wall_b[i] = run(b, &actions, &cpu_b[i]);
      wall_a[i] = run(a, &actions, &cpu_a[i]);
    }
    wall_ratio[i] = wall_b[i] / wall_a[i];
    /* The kernel counts processor time in whole ticks on some systems: never divide by 0. */
    cpu_ratio[i] = cpu_a[i] > 0 ? cpu_b[i] / cpu_a[i] : 1;
  }
  printf("wall %.3f %.0f %.0f\n", median(wall_ratio, pairs), median(wall_a, pairs),
         median(wall_b, pairs));
  printf("cpu %.3f %.0f %.0f\n", median(cpu_ratio, pairs), median(cpu_a, pairs),
         median(cpu_b, pairs));
  return 0;
}
