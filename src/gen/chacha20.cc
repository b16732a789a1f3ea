#include "gen/chacha20.h"

#include <sodium.h>

#include <algorithm>
#include <cstdint>

static_assert(std::tuple_size_v<ChaCha20Key> == crypto_stream_chacha20_ietf_KEYBYTES);
static_assert(std::tuple_size_v<ChaCha20Nonce> == crypto_stream_chacha20_ietf_NONCEBYTES);

namespace {

// libsodium's own source reads the kernel again, and aborts the process where it finds no
// device; this one serves sodium_init from the key instead, and nothing after it. Its nonce is
// its own, so that what libsodium keeps of these bytes (its 16-byte guard canary, in its unlocked
// memory until exit) is no part of the passwords' keystream nor of the next key. Each call starts
// at the block after the last one used: no two calls get the same bytes.
const ChaCha20Key* start_key = nullptr;  // set only while sodium_init runs
std::uint32_t start_block = 0;           // the next block of the stream no call has had

void library_bytes(void* const out, const size_t size) {
  if (start_key == nullptr) {
    sodium_misuse();  // tolvane never asks libsodium for random bytes
  }
  auto* const bytes = static_cast<unsigned char*>(out);
  std::fill_n(bytes, size, 0);  // the keystream XORed over zeros is the keystream
  (void)crypto_stream_chacha20_ietf_xor_ic(bytes, bytes, size, LIBRARY_NONCE.data(), start_block,
                                           start_key->data());
  constexpr size_t BLOCK_BYTES = 64;
  start_block += static_cast<std::uint32_t>((size + BLOCK_BYTES - 1) / BLOCK_BYTES);
}

const char* library_source_name() {
  return "tolvane";
}

uint32_t library_random() {
  uint32_t value = 0;
  library_bytes(&value, sizeof value);
  return value;
}

randombytes_implementation library_source = {library_source_name, library_random, nullptr, nullptr,
                                             library_bytes,       nullptr};

}  // namespace

bool chacha20_init(const ChaCha20Key& key) {
  start_key = &key;
  start_block = 0;
  (void)randombytes_set_implementation(&library_source);  // only stores the pointer, returns 0
  const bool started = sodium_init() >= 0;
  start_key = nullptr;
  return started;
}

void chacha20_keystream(std::span<unsigned char> out, const ChaCha20Key& key,
                        const ChaCha20Nonce& nonce) {
  (void)crypto_stream_chacha20_ietf(out.data(), out.size(), nonce.data(), key.data());
}
