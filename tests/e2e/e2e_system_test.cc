// The build on the operating system's random source, when that source cannot be read.
#include <gtest/gtest.h>

#include <regex>

#include "run_program.h"

namespace {

TEST(SystemSourceFailure, GetrandomMissingFallsBackToTheDevice) {
  const RunResult result =
      run_program(TOLVANE_PATH, {"-n3"}, Stdout::Capture, 60, {"LD_PRELOAD=" NO_GETRANDOM_SHIM});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_TRUE(std::regex_match(result.out, std::regex("([A-Za-z0-9]{8}\n){3}"))) << result.out;
  EXPECT_EQ(result.err, "");
}

TEST(SystemSourceFailure, NoSourceAtAllEndsWithStatusOneAndNoPassword) {
  for (const char* args : {"-n3", "-n32767"}) {
    const RunResult result = run_program(TOLVANE_PATH, {args}, Stdout::Capture, 60,
                                         {"LD_PRELOAD=" NO_RANDOM_SOURCE_SHIM});
    EXPECT_EQ(result.exit_status, 1) << args;
    EXPECT_EQ(result.out, "") << args;
    EXPECT_EQ(result.err, "Error: Cannot read the system random source.\n") << args;
  }
}

}  // namespace
