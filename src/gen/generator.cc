#include "gen/generator.h"

#include <algorithm>
#include <cstdlib>

#include "cli/output.h"
#include "gen/avx2.h"
#include "gen/draw_avx2.h"
#include "gen/random.h"
#include "gen/wipe.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The block of passwords being filled. Not on the stack: there the whole 64 KiB would be touched
// page by page on entry (stack clash protection), which for one short password costs more than
// making it; here a run touches only the pages it fills. Each password is drawn in place, and a
// draw may write up to DRAW_ROOM characters from its start: the next line overwrites what it
// wrote past the password's end, and there is room after the last.
constexpr auto DRAW_ROOM = 2 * static_cast<std::size_t>(PASSWORD_SIZE_MAX);
alignas(64) std::array<char, OUTPUT_BLOCK_SIZE + DRAW_ROOM> buffer;
// The part of it being filled, for random_source_failed to wipe on its way out.
std::span<char> block_in_use;

// The state bit each character sets when drawn: a table, because it is asked for every draw.
constexpr std::array<std::uint8_t, 256> CHAR_CLASS = [] {
  std::array<std::uint8_t, 256> table{};
  for (const char c : UPPER_SET) {
    table[static_cast<unsigned char>(c)] = FLAG_SAW_LETTER;
  }
  for (const char c : LOWER_SET) {
    table[static_cast<unsigned char>(c)] = FLAG_SAW_LETTER;
  }
  for (const char c : DIGIT_SET) {
    table[static_cast<unsigned char>(c)] = FLAG_SAW_DIGIT;
  }
  return table;
}();

// The state bits of all of text at once: sixteen characters a few instructions where the
// processor has SSE2, rather than a table load each, and the table for the rest.
std::uint8_t class_bits(std::string_view text) {
  std::uint8_t seen = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  // Moved to start at -128, a class's characters are the ones below -128 + its size (signed).
  const auto among = [](__m128i c, char first, char size) {
    const __m128i moved = _mm_add_epi8(c, _mm_set1_epi8(static_cast<char>(-128 - first)));
    return _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(-128 + size)), moved);
  };
  __m128i letters = _mm_setzero_si128();
  __m128i digits = _mm_setzero_si128();
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));  // NOLINT
    // Setting bit 5 folds the capitals onto the small letters, and nothing else onto them.
    letters = _mm_or_si128(letters, among(_mm_or_si128(c, _mm_set1_epi8(0x20)), 'a', 26));
    digits = _mm_or_si128(digits, among(c, '0', 10));
  }
  if (_mm_movemask_epi8(letters) != 0) {
    seen |= FLAG_SAW_LETTER;
  }
  if (_mm_movemask_epi8(digits) != 0) {
    seen |= FLAG_SAW_DIGIT;
  }
#endif
  for (; i < text.size(); ++i) {
    seen |= char_class(text[i]);
  }
  return seen;
}

void append(Pool& pool, std::string_view set) {
  std::copy(set.begin(), set.end(), pool.chars.begin() + pool.n);
  pool.n += static_cast<std::int32_t>(set.size());
}

// Draws every character of password from the pool, under the sequence rule when asked, and
// returns the state bits of what it drew. This loop is where tolvane spends its time, so the
// rule is a template argument: neither loop tests it per character. The indexes come in runs,
// none longer than the characters still to draw, so every index taken is used, in the order
// taken: the same characters as drawing them one by one.
template <bool kNoSequences>
std::uint8_t draw_chars(const Pool& pool, std::span<char> password) {
  const std::size_t size = password.size();
  if constexpr (!kNoSequences) {
    const std::uint8_t* run = random_run(pool.n, size);
    for (std::size_t i = 0; i < size; ++i) {
      password[i] = pool.chars[run[i]];
    }
  } else {
    // The neighbour test is one unsigned compare against the code below the last character kept,
    // which starts below code 0: no character of the pool is a neighbour of that, so the first
    // always stays.
    unsigned lowest = ~0u;
    for (std::size_t i = 0; i < size;) {
      const std::size_t length = size - i;
      const std::uint8_t* run = random_run(pool.n, length);
      for (const std::uint8_t* const end = run + length; run != end; ++run) {
        const auto c = static_cast<unsigned char>(pool.chars[*run]);
        if (c - lowest > 2u) {
          password[i++] = static_cast<char>(c);
          lowest = c - 1u;
        }
      }
    }
  }
  return class_bits({password.data(), size});
}

// Plants the digit and the letter a drawn password lacks.
void repair_password(const Options& options, std::span<char> password) {
  if ((options.flags & FLAG_REQUIRE_DIGIT) != 0 && (options.flags & FLAG_SAW_DIGIT) == 0) {
    plant_random_char(password, DIGIT_SET);
  }
  if ((options.flags & FLAG_SAW_LETTER) == 0) {
    plant_random_char(password, (options.flags & FLAG_LOWER_ONLY) != 0 ? LOWER_SET : UPPER_SET);
  }
}

}  // namespace

std::uint8_t char_class(char c) {
  return CHAR_CLASS[static_cast<unsigned char>(c)];
}

bool are_neighbours(unsigned char previous, unsigned char c) {
  return static_cast<unsigned>(c - (previous - 1)) <= 2u;
}

Pool build_pool(std::uint8_t flags) {
  Pool pool;
  if ((flags & FLAG_UPPER_ONLY) != 0) {
    append(pool, UPPER_SET);
  } else if ((flags & FLAG_LOWER_ONLY) != 0) {
    append(pool, LOWER_SET);
  } else {
    append(pool, UPPER_SET);
    append(pool, LOWER_SET);
  }
  if ((flags & FLAG_ALPHA_ONLY) == 0) {
    append(pool, DIGIT_SET);
  }
  if ((flags & FLAG_SYMBOLS) != 0) {
    append(pool, SYMBOL_SET);
  }
  return pool;
}

void plant_random_char(std::span<char> password, std::string_view set) {
  const char c = set[static_cast<std::size_t>(random_index(static_cast<std::int32_t>(set.size())))];
  const auto pos =
      static_cast<std::size_t>(random_index(static_cast<std::int32_t>(password.size())));
  password[pos] = c;
}

bool keeps_rules(std::string_view password, std::uint8_t flags) {
  for (std::size_t i = 1; (flags & FLAG_NO_SEQUENCES) != 0 && i < password.size(); ++i) {
    if (are_neighbours(static_cast<unsigned char>(password[i - 1]),
                       static_cast<unsigned char>(password[i]))) {
      return false;
    }
  }
  const std::uint8_t seen = class_bits(password);
  const bool digit_ok = (flags & FLAG_REQUIRE_DIGIT) == 0 || (seen & FLAG_SAW_DIGIT) != 0;
  return (seen & FLAG_SAW_LETTER) != 0 && digit_ok;
}

namespace {

// Fills lines lines at out, each a password of size characters and a newline, drawn by
// draw_lines(at, lines, size, wanted, seen), which stops early at a password that lacks a class
// in wanted. A password the repairs left alone keeps every rule by construction. One they changed
// may have lost its only letter or digit, or gained a forbidden pair: that one is drawn again, the
// stream running on, so what tolvane prints always keeps the rules it was asked for. The repairs
// draw from the stream: forget() is told.
template <typename DrawLines, typename Forget>
void fill_lines_with(Options& options, char* out, std::int32_t lines, std::size_t size,
                     const DrawLines& draw_lines, const Forget& forget) {
  const auto wanted = static_cast<std::uint8_t>(
      FLAG_SAW_LETTER | ((options.flags & FLAG_REQUIRE_DIGIT) != 0 ? FLAG_SAW_DIGIT : 0));
  while (lines > 0) {
    std::uint8_t seen = 0;
    const std::int32_t done = draw_lines(out, lines, size, wanted, seen);
    lines -= done;
    out += static_cast<std::size_t>(done) * (size + 1);
    if (lines == 0) {
      break;  // nothing to repair: by far the most runs
    }
    options.flags |= seen;
    repair_password(options, {out, size});
    options.flags &= OPTION_FLAGS;
    forget();
    if (keeps_rules({out, size}, options.flags)) {
      out[size] = '\n';
      --lines;
      out += size + 1;
    }
  }
}

// The plain draw, a password at a time, as draw_lines.
template <bool kNoSequences>
std::int32_t draw_lines(const Pool& pool, char* out, std::int32_t lines, std::size_t size,
                        std::uint8_t wanted, std::uint8_t& seen) {
  for (std::int32_t done = 0; done < lines; ++done, out += size + 1) {
    seen = draw_chars<kNoSequences>(pool, {out, size});
    if ((seen & wanted) != wanted) {
      return done;
    }
    out[size] = '\n';
  }
  return lines;
}

// The lines of a block at out, which has room for DRAW_ROOM characters from the last line's start.
// Never inlined: what the draws leave in its frame is below its caller's, where wipe_stack
// reaches.
[[gnu::noinline]] void fill_lines(Options& options, const Pool& pool, char* out, std::int32_t lines,
                                  std::size_t size) {
  const bool no_sequences = (options.flags & FLAG_NO_SEQUENCES) != 0;
#if defined(TOLVANE_AVX2)
  if (avx2_usable) {
    fill_lines_with(
        options, out, lines, size,
        [&](char* at, std::int32_t count, std::size_t length, std::uint8_t wanted,
            std::uint8_t& seen) {
          return draw_lines_avx2(pool, no_sequences, at, count, length, wanted, seen);
        },
        draw_avx2_forget);
    return;
  }
#endif
  const auto nothing = [] {};
  if (no_sequences) {
    fill_lines_with(
        options, out, lines, size,
        [&](char* at, std::int32_t count, std::size_t length, std::uint8_t wanted,
            std::uint8_t& seen) { return draw_lines<true>(pool, at, count, length, wanted, seen); },
        nothing);
  } else {
    fill_lines_with(
        options, out, lines, size,
        [&](char* at, std::int32_t count, std::size_t length, std::uint8_t wanted,
            std::uint8_t& seen) {
          return draw_lines<false>(pool, at, count, length, wanted, seen);
        },
        nothing);
  }
}

// The vector registers, which the draws and the C library's copies leave holding characters, and
// which code run at exit may store on the stack; where the processor has AVX, whole.
#if defined(TOLVANE_AVX2)
[[gnu::target("avx")]] void wipe_wide_registers() {
  __asm__ __volatile__("vzeroall");
}
#endif

void wipe_vector_registers() {
#if defined(__SSE2__) && defined(__x86_64__) && defined(__GNUC__)
#if defined(TOLVANE_AVX2)
  if (avx_usable) {
    wipe_wide_registers();
    return;
  }
#endif
  __asm__ __volatile__(
      "xorps %%xmm0, %%xmm0\n xorps %%xmm1, %%xmm1\n xorps %%xmm2, %%xmm2\n"
      "xorps %%xmm3, %%xmm3\n xorps %%xmm4, %%xmm4\n xorps %%xmm5, %%xmm5\n"
      "xorps %%xmm6, %%xmm6\n xorps %%xmm7, %%xmm7\n xorps %%xmm8, %%xmm8\n"
      "xorps %%xmm9, %%xmm9\n xorps %%xmm10, %%xmm10\n xorps %%xmm11, %%xmm11\n"
      "xorps %%xmm12, %%xmm12\n xorps %%xmm13, %%xmm13\n xorps %%xmm14, %%xmm14\n"
      "xorps %%xmm15, %%xmm15" ::
          : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10",
            "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
#endif
}

// What was made ahead of the stream is of the stream just ended, or of one about to be seeded.
void forget_ahead() {
#if defined(TOLVANE_AVX2)
  draw_avx2_forget();
#endif
}

}  // namespace

void make_password(Options& options, const Pool& pool, std::span<char> password) {
  std::array<char, DRAW_ROOM> room;
  forget_ahead();
  fill_lines(options, pool, room.data(), 1, password.size());
  forget_ahead();
  std::copy_n(room.data(), password.size(), password.data());
  wipe(room);
}

bool generate_passwords(Options& options, WriteFn write, ClockFn clock) {
  const Pool pool = build_pool(options.flags);
#if defined(TOLVANE_SYSTEM_RANDOM)
  // The operating system's source has no use for a seed, so the clock is not read: for a short
  // run, a page fault saved.
  (void)clock;
  random_seed(0);
#else
  random_seed(seed_from_clock(clock()));
#endif
  forget_ahead();

  // Whole lines go out in large blocks: one write per 64 KiB, never one per line, and never a
  // line cut at a block's end, so a run that ends early leaves only whole passwords behind.
  // Once written, a block is wiped: no password outlives its write in this process's memory.
  const auto line = static_cast<std::size_t>(options.size) + 1;
  const auto lines_per_block = static_cast<std::int32_t>(OUTPUT_BLOCK_SIZE / line);
  block_in_use = buffer;
  bool written = true;
  for (std::int32_t left = options.count; written && left > 0; left -= lines_per_block) {
    const std::int32_t lines = std::min(left, lines_per_block);
    fill_lines(options, pool, buffer.data(), lines, line - 1);
    const std::span<char> block(buffer.data(), static_cast<std::size_t>(lines) * line);
    written = write({block.data(), block.size()});
    wipe({block.data(), block.size() + DRAW_ROOM});  // and what the last draw wrote past its end
  }
  block_in_use = {};
  forget_ahead();
  random_finish();
  // The draws leave characters in the frames below, spilled from registers, and in registers.
  wipe_stack<8192>();
  wipe_vector_registers();
  return written;
}

void random_source_failed() {
  // The block being filled is never written out, and no password ever passes through the C
  // library's buffers.
  wipe(block_in_use);
  forget_ahead();
  random_finish();
  wipe_stack<8192>();
  wipe_vector_registers();
  write_stderr(MSG_RANDOM_ERROR);
  std::exit(STATUS_RANDOM_ERROR);
}
