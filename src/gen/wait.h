// One wait on a descriptor, for the two places that must wait without end and without spinning:
// a non-blocking standard output that is full, and the kernel's random pool not yet ready.
// POSIX only.
#pragma once

#include <poll.h>

#include <cerrno>

// The most system calls in a row that get nothing done (interrupted, or a wait after which the
// descriptor is still full) before a read, write or wait is given up. tolvane catches no signal,
// so an interrupted call is rare, and a wait ends when a reader has made room; this many in a
// row come only from a descriptor or a kernel that will answer nothing else, and the run would
// otherwise spin for ever.
inline constexpr int MAX_IDLE_CALLS = 1000;

// Waits in poll until fd is ready for events, waiting again when a signal interrupts it. False
// if poll fails; a descriptor that reports an error or a hang-up counts as ready, and the read
// or write that follows tells what it is.
inline bool wait_ready(int fd, short events) {
  pollfd entry{fd, events, 0};
  int ready = 0;
  int interrupted = 0;
  do {
    ready = poll(&entry, 1, -1);
  } while (ready < 0 && errno == EINTR && ++interrupted < MAX_IDLE_CALLS);
  return ready > 0;
}
