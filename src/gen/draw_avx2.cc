#include "gen/draw_avx2.h"

#if defined(TOLVANE_AVX2)
#include <algorithm>
#include <array>
#include <bit>

#include "gen/random.h"
#include "gen/wipe.h"

namespace {

// How many indexes are made ahead at once, and the first time, when a run may be one password.
constexpr std::size_t AHEAD = RANDOM_PEEK_MAX;
constexpr std::size_t AHEAD_FIRST = 64;
// One password's reach: its characters and the ones the sequence rule takes out in their place.
constexpr std::size_t WINDOW = 64;
constexpr std::size_t WORDS = AHEAD / 64;

// The indexes made ahead, as characters, and as bits: bit k of a mask is the character at k.
// Each mask has a word more than it needs, so that a window starting in its last word reads one.
struct Ahead {
  alignas(32) std::array<char, AHEAD + WINDOW> chars;
  std::array<std::uint64_t, WORDS + 1> flagged;  // neighbours the character before it
  // Follows a flagged one, and is flagged too or neighbours the character before that one: where
  // the flags no longer say alone which characters the rule takes out.
  std::array<std::uint64_t, WORDS + 1> tangled;
  std::array<std::uint64_t, WORDS + 1> letters;
  std::array<std::uint64_t, WORDS + 1> digits;
};
Ahead ahead;
std::size_t ahead_next = 0;  // where the next password starts: the stream's next index
std::size_t ahead_end = 0;   // how many are made; none after a forget
std::size_t ahead_size = AHEAD_FIRST;

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

// The bits of the characters of c that neighbour the one kShift places before them, before
// being the 32 characters ahead of c.
template <int kShift>
[[gnu::target("avx2")]] std::uint32_t neighbour_bits(__m256i c, __m256i before) {
  // The second half of before and the first of c: what the shift brings into each half of c.
  const __m256i carried = _mm256_permute2x128_si256(c, before, 0x03);
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

// Makes the next indexes ahead, from the stream's next one on: their characters, and the bits.
// The first index's flags compare it with whatever came before; a password starts there, and
// the first character of a password is never taken out.
[[gnu::target("avx2")]] std::size_t make_ahead(const Pool& pool) {
  const RowTables tables = row_tables(pool);
  const std::size_t size = ahead_size;
  const std::uint8_t* const indexes = random_peek(pool.n, size);
  const auto* const rows = reinterpret_cast<const __m256i*>(indexes);  // NOLINT
  auto* const chars = reinterpret_cast<__m256i*>(ahead.chars.data());  // NOLINT
  const auto both = [](std::uint32_t low, std::uint32_t high) {
    return low | static_cast<std::uint64_t>(high) << 32;
  };
  const __m256i folded = _mm256_set1_epi8(0x20);
  __m256i before = _mm256_setzero_si256();
  std::uint64_t flagged_before = 0;
  for (std::size_t word = 0; word < size / 64; ++word) {
    const __m256i low = chars_of(tables, _mm256_loadu_si256(rows + 2 * word));
    const __m256i high = chars_of(tables, _mm256_loadu_si256(rows + 2 * word + 1));
    _mm256_store_si256(chars + 2 * word, low);
    _mm256_store_si256(chars + 2 * word + 1, high);
    const std::uint64_t flagged =
        both(neighbour_bits<1>(low, before), neighbour_bits<1>(high, low));
    const std::uint64_t second = both(neighbour_bits<2>(low, before), neighbour_bits<2>(high, low));
    ahead.flagged[word] = flagged;
    ahead.tangled[word] = (flagged << 1 | flagged_before >> 63) & (flagged | second);
    ahead.letters[word] = both(among_bits(_mm256_or_si256(low, folded), 'a', 26),
                               among_bits(_mm256_or_si256(high, folded), 'a', 26));
    ahead.digits[word] = both(among_bits(low, '0', 10), among_bits(high, '0', 10));
    before = high;
    flagged_before = flagged;
  }
  const std::size_t last = size / 64;
  ahead.flagged[last] = ahead.tangled[last] = ahead.letters[last] = ahead.digits[last] = 0;
  ahead_next = 0;
  ahead_end = size;
  ahead_size = AHEAD;
  return size;
}

// The 64 bits of mask from bit at on.
std::uint64_t bits_from(const std::array<std::uint64_t, WORDS + 1>& mask, std::size_t at) {
  const std::size_t word = at / 64;
  const unsigned shift = at % 64;
  return mask[word] >> shift | mask[word + 1] << 1 << (63 - shift);
}

[[gnu::target("avx2")]] void copy_32(const char* from, char* to) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),                               // NOLINT
                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));  // NOLINT
}

// Which characters of the window at chars the sequence rule takes out, given flagged, those that
// neighbour the character before them (never the first: it stays). A flagged one follows a kept
// one, so it goes; then the ones after it are tested against that kept one until one stays,
// after which the flags hold again.
std::uint64_t dropped_in(std::uint64_t flagged, const char* chars) {
  std::uint64_t dropped = 0;
  while (flagged != 0) {
    const auto j = static_cast<std::size_t>(std::countr_zero(flagged));
    const auto before = static_cast<unsigned char>(chars[j - 1]);
    dropped |= 1ull << j;
    std::size_t k = j + 1;
    for (; k < WINDOW && are_neighbours(before, static_cast<unsigned char>(chars[k])); ++k) {
      dropped |= 1ull << k;
    }
    flagged = k + 1 >= WINDOW ? 0 : flagged & ~0ull << (k + 1);
  }
  return dropped;
}

// One password at out, from the characters made ahead: next is where it starts and end how many
// are made, copies the caller keeps in registers for a run of passwords. (make_ahead and
// draw_avx2_forget keep the globals too, so that a run that fails wipes all that was made.)
[[gnu::target("avx2,popcnt"), gnu::always_inline]] inline std::uint8_t draw_one(
    const Pool& pool, bool no_sequences, char* out, std::size_t size, std::size_t& next,
    std::size_t& end) {
  if (end - next < WINDOW) {
    end = make_ahead(pool);
    next = 0;
  }
  const std::size_t at = next;
  const char* const chars = ahead.chars.data() + at;
  // The password ends at its size-th character kept: the first size, and one more for each taken
  // out before the end. One round settles it unless one of those more is taken out too.
  std::uint64_t dropped = 0;
  const auto taken_with = [&](std::size_t taken) {
    const std::uint64_t before = taken >= WINDOW ? ~0ull : (1ull << taken) - 1;
    return size + static_cast<std::size_t>(std::popcount(dropped & before));
  };
  const auto end_of_password = [&] {
    std::size_t taken = taken_with(size);
    for (std::size_t further = taken_with(taken); further != taken && taken <= WINDOW;
         further = taken_with(taken)) {
      taken = further;
    }
    return std::min(taken, WINDOW);
  };
  std::size_t taken = size;
  if (no_sequences) {
    const std::uint64_t flagged = bits_from(ahead.flagged, at) & ~1ull;
    // The first character of a password is never flagged, so neither is the one after it tangled.
    const std::uint64_t tangled = bits_from(ahead.tangled, at) & ~3ull;
    // Where no flagged character is followed by one flagged too, or by a neighbour of the one
    // before it, each flag takes out its own character and no other: so for nineteen passwords
    // in twenty, looking as far as eight characters past the password's end. The others, and
    // those that reach further, are walked.
    const std::uint64_t reach = (1ull << (size + 8)) - 1;
    const bool walk = (tangled & reach) != 0;
    dropped = walk ? dropped_in(flagged, chars) : flagged;
    taken = end_of_password();
    if (!walk && taken > size + 8) {
      dropped = dropped_in(flagged, chars);
      taken = end_of_password();
    }
  }
  random_take(taken);
  next = at + taken;
  const std::uint64_t in_password = taken == WINDOW ? ~0ull : (1ull << taken) - 1;
  const std::uint64_t kept = in_password & ~dropped;
  // The characters up to the first taken out, then from each one after it on, each copy writing
  // over the end of the one before: a copy for each taken out, and they are few.
  copy_32(chars, out);
  std::size_t gone_before = 0;
  for (std::uint64_t gone = dropped & in_password; gone != 0; gone &= gone - 1) {
    const auto from = static_cast<std::size_t>(std::countr_zero(gone)) + 1;
    copy_32(chars + from, out + from - ++gone_before);
  }
  std::size_t i = taken - gone_before;
  std::uint8_t seen = (bits_from(ahead.letters, at) & kept) != 0 ? FLAG_SAW_LETTER : 0;
  if ((bits_from(ahead.digits, at) & kept) != 0) {
    seen |= FLAG_SAW_DIGIT;
  }
  if (i < size) {
    // Fewer than size kept of 64: the rest one by one, as draw_chars does, from the last kept.
    unsigned lowest = static_cast<unsigned char>(out[i - 1]) - 1u;
    while (i < size) {
      const std::size_t length = size - i;
      for (const std::uint8_t *index = random_run(pool.n, length), *const last = index + length;
           index != last; ++index) {
        const auto c = static_cast<unsigned char>(pool.chars[*index]);
        if (c - lowest > 2u) {
          out[i++] = static_cast<char>(c);
          lowest = c - 1u;
          seen |= char_class(static_cast<char>(c));
        }
      }
    }
    draw_avx2_forget();
    next = end = 0;
  }
  return seen;
}

}  // namespace

[[gnu::target("avx2,popcnt")]] std::int32_t draw_lines_avx2(const Pool& pool, bool no_sequences,
                                                            char* out, std::int32_t lines,
                                                            std::size_t size, std::uint8_t wanted,
                                                            std::uint8_t& seen) {
  std::size_t next = ahead_next;
  std::size_t end = ahead_end;
  std::int32_t done = 0;
  for (; done < lines; ++done, out += size + 1) {
    seen = draw_one(pool, no_sequences, out, size, next, end);
    if ((seen & wanted) != wanted) {
      break;
    }
    out[size] = '\n';
  }
  ahead_next = next;
  return done;
}

void draw_avx2_forget() {
  wipe({ahead.chars.data(), ahead_end});
  for (auto* mask : {&ahead.flagged, &ahead.tangled, &ahead.letters, &ahead.digits}) {
    wipe_bytes(std::span<std::uint64_t>(*mask));
  }
  ahead_next = ahead_end = 0;
  ahead_size = AHEAD_FIRST;
}
#endif
