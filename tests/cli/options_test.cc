// What a run that ends in a message writes.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

TEST(VersionBanner, HasTheVersionTheBuildDateAndTimeAndTheSystemSource) {
  const std::regex shape(
      "\ntolvane Version 1\\.2\\.0\nBuilt on [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} at "
      "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n"
#if !defined(TOLVANE_SYSTEM_RANDOM)
      "\n");
#elif defined(_WIN32)
      "Random source: operating system \\(BCryptGenRandom\\)\n\n");
#else
      "Random source: operating system \\(ChaCha20\\)\n\n");
#endif
  EXPECT_TRUE(std::regex_match(VERSION_BANNER, shape)) << VERSION_BANNER;
}

std::string reported;

bool write_to_string(std::string_view block) {
  reported.append(block);
  return true;
}

TEST(ReportMessage, WritesBannerThenMessageAndReturnsStatus) {
  struct Row {
    const char* message;
    std::int32_t status;
  };
  const Row rows[] = {{HELP_TEXT, STATUS_OK},
                      {VERSION_MESSAGE, STATUS_OK},
                      {MSG_INVALID_PARAMETER, STATUS_PARAMETER_ERROR},
                      {MSG_CASE_CONFLICT, STATUS_PARAMETER_ERROR},
                      {MSG_RULES_CONFLICT, STATUS_PARAMETER_ERROR}};
  for (const Row& row : rows) {
    Options options;
    options.message = row.message;
    options.status = row.status;
    reported.clear();
    EXPECT_EQ(report_message(options, write_to_string), row.status);
    EXPECT_EQ(reported, std::string(VERSION_BANNER) + row.message);
  }
}

TEST(SetParameterError, RecordsTextAndStatus) {
  Options options;
  options.message = HELP_TEXT;
  EXPECT_EQ(set_parameter_error(options, MSG_CASE_CONFLICT), STATUS_PARAMETER_ERROR);
  EXPECT_EQ(options.message, MSG_CASE_CONFLICT);
  EXPECT_EQ(options.status, STATUS_PARAMETER_ERROR);
  EXPECT_EQ(set_invalid_parameter(options), STATUS_PARAMETER_ERROR);
  EXPECT_EQ(options.message, MSG_INVALID_PARAMETER);
}

}  // namespace
