# libsodium, as its static library: linked in, the program loads nothing beyond the C library.
# Defines Sodium::sodium. -DCMAKE_DISABLE_FIND_PACKAGE_Sodium=ON builds as where it is missing.
find_path(Sodium_INCLUDE_DIR sodium.h)
find_library(Sodium_LIBRARY NAMES libsodium.a)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Sodium REQUIRED_VARS Sodium_LIBRARY Sodium_INCLUDE_DIR)
if(Sodium_FOUND AND NOT TARGET Sodium::sodium)
  add_library(Sodium::sodium STATIC IMPORTED)
  set_target_properties(Sodium::sodium PROPERTIES IMPORTED_LOCATION "${Sodium_LIBRARY}"
                        INTERFACE_INCLUDE_DIRECTORIES "${Sodium_INCLUDE_DIR}")
endif()
