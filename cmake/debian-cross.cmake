# What the toolchain files of Debian's cross compilers share (i686-linux-gnu.cmake,
# s390x-linux-gnu.cmake, aarch64-linux-gnu.cmake): the compiler of the triplet tolvane_triplet,
# and the target's libraries from Debian's multiarch packages (libsodium-dev:<arch>,
# libgtest-dev:<arch>, .ci/deps), which live beside the machine's own under /usr, in folders of
# their own (in /usr/lib/<tolvane_multiarch>, the triplet where that is not set). A machine this one
# cannot run (tolvane_emulated) runs its programs under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
if(NOT tolvane_multiarch)
  set(tolvane_multiarch ${tolvane_triplet})
endif()
if(NOT tolvane_qemu)
  set(tolvane_qemu qemu-${CMAKE_SYSTEM_PROCESSOR}-static)
endif()
if(tolvane_emulated)
  find_program(TOLVANE_QEMU ${tolvane_qemu} REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVANE_QEMU})
endif()
set(CMAKE_C_COMPILER ${tolvane_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${tolvane_triplet}-g++)

# The find_ commands look in /usr/lib/<multiarch> first, and take the machine's programs.
set(CMAKE_LIBRARY_ARCHITECTURE ${tolvane_multiarch})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
# pkg-config reads the target's .pc files alone, never the machine's (which name amd64's
# libraries); the variable reaches every pkg-config run of the configure, its checks included.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${tolvane_multiarch}/pkgconfig:/usr/share/pkgconfig)
