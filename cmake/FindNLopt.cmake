# Finds NLopt, the library of derivative-free optimisers, with its C++
# header nlopt.hpp, and offers it as the imported target NLopt::NLopt.
#
# Debian ships the C library and its pkg-config module nlopt in libnlopt-dev
# and the header in libnlopt-cxx-dev; the plain header/library search is the
# fallback for installs without pkg-config.

find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(PC_NLOPT QUIET nlopt)
endif()

find_path(NLopt_INCLUDE_DIR
    NAMES nlopt.hpp
    HINTS ${PC_NLOPT_INCLUDE_DIRS})

find_library(NLopt_LIBRARY
    NAMES nlopt
    HINTS ${PC_NLOPT_LIBRARY_DIRS})

set(NLopt_VERSION "${PC_NLOPT_VERSION}")

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(NLopt
    REQUIRED_VARS NLopt_LIBRARY NLopt_INCLUDE_DIR
    VERSION_VAR NLopt_VERSION)

if(NLopt_FOUND AND NOT TARGET NLopt::NLopt)
    add_library(NLopt::NLopt UNKNOWN IMPORTED)
    set_target_properties(NLopt::NLopt PROPERTIES
        IMPORTED_LOCATION "${NLopt_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${NLopt_INCLUDE_DIR}")
endif()

mark_as_advanced(NLopt_INCLUDE_DIR NLopt_LIBRARY)
