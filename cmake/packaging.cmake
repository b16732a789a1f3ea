# The Debian package and the RPM (the Windows zip on Windows), of the configured build; what each
# installs of its own is in packaging/cpack.cmake.
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "the tolvane authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print random passwords")
set(CPACK_PACKAGE_CONTACT "the tolvane authors <tolvane@users.noreply.invalid>")
set(CPACK_STRIP_FILES ON)
if(TOLVANE_RANDOM_SOURCE STREQUAL "system")
  set(source_description "This build draws from the operating system's secure random source, so
its passwords are fit for real secrets.")
else()
  set(source_description "This build seeds its generator from the clock, so the same moment gives
the same passwords: it is for checking known answers, never for secrets.")
endif()
# Debian shows each line as it is: none may pass 80 columns.
set(CPACK_PACKAGE_DESCRIPTION "tolvane prints random passwords of 4 to 32 characters from letters,
digits and symbols, optionally with a required digit and without runs of equal
or neighbouring characters.
${source_description}")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "tolvane-${PROJECT_VERSION}-win64")
else()
  set(CPACK_GENERATOR DEB RPM)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/cpack.cmake)
  set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/tolvane/tolvane")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  # On-demand loading of the bash completion is bash-completion's.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)  # the first package of this version: 1.2.0-1
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # A cross build's packages are labelled with the machine they are for, not CPack's default of
  # the machine that built them (dpkg --print-architecture, uname -m): dpkg would otherwise put an
  # s390x program on amd64 and refuse it on s390x. The compiler names its target as a GNU
  # triplet, which dpkg-architecture turns into Debian's name (i686-linux-gnu: i386,
  # aarch64-linux-gnu: arm64); where it cannot, packaging/cpack.cmake makes no Debian package.
  # RPM's name is the processor's own, as the toolchain file gives it (i686, aarch64, s390x).
  # packaging/check-arch.sh holds each label against the packaged program.
  if(CMAKE_CROSSCOMPILING)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine OUTPUT_VARIABLE CPACK_TOLVANE_TARGET
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND dpkg-architecture -t ${CPACK_TOLVANE_TARGET} -qDEB_HOST_ARCH
                    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    set(CPACK_RPM_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
  endif()
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  # The same build as an RPM: tolvane-1.2.0-1.x86_64.rpm.
  set(CPACK_RPM_PACKAGE_RELEASE 1)
  set(CPACK_RPM_PACKAGE_LICENSE MIT)
  set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
  set(CPACK_RPM_PACKAGE_VENDOR "${CPACK_PACKAGE_VENDOR}")
  set(CPACK_RPM_PACKAGE_SUMMARY "Print random passwords")
  set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
  # No /usr/lib/.build-id links: the program is the package's only file that is not a text. With
  # SOURCE_DATE_EPOCH set, the build time and every file's time are at most the commit's, and the
  # build host is not recorded: two builds in two folders give the same files.
  set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}
%define _build_id_links none
%global use_source_date_epoch_as_buildtime 1
%global clamp_mtime_to_source_date_epoch 1
%define _buildhost reproducible")
  set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
  set(CPACK_RPM_CHANGELOG_FILE ${PROJECT_SOURCE_DIR}/packaging/rpm/changelog)
  set(CPACK_PACKAGE_RELOCATABLE OFF)
  set(CPACK_RPM_PACKAGE_RELOCATABLE OFF)
  # Kept out of the doc files, so an install without documentation still has it.
  set(CPACK_RPM_USER_FILELIST "%license /usr/share/licenses/tolvane/LICENSE")
  # Folders the system's own packages own (filesystem, which glibc needs). The completions'
  # folders belong to shells the package does not require, so it owns them too, and rpm -e takes
  # them away when they are left empty.
  set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1
      /usr/share/licenses)
endif()
include(CPack)
# What CI and the package checks read for the version.
file(WRITE ${PROJECT_BINARY_DIR}/version.txt "${PROJECT_VERSION}\n")

