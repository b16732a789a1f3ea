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
  if (options.message != nullptr) {
    return finish_output(report_message(options, write_stdout));
  }
  const Generated generated = generate_passwords(options, write_stdout);
  if (generated == Generated::random_failed) {
    (void)write_stderr(MSG_RANDOM_ERROR);  // nowhere left to report a failure of this one
  }
  // finish_output also tells of a write that failed
  return finish_output(generated == Generated::all ? STATUS_OK : STATUS_FAILURE);
}
