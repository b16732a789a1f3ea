// Small helpers the tests share for reading what was written.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

// Everything written to file, read back from its start.
inline std::string read_whole_file(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char block[65536];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;)
    text.append(block, n);
  return text;
}

// The lines of text without their newlines; text must end with one.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "output does not end with a newline";
  return lines;
}
