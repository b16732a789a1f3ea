// What the tests share, as ninja has test.h: the flag shorthands, the password rules
// (password_rules.h), the banner's shape, a writer into a string, and ways to run the generator and
// read back what it wrote.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "gen/generator.h"
#include "gen/random_lcg.h"
#include "password_rules.h"
#include "version.h"

inline constexpr std::uint8_t U = FLAG_UPPER_ONLY, L = FLAG_LOWER_ONLY, A = FLAG_ALPHA_ONLY,
                              Y = FLAG_SYMBOLS, Q = FLAG_NO_SEQUENCES, R = FLAG_REQUIRE_DIGIT;

// Whether text has shape, in which 'U' stands for an upper-case letter, 'l' for a lower-case
// one, '9' for a digit and '_' for a digit or a blank, any other character for itself.
inline bool has_shape(std::string_view text, std::string_view shape) {
  const auto fits = [](char c, char in_shape) {
    switch (in_shape) {
      case 'U':
        return c >= 'A' && c <= 'Z';
      case 'l':
        return c >= 'a' && c <= 'z';
      case '9':
        return c >= '0' && c <= '9';
      case '_':
        return c == ' ' || (c >= '0' && c <= '9');
      default:
        return c == in_shape;
    }
  };
  return text.size() == shape.size() && std::equal(text.begin(), text.end(), shape.begin(), fits);
}

// The length of the version banner text starts with, or 0 where it starts with none: the build's
// date and time left open, and the one more line in which the build for real secrets names its
// source (source_name, empty for none).
inline std::size_t banner_length(std::string_view text, std::string_view source_name) {
  const std::string head = "\ntolvane Version " TOLVANE_VERSION "\nBuilt on ";
  constexpr std::string_view when = "Ull _9 9999 at 99:99:99\n";
  const std::string tail =
      (source_name.empty() ? "" : "Random source: " + std::string(source_name) + "\n") + "\n";
  const bool starts = text.starts_with(head) &&
                      has_shape(text.substr(head.size(), when.size()), when) &&
                      text.substr(head.size() + when.size()).starts_with(tail);
  return starts ? head.size() + when.size() + tail.size() : 0;
}

// Whether line is a password of size characters under the default options.
inline bool is_password(std::string_view line, std::size_t size) {
  return password_fault(line, static_cast<std::int32_t>(size), 0).empty();
}

// Whether text is count such passwords, a line each.
inline bool are_passwords(std::string_view text, std::size_t count, std::size_t size) {
  bool all = text.size() == count * (size + 1);
  for (std::size_t at = 0; all && at < text.size(); at += size + 1)
    all = is_password(text.substr(at, size), size) && text[at + size] == '\n';
  return all;
}

// An argument vector as a trace names it, each argument cut to 20 characters.
inline std::string describe(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args)
    text.append("[").append(arg.substr(0, 20)).append("]");
  return text.empty() ? "(none)" : text;
}

// The whole of the file at path; a man page (*.1) as it reads, its "\-" a "-" and its "\%" (no
// hyphenation here) dropped.
inline std::string read_text(const std::string& path) {
  std::ifstream file(path);
  EXPECT_TRUE(file.good()) << path;
  const std::string all{std::istreambuf_iterator<char>(file), {}};
  return path.ends_with(".1") ? std::regex_replace(all, std::regex(R"(\\(?=-)|\\%)"), "") : all;
}

// The words of line, split at blanks.
inline std::vector<std::string> words_of(const std::string& line) {
  const std::regex word("\\S+");
  return {std::sregex_token_iterator(line.begin(), line.end(), word), {}};
}

// The record the arguments after the program's name leave, or those of a line split at blanks.
inline Options parse(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"tolvane"};
  for (const std::string& arg : args)
    argv.push_back(arg.c_str());
  Options options{.flags = 0xFF};  // the walk must reset whatever the record held
  parse_arguments(options, static_cast<int>(argv.size()), argv.data());
  return options;
}

// The lines of text without their newlines; text must end with one.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "output does not end with a newline";
  return lines;
}

// A writer into written that takes blocks_before_failure more blocks and then refuses every one
// (-1: it never refuses); write_calls counts what it was asked.
inline std::string written;
inline int blocks_before_failure = -1;
inline int write_calls = 0;

inline bool write_to_string(std::string_view block) {
  ++write_calls;
  if (blocks_before_failure == 0) {
    return false;
  }
  if (blocks_before_failure > 0) {
    --blocks_before_failure;
  }
  written.append(block);
  return true;
}

inline std::string pool_text(const Pool& pool) {
  return {pool.chars.data(), std::size_t(pool.n)};
}

// One password from make_password, as a string.
inline std::string make(Options& options, const Pool& pool) {
  std::array<char, PASSWORD_SIZE_MAX> buffer{};
  EXPECT_TRUE(make_password(options, pool, {buffer.data(), std::size_t(options.size)}));
  return {buffer.data(), std::size_t(options.size)};
}

// Every flag combination the parsers let through: all but both cases, or both -a and -r.
inline std::vector<std::uint8_t> valid_flag_sets() {
  std::vector<std::uint8_t> sets;
  for (std::uint8_t flags = 0; flags <= OPTION_FLAGS; ++flags) {
    if ((flags & (U | L)) != (U | L) && (flags & (A | R)) != (A | R))
      sets.push_back(flags);
  }
  return sets;
}

// Everything the generator writes from seed 1.
inline std::string generate(Options& options) {
  written.clear();
  blocks_before_failure = -1;
  random_seed(1);
  EXPECT_EQ(write_passwords(options, write_to_string), Generated::all);
  return written;
}
