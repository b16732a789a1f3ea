/* A processor without AVX or AVX2, as the C library tells the program: its answer for each leaf,
 * with those bits cleared, so that the program runs its plain draw, and wipes the registers, as
 * such a processor would. In C, so that it brings no library of its own, whose start and end
 * would move what the program leaves on the stack. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sys/platform/x86.h>

typedef const struct cpuid_feature* (*leaf_function)(unsigned int);

enum { BITS_A_LEAF = 8 * sizeof(unsigned int) * 4, LEAVES = 16 };

const struct cpuid_feature* __x86_get_cpuid_feature_leaf(unsigned int leaf) {
  static struct cpuid_feature without[LEAVES];
  static const unsigned int hidden[] = {x86_cpu_AVX, x86_cpu_AVX2};
  const leaf_function next = (leaf_function)dlsym(RTLD_NEXT, "__x86_get_cpuid_feature_leaf");
  const struct cpuid_feature* real = next(leaf);
  if (leaf >= LEAVES) {
    return real;
  }
  without[leaf] = *real;
  for (unsigned int i = 0; i < sizeof hidden / sizeof hidden[0]; ++i) {
    if (hidden[i] / BITS_A_LEAF == leaf) {
      const unsigned int bit = hidden[i] % BITS_A_LEAF;
      without[leaf].active_array[bit / 32] &= ~(1u << (bit % 32));
    }
  }
  return &without[leaf];
}
