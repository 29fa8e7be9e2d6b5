# Registers one QtTest executable. Each run gets its own empty home folder and settings
# file, so no test sees another's files or the developer's real settings.
function(kestrivo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE kestrivo_testsupport Qt6::Test ${ARG_LIBRARIES})
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/cmake/run-isolated.sh $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;KESTRIVO_SOURCE_DIR=${CMAKE_SOURCE_DIR};KESTRIVO_BINARY_DIR=${CMAKE_BINARY_DIR}"
        TIMEOUT 600)
endfunction()
