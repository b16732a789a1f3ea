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
  // Comment lines, and zsh's exclusion lists ('(-a --alpha ...)'), offer nothing.
  const auto code = [](const char* path) { return replace(file(path), "(^|\n)\\s*#[^\n]*"); };
  // clang-format off
  const std::string help = HELP_TEXT, readme = file("/README.md"),
      usage = section(readme, "\n## Usage", "\n## "), security = file("/doc/security.md"),
      dictionary = file("/fuzz/options.dict"), bash = code("/completions/tolvane.bash"),
      fish = code("/completions/tolvane.fish"),
      zsh = replace(code("/completions/_tolvane"), R"('\([^)]*\)')"),
      e2e_help = section(file("/tests/e2e/e2e_test.cc"), "HELP = R\"(", ")\";");
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
      // The banner's name for each stream, from cmake/random_source.cmake's table.
      {"man page", MAN, R"~(Random source: operating system \(([^)]*)\))~", {STREAM_NAME_LINUX}},
      {"security.md", security,
       R"~(Random source: operating system\s+\(([^)]*)\)" on Linux, "\(([^)]*)\)" or "\(([^)]*)\)")~",
       {STREAM_NAME_LINUX "-" STREAM_NAME_ARC4RANDOM "-" STREAM_NAME_WIN32}},
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
