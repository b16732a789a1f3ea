// Windows: the system's own user-space generator, BCryptGenRandom, asked for every buffer.
#include <windows.h>
// windows.h first: bcrypt.h relies on its types.
#include <bcrypt.h>

#include "gen/system_stream.h"

bool stream_start() {
  return true;
}

bool stream_fill(std::span<unsigned char> out) {
  return BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(out.size()),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}

void stream_finish() {}

void stream_lock(std::span<unsigned char> data) {
  (void)VirtualLock(data.data(), data.size());
}
