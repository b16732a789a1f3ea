// ChaCha20 as RFC 8439 has it (a 96-bit nonce and a 32-bit block counter), from libsodium: the
// one cipher the system random source needs, never written by hand.
#pragma once

#include <array>
#include <span>

using ChaCha20Key = std::array<unsigned char, 32>;
using ChaCha20Nonce = std::array<unsigned char, 12>;

// The streams of one key, a nonce each, so that no two uses share a byte: the passwords'
// keystream, the key that replaces it, and the bytes libsodium's start asks for.
inline constexpr ChaCha20Nonce OUTPUT_NONCE{0};
inline constexpr ChaCha20Nonce NEXT_KEY_NONCE{1};
inline constexpr ChaCha20Nonce LIBRARY_NONCE{2};

// Starts libsodium (sodium_init), which picks the fastest code this processor runs. The little
// randomness its start wants comes from key's LIBRARY_NONCE stream, each call from where the last
// one ended, never from the kernel; false if the library cannot start.
bool chacha20_init(const ChaCha20Key& key);

// Fills out with the keystream of key and nonce, from its first block (block counter 0).
void chacha20_keystream(std::span<unsigned char> out, const ChaCha20Key& key,
                        const ChaCha20Nonce& nonce);
