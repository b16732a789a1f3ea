// Fuzzes the whole command line: the input, split at NUL bytes, is the argument vector. Every
// outcome must keep its invariants, and every password generated from it must keep its rules.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "cli/parse.h"
#include "gen/generator.h"
#include "gen/random_lcg.h"
#include "password_rules.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

bool is_error_text(const char* message) {
  return message == MSG_INVALID_PARAMETER || message == MSG_CASE_CONFLICT ||
         message == MSG_RULES_CONFLICT;
}

void check_outcome(const Options& options) {
  check(options.message == nullptr || options.message == HELP_TEXT ||
            options.message == VERSION_MESSAGE || is_error_text(options.message),
        "the message is one of the constant texts");
  check((options.status == STATUS_PARAMETER_ERROR) == is_error_text(options.message),
        "status is -2 exactly when the message is an error text");
  check(options.status == STATUS_OK || options.status == STATUS_PARAMETER_ERROR,
        "status is 0 or -2");
  check((options.flags & ~OPTION_FLAGS) == 0, "parsers never set the generator's state bits");
  if (options.message == nullptr) {
    check(options.size >= PASSWORD_SIZE_MIN && options.size <= PASSWORD_SIZE_MAX,
          "size within its limits");
    check(options.count >= PASSWORD_COUNT_MIN && options.count <= PASSWORD_COUNT_MAX,
          "count within its limits");
    check((options.flags & FLAG_UPPER_ONLY) == 0 || (options.flags & FLAG_LOWER_ONLY) == 0,
          "-u and -l never both");
    check((options.flags & FLAG_ALPHA_ONLY) == 0 || (options.flags & FLAG_REQUIRE_DIGIT) == 0,
          "-a and -r never both");
  }
}

void generate_and_check(Options& options, std::uint32_t seed) {
  const std::uint8_t flags = options.flags;
  const Pool pool = build_pool(flags);
  random_seed(seed);
  std::array<char, PASSWORD_SIZE_MAX> password{};
  const std::int32_t count = options.count < 4 ? options.count : 4;
  for (std::int32_t k = 0; k < count; ++k) {
    const std::span<char> view(password.data(), static_cast<std::size_t>(options.size));
    check(make_password(options, pool, view), "the exact source never fails");
    check(options.flags == flags, "state bits cleared after each password");
    const std::string fault = password_fault({view.data(), view.size()}, options.size, flags);
    check(fault.empty(), fault.c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  std::size_t start = 0;
  for (std::size_t end; (end = input.find('\0', start)) != std::string::npos; start = end + 1) {
    args.push_back(input.substr(start, end - start));
  }
  if (start < input.size())
    args.push_back(input.substr(start));

  std::vector<const char*> argv{"tolvane"};
  for (const std::string& arg : args)
    argv.push_back(arg.c_str());
  Options options;
  parse_arguments(options, static_cast<int>(argv.size()), argv.data());
  check_outcome(options);
  if (options.message == nullptr) {
    std::uint32_t seed = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
      seed = (seed ^ data[i]) * 16777619u;
    generate_and_check(options, seed);
  }
  return 0;
}
