#include "gen/chacha20.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "gen/wipe.h"

static_assert(std::tuple_size_v<ChaCha20Key> == crypto_stream_chacha20_ietf_KEYBYTES);
static_assert(std::tuple_size_v<ChaCha20Nonce> == crypto_stream_chacha20_ietf_NONCEBYTES);

#if defined(TOLVANE_SODIUM_CHACHA_ONLY)
// sodium_init readies every primitive libsodium has, and so links them all into the program:
// 180 KB of code it never runs, and 13 more C library symbols for the dynamic loader to bind on
// every run, one password's included. Here ChaCha20 alone is started, as sodium_init starts it
// (the processor's features, then the fastest code for them), and the two library functions its
// code calls are the program's own, so the linker leaves nearly all the rest out. CMake first
// checks that this libsodium links so; where it does not, sodium_init it is (below).
extern "C" {
int _crypto_stream_chacha20_pick_best_implementation();  // libsodium's, in no header it installs

// The cipher wipes its state with this when a call ends.
void sodium_memzero(void* const pnt, const size_t len) {
  wipe_bytes(std::span<unsigned char>(static_cast<unsigned char*>(pnt), len));
}

// As the library's own does where no handler is set (none can be: that code is left out). Its
// header declares it noreturn, which this definition inherits.
void sodium_misuse() {
  std::abort();
}
}

bool chacha20_init(const ChaCha20Key& /*key*/) {
  // This call also links the feature tests the choice below makes, which libsodium's ChaCha20
  // refers to only weakly: without it, the choice would call a null function.
  (void)_sodium_runtime_get_cpu_features();
  (void)_crypto_stream_chacha20_pick_best_implementation();
  return true;
}
#else
namespace {

// libsodium's own source reads the kernel again and aborts the process where it finds no
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
#endif

// The keystream is written as the encryption of zeros: the plain call clears its output first,
// a pass over every byte that reading these zeros, which stay in the cache, saves.
constexpr std::size_t ZEROS = 8192;
const std::array<unsigned char, ZEROS> zeros{};

void chacha20_keystream(std::span<unsigned char> out, const ChaCha20Key& key,
                        const ChaCha20Nonce& nonce) {
  constexpr std::size_t BLOCK = 64;
  for (std::size_t done = 0; done < out.size(); done += ZEROS) {
    (void)crypto_stream_chacha20_ietf_xor_ic(out.data() + done, zeros.data(),
                                             std::min(ZEROS, out.size() - done), nonce.data(),
                                             static_cast<std::uint32_t>(done / BLOCK), key.data());
  }
}
