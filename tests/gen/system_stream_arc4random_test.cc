// The C library's arc4random stream, as the system source uses it: every byte of every buffer it
// is given is filled, to the last.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "gen/system_stream.h"

namespace {

// A byte the stream never writes keeps its value across fills; one it writes takes eight random
// values, all the same with a chance of 2^-56.
TEST(Arc4randomStream, FillsEveryByteOfEachBuffer) {
  StreamKey key{};
  ASSERT_TRUE(stream_start(key));
  for (const std::size_t size : {std::size_t{1}, std::size_t{1024}, std::size_t{4096}}) {
    SCOPED_TRACE(size);
    std::vector<std::set<unsigned char>> seen(size);
    std::vector<unsigned char> buffer(size, 0);
    for (int fill = 0; fill < 8; ++fill) {
      ASSERT_TRUE(stream_fill(key, buffer));
      for (std::size_t i = 0; i < size; ++i)
        seen[i].insert(buffer[i]);
    }
    for (std::size_t i = 0; i < size; ++i)
      ASSERT_GT(seen[i].size(), 1u) << "byte " << i << " is never written";
  }
}

}  // namespace
