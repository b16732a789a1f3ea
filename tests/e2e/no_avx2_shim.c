/* A processor without AVX2, as the C library tells the program: its answer for the leaf that
 * holds AVX2, with that bit cleared, so that the program runs its plain draw as such a processor
 * would. In C, so that it brings no library of its own, whose start and end would move what the
 * program leaves on the stack. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sys/platform/x86.h>

typedef const struct cpuid_feature* (*leaf_function)(unsigned int);

const struct cpuid_feature* __x86_get_cpuid_feature_leaf(unsigned int leaf) {
  static struct cpuid_feature without;
  const unsigned int bits_a_leaf = 8 * sizeof(unsigned int) * 4;
  const leaf_function next = (leaf_function)dlsym(RTLD_NEXT, "__x86_get_cpuid_feature_leaf");
  const struct cpuid_feature* real = next(leaf);
  if (leaf != x86_cpu_AVX2 / bits_a_leaf) {
    return real;
  }
  without = *real;
  const unsigned int bit = x86_cpu_AVX2 % bits_a_leaf;
  without.active_array[bit / 32] &= ~(1u << (bit % 32));
  return &without;
}
