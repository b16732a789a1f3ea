# Read by cpack for each package format: the Debian package alone installs the files only Debian
# reads (its changelog and lintian override).
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_CUSTOM_INSTALL_VARIABLES "TOLVANE_DEBIAN_PACKAGE=ON")
endif()
