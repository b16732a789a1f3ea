// The command line, argument vector in and record out, one row per case.
#include "cli/parse.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "cli/options.h"
#include "test_util.h"

namespace {

struct Case {
  std::vector<std::string> args;
  const char* message;  // nullptr: passwords are generated
  std::int32_t size = DEFAULT_SIZE;
  std::int32_t count = DEFAULT_COUNT;
  std::uint8_t flags = 0;
};

Options parse(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"tolvane"};
  for (const std::string& arg : args)
    argv.push_back(arg.c_str());
  Options options{.flags = 0xFF};  // the walk must reset whatever the record held
  parse_arguments(options, static_cast<int>(argv.size()), argv.data());
  return options;
}

const char* const INVALID = MSG_INVALID_PARAMETER;
const char* const CASE = MSG_CASE_CONFLICT;
const char* const RULES = MSG_RULES_CONFLICT;

const std::vector<Case> CASES = {
    // The walk over the arguments.
    {{}, nullptr},
    {{""}, INVALID},
    {{"-"}, INVALID},
    {{"x"}, INVALID},
    {{"-s8", "x"}, INVALID},
    {{"-h"}, HELP_TEXT},
    {{"-v"}, VERSION_MESSAGE},
    {{"-hv"}, HELP_TEXT},
    {{"-vh"}, HELP_TEXT},
    {{"-h", "-v"}, HELP_TEXT},
    {{"-v", "-h"}, HELP_TEXT},
    {{"-h", "-x"}, INVALID},
    {{"-x", "-h"}, INVALID},
    {{"-v", "-s99"}, INVALID},
    {{"-hx"}, INVALID},
    {{"-h", "-s12"}, HELP_TEXT, 12},
    {{"-ul", "-h"}, CASE},
    // Numbers behind -s and -n.
    {{"-s10"}, nullptr, 10},
    {{"-s4"}, nullptr, 4},
    {{"-s32"}, nullptr, 32},
    {{"-s3"}, INVALID},
    {{"-s33"}, INVALID},
    {{"-s"}, INVALID},
    {{"-s0"}, INVALID},
    {{"-s010"}, nullptr, 10},
    {{"-s00000000000000000000012"}, nullptr, 12},
    {{"-s+10"}, INVALID},
    {{"-s-10"}, INVALID},
    {{"-s10x"}, INVALID},
    {{"-s 10"}, INVALID},
    {{"-s12", "-s20"}, nullptr, 20},
    {{"-s12s20"}, nullptr, 20},
    {{"-n32767"}, nullptr, DEFAULT_SIZE, 32767},
    {{"-n1"}, nullptr, DEFAULT_SIZE, 1},
    {{"-n0"}, INVALID},
    {{"-n32768"}, INVALID},
    {{"-n5s12"}, nullptr, 12, 5},
    {{"-s12y"}, nullptr, 12, DEFAULT_COUNT, Y},
    // Numbers never wrap around into range.
    {{"-s4294967300"}, INVALID},
    {{"-n4294967297"}, INVALID},
    {{"-s2147483648"}, INVALID},
    {{"-s-4294967286"}, INVALID},
    {{"-n99999999999999999999999999999999"}, INVALID},
    // Flag letters and their conflicts.
    {{"-uq"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, U | Q},
    {{"-ul"}, CASE},
    {{"-lu"}, CASE},
    {{"-u", "-l"}, CASE},
    {{"-ar"}, RULES},
    {{"-ra"}, RULES},
    {{"-a", "--required"}, RULES},
    // A conflict ends the walk in either order: the x behind it is never read.
    {{"-ulx"}, CASE},
    {{"-lux"}, CASE},
    {{"-arx"}, RULES},
    {{"-rax"}, RULES},
    {{"-r", "-a", "-x"}, RULES},
    {{"-uu"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, U},
    {{"-lay"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, L | A | Y},
    {{"-ury"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, U | R | Y},
    {{"-U"}, INVALID},
    {{"-H"}, INVALID},
    {{"-5"}, INVALID},
    {{"-\xff"}, INVALID},
    {{"-y\xc3\xa9"}, INVALID},
    // Long options: the empty name, prefixes and table order.
    {{"--"}, HELP_TEXT},
    {{"--="}, HELP_TEXT},
    {{"--:"}, HELP_TEXT},
    {{"--=5"}, INVALID},
    {{"--help"}, HELP_TEXT},
    {{"--version"}, VERSION_MESSAGE},
    {{"--h"}, HELP_TEXT},
    {{"--v"}, VERSION_MESSAGE},
    {{"--HELP"}, INVALID},
    {{"--q"}, INVALID},
    {{"--y"}, INVALID},
    {{"--se"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, Q},
    {{"--sy"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, Y},
    {{"--upper-c"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, U},
    {{"--lower-case-only"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, L},
    {{"--alphabetic"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, A},
    {{"--r"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, R},
    {{"--sequence-checks"}, INVALID},
    {{"--include_symbols"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, Y},
    {{"--include"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, Y},
    {{"--include-symbols"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, Y},
    {{"--include-s"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, Y},
    {{"--upper", "--lower"}, CASE},
    {{"--\xc3\xa9"}, INVALID},
    // Long options: where the value comes from.
    {{"--size=10"}, nullptr, 10},
    {{"--size:10"}, nullptr, 10},
    {{"--s=10"}, nullptr, 10},
    {{"--size=0010"}, nullptr, 10},
    {{"--size==10"}, nullptr, 10},
    {{"--size=x12"}, nullptr, 12},
    {{"--size=-9"}, nullptr, 9},
    {{"--size=7a"}, nullptr, 7, DEFAULT_COUNT, A},
    {{"--size10"}, INVALID},
    {{"--size=1"}, INVALID},
    {{"--size=12abc"}, INVALID},
    {{"--size=abc"}, INVALID},
    {{"--size"}, INVALID},
    {{"--size=100"}, INVALID},
    {{"--number=99"}, nullptr, DEFAULT_SIZE, 99},
    {{"--number=100"}, nullptr, DEFAULT_SIZE, 100},
    {{"--number:32767"}, nullptr, DEFAULT_SIZE, 32767},
    {{"--number=00032767"}, nullptr, DEFAULT_SIZE, 32767},
    {{"--number=32768"}, INVALID},
    {{"--number=123456"}, INVALID},
    {{"--number=4294967297"}, INVALID},
    {{"--number=x9y"}, nullptr, DEFAULT_SIZE, 9, Y},
    {{"--upper=abc"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, U},
    {{"--upper=0"}, nullptr, DEFAULT_SIZE, DEFAULT_COUNT, U},
    {{"--upper=3"}, INVALID},
    {{"--5"}, INVALID},
    {{"--size5=10"}, INVALID},
    // A whole command line.
    {{"-y", "--sequence-check", "--required-numeric", "-s12", "-n3"}, nullptr, 12, 3, Y | Q | R},
};

TEST(ParseArguments, Table) {
  for (const Case& c : CASES) {
    SCOPED_TRACE(describe(c.args));
    const Options options = parse(c.args);
    const bool is_error = c.message == INVALID || c.message == CASE || c.message == RULES;
    EXPECT_EQ(options.message, c.message);
    EXPECT_EQ(options.status, is_error ? STATUS_PARAMETER_ERROR : STATUS_OK);
    EXPECT_EQ(options.flags & ~OPTION_FLAGS, 0) << "parsers set a generator state bit";
    if (!is_error) {
      EXPECT_EQ(options.size, c.size);
      EXPECT_EQ(options.count, c.count);
      EXPECT_EQ(options.flags, c.flags);
    }
  }
}

TEST(ParseArguments, HugeInputsEndInAnOutcome) {
  struct Huge {
    std::vector<std::string> args;
    const char* message;
    std::int32_t size;
  };
  const std::string zeros(99'990, '0');
  const std::vector<Huge> rows = {
      {{std::string("-").append(99'999, 'q')}, nullptr, DEFAULT_SIZE},
      {{std::string("-s").append(99'998, '9')}, INVALID, 0},
      {{std::string("-s").append(zeros).append("12")}, nullptr, 12},
      {{std::string("--size=").append(zeros).append("12")}, nullptr, 12},
      {{std::string("--").append(100'000, 'h')}, INVALID, 0},
      {{std::string(100'000, '\xff')}, INVALID, 0},
      {std::vector<std::string>(10'000, "-y"), nullptr, DEFAULT_SIZE},
      {std::vector<std::string>(10'000, ""), INVALID, 0},
  };
  for (const Huge& row : rows) {
    SCOPED_TRACE(row.args.front().substr(0, 12));
    const Options options = parse(row.args);
    EXPECT_EQ(options.message, row.message);
    if (row.message == nullptr) {
      EXPECT_EQ(options.size, row.size);
    }
  }
}

TEST(ParseArguments, EmptyArgumentVector) {
  Options options;
  parse_arguments(options, 0, nullptr);
  EXPECT_EQ(options.message, nullptr);
  EXPECT_EQ(options.size, DEFAULT_SIZE);
  EXPECT_EQ(options.count, DEFAULT_COUNT);
}

TEST(ReadBoundedNumber, Table) {
  struct Row {
    const char* text;
    std::int32_t low, high, expected;
  };
  const Row rows[] = {
      {"", 1, 10, 0},
      {"5", 1, 10, 5},
      {"10", 1, 10, 10},
      {"11", 1, 10, 0},
      {" \t\n\v\f\r7", 1, 10, 7},
      {"+7", 1, 10, 7},
      {"-7", -10, 10, -7},
      {"-7", 1, 10, 0},
      {"+-7", 1, 10, 0},
      {"12abc", 1, 99, 12},
      {"abc", 1, 99, 0},
      {"2147483647", 1, INT32_MAX, INT32_MAX},
      {"2147483648", 1, INT32_MAX, 0},
      {"-2147483648", INT32_MIN, -1, INT32_MIN},
      {"-2147483649", INT32_MIN, -1, 0},
      {"4294967300", 1, 32, 0},
      {"4294967297", 1, 32767, 0},
      {"000000000000000000000000000032", 1, 32, 32},
      {"99999999999999999999999999999999999999", 1, INT32_MAX, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(read_bounded_number(row.text, row.low, row.high), row.expected);
  }
}

// Each long name of the table does what its letter does; the letter is checked against the man
// page by names_test.
TEST(LongOptionAliases, EveryFullNameDoesWhatItsLetterDoes) {
  for (const LongOptionAlias& alias : long_option_aliases) {
    SCOPED_TRACE(alias.name);
    const std::string value = alias.letter == 's' || alias.letter == 'n' ? "12" : "";
    const Options whole =
        parse({"--" + std::string(alias.name) + (value.empty() ? "" : "=") + value});
    const Options letter = parse({std::string("-") + alias.letter + value});
    EXPECT_EQ(whole.message, letter.message);
    EXPECT_EQ(whole.flags, letter.flags);
    EXPECT_EQ(whole.size, letter.size);
    EXPECT_EQ(whole.count, letter.count);
  }
}

}  // namespace
