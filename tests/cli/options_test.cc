// What a run that ends in a message writes, and how a failed write changes the run's status.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "text_util.h"

namespace {

TEST(VersionBanner, HasTheVersionAndTheBuildDateAndTime) {
  const std::regex shape(
      "\ntolvane Version 1\\.2\\.0\nBuilt on [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4} at "
      "[0-2][0-9]:[0-5][0-9]:[0-6][0-9]\n\n");
  EXPECT_TRUE(std::regex_match(VERSION_BANNER, shape)) << VERSION_BANNER;
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
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    Options options;
    options.message = row.message;
    options.status = row.status;
    EXPECT_EQ(report_message(options, out), row.status);
    EXPECT_EQ(read_whole_file(out), std::string(VERSION_BANNER) + row.message);
    std::fclose(out);
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

TEST(FinishOutput, KeepsStatusWhenEverythingWasWritten) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);
  std::fputs("abc\n", out);
  EXPECT_EQ(finish_output(STATUS_PARAMETER_ERROR, out, err), STATUS_PARAMETER_ERROR);
  EXPECT_EQ(finish_output(STATUS_OK, out, err), STATUS_OK);
  EXPECT_EQ(read_whole_file(out), "abc\n");
  EXPECT_EQ(read_whole_file(err), "");
  std::fclose(out);
  std::fclose(err);
}

#ifdef __linux__
TEST(FinishOutput, FailedWriteBecomesStatusOneWithOneLineOnStandardError) {
  for (const std::int32_t status : {STATUS_OK, STATUS_PARAMETER_ERROR}) {
    std::FILE* full = std::fopen("/dev/full", "w");
    std::FILE* err = std::tmpfile();
    ASSERT_NE(full, nullptr);
    ASSERT_NE(err, nullptr);
    std::fputs("a password\n", full);  // stays in the buffer until the flush fails
    EXPECT_EQ(finish_output(status, full, err), STATUS_WRITE_ERROR);
    EXPECT_EQ(read_whole_file(err), "Error: Cannot write to standard output.\n");
    std::fclose(full);
    std::fclose(err);
  }
}
#endif

}  // namespace
