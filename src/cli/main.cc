// tolvane: prints random passwords, or the banner and a message when asked for help or the
// version, or when the command line is wrong.
#include "cli/options.h"
#include "gen/generator.h"

int main(int argc, char** argv) {
  Options options;
  parse_arguments(options, argc, argv);
  std::int32_t status = STATUS_OK;
  if (options.message != nullptr) {
    status = report_message(options);
  } else {
    generate_passwords(options);
  }
  return finish_output(status);
}
