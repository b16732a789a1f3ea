// The BSDs, macOS and glibc 2.36 on: the C library's own user-space generator, arc4random_buf,
// which never fails.
#include <stdlib.h>  // arc4random_buf
#include <sys/mman.h>

#include "gen/system_stream.h"

bool stream_start() {
  return true;
}

bool stream_fill(std::span<unsigned char> out) {
  arc4random_buf(out.data(), out.size());
  return true;
}

void stream_finish() {}

void stream_lock(std::span<unsigned char> data) {
  (void)mlock(data.data(), data.size());
}
