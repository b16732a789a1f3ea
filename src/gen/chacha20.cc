#include "gen/chacha20.h"

#include <sodium.h>

static_assert(std::tuple_size_v<ChaCha20Key> == crypto_stream_chacha20_ietf_KEYBYTES);
static_assert(std::tuple_size_v<ChaCha20Nonce> == crypto_stream_chacha20_ietf_NONCEBYTES);

bool chacha20_init() {
  return sodium_init() >= 0;
}

void chacha20_keystream(std::span<unsigned char> out, const ChaCha20Key& key,
                        const ChaCha20Nonce& nonce) {
  (void)crypto_stream_chacha20_ietf(out.data(), out.size(), nonce.data(), key.data());
}

void chacha20_wipe(std::span<unsigned char> data) {
  sodium_memzero(data.data(), data.size());
}
