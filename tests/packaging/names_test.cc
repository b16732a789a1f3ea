// The long option names in the program's alias table, the man page and the shell completions
// are one and the same set, so that none of them can drift from the others; the man page also
// gives each name the letter the table does.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>

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
  const auto in_name = [](char c, bool first) {
    return (c >= 'a' && c <= 'z') || (!first && (c == '_' || c == '-'));
  };
  std::set<std::string> names;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::size_t start = text.compare(at, 2, "--") == 0    ? at + 2
                              : text.compare(at, 3, "-l ") == 0 ? at + 3
                                                                : text.size();
    if (start >= text.size() || !in_name(text[start], true))
      continue;
    std::size_t end = start;
    while (end < text.size() && in_name(text[end], false))
      ++end;
    names.insert(text.substr(start, end - start));
    at = end - 1;
  }
  return names;
}

// zsh's option definitions without their exclusion lists ('(-a --alpha ...)'): a name that only an
// exclusion list holds is one that zsh never offers.
std::string without_exclusion_lists(std::string text) {
  for (std::size_t open = 0; (open = text.find("'(", open)) != std::string::npos;) {
    const std::size_t close = text.find(')', open);
    if (close != std::string::npos && close + 1 < text.size() && text[close + 1] == '\'')
      text.erase(open, close + 2 - open);
    else
      ++open;
  }
  return text;
}

// Each long name of the man page's OPTIONS section with the letter its line starts with, roff's
// "\-" read as "-".
std::set<std::pair<std::string, char>> man_page_names(const std::string& page) {
  const std::size_t start = page.find(".SH OPTIONS");
  const std::size_t end = page.find(".SS", start);
  std::istringstream section(page.substr(start, end - start));
  std::set<std::pair<std::string, char>> names;
  for (std::string line; std::getline(section, line);) {
    if (line.starts_with(".BR \\-") || line.starts_with(".BI \\-")) {
      for (std::size_t at; (at = line.find("\\-")) != std::string::npos;)
        line.erase(at, 1);
      for (const std::string& name : long_names_in(line))
        names.emplace(name, line[5]);
    }
  }
  return names;
}

TEST(LongNames, AliasTableManPageAndCompletionsAgree) {
  std::set<std::string> table;
  std::set<std::pair<std::string, char>> table_letters;
  for (const LongOptionAlias& alias : long_option_aliases) {
    table.emplace(alias.name);
    table_letters.emplace(alias.name, alias.letter);
  }
  ASSERT_EQ(table.size(), long_option_aliases.size());

  EXPECT_EQ(man_page_names(read_text(MAN_PAGE)), table_letters) << "man page";
  EXPECT_EQ(long_names_in(without_comments(read_text(BASH_COMPLETION))), table) << "bash";
  EXPECT_EQ(long_names_in(without_exclusion_lists(without_comments(read_text(ZSH_COMPLETION)))),
            table)
      << "zsh";
  EXPECT_EQ(long_names_in(without_comments(read_text(FISH_COMPLETION))), table) << "fish";
}

}  // namespace
