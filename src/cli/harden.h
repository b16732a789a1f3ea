// The process's own settings, made first thing in main, before any secret exists: where OpenBSD's
// small tools call pledge. Each platform has its own file (harden_posix.cc, harden_win32.cc),
// chosen by CMake. Every setting is best effort: a system that refuses one still runs tolvane.
#pragma once

// Keeps passwords and key material out of core dumps, and makes a file-size limit a
// failed write that the output path reports, rather than a signal that ends the run mid-line.
void harden_process();
