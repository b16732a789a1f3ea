# libsodium, as distributions link it: the shared library that pkg-config's libsodium.pc names,
# so the library's security updates reach the program without a rebuild. Defines
# Sodium::sodium. -DCMAKE_DISABLE_FIND_PACKAGE_Sodium=ON builds as where it is missing.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(Sodium QUIET IMPORTED_TARGET libsodium)
else()
  message(STATUS "pkg-config not found, through which libsodium is looked for: apt-get install pkg-config")
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Sodium REQUIRED_VARS Sodium_LINK_LIBRARIES
                                  VERSION_VAR Sodium_VERSION)
if(Sodium_FOUND AND NOT TARGET Sodium::sodium)
  add_library(Sodium::sodium ALIAS PkgConfig::Sodium)
endif()
