# The flags every target of the project compiles and links with (the interface library
# tolvane_flags): warnings, sanitizers and coverage on request, Debian's hardening, and whether
# the programs are optimised across files (ipo_supported).

# Every target compiles with the same warnings and, on request, sanitizers.
add_library(tolvane_flags INTERFACE)
target_compile_options(tolvane_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  $<$<BOOL:${TOLVANE_WERROR}>:-Werror>)
if(TOLVANE_COVERAGE)
  target_compile_options(tolvane_flags INTERFACE -fprofile-instr-generate -fcoverage-mapping)
  target_link_options(tolvane_flags INTERFACE -fprofile-instr-generate)
endif()
if(TOLVANE_FUZZ)
  set(TOLVANE_SANITIZE ON)
  target_compile_options(tolvane_flags INTERFACE -fsanitize=fuzzer-no-link)
endif()
if(TOLVANE_SANITIZE)
  target_compile_options(tolvane_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(tolvane_flags INTERFACE -fsanitize=address,undefined)
endif()
# Each loop starts a 64-byte line of code: the draw loop under -q is some 40 bytes, and where the
# code before it happened to leave it across two lines, the heaviest run took up to 8% longer
# (AMD Zen, whose op cache holds a line's instructions). At the link too, where optimising across
# files makes the code.
target_compile_options(tolvane_flags INTERFACE $<$<CXX_COMPILER_ID:GNU,Clang>:-falign-loops=64>)
target_link_options(tolvane_flags INTERFACE $<$<CXX_COMPILER_ID:GNU,Clang>:-falign-loops=64>)
# File offsets and sizes of 64 bits on a 32-bit machine too (i386), as on a 64-bit one: with the
# C library's 32-bit ones, a file past 2 GiB cannot be measured, and a write to it that failed
# part way would leave its cut line. (The programs then call fstat64, ftruncate64 and the like,
# which the tests' shims catch as well.)
if(NOT WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_compile_definitions(tolvane_flags INTERFACE _FILE_OFFSET_BITS=64)
endif()
# The ELF hardening dpkg-buildflags gives Debian's packages, with the stack clash and control flow
# protection of its newer releases (the latter where the compiler has it for the target: x86).
# The fortified C library calls need optimisation, so a Debug build goes without them.
if(TOLVANE_HARDEN AND NOT WIN32)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  # Level 3 checks a read against a size known only at run time (the key's reads), where the
  # compiler and C library know it (GCC 12, glibc 2.34); where they do not, glibc warns.
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS "-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3 -Werror")
  check_cxx_source_compiles("#include <unistd.h>\nint main() { return 0; }" TOLVANE_FORTIFY_3)
  unset(CMAKE_REQUIRED_FLAGS)
  if(TOLVANE_FORTIFY_3)
    set(fortify_level 3)
  else()
    set(fortify_level 2)
  endif()
  include(CheckCXXCompilerFlag)
  check_cxx_compiler_flag(-fcf-protection TOLVANE_CF_PROTECTION)
  target_compile_options(tolvane_flags INTERFACE -fstack-protector-strong
    -fstack-clash-protection $<$<BOOL:${TOLVANE_CF_PROTECTION}>:-fcf-protection>
    $<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=${fortify_level}>)
  target_link_options(tolvane_flags INTERFACE -Wl,-z,relro,-z,now)
endif()

# The random source lives in its own file so a build can swap it at link time; optimising across
# files still inlines it into the draw loop. Clang's bitcode needs its own linker for that.
set(ipo_supported NO)
if(TOLVANE_LTO AND NOT TOLVANE_SANITIZE)
  include(CheckIPOSupported)
  check_ipo_supported(RESULT ipo_supported OUTPUT ipo_message LANGUAGES CXX)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    find_program(TOLVANE_LLD NAMES ld.lld)
    if(TOLVANE_LLD)
      target_link_options(tolvane_flags INTERFACE -fuse-ld=lld)
    else()
      set(ipo_supported NO)
    endif()
  endif()
endif()

