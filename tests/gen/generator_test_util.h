// What the generator's tests share: flag shorthands, the valid flag sets, and ways to run the
// generator into a string.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "gen/generator.h"
#include "text_util.h"

inline constexpr std::uint8_t U = FLAG_UPPER_ONLY, L = FLAG_LOWER_ONLY, A = FLAG_ALPHA_ONLY,
                              Y = FLAG_SYMBOLS, Q = FLAG_NO_SEQUENCES, R = FLAG_REQUIRE_DIGIT;

inline std::string pool_text(const Pool& pool) {
  return {pool.chars.data(), std::size_t(pool.n)};
}

inline bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// One password from make_password, as a string.
inline std::string make(Options& options, const Pool& pool) {
  std::array<char, PASSWORD_MAX> buffer{};
  make_password(options, pool, {buffer.data(), std::size_t(options.size)});
  return {buffer.data(), std::size_t(options.size)};
}

// Every flag combination the parsers let through: one case or both, -a, -r or neither, -y, -q.
inline std::vector<std::uint8_t> valid_flag_sets() {
  std::vector<std::uint8_t> sets;
  const std::array<std::uint8_t, 3> letters = {0, U, L}, digits = {0, A, R};
  for (const std::uint8_t letter : letters) {
    for (const std::uint8_t digit : digits) {
      for (const int symbols : {0, int(Y)}) {
        for (const int sequences : {0, int(Q)}) {
          sets.push_back(std::uint8_t(letter | digit | symbols | sequences));
        }
      }
    }
  }
  return sets;
}

inline ClockReading clock_at_seed_one() {
  return {0, 1};
}

// What the fake writer has taken, and how many more blocks it takes before it fails.
inline std::string written;
inline int blocks_before_failure = -1;  // -1: it never fails

inline bool write_to_string(std::string_view block) {
  if (blocks_before_failure == 0) {
    return false;
  }
  if (blocks_before_failure > 0) {
    --blocks_before_failure;
  }
  written.append(block);
  return true;
}

// Everything generate_passwords writes, with the clock reading that makes the seed 1.
inline std::string generate(Options& options) {
  written.clear();
  blocks_before_failure = -1;
  EXPECT_TRUE(generate_passwords(options, write_to_string, clock_at_seed_one));
  return written;
}
