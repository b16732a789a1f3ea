// Standard output as tolvane writes it: whole blocks handed to the system until every byte is
// taken, a first failure that ends all writing, and a close that is checked. Every byte tolvane
// prints takes this path; tests hand the generator and report_message writers of their own.
#pragma once

#include <cstdint>
#include <string_view>

// The real writer. Finishes partial writes, retries after an interrupted call, and waits while a
// non-blocking pipe, socket or terminal is full, but never without end. Any other failure is
// final: this and every later call return false without writing. A regular file never keeps a
// cut line (POSIX): at a size limit only the whole lines that fit are written, and after any
// other failure the file is cut back to its last whole line, where it still ends with tolvane's
// bytes. The signals that end a run are held back for each write to a regular file, so they end
// it at a whole line.
bool write_stdout(std::string_view block);

// Writes text to standard error, the place for the few texts that are not standard output's. A
// regular file (2>&1 into the one standard output fills) gets whole lines only, as above.
// Returns whether all of text went out.
bool write_stderr(std::string_view text);

// Closes standard output and returns status, or STATUS_FAILURE with its text on standard
// error when a write failed or the close did (some file systems report a lost write only then).
std::int32_t finish_output(std::int32_t status);

// Each platform's own part (output_posix.cc, output_win32.cc), under the three above: write_lines
// writes block to fd and says whether all of it went out; close_fd says whether the close held.
bool write_lines(int fd, std::string_view block);
bool close_fd(int fd);
