// The version banner's shape, for std::regex: the build's date and time left open, and the one
// more line in which the build for real secrets names its source.
#pragma once

#include "version.h"

inline constexpr char BANNER_PATTERN[] =
    "\ntolvane Version " TOLVANE_VERSION
    "\nBuilt on [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} at "
    "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n"
#if defined(TOLVANE_SYSTEM_RANDOM)
    "Random source: operating system \\(" TOLVANE_SYSTEM_STREAM_NAME "\\)\n\n";
#else
    "\n";
#endif
