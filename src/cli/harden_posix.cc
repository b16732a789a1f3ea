#include "cli/harden.h"

#include <signal.h>
#include <sys/resource.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

void harden_process() {
  // A crash must not write the key or a password to disk: no core at all, and on Linux not even
  // one a core_pattern pipe would take, which ignores the size limit.
  const rlimit no_core{0, 0};
  (void)setrlimit(RLIMIT_CORE, &no_core);
#if defined(__linux__)
  (void)prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
  // As PostgreSQL does: at a file-size limit a write then fails with EFBIG, and the output path
  // keeps whole lines and reports it, where SIGXFSZ would kill the run with a cut password.
  (void)signal(SIGXFSZ, SIG_IGN);
  // Memory is locked where secrets lie, the random source's region and what the run fills of
  // the output block (lock_memory): locking every mapping (mlockall) cost a sixth of a
  // one-password run, a price every run would pay.
}
