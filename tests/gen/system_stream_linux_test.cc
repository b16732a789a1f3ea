// The Linux stream's use of the cipher, every call logged (libsodium's start among them): no key
// and nonce twice, no key in what the stream gives, and each key the nonce-1 stream of the one
// before it.
#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "gen/chacha20.h"
#include "gen/system_stream.h"

namespace {

std::vector<std::pair<ChaCha20Key, ChaCha20Nonce>> calls;
bool library_fails = false;

}  // namespace

// libsodium's start draws from the key's stream of its own (chacha20_test sees the bytes it
// keeps), which no other stream may share.
bool chacha20_init(const ChaCha20Key& key) {
  calls.emplace_back(key, LIBRARY_NONCE);
  return !library_fails && sodium_init() >= 0;
}

void chacha20_keystream(std::span<unsigned char> out, const ChaCha20Key& key,
                        const ChaCha20Nonce& nonce) {
  calls.emplace_back(key, nonce);
  (void)crypto_stream_chacha20_ietf(out.data(), out.size(), nonce.data(), key.data());
}

namespace {

// The library starts with the stream, from the key just read: should it not start, neither does
// the stream (and the run ends with the source's error before it prints anything).
TEST(LinuxStream, AStreamWhoseLibraryCannotStartFails) {
  StreamKey key{};
  library_fails = true;
  EXPECT_FALSE(stream_start(key));
  library_fails = false;
  EXPECT_TRUE(stream_start(key));
  calls.clear();
}

TEST(LinuxStream, EachKeyFillsOneBufferAndIsReplacedByItsOwnSecondStream) {
  StreamKey stream_key{};
  ASSERT_TRUE(stream_start(stream_key));
  std::vector<std::vector<unsigned char>> given;
  for (int k = 0; k < 4; ++k) {
    given.emplace_back(k % 2 == 0 ? 4096 : 1024);
    ASSERT_TRUE(stream_fill(stream_key, given.back()));
  }

  std::set<std::pair<ChaCha20Key, ChaCha20Nonce>> pairs;
  std::vector<ChaCha20Key> keys;
  for (const auto& [key, nonce] : calls) {
    EXPECT_TRUE(pairs.insert({key, nonce}).second) << "a key and nonce used twice";
    if (keys.empty() || keys.back() != key)
      keys.push_back(key);
  }
  ASSERT_EQ(keys.size(), given.size());
  for (std::size_t k = 1; k < keys.size(); ++k) {
    ChaCha20Key expected;
    const ChaCha20Nonce one{1};
    (void)crypto_stream_chacha20_ietf(expected.data(), expected.size(), one.data(),
                                      keys[k - 1].data());
    EXPECT_EQ(keys[k], expected) << "key " << k;
  }
  for (const ChaCha20Key& key : keys) {
    for (const std::vector<unsigned char>& bytes : given)
      EXPECT_EQ(std::search(bytes.begin(), bytes.end(), key.begin(), key.end()), bytes.end());
  }
}

}  // namespace
