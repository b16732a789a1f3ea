// Zeros that stay written: a buffer that held passwords or key material is wiped before the
// memory is left behind, and the compiler may not drop the wipe as a dead store.
#pragma once

#include <cstring>
#include <span>

inline void wipe(std::span<char> data) {
  if (data.empty()) {
    return;  // may be a null pointer, which memset must never be given
  }
  std::memset(data.data(), 0, data.size());
  // The compiler must assume this reads the memory, so the zeros are really written.
  __asm__ __volatile__("" : : "r"(data.data()) : "memory");
}
