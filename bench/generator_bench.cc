// The generator's core loop: one password per iteration, into memory, for the pools that cost
// the most (symbols widen the pool, -q redraws, -r may draw again after a repair).
#include <benchmark/benchmark.h>

#include <array>

#include "cli/options.h"
#include "gen/generator.h"
#include "gen/random.h"

namespace {

void BM_make_password(benchmark::State& state) {
  Options options;
  options.flags = static_cast<std::uint8_t>(state.range(0));
  options.size = static_cast<std::int32_t>(state.range(1));
  const Pool pool = build_pool(options.flags);
  std::array<char, PASSWORD_SIZE_MAX> password{};
  random_start();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        make_password(options, pool, std::span<char>(password.data(), std::size_t(options.size))));
    benchmark::DoNotOptimize(password.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * (options.size + 1));
}

BENCHMARK(BM_make_password)
    ->ArgNames({"flags", "size"})
    ->Args({0, 8})
    ->Args({0, 32})
    ->Args({FLAG_SYMBOLS, 32})
    ->Args({FLAG_SYMBOLS | FLAG_NO_SEQUENCES, 32})
    ->Args({FLAG_SYMBOLS | FLAG_NO_SEQUENCES | FLAG_REQUIRE_DIGIT, 32})
    ->Args({FLAG_UPPER_ONLY | FLAG_ALPHA_ONLY | FLAG_SYMBOLS, 4});

}  // namespace

BENCHMARK_MAIN();
