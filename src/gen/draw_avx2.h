// The draw, 32 characters at a time where the processor has AVX2: the next few hundred indexes
// the stream holds are made characters and flag bits at once, and the passwords are cut from
// them, each with no branch on what it drew but where the sequence rule takes out two characters
// running.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gen/avx2.h"
#include "gen/generator.h"

#if defined(TOLVANE_AVX2)
// What draw_chars does, for up to lines passwords of size characters, each followed by a newline,
// one after another from out, which has room for 2 * PASSWORD_SIZE_MAX from the last one's start:
// a draw may write past its password's end. Stops early at a password that lacks a class in
// wanted, which is drawn but has no newline, its state bits in seen. Returns how many lines are
// done; takes from the stream exactly the indexes drawing them one by one would.
std::int32_t draw_lines_avx2(const Pool& pool, bool no_sequences, char* out, std::int32_t lines,
                             std::size_t size, std::uint8_t wanted, std::uint8_t& seen);

// Forgets what was made ahead: the stream was drawn from by other means (the repairs), or the run
// is over. The characters made ahead are wiped.
void draw_avx2_forget();
#endif
