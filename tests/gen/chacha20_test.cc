// The ChaCha20 wrapper against RFC 8439's published keystreams: a wrong variant (a 64-bit nonce),
// a nonce passed wrongly or a stream that starts at another block would each change the bytes.
#include "gen/chacha20.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstdlib>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> bytes_of(const std::string& hex) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 3)
    bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

TEST(ChaCha20, KeystreamMatchesTheRfc8439Vectors) {
  struct Row {
    unsigned char key_start;  // the key is key_start, key_start + 1, ... (32 bytes), or all 0
    ChaCha20Nonce nonce;
    std::string keystream;
  };
  const Row rows[] = {
      // Section 2.6.2: the Poly1305 key is the first 32 bytes of block 0.
      {0x80,
       {0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7},
       "8a d5 a0 8b 90 5f 81 cc 81 50 40 27 4a b2 94 71 a8 33 b6 37 e3 fd 0d a5 08 db b8 e2 fd "
       "d1 a6 46 "},
      // Appendix A.1, vectors 1 and 2: blocks 0 and 1 of the all-zero key and nonce.
      {0,
       {},
       "76 b8 e0 ad a0 f1 3d 90 40 5d 6a e5 53 86 bd 28 bd d2 19 b8 a0 8d ed 1a a8 36 ef cc 8b "
       "77 0d c7 da 41 59 7c 51 57 48 8d 77 24 e0 3f b8 d8 4a 37 6a 43 b8 f4 15 18 a1 1c c3 87 "
       "b6 69 b2 ee 65 86 9f 07 e7 be 55 51 38 7a 98 ba 97 7c 73 2d 08 0d cb 0f 29 a0 48 e3 65 "
       "69 12 c6 53 3e 32 ee 7a ed 29 b7 21 76 9c e6 4e 43 d5 71 33 b0 74 d8 39 d5 31 ed 1f 28 "
       "51 0a fb 45 ac e1 0a 1f 4b 79 4d 6f "},
  };
  ASSERT_TRUE(chacha20_init(ChaCha20Key{}));
  for (const Row& row : rows) {
    ChaCha20Key key{};
    for (std::size_t i = 0; row.key_start != 0 && i < key.size(); ++i)
      key[i] = static_cast<unsigned char>(row.key_start + i);
    const std::vector<unsigned char> expected = bytes_of(row.keystream);
    std::vector<unsigned char> out(expected.size());
    chacha20_keystream(out, key, row.nonce);
    EXPECT_EQ(out, expected);
  }
}

// libsodium's own need for randomness, once started, is ours to serve: it is served only from
// the key while it starts, from a stream of its own (nonce 2), and refused (its misuse handler)
// after, never from a null key. What it keeps, the canary it places before every sodium_malloc
// block, is then no part of the passwords' keystream (nonce 0) nor of the next key (nonce 1).
TEST(ChaCha20, LibsodiumDrawsFromTolvaneAndOnlyWhileStarting) {
  ASSERT_TRUE(chacha20_init(ChaCha20Key{}));  // the zero key, whichever test starts it first
  EXPECT_STREQ(randombytes_implementation_name(), "tolvane");
  std::vector<unsigned char> own_stream(16);
  chacha20_keystream(own_stream, ChaCha20Key{}, ChaCha20Nonce{2});
  auto* const block = static_cast<unsigned char*>(sodium_malloc(1));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(block - 16, block), own_stream);
  sodium_free(block);
  EXPECT_EXIT(
      {
        (void)sodium_set_misuse_handler([] { std::exit(7); });
        (void)randombytes_random();
      },
      testing::ExitedWithCode(7), "");
}

}  // namespace
