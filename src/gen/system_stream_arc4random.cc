// The BSDs, macOS and glibc 2.36 on: the C library's own user-space generator, arc4random_buf,
// which never fails and keeps its key to itself.
#include <stdlib.h>  // arc4random_buf

#include "gen/system_stream.h"

bool stream_start(StreamKey& /*key*/) {
  return true;
}

bool stream_fill(StreamKey& /*key*/, std::span<unsigned char> out) {
  arc4random_buf(out.data(), out.size());
  return true;
}
