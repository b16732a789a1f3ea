#include "gen/chacha20.h"

#include <sodium.h>

static_assert(std::tuple_size_v<ChaCha20Key> == crypto_stream_chacha20_ietf_KEYBYTES);
static_assert(std::tuple_size_v<ChaCha20Nonce> == crypto_stream_chacha20_ietf_NONCEBYTES);

namespace {

// libsodium's own source reads the kernel again, and aborts the process where it finds no
// device; this one serves sodium_init from the key instead, and nothing after it.
constexpr ChaCha20Nonce LIBRARY_NONCE{2};
const ChaCha20Key* start_key = nullptr;  // set only while sodium_init runs

void library_bytes(void* const out, const size_t size) {
  if (start_key == nullptr) {
    sodium_misuse();  // tolvane never asks libsodium for random bytes
  }
  (void)crypto_stream_chacha20_ietf(static_cast<unsigned char*>(out), size, LIBRARY_NONCE.data(),
                                    start_key->data());
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
  (void)randombytes_set_implementation(&library_source);  // only stores the pointer, returns 0
  const bool started = sodium_init() >= 0;
  start_key = nullptr;
  return started;
}

void chacha20_keystream(std::span<unsigned char> out, const ChaCha20Key& key,
                        const ChaCha20Nonce& nonce) {
  (void)crypto_stream_chacha20_ietf(out.data(), out.size(), nonce.data(), key.data());
}
