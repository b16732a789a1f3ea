# 32-bit x86 with Debian's i686 cross compiler and its i386 packages (dpkg --add-architecture
# i386): the programs run on an x86-64 machine as they are, so their tests run as on amd64.
#   cmake -S . -B build-i386 --toolchain cmake/i686-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(tolvane_triplet i686-linux-gnu)
set(tolvane_multiarch i386-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
