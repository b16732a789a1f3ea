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
// What draw_chars does, for a password of size characters written at out, which has room for
// 2 * PASSWORD_SIZE_MAX: the draw may write past the password's end. Returns the state bits of
// what it drew; takes from the stream exactly the indexes drawing them one by one would.
std::uint8_t draw_chars_avx2(const Pool& pool, bool no_sequences, char* out, std::size_t size);

// Forgets what was made ahead: the stream was drawn from by other means (the repairs), or the run
// is over. The characters made ahead are wiped.
void draw_avx2_forget();
#endif
