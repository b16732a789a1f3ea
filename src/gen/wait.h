// One wait on a descriptor, for the two places that must wait without end and without spinning:
// a non-blocking standard output that is full, and the kernel's random pool not yet ready.
// POSIX only.
#pragma once

#include <poll.h>

#include <cerrno>

// Waits in poll until fd is ready for events, waiting again when a signal interrupts it. False
// if poll fails; a descriptor that reports an error or a hang-up counts as ready, and the read
// or write that follows tells what it is.
inline bool wait_ready(int fd, short events) {
  pollfd entry{fd, events, 0};
  int ready = 0;
  do {
    ready = poll(&entry, 1, -1);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}
