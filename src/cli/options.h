// Every text tolvane prints besides passwords, and the walk over the argument vector that fills
// the run's record (gen/generator.h) or leaves a message in it.
#pragma once

#include <cstdint>

#include "gen/generator.h"

// The build's date and time come from the compiler, so SOURCE_DATE_EPOCH makes them reproducible.
// The build for real secrets prints one more line before the empty one that ends it, naming its
// random source (report_message).
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
// The only texts that ever go to standard error: the output failed, or the random source did
// (only the operating system's can).
inline constexpr char MSG_WRITE_ERROR[] = "Error: Cannot write to standard output.\n";
inline constexpr char MSG_RANDOM_ERROR[] = "Error: Cannot read the system random source.\n";

// Sets the defaults, then parses the arguments after the program's name until the first error.
void parse_arguments(Options& options, int argc, const char* const* argv);

// Writes the banner and then the message; returns the status the run ends with.
std::int32_t report_message(const Options& options, WriteFn write);

// Record an error in options and return STATUS_PARAMETER_ERROR for the caller to pass up.
std::int32_t set_parameter_error(Options& options, const char* text);
std::int32_t set_invalid_parameter(Options& options);
