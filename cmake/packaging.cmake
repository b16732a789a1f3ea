# The Windows zip, CPack's. The Debian package (debian/) and the RPM build from their own source
# packages, through the install alone.
if(WIN32)
  set(CPACK_PACKAGE_NAME tolvane)
  set(CPACK_PACKAGE_VENDOR "the tolvane authors")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print random passwords")
  set(CPACK_STRIP_FILES ON)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "tolvane-${PROJECT_VERSION}-win64")
  include(CPack)
endif()
# What CI, the package builds and the checks read for the version.
file(WRITE ${PROJECT_BINARY_DIR}/version.txt "${PROJECT_VERSION}\n")
