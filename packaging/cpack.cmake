# Read by cpack for each package format: each package installs the files of its own system (the
# Debian package its changelog and lintian override, the RPM its licence and zsh folder).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_CUSTOM_INSTALL_VARIABLES "TOLVANE_PACKAGE=deb")
elseif(CPACK_GENERATOR STREQUAL "RPM")
  set(CPACK_CUSTOM_INSTALL_VARIABLES "TOLVANE_PACKAGE=rpm")
endif()
