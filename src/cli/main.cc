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
  std::int32_t status = STATUS_OK;
  if (options.message != nullptr) {
    status = report_message(options, write_stdout);
  } else {
    (void)generate_passwords(options,
                             write_stdout);  // a write that failed is told by finish_output
  }
  return finish_output(status);
}
