// What the texts show of the command line, against the program's own tables and parser: every
// option letter, long name, range, default and stream name in the help, the man page, the README,
// the completions and the fuzz dictionary, and every claim the man page makes of how an argument
// is read. A limit, letter or name changed in one place fails here for each text that still shows
// the old one.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <tuple>

#include "cli/parse.h"
#include "test_util.h"

namespace {

std::string replace(const std::string& text, const char* pattern, const char* with = "") {
  return std::regex_replace(text, std::regex(pattern), with);
}

// The part of text from the first from to the next to after it.
std::string section(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t start = text.find(from);
  return start == std::string::npos ? "" : text.substr(start, text.find(to, start + 1) - start);
}

// What each match of pattern in text captured, its groups that took part joined by "-".
std::set<std::string> captured(const std::string& text, const std::string& pattern) {
  std::set<std::string> found;
  const std::regex re(pattern);
  for (std::sregex_iterator m(text.begin(), text.end(), re), end; m != end; ++m) {
    std::string joined;
    for (std::size_t group = 1; group < m->size(); ++group)
      if ((*m)[group].matched)
        joined.append(joined.empty() ? "" : "-").append((*m)[group].str());
    found.insert(joined);
  }
  return found;
}

// A file of the source tree, its path from there.
std::string file(const char* path) {
  return read_text(std::string(SOURCE_DIR).append(path));
}

const std::string MAN = file("/doc/tolvane.1"), NAME = "([a-z][a-z_-]*)";

TEST(Texts, ShowTheLettersNamesRangesAndDefaultsOfTheTables) {
  std::set<std::string> letters, names, all, letter_names;
  for (const LongOptionAlias& alias : long_option_aliases) {
    letters.insert(std::string(1, alias.letter));
    names.emplace(alias.name);
    all.insert({std::string(1, alias.letter), std::string(alias.name)});
    letter_names.insert(std::string(alias.name) + "-" + alias.letter);
  }
  const auto number = [](std::int32_t n) { return std::to_string(n); };
  const std::string size = number(PASSWORD_SIZE_MIN) + "-" + number(PASSWORD_SIZE_MAX),
                    count = number(PASSWORD_COUNT_MIN) + "-" + number(PASSWORD_COUNT_MAX),
                    fallback = number(DEFAULT_SIZE), one = number(DEFAULT_COUNT);
  // Every letter the parser takes, alone or before a number, whether a long name gives it or not.
  for (char c = '!'; c <= '~'; ++c)
    for (const std::string& arg : {std::string{'-', c}, std::string{'-', c} + fallback})
      if (c != '-' && parse({arg}).status == STATUS_OK)
        all.insert(*letters.insert(std::string(1, c)).first);
  // The banner's line for a stream as the build made its own (cmake/random_source.cmake), or from
  // where the texts' shorthand for the other streams starts.
  const auto banner = [](const char* stream, std::size_t from = 0) {
    std::string line = "Random source: " SOURCE_NAME, built = SOURCE_STREAM_NAME;
    return line.replace(line.find(built), built.size(), stream).substr(from);
  };
  // Comment lines, and zsh's exclusion lists ('(-a --alpha ...)'), offer nothing.
  const auto code = [](const char* path) { return replace(file(path), "(^|\n)\\s*#[^\n]*"); };
  // clang-format off
  const std::string help = HELP_TEXT, readme = file("/README.md"),
      usage = section(readme, "\n## Usage", "\n## "), security = replace(file("/doc/security.md"), "\\s+", " "),
      dictionary = file("/fuzz/options.dict"), bash = code("/completions/tolvane.bash"),
      fish = code("/completions/tolvane.fish"),
      zsh = replace(code("/completions/_tolvane"), R"('\([^)]*\)')"),
      e2e_help = section(file("/tests/e2e/e2e_test.cc"), "HELP = R\"(", ")\";"),
      // The statuses as the program ends with them, -2 also as a POSIX shell shows it (its low byte).
      ok = number(STATUS_OK), wrong = number(STATUS_PARAMETER_ERROR), failed = number(STATUS_FAILURE),
      shown = number(std::uint8_t(STATUS_PARAMETER_ERROR)), symbols(SYMBOL_SET), n = std::to_string(SYMBOL_SET.size());
  const std::size_t as_named = sizeof "Random source: operating system";
  // clang-format on
  // Each line of the man page's options that starts with a letter, its long names paired with it.
  std::set<std::string> man_names;
  for (const std::string& line : captured(section(MAN, ".SH OPTIONS", ".SS"), "\n(\\.B[RI] -.*)"))
    for (const std::string& name : captured(line, "--" + NAME))
      man_names.insert(name + "-" + line[5]);
  EXPECT_EQ(man_names, letter_names) << "man page";
  // Each text that shows the options whole, by their letters and names; the help, some names.
  const std::string in_help = R"~((?:\[|\| )-([a-z]))~",
                    help_ranges = R"~(<(\d+-\d+)>|between (\d+) and (\d+)|Default is (\d+))~";
  // Rows of a kind share a line, laid out by hand.
  // clang-format off
  struct Row { const char* text_name; std::string text, pattern; std::set<std::string> expected; };
  const Row rows[] = {
      {"README", usage, "--" + NAME + R"~(|\n\| `-([a-z]))~", all},
      {"README synopsis", usage, in_help, letters},
      {"bash", bash, "--" + NAME, names},
      {"bash", section(bash, "short=", "\n"), "-([a-z])", letters},
      {"zsh", zsh, "--" + NAME + R"~(|\{-([a-z])[-,])~", all},
      {"fish", fish, "(?:--|-l |-s )" + NAME, all},
      {"fuzz dictionary", dictionary, "\n\"" + NAME + "\"", all},
      {"man page synopsis", MAN, R"~((?:\.RB \[ |" \| " )-([a-z]))~", letters},
      {"man page options", section(MAN, ".SH OPTIONS", ".SS"), "\\.TP\n\\.B[RI] -([a-z])", letters},
      {"help", help, in_help, letters}, {"help", help, R"~(\n-([a-z])[< ])~", letters},
      {"help", help, help_ranges, {size, count, fallback}},
      {"e2e_test.cc", e2e_help, help_ranges, {size, count, fallback}},
      {"README", readme, R"~((\d+) to (\d+) characters)~", {size}},
      {"README", usage, R"~(<(\d+-\d+)>|default (\d+)\))~", {size, count, fallback, one}},
      {"man page", MAN, R"~(, from (\d+) to (\d+)|The default is (\d+)|(?:at most|more than) (\d+) characters)~",
       {size, count, fallback, one, number(LONG_VALUE_MAX)}},
      {"zsh", zsh, R"~(\((\d+-\d+)\))~", {size, count}},
      {"fish", fish, R"~(\((\d+-\d+)|default (\d+))~", {size, count, fallback}},
      {"fuzz dictionary", dictionary, "\n\"(\\d+)\"",
       {number(PASSWORD_COUNT_MIN - 1), number(PASSWORD_SIZE_MIN - 1), number(PASSWORD_SIZE_MIN),
        number(PASSWORD_SIZE_MAX), number(PASSWORD_SIZE_MAX + 1), number(PASSWORD_COUNT_MAX),
        number(PASSWORD_COUNT_MAX + 1), "4294967300", "2147483648"}},
      {"man page", MAN, R"~(\.TH TOLVANE 1 \S+ "tolvane ([^"]*)")~", {TOLVANE_VERSION}},
      // The banner's line for each stream, as the build writes it; the statuses; the messages' first
      // lines and the two letters a conflict names; the symbols.
      {"man page", MAN, R"~((Random source: [^"]*)")~", {banner(STREAM_NAME_LINUX)}},
      {"security.md", security, R"~("(Random source: [^"]*)" on Linux, "([^"]*)" or "([^"]*)")~",
       {banner(STREAM_NAME_LINUX) + "-" + banner(STREAM_NAME_ARC4RANDOM, as_named) + "-" + banner(STREAM_NAME_WIN32, as_named)}},
      {"README", usage, R"~(status is (\d+), or (-\d+) \(a POSIX shell shows (\d+)\)[^,]*, or (\d+) when)~", {ok + "-" + wrong + "-" + shown + "-" + failed}},
      {"man page", section(MAN, ".SH EXIT STATUS", ".SH EX"), R"~(\n\.B (-?\d+)\n(\w+)|shows this status as (\d+); on Windows it is (-?\d+))~",
       {ok + "-Passwords", wrong + "-The", shown + "-" + wrong, failed + "-Standard"}},
      {"man page", section(MAN, ".SH DIAGNOSTICS", ".SH "), R"~(\.B (Error: [^\n]*)(?:\n\.B (-\w)\nwith\n\.BR (-\w))?)~",
       captured(std::string(MSG_INVALID_PARAMETER) + MSG_CASE_CONFLICT + MSG_RULES_CONFLICT + MSG_WRITE_ERROR + MSG_RANDOM_ERROR,
                R"~((Error: [^\n]*)\n(?:You cannot combine (-\w) [^\n]* with\s+(-\w))?)~")},
      {"README", usage, "the (\\d+) symbols below|The symbols are `([^`]*)`", {n, symbols}},
      {"man page", MAN, "the (\\d+) symbols\n?(?:\\.B (.*))?", {n, n + "-" + symbols}},
  };
  // clang-format on
  for (const Row& row : rows)
    EXPECT_EQ(captured(row.text, row.pattern), row.expected)
        << row.text_name << ": " << row.pattern;
  const std::set<std::string> help_names = captured(help, "\n--" + NAME);
  EXPECT_TRUE(std::includes(names.begin(), names.end(), help_names.begin(), help_names.end()));
}

// Every claim the man page makes of how an argument is read, made of the parser: "X is Y" and
// "X means Y", "X gives N" (the size), "X works", that X is invalid or out of range, and that X
// prints the help text.
TEST(Texts, TheManPageSaysHowArgumentsAreRead) {
  std::size_t claims = 0;
  const auto each = [&](const char* pattern, auto check) {
    const std::regex re(pattern);
    for (std::sregex_iterator m(MAN.begin(), MAN.end(), re), end; m != end; ++m, ++claims) {
      SCOPED_TRACE(m->str());
      check(*m);
    }
  };
  each(R"~(\n\.B ([^\n]+)\n(?:is|means)\n\.BR? "?([^"\n]*?)"? [,.;](?=\n))~",
       [&](const std::smatch& m) {
         const Options a = parse(words_of(m[1])), b = parse(words_of(m[2]));
         EXPECT_EQ(std::tie(a.status, a.size, a.count, a.flags, a.message),
                   std::tie(b.status, b.size, b.count, b.flags, b.message));
       });
  each(R"~(\n\.B (\S+)\n(?:gives (?:size )?(\d+)|works))~", [&](const std::smatch& m) {
    const Options options = parse(words_of(m[1]));
    EXPECT_EQ(options.message, nullptr);
    EXPECT_TRUE(!m[2].matched || options.size == std::stoi(m[2]));
  });
  each(
      R"~(((?:\n\.B [^\n]+(?:\nand)?)+)\nare (?:as invalid as(\n\.BR \S+)|out of range|invalid)|So is(\n\.BR \S+))~",
      [&](const std::smatch& m) {
        for (const std::string& arg : captured(m.str(), R"~(\.BR? ([^ \n]+))~"))
          EXPECT_EQ(parse(words_of(arg)).message, MSG_INVALID_PARAMETER) << arg;
      });
  each(R"~(\n\.B "?(?:tolvane )?([^"\n]*)"?\nprints the help text)~",
       [&](const std::smatch& m) { EXPECT_EQ(parse(words_of(m[1])).message, HELP_TEXT); });
  EXPECT_EQ(claims, 18u);  // every claim the page makes today: none the patterns miss
}

}  // namespace
