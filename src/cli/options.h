// The run's one record, every text tolvane prints besides passwords, and the walk over the
// argument vector that fills the record or leaves a message in it.
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr std::int32_t STATUS_OK = 0;
inline constexpr std::int32_t STATUS_PARAMETER_ERROR = -2;  // -2, not -1: scripts test for it
inline constexpr std::int32_t STATUS_WRITE_ERROR = 1;
inline constexpr std::int32_t STATUS_RANDOM_ERROR = 1;

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
  // One of the constant texts below, never copied or freed; null while there is nothing to say.
  const char* message = nullptr;
};

// The build's date and time come from the compiler, so SOURCE_DATE_EPOCH makes them reproducible.
extern const char VERSION_BANNER[];
extern const char HELP_TEXT[];
// Empty, yet set: -v prints the banner alone.
inline constexpr char VERSION_MESSAGE[] = "";
inline constexpr char MSG_INVALID_PARAMETER[] =
    "Error: Invalid parameter(s).\nUse -h or --help for help.\n\n";
inline constexpr char MSG_CASE_CONFLICT[] =
    "Error: Logical parameter error.\n"
    "You cannot combine -u (uppercase only) with -l (lowercase only).\n\n";
inline constexpr char MSG_RULES_CONFLICT[] =
    "Error: Logical rules parameter error.\n"
    "You cannot combine -r (require at least one number) with\n-a (alphabetic only).\n\n";
// The only texts that ever go to standard error; the second only from the build that draws from
// the operating system's random source.
inline constexpr char MSG_WRITE_ERROR[] = "Error: Cannot write to standard output.\n";
inline constexpr char MSG_RANDOM_ERROR[] = "Error: Cannot read the system random source.\n";

// Sets the defaults, then parses the arguments after the program's name until the first error.
void parse_arguments(Options& options, int argc, const char* const* argv);

// Writes the banner and then the message; returns the status the run ends with.
std::int32_t report_message(const Options& options, bool (*write)(std::string_view text));

// Record an error in options and return STATUS_PARAMETER_ERROR for the caller to pass up.
std::int32_t set_parameter_error(Options& options, const char* text);
std::int32_t set_invalid_parameter(Options& options);
