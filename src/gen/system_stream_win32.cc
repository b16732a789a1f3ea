// Windows: the system's own user-space generator, BCryptGenRandom, asked for every buffer; it
// keeps its key to itself.
#include <windows.h>
// windows.h first: bcrypt.h relies on its types.
#include <bcrypt.h>

#include "gen/system_stream.h"

bool stream_start(StreamKey& /*key*/) {
  return true;
}

bool stream_fill(StreamKey& /*key*/, std::span<unsigned char> out) {
  return BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(out.size()),
                         BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}
