# 64-bit Arm (Debian's arm64), with Debian's aarch64 cross compiler and its arm64 packages
# (dpkg --add-architecture arm64). The programs run under qemu-user (qemu-user-static), which
# CTest puts before every test program, and the end-to-end tests before the programs they start;
# the dynamic loader and libraries it loads are the multiarch ones in /lib/aarch64-linux-gnu.
#   cmake -S . -B build-arm64 --toolchain cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(tolvane_triplet aarch64-linux-gnu)
set(tolvane_emulated ON)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
