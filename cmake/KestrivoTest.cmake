# Registers one QtTest executable. Each run gets its own empty home folder and settings
# file, so no test sees another's files or the developer's real settings.
# DISPLAY runs the test on a throwaway X server of its own instead of offscreen: dragging
# with the mouse needs the platform's drag and drop, which offscreen has not.
function(kestrivo_add_test name)
    cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE kestrivo_testsupport Qt6::Test ${ARG_LIBRARIES})
    set(command ${CMAKE_SOURCE_DIR}/cmake/run-isolated.sh $<TARGET_FILE:${name}>)
    set(platform offscreen)
    if(ARG_DISPLAY)
        set(command xvfb-run -a -s "-screen 0 1280x1024x24" ${command})
        set(platform xcb)
    endif()
    add_test(NAME ${name} COMMAND ${command})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=${platform};LANG=C.UTF-8;KESTRIVO_SOURCE_DIR=${CMAKE_SOURCE_DIR};KESTRIVO_BINARY_DIR=${CMAKE_BINARY_DIR}"
        TIMEOUT 600)
endfunction()
