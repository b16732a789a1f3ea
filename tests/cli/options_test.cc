// What a run that ends in a message writes.
#include "cli/options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_util.h"

namespace {

TEST(VersionBanner, HasTheVersionAndTheBuildDateAndTime) {
  EXPECT_EQ(banner_length(VERSION_BANNER, ""), std::strlen(VERSION_BANNER)) << VERSION_BANNER;
}

TEST(ReportMessage, WritesBannerThenMessageAndReturnsStatus) {
  struct Row {
    const char* message;
    std::int32_t status;
  };
  // clang-format off
  const Row rows[] = {{HELP_TEXT, STATUS_OK}, {VERSION_MESSAGE, STATUS_OK},
      {MSG_INVALID_PARAMETER, STATUS_PARAMETER_ERROR}, {MSG_CASE_CONFLICT, STATUS_PARAMETER_ERROR},
      {MSG_RULES_CONFLICT, STATUS_PARAMETER_ERROR}};
  // clang-format on
  for (const Row& row : rows) {
    const Options options{.status = row.status, .message = row.message};
    written.clear();
    blocks_before_failure = -1;
    EXPECT_EQ(report_message(options, write_to_string), row.status);
    EXPECT_EQ(written, std::string(VERSION_BANNER) + row.message);  // the exact build's banner
    // After the banner failed, the message is not tried: a device that failed may take it.
    blocks_before_failure = 0;
    write_calls = 0;
    EXPECT_EQ(report_message(options, write_to_string), row.status);
    EXPECT_EQ(write_calls, 1);
  }
}

}  // namespace
