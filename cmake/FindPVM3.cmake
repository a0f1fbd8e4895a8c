# SPDX-License-Identifier: MIT
# Finds PVM 3 (Debian: pvm-dev) and gives the imported target PVM3::pvm3.
#
#   find_package(PVM3 REQUIRED)
#
# Sets PVM3_FOUND, PVM3_INCLUDE_DIR and PVM3_LIBRARY. A target that links PVM3::pvm3 when PVM
# was not found fails at configure time, not as a bare -lpvm3 at link time.
find_path(PVM3_INCLUDE_DIR pvm3.h PATH_SUFFIXES pvm3)
find_library(PVM3_LIBRARY pvm3)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(PVM3 REQUIRED_VARS PVM3_LIBRARY PVM3_INCLUDE_DIR)
mark_as_advanced(PVM3_INCLUDE_DIR PVM3_LIBRARY)

if(PVM3_FOUND AND NOT TARGET PVM3::pvm3)
  add_library(PVM3::pvm3 UNKNOWN IMPORTED)
  set_target_properties(PVM3::pvm3 PROPERTIES
    IMPORTED_LOCATION "${PVM3_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${PVM3_INCLUDE_DIR}")
endif()
