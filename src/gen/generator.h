// Password generation: the character pool the options allow, the draw under the sequence rule,
// the digit and letter repairs, and the printing of count passwords.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "cli/options.h"
#include "gen/clock.h"

inline constexpr std::string_view UPPER_SET = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
inline constexpr std::string_view LOWER_SET = "abcdefghijklmnopqrstuvwxyz";
inline constexpr std::string_view DIGIT_SET = "0123456789";
inline constexpr std::string_view SYMBOL_SET = "!#$%&*+-.:=?@^_|";

inline constexpr std::size_t POOL_MAX =
    UPPER_SET.size() + LOWER_SET.size() + DIGIT_SET.size() + SYMBOL_SET.size();

// The most one write carries: whole lines only, so a block holds OUTPUT_BLOCK_SIZE / (size + 1)
// passwords of size characters.
inline constexpr std::size_t OUTPUT_BLOCK_SIZE = 65536;

// The characters a password may be drawn from, in the order that fixes which index gives which.
struct Pool {
  std::array<char, POOL_MAX> chars{};
  std::int32_t n = 0;
};

Pool build_pool(std::uint8_t flags);

// Whether c may not follow previous under the sequence rule: equal codes or codes one apart,
// "cc", "bc", "cb", but also "9:" or "@A". One unsigned compare against the lowest neighbour.
bool are_neighbours(unsigned char previous, unsigned char c);

// Overwrites one random position of password with one random character of set, drawn first.
// False if the random source failed.
bool plant_random_char(std::span<char> password, std::string_view set);

// Whether password holds a letter, a digit if -r asked for one, and no pair -q forbids.
bool keeps_rules(std::string_view password, std::uint8_t flags);

// Fills password (options.size characters) with one password that keeps its rules; false if the
// random source failed. The state bits in options.flags are used while it works and are clear
// again when it returns.
bool make_password(Options& options, const Pool& pool, std::span<char> password);

// Writes all of block, or returns false; after a false nothing more is to be written.
using WriteFn = bool (*)(std::string_view block);

// Seeds the random source from clock once, then writes options.count passwords, one a line, in
// large blocks of whole lines, with write. Stops at the first failed write, or where the random
// source fails, generating nothing more; in the second case the block being made is never
// written, and MSG_RANDOM_ERROR goes to write_error. Returns STATUS_OK, STATUS_WRITE_ERROR or
// STATUS_RANDOM_ERROR.
std::int32_t generate_passwords(Options& options, WriteFn write, WriteFn write_error,
                                ClockFn clock = read_system_clock);
