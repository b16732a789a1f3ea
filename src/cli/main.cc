// tolvane: prints random passwords, or the banner and a message when asked for help or the
// version, or when the command line is wrong.
#include "cli/harden.h"
#include "cli/options.h"
#include "cli/output.h"
#include "gen/generator.h"

int main(int argc, char** argv) {
  harden_process();
  Options options;
  parse_arguments(options, argc, argv);
  const std::int32_t status = options.message != nullptr
                                  ? report_message(options, write_stdout)
                                  : generate_passwords(options, write_stdout, write_stderr);
  return finish_output(status);  // which also tells of a write that failed
}
