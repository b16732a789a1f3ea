// The long option names in the program's alias table, the man page and both shell completions
// are one and the same set, so that none of them can drift from the others.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "cli/parse.h"

namespace {

std::string read_text(const std::string& path) {
  std::ifstream file(path);
  EXPECT_TRUE(file.good()) << path;
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// text without its comment lines (a first non-blank "#"): a name that only a comment mentions
// is not offered.
std::string without_comments(const std::string& text) {
  std::istringstream lines(text);
  std::string code;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] != '#')
      code += line + "\n";
  }
  return code;
}

// Every "--name" in text, and fish's "-l name"; names start with a letter, so "--" alone and
// "--*" do not count.
std::set<std::string> long_names_in(const std::string& text) {
  static const std::regex name("(?:--|-l )([a-z][a-z_-]*)");
  std::set<std::string> names;
  for (std::sregex_iterator it(text.begin(), text.end(), name), end; it != end; ++it) {
    names.insert((*it)[1].str());
  }
  return names;
}

// zsh's option specs without their exclusion lists ('(-a --alpha ...)'): a name that only an
// exclusion list holds is one that zsh never offers.
std::string without_exclusion_lists(const std::string& text) {
  return std::regex_replace(text, std::regex(R"('\([^)]*\)')"), "");
}

// The option lines of the man page's OPTIONS section, with roff's "\-" read as "-".
std::string man_page_option_lines(const std::string& page) {
  const std::size_t start = page.find(".SH OPTIONS");
  const std::size_t end = page.find(".SS", start);
  std::istringstream section(page.substr(start, end - start));
  std::string lines;
  for (std::string line; std::getline(section, line);) {
    if (line.starts_with(".BR \\-") || line.starts_with(".BI \\-")) {
      lines += std::regex_replace(line, std::regex(R"(\\-)"), "-") + "\n";
    }
  }
  return lines;
}

TEST(LongNames, AliasTableManPageAndCompletionsAgree) {
  std::set<std::string> table;
  for (const LongOptionAlias& alias : long_option_aliases)
    table.emplace(alias.name);
  ASSERT_EQ(table.size(), long_option_aliases.size());

  EXPECT_EQ(long_names_in(man_page_option_lines(read_text(MAN_PAGE))), table) << "man page";
  EXPECT_EQ(long_names_in(without_comments(read_text(BASH_COMPLETION))), table) << "bash";
  EXPECT_EQ(long_names_in(without_exclusion_lists(without_comments(read_text(ZSH_COMPLETION)))),
            table)
      << "zsh";
  EXPECT_EQ(long_names_in(without_comments(read_text(FISH_COMPLETION))), table) << "fish";
}

}  // namespace
