// Zeros that stay written: a buffer that held passwords or key material is wiped before the
// memory is left behind, and the compiler may not drop the wipe as a dead store.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

template <typename Byte>
void wipe_bytes(std::span<Byte> data) {
  std::fill(data.begin(), data.end(), Byte{0});  // an empty span may hold a null pointer
  // The compiler must assume this reads the memory, so the zeros are really written.
  __asm__ __volatile__("" : : "r"(data.data()) : "memory");
}

// The generator's blocks of passwords.
inline void wipe(std::span<char> data) {
  wipe_bytes(data);
}

// The random source's keys and buffers.
inline void wipe(std::span<unsigned char> data) {
  wipe_bytes(data);
}

// The stack below the caller, as far down as kBytes: what the functions it called left in their
// frames, a key the cipher held or characters spilled from registers, by the program's code and
// the libraries' alike. Its frame is what it wipes, so it is never inlined.
template <std::size_t kBytes>
[[gnu::noinline]] void wipe_stack() {
  std::array<unsigned char, kBytes> below;
  wipe_bytes(std::span<unsigned char>(below));
}
