#include "cli/parse.h"

#include <algorithm>
#include <limits>

namespace {

constexpr bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The white space that the standard decimal conversion skips.
constexpr bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::size_t leading_digits(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && is_digit(text[n])) {
    ++n;
  }
  return n;
}

// Reads the number behind an -s or -n into target; the digits it used are skipped by the caller.
std::int32_t parse_number(Options& options, std::string_view rest, std::int32_t low,
                          std::int32_t high, std::int32_t& target) {
  const std::int32_t value = read_bounded_number(rest, low, high);
  if (value == 0) {
    return set_invalid_parameter(options);
  }
  target = value;
  return STATUS_OK;
}

// The letters that set a flag, and the flag each excludes, with the error that names the pair.
struct FlagLetter {
  char letter;
  std::uint8_t flag;
  std::uint8_t excludes;
  const char* conflict;
};
constexpr FlagLetter FLAG_LETTERS[] = {
    {'a', FLAG_ALPHA_ONLY, FLAG_REQUIRE_DIGIT, MSG_RULES_CONFLICT},
    {'l', FLAG_LOWER_ONLY, FLAG_UPPER_ONLY, MSG_CASE_CONFLICT},
    {'q', FLAG_NO_SEQUENCES, 0, nullptr},
    {'r', FLAG_REQUIRE_DIGIT, FLAG_ALPHA_ONLY, MSG_RULES_CONFLICT},
    {'u', FLAG_UPPER_ONLY, FLAG_LOWER_ONLY, MSG_CASE_CONFLICT},
    {'y', FLAG_SYMBOLS, 0, nullptr},
};

std::int32_t parse_letter(Options& options, char letter) {
  if (letter == 'h') {
    options.message = HELP_TEXT;  // whatever was there
    return STATUS_OK;
  }
  if (letter == 'v') {
    if (options.message == nullptr) {
      options.message = VERSION_MESSAGE;
    }
    return STATUS_OK;
  }
  for (const FlagLetter& row : FLAG_LETTERS) {
    if (row.letter != letter) {
      continue;
    }
    if ((options.flags & row.excludes) != 0) {
      return set_parameter_error(options, row.conflict);
    }
    options.flags |= row.flag;
    return STATUS_OK;
  }
  return set_invalid_parameter(options);
}

// A long option's value is read not from behind its separator but from its first non-zero digit,
// wherever that stands but at the very start: "size=010", "size==10" and "size=x10" all give
// "10", and what lies between is dropped. Empty where there is no such digit.
std::string_view long_option_value(std::string_view text) {
  const std::size_t digit = text.find_first_of("123456789");
  return digit == std::string_view::npos || digit == 0 ? std::string_view()
                                                       : drop_prefix(text, digit);
}

}  // namespace

std::int32_t parse_short_options(Options& options, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char letter = text[i];
    if (letter == 's' || letter == 'n') {
      const std::string_view rest = drop_prefix(text, i + 1);
      const std::int32_t result =
          letter == 's'
              ? parse_number(options, rest, PASSWORD_SIZE_MIN, PASSWORD_SIZE_MAX, options.size)
              : parse_number(options, rest, PASSWORD_COUNT_MIN, PASSWORD_COUNT_MAX, options.count);
      if (result != STATUS_OK) {
        return result;
      }
      // Only plain digits are skipped: a sign or blank the reading passed over is met next as a
      // letter, so a number counts only when written as digits right behind its letter.
      i += leading_digits(rest);
    } else if (const std::int32_t result = parse_letter(options, letter); result != STATUS_OK) {
      return result;
    }
  }
  return STATUS_OK;
}

std::int32_t read_bounded_number(std::string_view text, std::int32_t low, std::int32_t high) {
  std::size_t i = 0;
  while (i < text.size() && is_space(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Once past the 32-bit range the value stops growing: it is out of every range already, and
  // stopping there keeps the arithmetic from overflowing however many digits follow.
  constexpr std::int64_t ceiling = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    if (value <= ceiling) {
      value = value * 10 + (text[i] - '0');
    }
  }
  if (negative) {
    value = -value;
  }
  return value >= low && value <= high ? static_cast<std::int32_t>(value) : 0;
}

std::int32_t parse_long_option(Options& options, std::string_view text) {
  const std::string_view value = long_option_value(text);
  if (value.size() > LONG_VALUE_MAX) {
    return set_invalid_parameter(options);
  }
  const std::string_view name = text.substr(0, text.find_first_of(":="));
  const auto* alias =
      std::find_if(long_option_aliases.begin(), long_option_aliases.end(),
                   [name](const LongOptionAlias& row) { return row.name.starts_with(name); });
  if (alias == long_option_aliases.end()) {
    return set_invalid_parameter(options);
  }
  // The letter and the value make the cluster a short option would have been.
  std::array<char, 1 + LONG_VALUE_MAX> short_text{};
  short_text[0] = alias->letter;
  std::copy(value.begin(), value.end(), short_text.begin() + 1);
  return parse_short_options(options, std::string_view(short_text.data(), 1 + value.size()));
}
