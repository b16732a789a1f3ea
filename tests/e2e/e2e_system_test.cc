// The build on the operating system's random source, run as two processes, and with the kernel's
// source replaced, refused or put out of reach.
#include <gtest/gtest.h>

#include <string>

#include "program.h"
#include "run_program.h"
#include "test_util.h"

namespace {

// The program with the kernel's source as the shim's mode makes it (none: the kernel's own).
RunResult run_with(const char* mode, const char* args) {
  const std::vector<std::string> shim = {"LD_PRELOAD=" RANDOM_SHIM,
                                         std::string("SHIM_MODE=") + mode};
  return run_program(TOLVANE_PATH, {args}, Stdout::Capture,
                     *mode != '\0' ? shim : std::vector<std::string>{});
}

// The same passwords twice would mean a key that does not come from the kernel, or a fallback
// that never reaches the key; the fallback's device fails a read made before the wait for the
// kernel's pool. A getrandom that is interrupted every time is left for the device.
TEST(SystemSource, TwoRunsPrintDifferentPasswords) {
  for (const char* shim : {"", "no_getrandom", "getrandom_eintr"}) {
    SCOPED_TRACE(shim);
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
// libsodium's start-up reads nothing of its own. In pieces, an interrupted call, then the 32 bytes
// 5 at a time.
TEST(SystemSource, OneKernelReadMakesTheWholeKey) {
  const RunResult whole = run_with("fixed_key", "-n5");
  const RunResult in_pieces = run_with("fixed_key_short", "-n5");
  EXPECT_EQ(whole.exit_status, 0);
  EXPECT_EQ(whole.err, "getrandom calls: 1, device opens: 0\n");
  EXPECT_EQ(in_pieces.err, "getrandom calls: 8, device opens: 0\n");
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
      {"no_urandom", "-n3"},         {"no_urandom", "-n32767"}, {"short_urandom", "-n3"},
      {"plain_file_urandom", "-n3"}, {"zero_urandom", "-n3"},   {"fifo_urandom", "-n3"},
      {"console_urandom", "-n3"},    {"block_urandom", "-n3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.shim) + " " + row.args);
    const RunResult result = run_with(row.shim, row.args);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "Error: Cannot read the system random source.\n");
  }
}

}  // namespace
