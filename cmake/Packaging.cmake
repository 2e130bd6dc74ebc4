# Installing the two programs with their desktop entry and icon, and the
# Debian package over the same install rules (cpack -G DEB).
include(GNUInstallDirs)

install(TARGETS relivox relivox-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/desktop/relivox.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/relivox.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME relivox)
set(CPACK_PACKAGE_VENDOR "Relivox")
set(CPACK_PACKAGE_CONTACT "Relivox maintainers <relivox@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "XYZ elevation point files to one grey-scale mosaic, shown and saved as PNG")
set(CPACK_PACKAGE_DESCRIPTION
    "Relivox reads ASCII elevation point files (x,y,z lines) and zip archives of them, composes every tile into one grey-scale mosaic, shows it in its window and saves it as a PNG image. relivox-batch does the same from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# dpkg-shlibdeps names the runtime packages of the libraries the programs
# link (libqt6widgets6, libpng16-16, libarchive13, ...), never the -dev ones.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)

if(NOT RELIVOX_SANITIZE)
  add_test(NAME package COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-package ${CMAKE_BINARY_DIR})
  set_tests_properties(package PROPERTIES TIMEOUT 300)
endif()
