// What the preloaded shims share: the next definition of a function they stand in for, and the
// row of their table of modes that SHIM_MODE names, which says all a shim does in a run.
#pragma once

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

template <typename Fn>
Fn next_definition(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

// A mode no row names is a fault of the test: the run stops at once.
template <typename Mode, std::size_t N>
const Mode& mode_named_in_environment(const Mode (&modes)[N]) {
  const char* name = std::getenv("SHIM_MODE");
  for (const Mode& row : modes)
    if (name != nullptr && std::strcmp(row.name, name) == 0)
      return row;
  std::fprintf(stderr, "shim: no mode \"%s\"\n", name != nullptr ? name : "");
  std::abort();
}
