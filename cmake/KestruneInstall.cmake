# Installation and the Debian package.
#
#   cmake --install build --prefix /usr/local
#   cd build && cpack -G DEB
include(GNUInstallDirs)

set(KESTRUNE_APP_ID org.example.kestrune)

# Man pages and the Debian changelog go into the package gzip-compressed,
# without name or time stamp (-n) so that every build gives the same bytes.
find_program(KESTRUNE_GZIP gzip REQUIRED)
set(kestrune_compressed)
function(kestrune_gzip source name)
    set(plain "${PROJECT_BINARY_DIR}/packaging/${name}")
    add_custom_command(OUTPUT "${plain}.gz"
        COMMAND ${CMAKE_COMMAND} -E copy "${source}" "${plain}"
        COMMAND ${KESTRUNE_GZIP} -n9 -f "${plain}"
        DEPENDS "${source}"
        COMMENT "Compressing ${name}"
        VERBATIM)
    set(kestrune_compressed ${kestrune_compressed} "${plain}.gz" PARENT_SCOPE)
endfunction()

# kestrune-sim's page is made from its hand-written sections and the option
# table that --help lists.
set(KESTRUNE_SIM_MANPAGE "${PROJECT_BINARY_DIR}/docs/man/kestrune-sim.1")
add_custom_command(OUTPUT "${KESTRUNE_SIM_MANPAGE}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/docs/man"
    COMMAND kestrune-sim-manpage "${PROJECT_SOURCE_DIR}/docs/man/kestrune-sim.1.in"
            "${KESTRUNE_SIM_MANPAGE}"
    DEPENDS kestrune-sim-manpage "${PROJECT_SOURCE_DIR}/docs/man/kestrune-sim.1.in"
    COMMENT "Making the man page of kestrune-sim"
    VERBATIM)

set(man_pages)
foreach(program kestrune kestrune-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        if(program STREQUAL "kestrune-sim")
            kestrune_gzip("${KESTRUNE_SIM_MANPAGE}" ${program}.1)
        else()
            kestrune_gzip("${PROJECT_SOURCE_DIR}/docs/man/${program}.1" ${program}.1)
        endif()
        list(APPEND man_pages "${PROJECT_BINARY_DIR}/packaging/${program}.1.gz")
    endif()
endforeach()
kestrune_gzip("${PROJECT_SOURCE_DIR}/packaging/changelog.Debian" changelog.Debian)
add_custom_target(kestrune_packaging_files ALL DEPENDS ${kestrune_compressed})

install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES "${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz"
              "${PROJECT_SOURCE_DIR}/packaging/copyright"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrune)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/lintian-overrides"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kestrune)

if(TARGET kestrune)
    install(FILES "${PROJECT_SOURCE_DIR}/Res/${KESTRUNE_APP_ID}.desktop"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES "${PROJECT_SOURCE_DIR}/Res/${KESTRUNE_APP_ID}.metainfo.xml"
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 16 32 48 64 128)
        install(FILES "${PROJECT_SOURCE_DIR}/Res/icons/kestrune-${size}.png"
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME kestrune.png)
    endforeach()
endif()

set(CPACK_PACKAGE_NAME kestrune)
set(CPACK_PACKAGE_VENDOR "The Kestrune project")
set(CPACK_PACKAGE_CONTACT "The Kestrune project <kestrune@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fuzzy Logic Control simulation")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kestrune is a desktop program for studying a three-position fuzzy-logic
controller. It simulates a fixed second-order discrete plant, sampled every
0.2 s, inside a feedback loop and shows, for a step of the setpoint, the
responses of the plain closed loop, of the loop through a PID controller and
of the loop through the fuzzy controller on one chart. The controller's fuzzy
sets, the PID gains, the amplification, the modelling time and the target
value are set in one panel; the membership functions redraw with every edit.

The package also holds kestrune-sim, which computes the same runs without the
window and writes the samples, step-response metrics or the fuzzy
controller's decisions as CSV, and draws the window's charts and the
controller's decision surface as PNG, SVG or PDF figures without a display,
for scripts and lab reports, and the Python package kestrune, which runs
them from a notebook into numpy arrays and spreads sweeps of up to six
parameters over a Dask cluster.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# A package revision of its own: the package carries a Debian changelog
# (changelog.Debian.gz), which goes with a non-native version.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python package: shlibdeps finds the libraries its module links, not
# the interpreter it loads into or numpy, which it needs at import.
if(TARGET kestrune_python)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${KESTRUNE_PYTHON_DEPENDS}")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-distributed, python3-matplotlib")
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A package ships its programs without symbols; the build tree keeps them
# for debugging.
set(CPACK_STRIP_FILES ON)
include(CPack)
