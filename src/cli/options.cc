#include "cli/options.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "cli/parse.h"
#include "gen/random.h"
#include "version.h"

const char VERSION_BANNER[] =
    "\ntolvane Version " TOLVANE_VERSION "\nBuilt on " __DATE__ " at " __TIME__ "\n\n";

const char HELP_TEXT[] =
    "tolvane - prints random passwords\n"
    "Copyright (c) 2026 the tolvane authors.\n"
    "Free software under the MIT License; the manual says where its text is.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n"
    "\n"
    "Usage: tolvane [OPTIONS]\n"
    "\n"
    "Options: [-h] [-v] [-s<nn>] [-n<nnnnn>] [-u | -l] [-a | -r] [-y] [-q]\n"
    "\n"
    "-h                Display this help information.\n"
    "--help            Any other options are ignored.\n"
    "\n"
    "-v                Displays the tolvane version.\n"
    "--version\n"
    "\n"
    "-s<4-32>          Sets the size of the password to\n"
    "--size=<4-32>     generate (Default is 8).  The size must be\n"
    "--size:<4-32>     between 4 and 32 characters.\n"
    "                  (e.g., -s10 or --size:10)\n"
    "\n"
    "-n<1-32767>       The number of passwords to generate.\n"
    "--number=<1-32767>\n"
    "--number:<1-32767>\n"
    "\n"
    "-u                Produces passwords containing only\n"
    "--upper           upper case characters.  This option may\n"
    "--upper-only      be combined with the \"alpha\" and/or the\n"
    "--uppercase       \"symbol\" options.  Obviously, it can not\n"
    "--uppercase-only  be combined with the \"lower\" option.\n"
    "--upper-case\n"
    "--upper-case-only\n"
    "\n"
    "-l                Produces passwords containing only\n"
    "--lower           lower case characters.  This option may\n"
    "--lower-only      be combined with the \"alpha\" and/or the\n"
    "--lowercase       \"symbol\" options.  Obviously, it can not\n"
    "--lowercase-only  be combined with the \"upper\" option.\n"
    "--lower-case\n"
    "--lower-case-only\n"
    "\n"
    "-a                Passwords are generated using only alphabetic\n"
    "--alpha-only      characters and no numerics.  If used in conjunction\n"
    "--alphabetic      with the \"symbol\" option, passwords are generated\n"
    "--alphabetic-only with alphabetic characters and symbols.  This\n"
    "                  option may be combined with the \"upper\" or the\n"
    "                  \"lower\" option.  Obviously, it can not be combined\n"
    "                  with the \"numeric-required\" option.\n"
    "\n"
    "-r                Generated passwords must contain at least one number.\n"
    "--required        This option is obviously mutually exclusive with the\n"
    "--required-number \"alpha-only\" option.\n"
    "--required-numeric\n"
    "\n"
    "-y                Includes symbol characters in the generated\n"
    "--symbols         password.\n"
    "--include-symbols\n"
    "\n"
    "-q                Generate passwords that contain no sequences.\n"
    "--sequence        Sequences are two or more of the same characters\n"
    "--sequence-check  or sequential characters in a row\n"
    "                  (e.g., \"cc\", \"bc\", \"cb\", \"34\", \"44\", \"43\")\n"
    "\n";

namespace {

// The banner as printed. -v tells a user which build holds real secrets: that one names its random
// source in a line before the empty one that ends the banner, the clock-seeded build names none.
// The source is chosen when the program is linked, so its line is put in here, into text.
using BannerText =
    std::array<char, sizeof VERSION_BANNER + sizeof "Random source: \n" + RANDOM_SOURCE_NAME_MAX>;
std::string_view version_banner(BannerText& text) {
  const std::string_view banner = VERSION_BANNER;
  if (RANDOM_SOURCE_NAME[0] == '\0') {
    return banner;
  }
  const int length =
      std::snprintf(text.data(), text.size(), "%.*sRandom source: %s\n\n",
                    static_cast<int>(banner.size() - 1), banner.data(), RANDOM_SOURCE_NAME);
  return {text.data(), std::min(static_cast<std::size_t>(length), text.size() - 1)};
}

std::int32_t parse_argument(Options& options, std::string_view arg) {
  if (arg.size() < 2 || arg[0] != '-') {
    return set_invalid_parameter(options);
  }
  if (arg[1] == '-') {
    return parse_long_option(options, drop_prefix(arg, 2));
  }
  return parse_short_options(options, drop_prefix(arg, 1));
}

}  // namespace

void parse_arguments(Options& options, int argc, const char* const* argv) {
  options = Options{};
  for (int i = 1; i < argc; ++i) {
    if (parse_argument(options, argv[i]) != STATUS_OK) {
      return;
    }
  }
}

std::int32_t report_message(const Options& options, WriteFn write) {
  // A failed write is remembered by the writer and told by finish_output, the one place that
  // checks; the message is not written after a banner that failed.
  BannerText banner;
  if (write(version_banner(banner))) {
    (void)write(options.message);
  }
  return options.status;
}

std::int32_t set_parameter_error(Options& options, const char* text) {
  options.message = text;
  options.status = STATUS_PARAMETER_ERROR;
  return STATUS_PARAMETER_ERROR;
}

std::int32_t set_invalid_parameter(Options& options) {
  return set_parameter_error(options, MSG_INVALID_PARAMETER);
}
