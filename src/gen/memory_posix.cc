#include <sys/mman.h>

#include "gen/memory.h"

bool lock_memory(const void* data, std::size_t size) {
  return mlock(data, size) == 0;
}
