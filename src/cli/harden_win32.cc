// Windows writes no core dump of a console program unless asked, has no file-size signal, and
// VirtualLock would need the working set raised first: there is nothing to set here today.
#include "cli/harden.h"

void harden_process() {}
