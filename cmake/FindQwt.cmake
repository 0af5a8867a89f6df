# Finds Qwt 6 built for Qt 5 and offers it as the imported target Qwt::Qwt.
#
# Debian ships it as libqwt-qt5-dev with the pkg-config module Qt5Qwt6; the
# plain header/library search is the fallback for installs without one.

find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(PC_QWT QUIET Qt5Qwt6)
endif()

find_path(Qwt_INCLUDE_DIR
    NAMES qwt_plot.h
    HINTS ${PC_QWT_INCLUDE_DIRS}
    PATH_SUFFIXES qwt qwt-qt5 qwt6)

find_library(Qwt_LIBRARY
    NAMES qwt-qt5 qwt6-qt5 qwt
    HINTS ${PC_QWT_LIBRARY_DIRS})

if(Qwt_INCLUDE_DIR AND EXISTS "${Qwt_INCLUDE_DIR}/qwt_global.h")
    file(STRINGS "${Qwt_INCLUDE_DIR}/qwt_global.h" _qwt_version_line
         REGEX "^#define[ \t]+QWT_VERSION_STR[ \t]+\"")
    string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" Qwt_VERSION "${_qwt_version_line}")
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Qwt
    REQUIRED_VARS Qwt_LIBRARY Qwt_INCLUDE_DIR
    VERSION_VAR Qwt_VERSION)

if(Qwt_FOUND AND NOT TARGET Qwt::Qwt)
    find_package(Qt5 REQUIRED COMPONENTS Core Gui Widgets)
    add_library(Qwt::Qwt UNKNOWN IMPORTED)
    set_target_properties(Qwt::Qwt PROPERTIES
        IMPORTED_LOCATION "${Qwt_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${Qwt_INCLUDE_DIR}"
        INTERFACE_LINK_LIBRARIES "Qt5::Widgets;Qt5::Gui;Qt5::Core")
endif()

mark_as_advanced(Qwt_INCLUDE_DIR Qwt_LIBRARY)
