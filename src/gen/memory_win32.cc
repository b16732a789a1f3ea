#include <windows.h>

#include "gen/memory.h"

// A process's working set may lock little more than its own size; a refusal leaves the run as it
// was.
void lock_memory(const void* data, std::size_t size) {
  (void)VirtualLock(const_cast<void*>(data), size);
}
