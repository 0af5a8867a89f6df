# kestrune_add_qtest(<name> SOURCES <files...> LIBRARIES <targets...>)
#
# Builds one Qt Test executable and registers it with ctest. Widget tests
# run on the offscreen platform so that no display is needed.
function(kestrune_add_qtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test Kestrune::options ${ARG_LIBRARIES})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false")
endfunction()
