# What an installation holds beside the programs and the print-preview library. The Debian
# packages in debian/ are made from this installation.
set(kestrivo_data ${CMAKE_INSTALL_DATADIR}/kestrivo)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/help/ DESTINATION ${kestrivo_data}/help)
install(FILES ${CMAKE_SOURCE_DIR}/app/eula.txt DESTINATION ${kestrivo_data})
# Every default layout there is, also those added later.
file(GLOB kestrivo_default_layouts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/grid/layouts/*.lyt)
install(FILES ${kestrivo_default_layouts} DESTINATION ${kestrivo_data}/layouts)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrivo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrivo.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/com.halvane.kestrivo.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrivo)

# Manual pages in section 1, made from each program's --help and --version, with the name
# line, examples and cross references of packaging/man/PROGRAM.h2m. The programs run without
# a display here, which keeps their --help answering on a machine without one.
find_program(KESTRIVO_HELP2MAN help2man REQUIRED)
set(kestrivo_manpages "")
foreach(program kestrivo kestrivo-cli kestrivo-unitsim)
    set(include ${CMAKE_SOURCE_DIR}/packaging/man/${program}.h2m)
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
            ${KESTRIVO_HELP2MAN} --no-info --include=${include} --output=${page} $<TARGET_FILE:${program}>
        DEPENDS ${program} ${include}
        COMMENT "Writing the manual page of ${program}"
        VERBATIM)
    list(APPEND kestrivo_manpages ${page})
endforeach()
add_custom_target(kestrivo_manpages ALL DEPENDS ${kestrivo_manpages})
install(FILES ${kestrivo_manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
