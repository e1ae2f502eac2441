# The desktop entry and icon that `cmake --install` adds to the programs and the sample data
# (their rules sit with their targets), and the Debian package that `cpack -G DEB` makes of the
# installed tree. Tests and benchmarks have no install rules, so they stay out of both.
include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/phonebook.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/phonebook.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME phonebook)
set(CPACK_PACKAGE_VENDOR "Tarnwell Software")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Telephone directory of Verbolinsk and its district")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Pick a street, an organisation or a district exchange and read the matching"
    "telephone numbers in a grid with striped rows, conditional formatting, column"
    "search and sorting. Comes with the sample directory tables.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarnwell Software <phonebook@tarnwell-software.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the programs link come from dpkg-shlibdeps; the Qt platform plugin is loaded at
# run time, so no link names it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Cyrillic text, and the Tahoma face the grid's dialogs ask for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, fonts-wine, qt6-translations-l10n")
include(CPack)
