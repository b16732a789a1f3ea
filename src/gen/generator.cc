#include "gen/generator.h"

#include <algorithm>
#include <numeric>

#include "gen/random.h"
#include "gen/wipe.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <cpuid.h>
#endif

namespace {

// The block of passwords being filled. Not on the stack: there the whole 64 KiB would be touched
// page by page on entry (stack clash protection), which for one short password costs more than
// making it; here a run touches only the pages it fills.
std::array<char, OUTPUT_BLOCK_SIZE> block;

// The state bits the characters of text set: arithmetic rather than a table, so that the compiler
// can test many characters at once. Setting bit 5 folds the capitals onto the small letters, and
// nothing else onto them.
std::uint8_t class_bits(std::string_view text) {
  const std::uint8_t seen =
      std::accumulate(text.begin(), text.end(), std::uint8_t{0}, [](std::uint8_t bits, char c) {
        const auto code = static_cast<std::uint8_t>(c);
        const bool letter = static_cast<std::uint8_t>((code | 0x20u) - 'a') < 26u;
        const bool digit = static_cast<std::uint8_t>(code - '0') < 10u;
        return static_cast<std::uint8_t>(bits | (letter ? FLAG_SAW_LETTER : 0) |
                                         (digit ? FLAG_SAW_DIGIT : 0));
      });
  return seen;
}

// The sequence rule itself: c is within two codes above lowest, the code below the character
// before it. One unsigned compare: below lowest wraps round to far above.
bool is_neighbour_above(unsigned lowest, unsigned char c) {
  return c - lowest <= 2u;
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
  // The rule's lowest neighbour of the character kept last, from below code 0 at the start: no
  // character of the pool neighbours that, so the first always stays.
  unsigned lowest = ~0u;
  while (out != end) {
    const auto count = static_cast<std::size_t>(end - out);
    const std::uint8_t* run = random_run(pool.n, count);
    if (run == nullptr) {
      return false;
    }
    for (const std::uint8_t* const run_end = run + count; run != run_end; ++run) {
      const auto c = static_cast<unsigned char>(pool.chars[*run]);
      if constexpr (kNoSequences) {
        if (is_neighbour_above(lowest, c)) {
          continue;
        }
        lowest = c - 1u;
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

// The lines of one block at out. Never inlined: what the draws leave in its frame is below its
// caller's, where wipe_stack reaches.
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

// The vector registers, which the C library's copies and the cipher leave holding characters and
// keystream, and which code run at exit may store on the stack. The SSE encoding leaves the upper
// halves of wider registers as they were: where the processor has them, vzeroall clears them.
// 32-bit x86 has eight SSE registers, and libsodium's cipher uses them there too.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
[[gnu::target("avx")]] void wipe_wide_registers() {
  __asm__ __volatile__("vzeroall");
}

[[gnu::target("sse")]] void wipe_sse_registers() {
  __asm__ __volatile__(
      "xorps %%xmm0, %%xmm0\n xorps %%xmm1, %%xmm1\n xorps %%xmm2, %%xmm2\n"
      "xorps %%xmm3, %%xmm3\n xorps %%xmm4, %%xmm4\n xorps %%xmm5, %%xmm5\n"
      "xorps %%xmm6, %%xmm6\n xorps %%xmm7, %%xmm7" ::
          : "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7");
#if defined(__x86_64__)
  __asm__ __volatile__(
      "xorps %%xmm8, %%xmm8\n xorps %%xmm9, %%xmm9\n xorps %%xmm10, %%xmm10\n"
      "xorps %%xmm11, %%xmm11\n xorps %%xmm12, %%xmm12\n xorps %%xmm13, %%xmm13\n"
      "xorps %%xmm14, %%xmm14\n xorps %%xmm15, %%xmm15" ::
          : "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13", "xmm14", "xmm15");
#endif
}

// Whether the system keeps wide registers for this process: one XGETBV.
unsigned wide_state() {
  unsigned low = 0;
  unsigned high = 0;
  __asm__ __volatile__("xgetbv" : "=a"(low), "=d"(high) : "c"(0u));
  return low;
}
#endif

// Which registers there are, from one CPUID asked here at the end: the compiler's own feature
// test asks it many times in a constructor at every start, a tenth of a one-password run where a
// hypervisor answers it.
void wipe_vector_registers() {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
  unsigned eax = 0;
  unsigned ebx = 0;
  unsigned ecx = 0;
  unsigned edx = 0;
  __cpuid(1, eax, ebx, ecx, edx);
  if ((edx & bit_SSE) != 0) {  // all but a processor before the Pentium III
    wipe_sse_registers();
    constexpr unsigned AVX_USABLE = bit_OSXSAVE | bit_AVX;  // the processor has it, and the system
    constexpr unsigned SSE_AND_AVX_STATE = 6;               // saves its registers for this process
    if ((ecx & AVX_USABLE) == AVX_USABLE &&
        (wide_state() & SSE_AND_AVX_STATE) == SSE_AND_AVX_STATE) {
      wipe_wide_registers();
    }
  }
#endif
}

}  // namespace

bool are_neighbours(unsigned char previous, unsigned char c) {
  return is_neighbour_above(previous - 1u, c);
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

bool plant_random_char(std::span<char> password, std::string_view set) {
  const std::int32_t c = random_index(static_cast<std::int32_t>(set.size()));
  const std::int32_t pos = c < 0 ? -1 : random_index(static_cast<std::int32_t>(password.size()));
  if (pos < 0) {
    return false;
  }
  password[static_cast<std::size_t>(pos)] = set[static_cast<std::size_t>(c)];
  return true;
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

// A password the repairs left alone keeps every rule by construction. One they changed may have
// lost its only letter or digit, or gained a forbidden pair: that one is drawn again, the stream
// running on, so what tolvane prints always keeps the rules it was asked for.
bool make_password(Options& options, const Pool& pool, std::span<char> password) {
  const auto wanted = static_cast<std::uint8_t>(
      FLAG_SAW_LETTER | ((options.flags & FLAG_REQUIRE_DIGIT) != 0 ? FLAG_SAW_DIGIT : 0));
  for (;;) {
    const bool drawn = (options.flags & FLAG_NO_SEQUENCES) != 0 ? draw_chars<true>(pool, password)
                                                                : draw_chars<false>(pool, password);
    if (!drawn) {
      return false;
    }
    options.flags |= class_bits({password.data(), password.size()});
    const bool drawn_whole = (options.flags & wanted) == wanted;
    const bool repaired = drawn_whole || repair_password(options, password);
    options.flags &= OPTION_FLAGS;
    if (!repaired) {
      return false;
    }
    if (drawn_whole || keeps_rules({password.data(), password.size()}, options.flags)) {
      return true;
    }
  }
}

std::int32_t generate_passwords(Options& options, WriteFn write, WriteFn write_error,
                                ClockFn clock) {
  const Pool pool = build_pool(options.flags);
#if defined(TOLVANE_SYSTEM_RANDOM)
  // The operating system's source has no use for a seed, so the clock is not read.
  (void)clock;
  bool random_ok = random_seed(0);
#else
  bool random_ok = random_seed(seed_from_clock(clock()));
#endif
  bool written = true;

  // Whole lines go out in large blocks: one write per 64 KiB, never one per line, and never a
  // line cut at a block's end, so a run that ends early leaves only whole passwords behind.
  // Once written, or abandoned, a block is wiped: no password outlives its write in this
  // process's memory.
  const auto size = static_cast<std::size_t>(options.size);
  const auto lines_per_block = static_cast<std::int32_t>(OUTPUT_BLOCK_SIZE / (size + 1));
  for (std::int32_t left = options.count; random_ok && written && left > 0;
       left -= lines_per_block) {
    const auto lines = static_cast<std::size_t>(std::min(left, lines_per_block));
    const std::span<char> lines_block(block.data(), lines * (size + 1));
    random_ok = fill_block(options, pool, lines_block, size);
    written = random_ok && write({lines_block.data(), lines_block.size()});
    wipe(lines_block);
  }
  random_finish();
  // The draws leave characters in the frames below, spilled from registers, and in registers.
  wipe_stack<8192>();
  wipe_vector_registers();
  if (!random_ok) {
    (void)write_error(MSG_RANDOM_ERROR);  // nowhere left to report a failure of this one
    return STATUS_RANDOM_ERROR;
  }
  return written ? STATUS_OK : STATUS_WRITE_ERROR;
}
