// What the secrets' memory needs: kept out of swap while the run lasts, and wiped before it is
// left behind.
#pragma once

#include <cstddef>
#include <cstring>

// memset called through a volatile pointer is a call the compiler cannot see through, so it
// cannot drop the zeros as stores that nothing reads after.
inline void* (*const volatile wipe_memset)(void*, int, std::size_t) = std::memset;

// Writes zeros over size bytes at data, through wipe_memset, so that the compiler keeps them.
inline void wipe(void* data, std::size_t size) {
  if (size != 0) {  // an empty buffer may have no address, which memset may not be given
    (void)wipe_memset(data, 0, size);
  }
}

// Keeps the pages that hold size bytes at data out of swap, where the system allows it; false
// where it refuses (a small RLIMIT_MEMLOCK), which leaves the run going on unlocked. Each
// platform has its own file (memory_posix.cc, memory_win32.cc).
bool lock_memory(const void* data, std::size_t size);
