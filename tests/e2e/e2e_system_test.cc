// The build on the operating system's random source, run as two processes, and with the kernel's
// source replaced, refused or put out of reach.
#include <gtest/gtest.h>

#include <string>

#include "program.h"
#include "run_program.h"
#include "test_util.h"

namespace {

RunResult run_with(const char* shim, const char* args) {
  return run_program(TOLVANE_PATH, {args}, Stdout::Capture, 20,
                     shim == nullptr ? std::vector<std::string>{} : std::vector<std::string>{shim});
}

// The same passwords twice would mean a key that does not come from the kernel, or a fallback
// that never reaches the key; the fallback's device fails a read made before the wait for the
// kernel's pool. A getrandom that is interrupted every time is left for the device.
TEST(SystemSource, TwoRunsPrintDifferentPasswords) {
  for (const char* shim : {static_cast<const char*>(nullptr), "LD_PRELOAD=" NO_GETRANDOM_SHIM,
                           "LD_PRELOAD=" GETRANDOM_EINTR_SHIM}) {
    SCOPED_TRACE(shim == nullptr ? "the kernel's getrandom" : shim);
    const RunResult first = run_with(shim, "-n3");
    const RunResult second = run_with(shim, "-n3");
    for (const RunResult& result : {first, second}) {
      EXPECT_EQ(result.exit_status, 0);
      EXPECT_TRUE(are_passwords(result.out, 3, 8)) << result.out;
      EXPECT_EQ(result.err, "");
    }
    EXPECT_NE(first.out, second.out);
  }
}

// A key served in short reads is still the whole key, and the run asks the kernel for it once:
// libsodium's start-up reads nothing of its own.
TEST(SystemSource, OneKernelReadMakesTheWholeKey) {
  const RunResult whole = run_with("LD_PRELOAD=" FIXED_KEY_SHIM, "-n5");
  const RunResult in_pieces = run_with("LD_PRELOAD=" FIXED_KEY_SHORT_SHIM, "-n5");
  EXPECT_EQ(whole.exit_status, 0);
  EXPECT_EQ(whole.err, "getrandom calls: 1, device opens: 0\n");
  EXPECT_TRUE(are_passwords(whole.out, 5, 8)) << whole.out;
  EXPECT_EQ(in_pieces.out, whole.out);
}

// No source at all, a device that ends after 16 of the 32 bytes of the key, or a plain file,
// /dev/zero, a console, a block device or a FIFO in the device's place: never a key half made of
// zeros or the same in every run, never a password, never a wait without end.
TEST(SystemSourceFailure, NoWholeKeyEndsWithStatusOneAndNoPassword) {
  struct Row {
    const char* shim;
    const char* args;
  };
  const Row rows[] = {
      {"LD_PRELOAD=" NO_URANDOM_SHIM, "-n3"},      {"LD_PRELOAD=" NO_URANDOM_SHIM, "-n32767"},
      {"LD_PRELOAD=" SHORT_URANDOM_SHIM, "-n3"},   {"LD_PRELOAD=" PLAIN_FILE_URANDOM_SHIM, "-n3"},
      {"LD_PRELOAD=" ZERO_URANDOM_SHIM, "-n3"},    {"LD_PRELOAD=" FIFO_URANDOM_SHIM, "-n3"},
      {"LD_PRELOAD=" CONSOLE_URANDOM_SHIM, "-n3"}, {"LD_PRELOAD=" BLOCK_URANDOM_SHIM, "-n3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.shim) + " " + row.args);
    const RunResult result = run_with(row.shim, row.args);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Error: Cannot read the system random source.\n");
  }
}

}  // namespace
