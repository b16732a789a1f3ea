// ChaCha20 as RFC 8439 has it (a 96-bit nonce and a 32-bit block counter), from libsodium: the
// one cipher the system random source needs, never written by hand.
#pragma once

#include <array>
#include <cstdint>
#include <span>

using ChaCha20Key = std::array<unsigned char, 32>;
using ChaCha20Nonce = std::array<unsigned char, 12>;

// Starts libsodium's ChaCha20, which picks the fastest implementation this processor runs.
// Where the whole library is started (sodium_init), the little randomness its start-up wants
// comes from key's stream under a nonce of its own (2), never from the kernel; false if the
// library cannot start.
bool chacha20_init(const ChaCha20Key& key);

// Fills out with the keystream of key and nonce, from its first block (block counter 0). Before
// chacha20_init, with libsodium's portable code: the same bytes, more slowly.
void chacha20_keystream(std::span<unsigned char> out, const ChaCha20Key& key,
                        const ChaCha20Nonce& nonce);
