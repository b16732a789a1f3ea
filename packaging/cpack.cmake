# Read by cpack for each package format: each package installs the files of its own system (the
# Debian package its changelog and lintian override, the RPM its licence and zsh folder).
if(CPACK_GENERATOR STREQUAL "DEB")
  # CPack would label it with this machine's architecture (cmake/packaging.cmake).
  if(CPACK_TOLVANE_TARGET AND NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    message(FATAL_ERROR "No Debian package of this cross build: dpkg-architecture (dpkg-dev) "
                        "names no Debian architecture for ${CPACK_TOLVANE_TARGET}")
  endif()
  set(CPACK_CUSTOM_INSTALL_VARIABLES "TOLVANE_PACKAGE=deb")
elseif(CPACK_GENERATOR STREQUAL "RPM")
  set(CPACK_CUSTOM_INSTALL_VARIABLES "TOLVANE_PACKAGE=rpm")
endif()
