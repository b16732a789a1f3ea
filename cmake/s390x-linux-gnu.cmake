# IBM Z, big-endian and 64-bit, with Debian's s390x cross compiler and its s390x packages
# (dpkg --add-architecture s390x). The programs run under qemu-user (qemu-user-static), which
# CTest puts before every test program, and the end-to-end tests before the programs they start;
# the dynamic loader and libraries it loads are the multiarch ones in /lib/s390x-linux-gnu.
#   cmake -S . -B build-s390x --toolchain cmake/s390x-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(tolvane_triplet s390x-linux-gnu)
set(tolvane_emulated ON)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
