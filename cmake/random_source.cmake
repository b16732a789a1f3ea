# Where the random values come from. The program of TOLVANE_RANDOM_SOURCE is the one installed;
# the tests build and check both sources in every tree that can build them.
#
# Each source is a library, tolvane_random_<source>, that a program links beside the rest
# (tolvane_core), which is compiled once for both: the source is chosen at link time alone. The
# system source's name is the stream's, below.

set(TOLVANE_RANDOM_SOURCE system CACHE STRING
    "Random source: system (the OS's secure source) or lcg (clock-seeded, exact and reproducible: \
for known answers and reproducing a run, never for secrets)")
set_property(CACHE TOLVANE_RANDOM_SOURCE PROPERTY STRINGS system lcg)
if(NOT TOLVANE_RANDOM_SOURCE MATCHES "^(lcg|system)$")
  message(FATAL_ERROR "TOLVANE_RANDOM_SOURCE must be system or lcg, not '${TOLVANE_RANDOM_SOURCE}'")
endif()

# The system source's bytes come from one of three streams, a file each. auto takes the best this
# machine has: libsodium's ChaCha20 over one kernel key on Linux, else the C library's arc4random
# (glibc 2.36 on, the BSDs, macOS), BCryptGenRandom on Windows.
set(TOLVANE_SYSTEM_STREAM auto CACHE STRING
    "The system source's stream: auto (the best found), linux, win32 or arc4random")
set_property(CACHE TOLVANE_SYSTEM_STREAM PROPERTY STRINGS auto linux win32 arc4random)
if(NOT TOLVANE_SYSTEM_STREAM MATCHES "^(auto|linux|win32|arc4random)$")
  message(FATAL_ERROR "TOLVANE_SYSTEM_STREAM must be auto, linux, win32 or arc4random")
endif()

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_package(Sodium)
endif()
if(NOT WIN32)
  # -DTOLVANE_HAVE_ARC4RANDOM=OFF answers for a C library without it.
  include(CheckSymbolExists)
  check_symbol_exists(arc4random_buf stdlib.h TOLVANE_HAVE_ARC4RANDOM)
endif()
set(system_stream ${TOLVANE_SYSTEM_STREAM})
if(system_stream STREQUAL "auto")
  if(WIN32)
    set(system_stream win32)
  elseif(Sodium_FOUND)
    set(system_stream linux)
  elseif(TOLVANE_HAVE_ARC4RANDOM)
    set(system_stream arc4random)
  else()
    set(system_stream "")
  endif()
elseif((system_stream STREQUAL "linux" AND NOT Sodium_FOUND) OR
       (system_stream STREQUAL "arc4random" AND NOT TOLVANE_HAVE_ARC4RANDOM) OR
       (system_stream STREQUAL "win32" AND NOT WIN32))
  message(FATAL_ERROR "TOLVANE_SYSTEM_STREAM=${system_stream} is not available here")
endif()
# Never the clock-seeded build in silence: a password generator built with no options must not
# print predictable passwords. (The leading space keeps CMake from breaking the line.)
if(NOT system_stream AND TOLVANE_RANDOM_SOURCE STREQUAL "system")
  message(FATAL_ERROR " No secure random source found: install libsodium (libsodium-dev; \
libsodium-devel on Fedora), or build the exact, reproducible program knowingly with -DTOLVANE_RANDOM_SOURCE=lcg (never for secrets)")
elseif(NOT system_stream)
  message(STATUS "No secure random source found: only the exact build and its tests are built")
endif()

# The libsodium wrapper is built wherever libsodium is, for its tests, whichever stream is chosen.
if(Sodium_FOUND)
  add_library(tolvane_chacha20 STATIC src/gen/chacha20.cc)
  target_include_directories(tolvane_chacha20 PUBLIC src)
  target_link_libraries(tolvane_chacha20 PUBLIC tolvane_flags Sodium::sodium)
endif()

# The clock seeds the exact source alone: the system program holds no clock code.
add_library(tolvane_random_lcg STATIC src/gen/random_lcg.cc src/gen/clock.cc)
set(tolvane_sources lcg)
if(system_stream)
  add_library(tolvane_random_system STATIC src/gen/random_system.cc
              src/gen/system_stream_${system_stream}.cc)
  set_target_properties(tolvane_random_system PROPERTIES TOLVANE_STREAM ${system_stream})
  target_link_libraries(tolvane_random_system PUBLIC tolvane_memory)
  if(system_stream STREQUAL "linux")
    target_link_libraries(tolvane_random_system PUBLIC tolvane_chacha20)
  elseif(system_stream STREQUAL "win32")
    target_link_libraries(tolvane_random_system PUBLIC bcrypt)
  endif()
  list(APPEND tolvane_sources system)
endif()
foreach(source IN LISTS tolvane_sources)
  target_include_directories(tolvane_random_${source} PUBLIC src ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(tolvane_random_${source} PUBLIC tolvane_flags)
endforeach()

# Each stream's name, written here alone: the configure message, the system program's banner
# (random_source_name.h, for random_system.cc) and random_source.txt take it from here. That
# file's two lines, the stream and the name the banner gives, are for the scripts that check a
# program's banner.
set(stream_name_linux "ChaCha20, libsodium")
set(stream_name_win32 BCryptGenRandom)
set(stream_name_arc4random arc4random)
if(system_stream)
  set(random_source_name "operating system (${stream_name_${system_stream}})")
endif()
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/random_source_name.h
     CONTENT "#pragma once\n#define TOLVANE_RANDOM_SOURCE_NAME \"${random_source_name}\"\n")
file(WRITE ${PROJECT_BINARY_DIR}/random_source.txt "${system_stream}\n${random_source_name}\n")

# Said at every configure, so that a build tree that still holds lcg (the default of older
# versions) does not go unnoticed.
if(TOLVANE_RANDOM_SOURCE STREQUAL "lcg")
  message(WARNING "tolvane is the exact build (-DTOLVANE_RANDOM_SOURCE=lcg): its passwords follow \
from the clock; for known answers and reproducing a run, never for secrets \
(-DTOLVANE_RANDOM_SOURCE=system builds the program for real secrets)")
else()
  if(system_stream STREQUAL "linux")
    set(stream_library " ${Sodium_VERSION}, linked as ${Sodium_LINK_LIBRARIES}")
  endif()
  message(STATUS "tolvane draws from the operating system: ${stream_name_${system_stream}}${stream_library}")
endif()
