#include "gen/generator.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "gen/random.h"
#include "gen/ssse3.h"
#include "gen/wipe.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The block of passwords being filled. Not on the stack: there the whole 64 KiB would be touched
// page by page on entry (stack clash protection), which for one short password costs more than
// making it; here a run touches only the pages it fills.
// Each password is drawn in place, and a draw may write up to DRAW_ROOM characters from its start:
// the next line overwrites what it wrote past the password's end, and room is left after the
// last.
constexpr std::size_t DRAW_ROOM = PASSWORD_SIZE_MAX + 16;
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

std::uint8_t char_class(char c) {
  return CHAR_CLASS[static_cast<unsigned char>(c)];
}

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

// Equal codes or codes one apart: "cc", "bc", "cb", but also "9:" or "@A". One unsigned
// compare against the lowest neighbour, which the draw loop computes once per position.
bool are_neighbours(unsigned char previous, unsigned char c) {
  return static_cast<unsigned>(c - (previous - 1)) <= 2u;
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

#if defined(TOLVANE_SSSE3)
bool neighbours_at(unsigned char previous, unsigned char c) {
  return static_cast<unsigned>(c - previous + 1) <= 2u;
}

// Which of the first run's length characters, raw, the sequence rule keeps, given flagged, those
// that neighbour the character before them. A flagged one follows a kept one, so it goes; then
// the ones after it are tested against that kept one until one stays, after which the flags hold
// again. Flags are few: about one run in three has none.
std::uint32_t kept_of_run(std::uint32_t flagged, std::uint32_t kept, std::size_t length,
                          const unsigned char* raw) {
  while (flagged != 0) {
    const auto j = static_cast<std::size_t>(std::countr_zero(flagged));
    const unsigned char before = raw[j - 1];  // the first character is never flagged
    kept &= ~(1u << j);
    std::size_t k = j + 1;
    for (; k < length && neighbours_at(before, raw[k]); ++k) {
      kept &= ~(1u << k);
    }
    flagged = k + 1 >= 32 ? 0 : flagged & (~0u << (k + 1));
  }
  return kept;
}

constexpr std::size_t POOL_ROWS = std::tuple_size_v<decltype(Pool::chars)> / 16;
// A vector type's attributes do not survive as a template argument: a plain array, then.
struct RowTables {
  __m256i row[POOL_ROWS];  // NOLINT(modernize-avoid-c-arrays)
};

// The pool's rows of sixteen, each XORed with the row before it, in both halves, for chars_of.
[[gnu::target("avx2")]] RowTables row_tables(const Pool& pool) {
  RowTables tables{};
  const auto* const rows = reinterpret_cast<const __m128i*>(pool.chars.data());  // NOLINT
  __m128i before = _mm_setzero_si128();
  for (std::size_t row = 0; row < POOL_ROWS; ++row) {
    const __m128i chars = _mm_loadu_si128(rows + row);
    tables.row[row] = _mm256_broadcastsi128_si256(_mm_xor_si128(chars, before));
    before = chars;
  }
  return tables;
}

// The pool's characters at 32 indexes, a shuffle a row. Taking 16 from the indexes row by row
// leaves those of earlier rows negative, which the shuffle makes 0; those of later rows look up
// something, which the XOR of the later rows' tables undoes.
[[gnu::target("avx2")]] __m256i chars_of(const RowTables& tables, __m256i index) {
  __m256i c = _mm256_shuffle_epi8(tables.row[0], index);
  for (std::size_t row = 1; row < POOL_ROWS; ++row) {
    index = _mm256_sub_epi8(index, _mm256_set1_epi8(16));
    c = _mm256_xor_si256(c, _mm256_shuffle_epi8(tables.row[row], index));
  }
  return c;
}

// The bits of the characters of c that neighbour the one shift places before them (code 0
// before the first, which nothing neighbours).
template <int kShift>
[[gnu::target("avx2")]] std::uint32_t neighbour_bits(__m256i c) {
  // The first half, moved into the second, with zeros below: what the shift brings in.
  const __m256i carried = _mm256_permute2x128_si256(c, c, 0x08);
  const __m256i previous = _mm256_alignr_epi8(c, carried, 16 - kShift);
  const __m256i d = _mm256_add_epi8(_mm256_sub_epi8(c, previous), _mm256_set1_epi8(1));
  return static_cast<std::uint32_t>(
      _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(d, _mm256_set1_epi8(2)), d)));
}

// The bits of the characters of c among the count from first.
[[gnu::target("avx2")]] std::uint32_t among_bits(__m256i c, char first, char count) {
  const __m256i moved = _mm256_add_epi8(c, _mm256_set1_epi8(static_cast<char>(-128 - first)));
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(
      _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(-128 + count)), moved)));
}

// Draws a password of size characters into out, which has room for DRAW_ROOM: its first run, all
// size indexes at once, each a character by a few shuffles, the neighbours the sequence rule
// flags found at once, and the characters kept packed in order, all without a branch per
// character. The few the rule took out are drawn again one by one, as in draw_chars.
[[gnu::target("avx2")]] std::uint8_t draw_chars_avx2(const Pool& pool, const RowTables& tables,
                                                      bool no_sequences, char* out,
                                                      std::size_t size) {
  const std::uint8_t* const run = random_run(pool.n, size);
  const __m256i c = chars_of(tables, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(run)));  // NOLINT
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), c);  // NOLINT
  const std::uint32_t valid = size == 32 ? ~0u : (1u << size) - 1;
  std::uint32_t kept = valid;
  if (no_sequences) {
    // Each character against the one before it, and against the one before that, which it
    // follows should the one before it go.
    const std::uint32_t flagged = neighbour_bits<1>(c) & valid;
    const std::uint32_t second = neighbour_bits<2>(c);
    // Where no flagged character is followed by one flagged too, or by a neighbour of the one
    // before it, each flag takes out its own character and no other. Nineteen runs in twenty.
    kept = ((flagged << 1) & (flagged | second) & valid) == 0
               ? valid & ~flagged
               : kept_of_run(flagged, valid, size, reinterpret_cast<unsigned char*>(out));  // NOLINT
  }
  std::size_t i = pack_bytes(_mm256_castsi256_si128(c), kept, out);
  i += pack_bytes(_mm256_extracti128_si256(c, 1), kept >> 16, out + i);
  // Setting bit 5 folds the capitals onto the small letters, and nothing else onto them.
  const std::uint32_t letters = among_bits(_mm256_or_si256(c, _mm256_set1_epi8(0x20)), 'a', 26);
  std::uint8_t seen = (letters & kept) != 0 ? FLAG_SAW_LETTER : 0;
  seen |= (among_bits(c, '0', 10) & kept) != 0 ? FLAG_SAW_DIGIT : 0;
  // The first character always stays, so the last kept one is there to go on from.
  unsigned lowest = static_cast<unsigned char>(out[i - 1]) - 1u;
  while (i < size) {
    const std::size_t length = size - i;
    for (const std::uint8_t *next = random_run(pool.n, length), *const end = next + length;
         next != end; ++next) {
      const auto ch = static_cast<unsigned char>(pool.chars[*next]);
      if (ch - lowest > 2u) {
        out[i++] = static_cast<char>(ch);
        lowest = ch - 1u;
        seen |= CHAR_CLASS[ch];
      }
    }
  }
  return seen;
}
#endif

// Plants the digit and the letter a drawn password lacks; returns whether it changed anything.
bool repair_password(const Options& options, std::span<char> password) {
  bool repaired = false;
  if ((options.flags & FLAG_REQUIRE_DIGIT) != 0 && (options.flags & FLAG_SAW_DIGIT) == 0) {
    plant_random_char(password, DIGIT_SET);
    repaired = true;
  }
  if ((options.flags & FLAG_SAW_LETTER) == 0) {
    plant_random_char(password, (options.flags & FLAG_LOWER_ONLY) != 0 ? LOWER_SET : UPPER_SET);
    repaired = true;
  }
  return repaired;
}

}  // namespace

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

// Plants what a drawn password lacks, and says whether it may stand. A password the repairs left
// alone keeps every rule by construction. One they changed may have lost its only letter or
// digit, or gained a forbidden pair: that one is drawn again, the stream running on, so what
// tolvane prints always keeps the rules it was asked for.
[[gnu::always_inline]] inline bool settle_password(Options& options, std::span<char> password) {
  const bool repaired = repair_password(options, password);
  options.flags &= OPTION_FLAGS;
  return !repaired || keeps_rules({password.data(), password.size()}, options.flags);
}

// Fills lines lines at out, each a password of size characters drawn by draw(at, size) and a
// newline. Inlined into each caller, so that the draw is inlined into the loop.
template <typename Draw>
[[gnu::always_inline]] inline void fill_lines_with(Options& options, char* out, std::int32_t lines,
                                                   std::size_t size, const Draw& draw) {
  for (std::int32_t k = 0; k < lines; ++k, out += size + 1) {
    do {
      options.flags |= draw(out, size);
    } while (!settle_password(options, {out, size}));
    out[size] = '\n';
  }
}

#if defined(TOLVANE_SSSE3)
[[gnu::target("avx2")]] void fill_lines_ssse3(Options& options, const Pool& pool, char* out,
                                               std::int32_t lines, std::size_t size) {
  const RowTables tables = row_tables(pool);
  const bool no_sequences = (options.flags & FLAG_NO_SEQUENCES) != 0;
  fill_lines_with(
      options, out, lines, size, [&](char* at, std::size_t length) __attribute__((always_inline)) {
        return draw_chars_avx2(pool, tables, no_sequences, at, length);
      });
}
#endif

// The lines of a block at out, which has room for DRAW_ROOM characters from the last line's start.
void fill_lines(Options& options, const Pool& pool, char* out, std::int32_t lines,
                std::size_t size) {
#if defined(TOLVANE_SSSE3)
  if (ssse3_usable) {
    fill_lines_ssse3(options, pool, out, lines, size);
    return;
  }
#endif
  if ((options.flags & FLAG_NO_SEQUENCES) != 0) {
    fill_lines_with(options, out, lines, size, [&](char* at, std::size_t length) {
      return draw_chars<true>(pool, {at, length});
    });
  } else {
    fill_lines_with(options, out, lines, size, [&](char* at, std::size_t length) {
      return draw_chars<false>(pool, {at, length});
    });
  }
}

}  // namespace

void make_password(Options& options, const Pool& pool, std::span<char> password) {
  std::array<char, DRAW_ROOM> room;
  fill_lines(options, pool, room.data(), 1, password.size());
  std::copy_n(room.data(), password.size(), password.data());
  wipe(room);
}

bool generate_passwords(Options& options, WriteFn write, ClockFn clock) {
  const Pool pool = build_pool(options.flags);
  random_seed(seed_from_clock(clock()));

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
  random_finish();
  return written;
}

void random_source_failed() {
  // The block being filled is never written out, and no password ever passes through the C
  // library's buffers.
  wipe(block_in_use);
  random_finish();
  write_stderr(MSG_RANDOM_ERROR);
  std::exit(STATUS_RANDOM_ERROR);
}
