// The command line, argument vector in and record out, one row per case.
#include "cli/parse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <string_view>
#include <vector>

#include "cli/options.h"
#include "test_util.h"

namespace {

// A command line, its arguments split at spaces, and the record it leaves: the message, and
// where that is no error, the size, count and flags (8, 1 and none by default). Rows of a kind
// share a line, laid out by hand.
struct Case {
  const char* line;
  const char* message;  // nullptr: passwords are generated
  std::int32_t size = DEFAULT_SIZE, count = DEFAULT_COUNT;
  std::uint8_t flags = 0;
};

const char* const INVALID = MSG_INVALID_PARAMETER;
const char* const CASE = MSG_CASE_CONFLICT;
const char* const RULES = MSG_RULES_CONFLICT;

void expect_record(const std::vector<std::string>& args, const Case& c) {
  SCOPED_TRACE(describe(args));
  const Options options = parse(args);
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

// clang-format off
const Case CASES[] = {
    // The walk over the arguments.
    {"", nullptr}, {"-", INVALID}, {"x", INVALID}, {"-s8 x", INVALID},
    {"-h", HELP_TEXT}, {"-v", VERSION_MESSAGE}, {"-hv", HELP_TEXT}, {"-vh", HELP_TEXT},
    {"-h -v", HELP_TEXT}, {"-v -h", HELP_TEXT}, {"-h -x", INVALID}, {"-x -h", INVALID},
    {"-v -s99", INVALID}, {"-hx", INVALID}, {"-h -s12", HELP_TEXT, 12}, {"-ul -h", CASE},
    // Numbers behind -s and -n.
    {"-s10", nullptr, 10}, {"-s4", nullptr, 4}, {"-s32", nullptr, 32},
    {"-s3", INVALID}, {"-s33", INVALID}, {"-s", INVALID}, {"-s0", INVALID},
    {"-s010", nullptr, 10}, {"-s00000000000000000000012", nullptr, 12},
    {"-s+10", INVALID}, {"-s-10", INVALID}, {"-s10x", INVALID},
    {"-s12 -s20", nullptr, 20}, {"-s12s20", nullptr, 20},
    {"-n32767", nullptr, 8, 32767}, {"-n1", nullptr, 8, 1}, {"-n0", INVALID}, {"-n32768", INVALID},
    {"-n5s12", nullptr, 12, 5}, {"-s12y", nullptr, 12, 1, Y},
    // Numbers never wrap around into range.
    {"-s4294967300", INVALID}, {"-n4294967297", INVALID}, {"-s2147483648", INVALID},
    {"-s-4294967286", INVALID}, {"-n99999999999999999999999999999999", INVALID},
    // Flag letters and their conflicts.
    {"-uq", nullptr, 8, 1, U | Q}, {"-uu", nullptr, 8, 1, U},
    {"-lay", nullptr, 8, 1, L | A | Y}, {"-ury", nullptr, 8, 1, U | R | Y},
    {"-ul", CASE}, {"-lu", CASE}, {"-u -l", CASE}, {"-ar", RULES}, {"-ra", RULES},
    {"-a --required", RULES},
    {"-U", INVALID}, {"-H", INVALID}, {"-5", INVALID}, {"-\xff", INVALID}, {"-y\xc3\xa9", INVALID},
    // A conflict ends the walk in either order: the x behind it is never read.
    {"-ulx", CASE}, {"-lux", CASE}, {"-arx", RULES}, {"-rax", RULES}, {"-r -a -x", RULES},
    // Long options: the empty name, prefixes and table order.
    {"--", HELP_TEXT}, {"--=", HELP_TEXT}, {"--:", HELP_TEXT}, {"--=5", INVALID},
    {"--help", HELP_TEXT}, {"--version", VERSION_MESSAGE}, {"--h", HELP_TEXT},
    {"--v", VERSION_MESSAGE}, {"--HELP", INVALID}, {"--q", INVALID}, {"--y", INVALID},
    {"--se", nullptr, 8, 1, Q}, {"--sy", nullptr, 8, 1, Y}, {"--upper-c", nullptr, 8, 1, U},
    {"--lower-case-only", nullptr, 8, 1, L}, {"--alphabetic", nullptr, 8, 1, A},
    {"--r", nullptr, 8, 1, R}, {"--sequence-checks", INVALID},
    {"--include_symbols", nullptr, 8, 1, Y}, {"--include", nullptr, 8, 1, Y},
    {"--include-symbols", nullptr, 8, 1, Y}, {"--include-s", nullptr, 8, 1, Y},
    {"--upper --lower", CASE}, {"--\xc3\xa9", INVALID},
    // Long options: where the value comes from.
    {"--size=10", nullptr, 10}, {"--size:10", nullptr, 10}, {"--s=10", nullptr, 10},
    {"--size=0010", nullptr, 10}, {"--size==10", nullptr, 10}, {"--size=x12", nullptr, 12},
    {"--size=-9", nullptr, 9}, {"--size=7a", nullptr, 7, 1, A},
    {"--size10", INVALID}, {"--size=1", INVALID}, {"--size=12abc", INVALID},
    {"--size=abc", INVALID}, {"--size", INVALID}, {"--size=100", INVALID},
    {"--number=99", nullptr, 8, 99}, {"--number=100", nullptr, 8, 100},
    {"--number:32767", nullptr, 8, 32767}, {"--number=00032767", nullptr, 8, 32767},
    {"--number=32768", INVALID}, {"--number=123456", INVALID}, {"--number=4294967297", INVALID},
    {"--number=x9y", nullptr, 8, 9, Y}, {"--upper=abc", nullptr, 8, 1, U},
    {"--upper=0", nullptr, 8, 1, U}, {"--upper=3", INVALID}, {"--5", INVALID},
    {"--size5=10", INVALID},
    // A whole command line.
    {"-y --sequence-check --required-numeric -s12 -n3", nullptr, 12, 3, Y | Q | R},
};
// clang-format on

TEST(ParseArguments, Table) {
  for (const Case& c : CASES)
    expect_record(words_of(c.line), c);
}

// Arguments a line split at spaces cannot give (empty, holding a space), huge ones, and many.
TEST(ParseArguments, ArgumentsBeyondTheTable) {
  struct Row {
    std::vector<std::string> args;
    Case expected;
  };
  const std::string zeros(99'990, '0');
  // Rows of a kind share a line, laid out by hand.
  // clang-format off
  const std::vector<Row> rows = {
      {{""}, {"", INVALID}}, {{"-s 10"}, {"", INVALID}},
      {{std::string("-").append(99'999, 'q')}, {"", nullptr, 8, 1, Q}}, {{std::string("-s").append(99'998, '9')}, {"", INVALID}},
      {{std::string("-s").append(zeros).append("12")}, {"", nullptr, 12}}, {{std::string("--size=").append(zeros).append("12")}, {"", nullptr, 12}},
      {{std::string("--").append(100'000, 'h')}, {"", INVALID}}, {{std::string(100'000, '\xff')}, {"", INVALID}},
      {std::vector<std::string>(10'000, "-y"), {"", nullptr, 8, 1, Y}}, {std::vector<std::string>(10'000, ""), {"", INVALID}},
  };
  // clang-format on
  for (const Row& row : rows)
    expect_record(row.args, row.expected);
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
  // clang-format off
  const Row rows[] = {
      {"", 1, 10, 0}, {"5", 1, 10, 5}, {"10", 1, 10, 10}, {"11", 1, 10, 0},
      {" \t\n\v\f\r7", 1, 10, 7}, {"+7", 1, 10, 7}, {"+-7", 1, 10, 0},
      {"-7", -10, 10, -7}, {"-7", 1, 10, 0}, {"12abc", 1, 99, 12}, {"abc", 1, 99, 0},
      {"2147483647", 1, INT32_MAX, INT32_MAX}, {"2147483648", 1, INT32_MAX, 0},
      {"-2147483648", INT32_MIN, -1, INT32_MIN}, {"-2147483649", INT32_MIN, -1, 0},
      {"4294967300", 1, 32, 0}, {"4294967297", 1, 32767, 0},
      {"000000000000000000000000000032", 1, 32, 32},
      {"99999999999999999999999999999999999999", 1, INT32_MAX, 0},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(read_bounded_number(row.text, row.low, row.high), row.expected);
  }
}
// Each long name of the table does what its letter does; the letter is checked against the man
// page by texts_test.
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
