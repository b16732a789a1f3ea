#include <sys/mman.h>

#include "gen/memory.h"

void lock_memory(const void* data, std::size_t size) {
  (void)mlock(data, size);
}
