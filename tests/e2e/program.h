// The program an end-to-end test program drives: the one object of those tests built once per
// program (CMake writes it), so that the tests themselves are compiled once.
#pragma once

extern const char TOLVANE_PATH[];
// What its banner names its random source by: empty for the clock-seeded build.
extern const char PROGRAM_SOURCE_NAME[];
