// The built program, run as a user runs it: exact bytes after the banner, exit statuses, nothing
// on standard error unless standard output cannot be written.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#ifdef __linux__
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/securebits.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#endif

#include "lcg_answers.h"
#include "program.h"
#include "run_program.h"
#include "test_util.h"

namespace {

#ifdef _WIN32
constexpr int PARAMETER_ERROR = -2;  // Windows keeps the whole exit code
constexpr int PIPE_SIGNAL = 0;       // nor has it SIGPIPE
#else
constexpr int PARAMETER_ERROR = 254;  // a POSIX shell sees the program's -2 as 254
constexpr int PIPE_SIGNAL = SIGPIPE;
#endif

// The build for real secrets names its source; the clock-seeded one names none.
const bool SYSTEM_SOURCE = PROGRAM_SOURCE_NAME[0] != '\0';

#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_sanitizer = true;
#elif defined(__has_feature)
constexpr bool address_sanitizer = __has_feature(address_sanitizer);
#else
constexpr bool address_sanitizer = false;
#endif

const std::string HELP = R"(tolvane - prints random passwords
Copyright (c) 2026 the tolvane authors.
Free software under the MIT License; the manual says where its text is.
There is NO WARRANTY, to the extent permitted by law.

Usage: tolvane [OPTIONS]

Options: [-h] [-v] [-s<nn>] [-n<nnnnn>] [-u | -l] [-a | -r] [-y] [-q]

-h                Display this help information.
--help            Any other options are ignored.

-v                Displays the tolvane version.
--version

-s<4-32>          Sets the size of the password to
--size=<4-32>     generate (Default is 8).  The size must be
--size:<4-32>     between 4 and 32 characters.
                  (e.g., -s10 or --size:10)

-n<1-32767>       The number of passwords to generate.
--number=<1-32767>
--number:<1-32767>

-u                Produces passwords containing only
--upper           upper case characters.  This option may
--upper-only      be combined with the "alpha" and/or the
--uppercase       "symbol" options.  Obviously, it can not
--uppercase-only  be combined with the "lower" option.
--upper-case
--upper-case-only

-l                Produces passwords containing only
--lower           lower case characters.  This option may
--lower-only      be combined with the "alpha" and/or the
--lowercase       "symbol" options.  Obviously, it can not
--lowercase-only  be combined with the "upper" option.
--lower-case
--lower-case-only

-a                Passwords are generated using only alphabetic
--alpha-only      characters and no numerics.  If used in conjunction
--alphabetic      with the "symbol" option, passwords are generated
--alphabetic-only with alphabetic characters and symbols.  This
                  option may be combined with the "upper" or the
                  "lower" option.  Obviously, it can not be combined
                  with the "numeric-required" option.

-r                Generated passwords must contain at least one number.
--required        This option is obviously mutually exclusive with the
--required-number "alpha-only" option.
--required-numeric

-y                Includes symbol characters in the generated
--symbols         password.
--include-symbols

-q                Generate passwords that contain no sequences.
--sequence        Sequences are two or more of the same characters
--sequence-check  or sequential characters in a row
                  (e.g., "cc", "bc", "cb", "34", "44", "43")

)";

const std::string INVALID = "Error: Invalid parameter(s).\nUse -h or --help for help.\n\n";
const std::string CASE_CONFLICT =
    "Error: Logical parameter error.\n"
    "You cannot combine -u (uppercase only) with -l (lowercase only).\n\n";
const std::string RULES_CONFLICT =
    "Error: Logical rules parameter error.\n"
    "You cannot combine -r (require at least one number) with\n-a (alphabetic only).\n\n";
const std::string WRITE_ERROR = "Error: Cannot write to standard output.\n";

// A Windows command line holds at most 32,767 characters, so the vectors of 100,000 characters
// can only be run where arguments are passed as they are.
bool fits_the_platform(const std::vector<std::string>& args) {
#ifdef _WIN32
  std::size_t length = 0;
  for (const std::string& arg : args)
    length += arg.size() + 3;
  return length < 32'000;
#else
  (void)args;
  return true;
#endif
}

// The program, under the output shim in the mode named (tests/e2e/output_shim.cc) where one is.
RunResult run(const std::vector<std::string>& args, Stdout mode = Stdout::Capture,
              [[maybe_unused]] const char* shim = nullptr) {
  std::vector<std::string> env;
#ifdef OUTPUT_SHIM
  if (shim != nullptr)
    env = {"LD_PRELOAD=" OUTPUT_SHIM, std::string("SHIM_MODE=") + shim};
#endif
  return run_program(TOLVANE_PATH, args, mode, env);
}

// prefix followed by n copies of c. (GCC 12 at -O3 warns falsely on "literal" + std::string.)
std::string repeat(std::string prefix, std::size_t n, char c, std::string suffix = "") {
  return prefix.append(n, c).append(suffix);
}

// Runs args as mode and shim say, and checks how the run ended and what it wrote on standard
// error; the result, for what it wrote on standard output.
RunResult expect_end(const std::vector<std::string>& args, Stdout mode, const char* shim,
                     int status, const std::string& err) {
  const RunResult result = run(args, mode, shim);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exit_status, status);
  EXPECT_EQ(result.err, err);
  return result;
}

// A run that prints the banner and a text, or fails to. Where standard output is no file
// (/dev/full, closed) there is nothing to read back.
struct Expected {
  std::vector<std::string> args;
  int status;
  std::string text;  // after the banner
  std::string err = "";
  Stdout mode = Stdout::Capture;
  const char* shim = nullptr;
};

TEST(Messages, BannerThenExactTextAndStatus) {
  // Rows of a kind share a line, laid out by hand.
  // clang-format off
  std::vector<Expected> rows = {
      {{"-h"}, 0, HELP}, {{"--help"}, 0, HELP}, {{"--"}, 0, HELP}, {{"-v", "-h"}, 0, HELP},
      {{"-hv"}, 0, HELP}, {std::vector<std::string>(10'000, "-h"), 0, HELP},
      {{"-v"}, 0, ""}, {{"--version"}, 0, ""},
      {{""}, PARAMETER_ERROR, INVALID}, {{"-"}, PARAMETER_ERROR, INVALID}, {{"-s8", "eight"}, PARAMETER_ERROR, INVALID},
      {{"-h", "-x"}, PARAMETER_ERROR, INVALID}, {{"-x", "-h"}, PARAMETER_ERROR, INVALID}, {{"-v", "-s99"}, PARAMETER_ERROR, INVALID},
      {{std::string(100'000, 'x')}, PARAMETER_ERROR, INVALID}, {{repeat("--", 99'998, 's')}, PARAMETER_ERROR, INVALID},
      {{repeat("-s", 99'998, '9')}, PARAMETER_ERROR, INVALID}, {std::vector<std::string>(10'000, ""), PARAMETER_ERROR, INVALID},
      {{"\xff\xfe", "-\x80"}, PARAMETER_ERROR, INVALID}, {{"-\x80"}, PARAMETER_ERROR, INVALID}, {{"--\xc3\xa9t\xc3\xa9"}, PARAMETER_ERROR, INVALID},
      {{"-ul"}, PARAMETER_ERROR, CASE_CONFLICT}, {{"--lower", "--upper"}, PARAMETER_ERROR, CASE_CONFLICT},
      {{"-ar"}, PARAMETER_ERROR, RULES_CONFLICT}, {{"-a", "--required"}, PARAMETER_ERROR, RULES_CONFLICT},
  };
  // clang-format on
#ifndef _WIN32
  // Output that cannot be written, or a close that reports a lost write: status 1 and one line on
  // standard error, whatever the run had to say.
  for (const Stdout mode : {Stdout::DevFull, Stdout::Closed}) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"-n32767", "-s32"}, {"-h"}, {"-v"}, {"-x"}})
      rows.push_back({args, 1, "", WRITE_ERROR, mode});
  }
#ifdef OUTPUT_SHIM
  rows.push_back({{"-v"}, 1, "", WRITE_ERROR, Stdout::Capture, "fail_close"});
  rows.push_back({{"-x"}, 1, INVALID, WRITE_ERROR, Stdout::Capture, "fail_close"});
#endif
#endif
  for (const Expected& row : rows) {
    SCOPED_TRACE(describe(row.args) + (row.shim != nullptr ? row.shim : ""));
    if (!fits_the_platform(row.args))
      continue;
    const RunResult result = expect_end(row.args, row.mode, row.shim, row.status, row.err);
    if (row.mode == Stdout::Capture) {
      const std::size_t banner = banner_length(result.out, PROGRAM_SOURCE_NAME);
      ASSERT_NE(banner, 0u) << result.out;
      EXPECT_EQ(result.out.substr(banner), row.text);
    }
  }
}

// Every line a password that keeps the rules of its options.
TEST(Passwords, LinesOfSizeThatKeepTheirRules) {
  struct Row {
    std::vector<std::string> args;
    std::size_t count;
    std::int32_t size;
    std::uint8_t flags = 0;
    Stdout mode = Stdout::Capture;
    const char* shim = nullptr;
    int status = 0;
    std::string err = "";
  };
  // clang-format off
  std::vector<Row> rows = {
      {{"-n32767"}, 32767, 8}, {{"-n32767", "-s32", "-y", "-q"}, 32767, 32, Y | Q},
      {{"--number=100", "--size=4"}, 100, 4},
      {{"-u", "-n50"}, 50, 8, U}, {{"-l", "-a", "-n50"}, 50, 8, L | A},
      {{"-uay", "-n50"}, 50, 8, U | A | Y}, {{"--include-symbols", "-a", "-n50"}, 50, 8, A | Y},
      {{repeat("-", 99'999, 'y')}, 1, 8, Y}, {std::vector<std::string>(10'000, "-q"), 1, 8, Q},
      {{repeat("--size=", 99'993, '0', "12")}, 1, 12},
  };
  // clang-format on
#ifndef _WIN32
  // A non-blocking pipe whose reader takes a little at a time gets every byte.
  rows.push_back({{"-n32767", "-s32"}, 32767, 32, 0, Stdout::SlowNonBlocking});
#ifdef OUTPUT_SHIM
  // Every password written, and then a close that reports a lost write.
  rows.push_back({{}, 1, 8, 0, Stdout::Capture, "fail_close", 1, WRITE_ERROR});
  rows.push_back({{"-n100"}, 100, 8, 0, Stdout::Capture, "fail_close", 1, WRITE_ERROR});
#endif
#endif
  for (const Row& row : rows) {
    SCOPED_TRACE(describe(row.args) + (row.shim != nullptr ? row.shim : ""));
    if (!fits_the_platform(row.args))
      continue;
    const RunResult result = expect_end(row.args, row.mode, row.shim, row.status, row.err);
    const std::vector<std::string> lines = lines_of(result.out);
    ASSERT_EQ(lines.size(), row.count);
    for (const std::string& line : lines)
      ASSERT_EQ(password_fault(line, row.size, row.flags), "") << line;
  }
}

// Every example of the README's usage and of the man page, found in the texts and run: as many
// lines as the README shows under it, or as the man page says ("Three passwords of 12"), each a
// password of the size and rules its options give, as each line the README shows is too; a reader
// that leaves after one line (tolvane ... | head -n1) has its line, and the run ends by SIGPIPE.
TEST(Examples, EachDoesWhatItsTextSays) {
  std::string texts;
  for (const char* path : {"/README.md", "/doc/tolvane.1", "/doc/output.md"})
    texts += read_text(std::string(SOURCE_DIR).append(path));
  const std::vector<std::string> numbers = {"", "One", "Two", "Three", "Four", "Five"};
  const std::regex example(
      R"~(\n    \$ tolvane([^#\n]*)(?:#[^\n]*)?((?:\n    [^$\n][^\n]*)*)|\n\.TP\n\.B tolvane([^\n]*)\n(?:(\w+) passwords? of (\d+))?|tolvane ([^|`"\n]*)\| head -n1)~");
  std::size_t examples = 0;
  for (std::sregex_iterator m(texts.begin(), texts.end(), example), end; m != end; ++m) {
    SCOPED_TRACE(m->str());
    ++examples;
    const bool piped = (*m)[6].matched;
    if (piped && PIPE_SIGNAL == 0)
      continue;  // a Windows console has no pipe whose reader leaves
    const std::string args = (*m)[1].str() + (*m)[3].str() + (*m)[6].str();
    const Options options = parse(words_of(args));
    std::vector<std::string> lines = words_of((*m)[2]);  // the README's: no password holds a blank
    const std::size_t count = (*m)[1].matched ? lines.size()
                              : piped         ? 1
                                              : static_cast<std::size_t>(options.count);
    EXPECT_EQ((*m)[4].str(), (*m)[4].matched ? numbers.at(count) : "");
    EXPECT_TRUE(!(*m)[5].matched || options.size == std::stoi((*m)[5]));
    const RunResult result = run(words_of(args), piped ? Stdout::OneLine : Stdout::Capture);
    EXPECT_EQ(result.signal, piped ? PIPE_SIGNAL : 0);
    EXPECT_EQ(result.exit_status, piped ? -1 : 0);  // -1: it did not exit
    EXPECT_EQ(result.err, "");
    for (const std::string& line : lines_of(result.out))
      lines.push_back(line);
    EXPECT_EQ(lines.size(), ((*m)[1].matched ? 2 : 1) * count);
    for (const std::string& line : lines)
      EXPECT_EQ(password_fault(line, options.size, options.flags), "") << line;
  }
  EXPECT_EQ(examples, 11u);  // all the texts give today: none the pattern misses
}

#if defined(LIBFAKETIME_PATH)
// The built program under a frozen clock (libfaketime), against the lines lcg_answers.h pins:
// the seed is the reading in milliseconds modulo 2^32, and every row's
// passwords follow from it. A program that ignores the clock, draws from another source, or
// draws, repairs or redraws differently prints other lines. Every machine prints the same lines:
// each instant's milliseconds are a whole number of eighths of a second, which libfaketime's
// floating-point reading of them holds exactly on every processor (.849 is read as
// 848,999,999 ns on 32-bit x86).
TEST(KnownAnswers, TheClockReadingGivesTheseLines) {
  if (SYSTEM_SOURCE)
    GTEST_SKIP() << "the operating system's source has no known answers";
  // libfaketime preloaded as the faketime command would, less the command's shared memory and
  // semaphores, which qemu-user cannot give. AddressSanitizer's allocator reads the monotonic
  // clock when it first maps memory for a size of block, which the C++ library's start does
  // before libfaketime's own has run: libfaketime then starts inside the allocator, and its
  // lookups' allocations wait for ever on the allocator's lock (or not, as the program's path is
  // long or short). Told never to give memory back to the system, the allocator reads no clock.
  std::vector<std::string> env = {"LD_PRELOAD=" LIBFAKETIME_PATH, "FAKETIME_DISABLE_SHM=1",
                                  "TZ=UTC", ""};
  if (address_sanitizer) {
    const char* options = std::getenv("ASAN_OPTIONS");
    env.push_back(std::string("ASAN_OPTIONS=allocator_release_to_os_interval_ms=-1:") +
                  (options != nullptr ? options : ""));
  }
  for (const LcgRun& row : LCG_RUNS) {
    const std::vector<std::string> args = words_of(row.args);
    SCOPED_TRACE(std::string(row.instant) + " " + describe(args));
    env[3] = std::string("FAKETIME=") + row.instant;
    const RunResult result = run_program(TOLVANE_PATH, args, Stdout::Capture, env);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, row.out);
    EXPECT_EQ(result.err, "");
  }
}
#endif

// A source that fails part way: the reader keeps the whole blocks written before, every line in
// them a whole password, and nothing of the block that was being filled, whether the source
// failed in a draw from the pool or in a repair's (the digit's under -r, the letter's under -y).
TEST(SourceFailure, LeavesOnlyWholeBlocksOfWholeLines) {
  struct Row {
    std::vector<std::string> args;
    bool blocks_written;  // or nothing at all: it fails in the first block
    Stdout out;           // closed, where nothing written is nothing lost: one error alone
  };
  std::vector<Row> rows = {{{"-n32767", "-s32"}, true, Stdout::Capture},
                           {{"-n32767", "-s4", "-r"}, false, Stdout::Capture},
                           {{"-n32767", "-s4", "-y"}, false, Stdout::Capture}};
#ifndef _WIN32
  rows.push_back({{"-n32767", "-s4", "-r"}, false, Stdout::Closed});
#endif
  for (const Row& row : rows) {
    SCOPED_TRACE(describe(row.args));
    const RunResult result = run_program(FAILING_SOURCE_PATH, row.args, row.out);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "Error: Cannot read the system random source.\n");
    if (!row.blocks_written) {
      EXPECT_EQ(result.out, "");
      continue;
    }
    const std::vector<std::string> lines = lines_of(result.out);
    EXPECT_GT(lines.size(), 0u);
    EXPECT_LT(lines.size(), 32767u);
    EXPECT_EQ(lines.size() % (OUTPUT_BLOCK_SIZE / 33), 0u)
        << "a block cut short reached the reader";
    for (const std::string& line : lines)
      ASSERT_TRUE(is_password(line, 32)) << line;
  }
}

// Descriptor tricks, shims and SIGPIPE are POSIX's; a Windows console has none of them.
#ifdef OUTPUT_SHIM
// The shim takes the first block in a short write, an interrupted call and the rest, then 1000
// bytes of the second block (20 in the early shim, less than a line), then fails for good ("no
// space left") and reports any write after that. A file is then cut back to its last whole line
// (30 lines of 33 bytes of the 1000, none of the 20), and what it held before tolvane wrote is
// kept; where another writer has added to it since, it is not cut at all.
TEST(WriteFailure, AFileThatFillsEndsInAWholeLineAndNothingMoreIsWritten) {
  const std::string another = "another writer's line\n";
  struct Row {
    std::vector<std::string> args;
    Stdout mode;
    const char* shim;
    std::string before, after;  // what others wrote before and after tolvane
    std::size_t kept;           // of tolvane's bytes, after the first block (first_block)
  };
  const std::size_t first_block = OUTPUT_BLOCK_SIZE / 33 * 33;
  const std::vector<std::string> most = {"-n32767", "-s32"};
  const std::vector<Row> rows = {
      {most, Stdout::Capture, "fail_write", "", "", 990},
      {most, Stdout::AppendToFile, "fail_write", APPEND_PREFIX, "", 990},
      {most, Stdout::AppendToFile, "fail_write_shared", APPEND_PREFIX, another, 1000},
      {most, Stdout::Capture, "fail_write_early", "", "", 0},
      {{"-h"}, Stdout::Capture, "fail_write", "", "", 0},  // the banner, then the help text
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(describe(row.args) + (row.mode == Stdout::AppendToFile ? " >>" : " >") + row.shim);
    const RunResult result = run(row.args, row.mode, row.shim);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, WRITE_ERROR);
    ASSERT_GE(result.out.size(), row.before.size() + row.after.size());
    ASSERT_EQ(result.out.substr(0, row.before.size()), row.before);
    ASSERT_EQ(result.out.substr(result.out.size() - row.after.size()), row.after);
    const std::string out = result.out.substr(
        row.before.size(), result.out.size() - row.before.size() - row.after.size());
    if (row.args[0] != "-h") {
      ASSERT_EQ(out.size(), first_block + row.kept);
      EXPECT_EQ(lines_of(out.substr(0, first_block + row.kept / 33 * 33)).size(),
                (first_block + row.kept) / 33);
    } else {
      const std::size_t banner = banner_length(out, PROGRAM_SOURCE_NAME);
      ASSERT_NE(banner, 0u) << out;
      const std::string taken = HELP.substr(0, 1000);
      EXPECT_EQ(out.substr(banner), taken.substr(0, taken.rfind('\n') + 1));
    }
  }
}

// A shell that shares the file's offset with tolvane ({ tolvane; echo; } > f) writes right
// after tolvane's last whole line, with no hole of zeros between: after no space left, which
// cuts the file back, and at a file-size limit, with SIGXFSZ at its default as shells leave it,
// where the whole lines that fit are written and nothing is cut: a soft limit under no hard one
// too, and for >> (a new offset at 0) the room is counted from the file's end. Where another
// writer appends after the room was reckoned, the write stops short and is cut back. With
// standard error in the same file (2>&1) the error's line, which no longer fits, is left out
// whole; a SIGTERM that arrives during a write ends the run at a whole line, and one that the
// parent blocked stays blocked.
TEST(WriteFailure, AShellSharingTheFileWritesRightAfterTheLastWholeLine) {
  // In each script, tolvane is the build's program under the row's shim mode, which takes the place
  // of the subshell that runs it: the shell that waits for it is the script's own.
  const std::string define_tolvane =
      R"(program=$1 shim=$2 mode=$3 emulator=$4
         tolvane() { LD_PRELOAD=$shim SHIM_MODE=$mode exec $emulator "$program" "$@"; }
      )";
  struct Row {
    const char* script;
    const char* shim;
    std::size_t size;  // of every line but the last (rc=...), all passwords
    std::string err, rc;
  };
  const Row rows[] = {
      {R"((tolvane -n32767 -s32); echo "rc=$?")", "fail_write", 32, WRITE_ERROR, "1"},
      // Appended to a file of 3 GiB (sparse), past what a 32-bit offset reaches: the cut still
      // finds where the block started. Only tolvane's bytes are read back.
      {R"(f=$(mktemp) && truncate -s 3G "$f" && (tolvane -n32767 -s32 >>"$f"); rc=$?
          tail -c +3221225473 "$f"; rm -f "$f"; echo "rc=$rc")",
       "fail_write", 32, WRITE_ERROR, "1"},
      {R"((ulimit -f 200; tolvane -n32767 -s13); echo "rc=$?")", "report_cut", 13, WRITE_ERROR,
       "1"},
      {R"((ulimit -S -f 200; tolvane -n32767 -s13); echo "rc=$?")", "report_cut", 13, WRITE_ERROR,
       "1"},
      // A line, then tolvane on a new descriptor that appends, its offset at 0, under a limit that
      // the first block meets (128) or the second (200).
      {R"(echo ABCDEFGHIJKLM; (ulimit -f 128; tolvane -n32767 -s13 >>/proc/self/fd/1)
          echo "rc=$?" >>/proc/self/fd/1)",
       "report_cut", 13, WRITE_ERROR, "1"},
      {R"(echo ABCDEFGHIJKLM; (ulimit -f 200; tolvane -n32767 -s13 >>/proc/self/fd/1)
          echo "rc=$?" >>/proc/self/fd/1)",
       "sibling", 13, "ftruncate\n" + WRITE_ERROR, "1"},
      // The limit hidden from the program: the kernel's short write, EFBIG, then the cut.
      {R"((ulimit -f 200; tolvane -n32767 -s13); echo "rc=$?")", "unknown_limit", 13,
       "ftruncate\n" + WRITE_ERROR, "1"},
      {R"((ulimit -f 200; tolvane -n32767 -s13 2>&1); echo "rc=$?")", "report_cut", 13, "", "1"},
      // The error's line too meets the hidden limit short, and is cut.
      {R"((ulimit -f 200; tolvane -n32767 -s13 2>&1); echo "rc=$?")", "unknown_limit", 13, "", "1"},
      // The shell's own word on the signal ("Terminated") is kept out of tolvane's standard error.
      {R"(exec 3>&2 2>/dev/null; (tolvane -n32767 -s32 2>&3); echo "rc=$?")", "raise_term", 32, "",
       "143"},
      // A timer a parent left running ends the run the same way.
      {R"(exec 3>&2 2>/dev/null; (tolvane -n32767 -s32 2>&3); echo "rc=$?")", "raise_alrm", 32, "",
       "142"},
      // The shim for tolvane alone: a cross build's shim does not fit env, the machine's own.
      {R"(env --block-signal=TERM LD_PRELOAD="$shim" SHIM_MODE="$mode" $emulator "$program" \
          -n32767 -s32; echo "rc=$?")",
       "raise_term", 32, "", "0"},
  };
  const std::size_t first_block = OUTPUT_BLOCK_SIZE / 33 * 33;
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.shim) + ": " + row.script);
    const RunResult result = run_program(
        "/bin/sh",
        {"-c", define_tolvane + row.script, "sh", TOLVANE_PATH, OUTPUT_SHIM, row.shim, emulator()});
    EXPECT_EQ(result.err, row.err);
    ASSERT_TRUE(result.out.ends_with("\nrc=" + row.rc + "\n"))
        << result.out.substr(result.out.size() - 40);
    const std::vector<std::string> lines = lines_of(result.out);
    // A run that ended well wrote all 32,767 passwords, followed by the shell's rc line. One that
    // failed wrote fewer lines in all than the passwords asked for: it lost far more than the
    // three lines not its own that a row may add (rc, another writer's, the one written before).
    EXPECT_GE(lines.size(), first_block / 33);
    EXPECT_LE(lines.size(), row.rc == "0" ? 32767u + 1 : 32767u - 1);
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
      ASSERT_TRUE(is_password(lines[i], row.size) ||
                  (row.shim == std::string("sibling") && lines[i] == "another writer's line"))
          << i << ": " << lines[i];
  }
}

// A full output is waited for in poll where a reader drains it, never in a busy loop, and a wait
// that a signal interrupts is made again: three full writes, four waits, one of them interrupted.
// A regular file never becomes ready, so there a full write is a failure, as is a descriptor that
// takes nothing however often it is tried (a file system answering EAGAIN or EINTR to every
// write): the run ends, and Ctrl-C is not held off by a write without end. A reader that takes a
// byte per wake-up makes a wait for every byte, far more than the waits allowed in a row, yet each
// after progress; a signal storm that interrupts every wait ends the run all the same.
TEST(SlowReader, AFullOutputIsWaitedForInPollWhereAReaderDrainsIt) {
  struct Row {
    Stdout mode;
    const char* shim;
    int status;
    std::string err;  // what standard error begins with
    std::size_t count = 3;
  };
  const Row rows[] = {
      {Stdout::SlowNonBlocking, "write_again", 0, "poll calls: 4\n"},
      {Stdout::Capture, "write_again", 1, WRITE_ERROR + "poll calls: 0\n"},
      {Stdout::Capture, "always_interrupted", 1, WRITE_ERROR + "poll calls: 0\n"},
      {Stdout::SlowNonBlocking, "always_again", 1, WRITE_ERROR + "poll calls: "},
      {Stdout::SlowNonBlocking, "trickle", 0, "poll calls: ", 150},
      {Stdout::SlowNonBlocking, "poll_interrupted", 1, WRITE_ERROR + "poll calls: 1000\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.mode == Stdout::Capture ? "file " : "pipe ") + row.shim);
    const RunResult result = run({"-n" + std::to_string(row.count)}, row.mode, row.shim);
    EXPECT_EQ(result.exit_status, row.status);
    EXPECT_TRUE(result.err.starts_with(row.err)) << result.err;
    EXPECT_TRUE(row.status == 0 ? are_passwords(result.out, row.count, 8) : result.out.empty())
        << result.out;
  }
}

#endif

#ifdef __linux__
// A pipe that is full before the run starts, so that its first write blocks.
void full_pipe(int ends[2]) {
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(fcntl(ends[1], F_SETFL, O_NONBLOCK), 0);
  static const char filler[4096] = {};
  while (write(ends[1], filler, sizeof filler) > 0) {
  }
  ASSERT_EQ(errno, EAGAIN);
  ASSERT_EQ(fcntl(ends[1], F_SETFL, 0), 0);
}

// The words after prefix on the first line of /proc/<pid>/<file> that starts with it.
std::vector<std::string> proc_words(pid_t pid, const std::string& file, const std::string& prefix) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(prefix))
      return words_of(line.substr(prefix.size()));
  }
  return {};
}

// Whether the run given a full pipe is blocked in its first write: it sleeps, which it does
// nowhere else.
bool blocked_in_write(pid_t pid) {
  for (int tries = 0; tries < RUN_DEADLINE * 1000; ++tries) {
    const std::vector<std::string> fields = proc_words(pid, "stat", "");
    if (fields.size() > 2 && fields[2] == "S")
      return true;
    usleep(1000);  // polled: nothing signals a sleep
  }
  return false;
}

// What the run set, seen from outside while it is blocked in its first write, to a full pipe: what
// it locked of the output block and of the system source's region (key, keystream, indexes: 12
// KiB), under a lock limit or none; no core size, although the parent allows one; not dumpable,
// which a core pattern that pipes to a program heeds where it ignores the size, and which gives the
// run's /proc files to root (so the run is made in a group other than root's); and so no core dump
// from SIGQUIT, which must reach it at once, blocked as it is in a pipe's write (signals are held
// only around a file's).
TEST(ProcessSettings, MemoryLockedAndNoCoreDump) {
  rlimit core{}, lock_inherited{};
  ASSERT_EQ(getrlimit(RLIMIT_CORE, &core), 0);
  ASSERT_EQ(getrlimit(RLIMIT_MEMLOCK, &lock_inherited), 0);
  if (core.rlim_max == 0)
    GTEST_SKIP() << "this machine allows no core dump at all";
  // A limit binds a process that lacks CAP_IPC_LOCK: the runs under one are made without it. What
  // a run locks, in kB, in the order it locks it: the system source first, its whole region (the
  // key, keystream and indexes: three pages) where the limit allows, else the key's own page; then
  // the output block as far as the run fills it (its newlines too, -s4: all 64 KiB for -n32767;
  // one page for one password), where what the source left of the limit allows. So the key is
  // locked whenever any of the block is. The exact build locks the block alone.
  constexpr long REGION = 12, KEY = 4, BLOCK = 64, PAGE = 4;
  struct Row {
    std::vector<std::string> args;
    long limit_kb;  // or -1: as inherited
    long lcg_kb, system_kb;
  };
  // Rows of a kind share a line, laid out by hand.
  // clang-format off
  const Row rows[] = {
      {{"-n32767", "-s32"}, -1, BLOCK, REGION + BLOCK}, {{"-n32767", "-s4"}, -1, BLOCK, REGION + BLOCK},
      {{"-n32767", "-s32"}, 0, 0, 0}, {{"-n32767", "-s32"}, 8, 0, KEY},
      {{"-n32767", "-s32"}, REGION, 0, REGION}, {{"-n32767", "-s32"}, BLOCK, BLOCK, REGION},
      {{"-n32767", "-s32"}, REGION + BLOCK, BLOCK, REGION + BLOCK},
      {{"-n1"}, KEY, PAGE, KEY}, {{"-n1"}, KEY + PAGE, PAGE, KEY + PAGE},
      {{"-n1"}, REGION, PAGE, REGION}, {{"-n1"}, REGION + PAGE, PAGE, REGION + PAGE},
  };
  // clang-format on

  // Being root says nothing of what this process may do (a container drops capabilities, and
  // lowers the limit): what it holds does. Rows the system forbids are skipped, the rest still run.
  const auto held = std::stoull(proc_words(getpid(), "status", "CapEff:").at(0), nullptr, 16);
  std::string forbidden;
  for (const Row& row : rows) {
    const std::string name = describe(row.args) + " limit " + std::to_string(row.limit_kb);
    SCOPED_TRACE(name);
    const auto limit = static_cast<rlim_t>(row.limit_kb) * 1024;
    // Raising a hard limit takes CAP_SYS_RESOURCE; locking past the inherited one, CAP_IPC_LOCK.
    if (row.limit_kb >= 0
            ? limit > lock_inherited.rlim_max && !(held >> CAP_SYS_RESOURCE & 1)
            : lock_inherited.rlim_cur < (REGION + BLOCK) * 1024 && !(held >> CAP_IPC_LOCK & 1)) {
      forbidden += " " + name + ";";
      continue;
    }
    const long expected_kb = address_sanitizer ? 0 : SYSTEM_SOURCE ? row.system_kb : row.lcg_kb;
    std::vector<std::string> words = command_line(TOLVANE_PATH, row.args);
    std::vector<char*> argv;
    for (std::string& word : words)
      argv.push_back(word.data());
    argv.push_back(nullptr);
    int ends[2];
    full_pipe(ends);
    const pid_t pid = fork();
    if (pid == 0) {
      core.rlim_cur = core.rlim_max;
      const rlimit lock{limit, limit};
      // Under a limit, no CAP_IPC_LOCK to lift it at the exec: no ambient capabilities, and for
      // root not the full set its exec would give it (SECBIT_NOROOT), whatever the sets it
      // inherited. A change of group clears the signal at the parent's death: it is set after.
      if (setrlimit(RLIMIT_CORE, &core) != 0 ||
          (row.limit_kb >= 0 &&
           (setrlimit(RLIMIT_MEMLOCK, &lock) != 0 ||
            prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 ||
            (geteuid() == 0 && prctl(PR_SET_SECUREBITS, SECBIT_NOROOT) != 0))) ||
          (getegid() == 0 && setgid(65534) != 0) || prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        _exit(125);
      dup2(ends[1], 1);
      close(ends[0]);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(ends[1]);
    const bool blocked = blocked_in_write(pid);
    const std::vector<std::string> locked = proc_words(pid, "status", "VmLck:");
    const std::vector<std::string> core_limit = proc_words(pid, "limits", "Max core file size");
    struct stat owner {};
    EXPECT_EQ(stat(("/proc/" + std::to_string(pid) + "/status").c_str(), &owner), 0);
    kill(pid, SIGQUIT);  // its default action dumps core; the sanitizers leave it alone
    const int wait_status = wait_for_child(pid, RUN_DEADLINE * 1000);
    close(ends[0]);
    ASSERT_TRUE(blocked) << "never blocked in its write";
    ASSERT_NE(wait_status, -1) << "SIGQUIT held off while blocked in a pipe's write";
    EXPECT_EQ(locked, (std::vector<std::string>{std::to_string(expected_kb), "kB"}));
    EXPECT_EQ(core_limit, (std::vector<std::string>{"0", "0", "bytes"}));
    EXPECT_EQ(owner.st_gid, 0u) << "still dumpable";
    ASSERT_TRUE(WIFSIGNALED(wait_status));
    EXPECT_EQ(WTERMSIG(wait_status), SIGQUIT);
    EXPECT_FALSE(WCOREDUMP(wait_status));
  }
  if (!forbidden.empty())
    GTEST_SKIP() << "the lock limit and capabilities this test inherited forbid:" << forbidden;
}
#endif

}  // namespace
