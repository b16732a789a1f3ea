// The two option parsers: a cluster of single letters, and a long name (or any prefix of one)
// rewritten as that cluster. They only write the record; they print nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cli/options.h"

// A long option's value holds at most as many characters as the longest count.
inline constexpr std::size_t LONG_VALUE_MAX = 5;

struct LongOptionAlias {
  std::string_view name;
  char letter;
};

// Searched in this order, so a prefix resolves to the first row it begins.
inline constexpr std::array<LongOptionAlias, 28> long_option_aliases = {{
    {"help", 'h'},
    {"version", 'v'},
    {"size", 's'},
    {"number", 'n'},
    {"upper", 'u'},
    {"upper-only", 'u'},
    {"uppercase", 'u'},
    {"upper-case", 'u'},
    {"uppercase-only", 'u'},
    {"upper-case-only", 'u'},
    {"lower", 'l'},
    {"lower-only", 'l'},
    {"lowercase", 'l'},
    {"lower-case", 'l'},
    {"lowercase-only", 'l'},
    {"lower-case-only", 'l'},
    {"alpha", 'a'},
    {"alpha-only", 'a'},
    {"alphabetic", 'a'},
    {"alphabetic-only", 'a'},
    {"required", 'r'},
    {"required-number", 'r'},
    {"required-numeric", 'r'},
    {"symbols", 'y'},
    {"include_symbols", 'y'},
    {"include-symbols", 'y'},  // the spelling the help shows
    {"sequence", 'q'},
    {"sequence-check", 'q'},
}};

// text without its first n characters, n at most its length. Unlike substr it has no throwing
// path, so the program does not pull in the C++ runtime library just for that.
constexpr std::string_view drop_prefix(std::string_view text, std::size_t n) {
  text.remove_prefix(n);
  return text;
}

// Parses text, the characters after a single hyphen; returns STATUS_OK or the recorded error.
std::int32_t parse_short_options(Options& options, std::string_view text);

// The number at the start of text when it lies within [low, high], else 0. Numbers beyond
// 32 bits are out of range, never wrapped into it.
std::int32_t read_bounded_number(std::string_view text, std::int32_t low, std::int32_t high);

// Parses text, the characters after two hyphens; returns STATUS_OK or the recorded error.
std::int32_t parse_long_option(Options& options, std::string_view text);
