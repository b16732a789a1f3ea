// The rules every printed password keeps, checked with nothing of the generator's: one check for
// the unit, end-to-end and fuzz tests, so written without GoogleTest.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "gen/generator.h"

// Written out here, not taken from the generator, so that a wrong set there fails.
inline const std::string UPPER = "ABCDEFGHIJKLMNOPQRSTUVWXYZ", LOWER = "abcdefghijklmnopqrstuvwxyz",
                         DIGITS = "0123456789", SYMBOLS = "!#$%&*+-.:=?@^_|";

// The rule password breaks as a password of size characters under the option flags, or empty:
// the size, characters of the pool the flags allow, a letter, a digit under -r, and no two
// neighbours under -q (codes equal or one apart).
inline std::string password_fault(std::string_view password, std::int32_t size,
                                  std::uint8_t flags) {
  const std::string letters = (flags & FLAG_UPPER_ONLY)   ? UPPER
                              : (flags & FLAG_LOWER_ONLY) ? LOWER
                                                          : UPPER + LOWER;
  const std::string pool =
      letters + ((flags & FLAG_ALPHA_ONLY) ? "" : DIGITS) + ((flags & FLAG_SYMBOLS) ? SYMBOLS : "");
  if (password.size() != static_cast<std::size_t>(size))
    return "not of the size asked for";
  if (password.find_first_not_of(pool) != password.npos)
    return "a character outside the pool";
  if (password.find_first_of(letters) == password.npos)
    return "no letter";
  if ((flags & FLAG_REQUIRE_DIGIT) && password.find_first_of(DIGITS) == password.npos)
    return "no digit under -r";
  for (std::size_t i = 1; (flags & FLAG_NO_SEQUENCES) && i < password.size(); ++i) {
    if (std::abs(password[i] - password[i - 1]) <= 1)
      return "a pair -q forbids";
  }
  return "";
}
