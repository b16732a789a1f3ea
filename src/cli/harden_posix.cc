#include "cli/harden.h"

#include <signal.h>
#include <sys/mman.h>
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
  // Every secret lives in memory mapped by now: the static buffers of the random source and the
  // output block on the main stack, whose mapping already has room for it. Only these mappings
  // are locked, and on Linux only their pages as they are touched, which costs no reading ahead.
  // Never MCL_FUTURE: under RLIMIT_MEMLOCK it would make a later mapping, even the stack's
  // growth into a new one, fail. Where the limit is below the mappings' size nothing is locked.
#if defined(MCL_ONFAULT)
  (void)mlockall(MCL_CURRENT | MCL_ONFAULT);
#else
  (void)mlockall(MCL_CURRENT);
#endif
}
