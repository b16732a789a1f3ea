// Password generation: the run's one record, which the command line fills and the generator reads,
// the character pool the options allow, the draw under the sequence rule, the digit and letter
// repairs, and the printing of count passwords. It prints no message: it tells the command line
// how the run ended, and the command line reports.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

inline constexpr std::int32_t STATUS_OK = 0;
inline constexpr std::int32_t STATUS_PARAMETER_ERROR = -2;  // -2, not -1: scripts test for it
// The output or the random source failed; standard error says which.
inline constexpr std::int32_t STATUS_FAILURE = 1;

inline constexpr std::uint8_t FLAG_UPPER_ONLY = 0x01;
inline constexpr std::uint8_t FLAG_LOWER_ONLY = 0x02;
inline constexpr std::uint8_t FLAG_ALPHA_ONLY = 0x04;
inline constexpr std::uint8_t FLAG_SYMBOLS = 0x08;
inline constexpr std::uint8_t FLAG_NO_SEQUENCES = 0x10;
inline constexpr std::uint8_t FLAG_REQUIRE_DIGIT = 0x20;
// The generator's per-password state shares the byte with the options; parsers never set it.
inline constexpr std::uint8_t FLAG_SAW_LETTER = 0x40;
inline constexpr std::uint8_t FLAG_SAW_DIGIT = 0x80;
inline constexpr std::uint8_t OPTION_FLAGS = 0x3F;

// What the parsers accept; the generator's buffers hold PASSWORD_SIZE_MAX characters.
inline constexpr std::int32_t PASSWORD_SIZE_MIN = 4;
inline constexpr std::int32_t PASSWORD_SIZE_MAX = 32;
inline constexpr std::int32_t PASSWORD_COUNT_MIN = 1;
inline constexpr std::int32_t PASSWORD_COUNT_MAX = 32767;
inline constexpr std::int32_t DEFAULT_SIZE = 8;
inline constexpr std::int32_t DEFAULT_COUNT = 1;

struct Options {
  std::int32_t status = STATUS_OK;
  std::int32_t size = DEFAULT_SIZE;
  std::int32_t count = DEFAULT_COUNT;
  std::uint8_t flags = 0;
  // One of the command line's constant texts, never copied or freed; null while there is nothing
  // to say.
  const char* message = nullptr;
};

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
// "cc", "bc", "cb", but also "9:" or "@A".
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

// How a run of the generator ended.
enum class Generated { all, write_failed, random_failed };

// Starts the random source, writes the passwords (write_passwords), and ends the source, which
// wipes what it holds.
Generated generate_passwords(Options& options, WriteFn write);

// Writes options.count passwords from the source already started, one a line, in large blocks of
// whole lines, with write. Stops at the first failed write, or where the random source fails,
// generating nothing more; in the second case the block being made is never written.
Generated write_passwords(Options& options, WriteFn write);
