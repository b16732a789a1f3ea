#include <windows.h>

#include "gen/memory.h"

// A process's working set may lock little more than its own size; a refusal leaves the run as it
// was.
bool lock_memory(const void* data, std::size_t size) {
  return VirtualLock(const_cast<void*>(data), size) != 0;
}
