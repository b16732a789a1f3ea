# 32-bit x86 with Debian's i686 cross compiler and its i386 packages (dpkg --add-architecture
# i386): the programs run on an x86-64 machine as they are, so their tests run as on amd64, where
# its kernel runs 32-bit programs at all. Some do not (no IA-32 emulation, as in some virtual
# machines): i386's own loader, itself a 32-bit program, tells, and there they run under qemu-user.
#   cmake -S . -B build-i386 --toolchain cmake/i686-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(tolvane_triplet i686-linux-gnu)
set(tolvane_multiarch i386-linux-gnu)
execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE runs_i386 OUTPUT_QUIET ERROR_QUIET)
if(NOT runs_i386 EQUAL 0)
  set(tolvane_emulated ON)
  set(tolvane_qemu qemu-i386-static)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
