# What an installation holds beside the programs and the print-preview library, and the
# Debian package of it all (cpack -G DEB).
set(kestrivo_data ${CMAKE_INSTALL_DATADIR}/kestrivo)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/help/ DESTINATION ${kestrivo_data}/help)
install(FILES ${CMAKE_SOURCE_DIR}/app/eula.txt DESTINATION ${kestrivo_data})
# Every default layout there is, also those added later.
file(GLOB kestrivo_default_layouts CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/app/grid/layouts/*.lyt)
install(FILES ${kestrivo_default_layouts} DESTINATION ${kestrivo_data}/layouts)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrivo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrivo.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrivo)

set(KESTRIVO_PACKAGE_CONTACT "Halvane Kestrivo team <kestrivo@halvane.invalid>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_NAME kestrivo)
set(CPACK_PACKAGE_VENDOR Halvane)
set(CPACK_PACKAGE_CONTACT ${KESTRIVO_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Evaluation forms on handheld units: templates, downloaded evaluations and reports")
set(CPACK_PACKAGE_DESCRIPTION "Kestrivo designs evaluation templates on the PC, sends them to handheld units,
imports the completed evaluations into an SQLite file or a PostgreSQL catalog that several PCs
share, and previews and prints reports. It comes with kestrivo-cli for scripts and
kestrivo-unitsim, a stand-in for the handheld application.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries the programs link are found by dpkg-shlibdeps; what Qt loads at run time
# (the database drivers) and the report font are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "postgresql")
include(CPack)
