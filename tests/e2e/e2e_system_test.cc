// The build on the operating system's random source, when that source cannot be read.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "run_program.h"

namespace {

TEST(SystemSourceFailure, GetrandomMissingFallsBackToTheDevice) {
  const RunResult result =
      run_program(TOLVANE_PATH, {"-n3"}, Stdout::Capture, 60, {"LD_PRELOAD=" NO_GETRANDOM_SHIM});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_TRUE(std::regex_match(result.out, std::regex("([A-Za-z0-9]{8}\n){3}"))) << result.out;
  EXPECT_EQ(result.err, "");
}

// No source at all, or a device that ends after 16 of the 32 bytes of the key: never a key
// half made of zeros, never a password.
TEST(SystemSourceFailure, NoWholeKeyEndsWithStatusOneAndNoPassword) {
  struct Row {
    const char* shim;
    const char* args;
  };
  const Row rows[] = {{"LD_PRELOAD=" NO_RANDOM_SOURCE_SHIM, "-n3"},
                      {"LD_PRELOAD=" NO_RANDOM_SOURCE_SHIM, "-n32767"},
                      {"LD_PRELOAD=" SHORT_URANDOM_SHIM, "-n3"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.shim) + " " + row.args);
    const RunResult result = run_program(TOLVANE_PATH, {row.args}, Stdout::Capture, 60, {row.shim});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Error: Cannot read the system random source.\n");
  }
}

}  // namespace
