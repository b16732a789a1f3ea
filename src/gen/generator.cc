#include "gen/generator.h"

#include <algorithm>
#include <numeric>

#include "gen/memory.h"
#include "gen/random.h"

// The draw asks for at most one password's characters at a time.
static_assert(RUN_MAX == PASSWORD_SIZE_MAX);

// c - (previous - 1) is 0, 1 or 2 for the codes from previous - 1 to previous + 1; any other c
// makes it larger, one below previous - 1 by wrapping round in unsigned arithmetic.
bool are_neighbours(unsigned char previous, unsigned char c) {
  return c - (previous - 1u) <= 2u;
}

namespace {

// The block of passwords being filled. Not on the stack: there the whole 64 KiB would be touched
// page by page on entry (stack clash protection), which for one short password costs more than
// making it; here a run touches, and locks, only the pages it fills. Pages of its own, so that
// nothing else's lock stands in for its own.
// tests/e2e/no_password_in_memory_test.sh reads it by this name.
alignas(4096) std::array<char, OUTPUT_BLOCK_SIZE> block;

// The state bits the characters of text set: arithmetic rather than a table, so that the compiler
// can test many characters at once. Setting bit 5 folds the capitals onto the small letters, and
// nothing else onto them.
std::uint8_t class_bits(std::string_view text) {
  return std::accumulate(text.begin(), text.end(), std::uint8_t{0}, [](std::uint8_t bits, char c) {
    const auto code = static_cast<std::uint8_t>(c);
    const bool letter = static_cast<std::uint8_t>((code | 0x20u) - 'a') < 26u;
    const bool digit = static_cast<std::uint8_t>(code - '0') < 10u;
    return static_cast<std::uint8_t>(bits | (letter ? FLAG_SAW_LETTER : 0) |
                                     (digit ? FLAG_SAW_DIGIT : 0));
  });
}

void append(Pool& pool, std::string_view set) {
  std::copy(set.begin(), set.end(), pool.chars.begin() + pool.n);
  pool.n += static_cast<std::int32_t>(set.size());
}

// Draws every character of password from the pool, under the sequence rule when asked: a template
// argument, so that neither loop tests it per character. The runs are no longer than the
// characters still to draw, so every index taken is used, in the order taken: the same
// characters as drawing them one by one.
template <bool kNoSequences>
bool draw_chars(const Pool& pool, std::span<char> password) {
  char* out = password.data();
  char* const end = out + password.size();
  // Under -q, are_neighbours(previous, c), with previous - 1 worked out once per character kept
  // rather than once per draw. Before the first character it is 0 - 1: code 0 is in no pool, nor
  // is code 1, its neighbour.
  unsigned below_previous = ~0u;
  while (out != end) {
    const auto count = static_cast<std::size_t>(end - out);
    const std::uint8_t* run = random_run(pool.n, count);
    if (run == nullptr) {
      return false;
    }
    for (const std::uint8_t* const run_end = run + count; run != run_end; ++run) {
      const auto c = static_cast<unsigned char>(pool.chars[*run]);
      if constexpr (kNoSequences) {
        if (c - below_previous <= 2u) {
          continue;
        }
        below_previous = c - 1u;
      }
      *out++ = static_cast<char>(c);
    }
  }
  return true;
}

// Plants the digit and the letter a drawn password lacks, by the state bits of what was drawn.
bool repair_password(const Options& options, std::span<char> password) {
  if ((options.flags & FLAG_REQUIRE_DIGIT) != 0 && (options.flags & FLAG_SAW_DIGIT) == 0 &&
      !plant_random_char(password, DIGIT_SET)) {
    return false;
  }
  return (options.flags & FLAG_SAW_LETTER) != 0 ||
         plant_random_char(password,
                           (options.flags & FLAG_LOWER_ONLY) != 0 ? LOWER_SET : UPPER_SET);
}

// The lines of one block at out. Never inlined, so that the draw loop has the registers to
// itself: inlined into main, the exact source's state was kept on the stack, a store and a load
// in the chain of every draw, and the heaviest run took 1.6 times as long.
[[gnu::noinline]] bool fill_block(Options& options, const Pool& pool, std::span<char> out,
                                  std::size_t size) {
  for (std::size_t at = 0; at < out.size(); at += size + 1) {
    if (!make_password(options, pool, out.subspan(at, size))) {
      return false;
    }
    out[at + size] = '\n';
  }
  return true;
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

bool plant_random_char(std::span<char> password, std::string_view set) {
  const std::int32_t c = random_index(static_cast<std::int32_t>(set.size()));
  if (c < 0) {
    return false;
  }
  const std::int32_t pos = random_index(static_cast<std::int32_t>(password.size()));
  if (pos >= 0) {
    password[static_cast<std::size_t>(pos)] = set[static_cast<std::size_t>(c)];
  }
  return pos >= 0;
}

bool keeps_rules(std::string_view password, std::uint8_t flags) {
  const auto neighbours = [](char previous, char c) {
    return are_neighbours(static_cast<unsigned char>(previous), static_cast<unsigned char>(c));
  };
  if ((flags & FLAG_NO_SEQUENCES) != 0 &&
      std::adjacent_find(password.begin(), password.end(), neighbours) != password.end()) {
    return false;
  }
  const std::uint8_t seen = class_bits(password);
  const bool digit_ok = (flags & FLAG_REQUIRE_DIGIT) == 0 || (seen & FLAG_SAW_DIGIT) != 0;
  return (seen & FLAG_SAW_LETTER) != 0 && digit_ok;
}

bool make_password(Options& options, const Pool& pool, std::span<char> password) {
  // The classes a password must hold: a letter always, a digit under -r.
  const auto wanted = static_cast<std::uint8_t>(
      FLAG_SAW_LETTER | ((options.flags & FLAG_REQUIRE_DIGIT) != 0 ? FLAG_SAW_DIGIT : 0));
  for (;;) {
    const bool drawn = (options.flags & FLAG_NO_SEQUENCES) != 0 ? draw_chars<true>(pool, password)
                                                                : draw_chars<false>(pool, password);
    if (!drawn) {
      return false;
    }
    options.flags |= class_bits({password.data(), password.size()});
    const bool lacks_a_class = (options.flags & wanted) != wanted;
    const bool planted = lacks_a_class && repair_password(options, password);
    options.flags &= OPTION_FLAGS;  // the state bits live for one password
    if (!lacks_a_class) {
      return true;  // drawn under the rules with every class: it keeps them all
    }
    if (!planted) {
      return false;  // the source failed in a repair
    }
    // A plant may have taken the only letter or digit, or made a pair -q forbids: such a password
    // is drawn again, the stream running on, so that what tolvane prints keeps every rule.
    if (keeps_rules({password.data(), password.size()}, options.flags)) {
      return true;
    }
  }
}

Generated write_passwords(Options& options, WriteFn write) {
  const Pool pool = build_pool(options.flags);
  // Whole lines go out in large blocks: one write per 64 KiB, never one per line, and never a
  // line cut at a block's end, so a run that ends early leaves only whole passwords behind.
  // Once written, or abandoned, a block is wiped: no password outlives its write in this
  // process's memory.
  const auto size = static_cast<std::size_t>(options.size);
  const auto lines_per_block = static_cast<std::int32_t>(OUTPUT_BLOCK_SIZE / (size + 1));
  const auto lines_at_most = static_cast<std::size_t>(std::min(options.count, lines_per_block));
  (void)lock_memory(block.data(), lines_at_most * (size + 1));
  for (std::int32_t left = options.count; left > 0; left -= lines_per_block) {
    const auto lines = static_cast<std::size_t>(std::min(left, lines_per_block));
    const std::span<char> lines_block(block.data(), lines * (size + 1));
    const bool filled = fill_block(options, pool, lines_block, size);
    const bool written = filled && write({lines_block.data(), lines_block.size()});
    wipe(lines_block.data(), lines_block.size());
    if (!filled) {
      return Generated::random_failed;
    }
    if (!written) {
      return Generated::write_failed;
    }
  }
  return Generated::all;
}

Generated generate_passwords(Options& options, WriteFn write) {
  // The source locks its key before the block is locked: under a lock limit too small for both,
  // the key stays locked.
  const Generated generated =
      random_start() ? write_passwords(options, write) : Generated::random_failed;
  random_finish();
  return generated;
}
