# Installing the two programs with their desktop entry, icon, manual pages,
# copyright file and changelog, and the Debian package over the same install
# rules (cpack -G DEB).
include(GNUInstallDirs)

# Who answers for the package: its Maintainer field and the changelog's
# signature. Set it for a package that leaves the house.
set(RELIVOX_MAINTAINER "Relivox maintainers <maintainers@relivox.example>"
    CACHE STRING "Maintainer of the Debian package: \"Name <address>\"")

install(TARGETS relivox relivox-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# relivox-batch finds its GDAL module there, relative to itself (a folder
# below LIBDIR/relivox: a private module, not a library for ldconfig).
install(TARGETS relivox-gdal LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/relivox/gdal)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/relivox.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/desktop/relivox.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages and the changelog carry the version (and the maintainer);
# Debian wants them compressed with gzip -9n (no name or time stamp inside,
# so that two builds give the same bytes).
set(docs ${CMAKE_BINARY_DIR}/docs)
configure_file(${PROJECT_SOURCE_DIR}/man/relivox.1.in ${docs}/relivox.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/man/relivox-batch.1.in ${docs}/relivox-batch.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${docs}/changelog @ONLY)
set(compressed)
foreach(file relivox.1 relivox-batch.1 changelog)
  add_custom_command(OUTPUT ${docs}/${file}.gz
                     COMMAND gzip -9n -c ${docs}/${file} > ${docs}/${file}.gz
                     DEPENDS ${docs}/${file} VERBATIM)
  list(APPEND compressed ${docs}/${file}.gz)
endforeach()
add_custom_target(relivox_docs ALL DEPENDS ${compressed})
# Built with the window program, so that installing after building only the
# two programs finds them.
add_dependencies(relivox relivox_docs)
install(FILES ${docs}/relivox.1.gz ${docs}/relivox-batch.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${docs}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/relivox)
# A lintian tag that does not apply goes into packaging/lintian-overrides,
# each with a comment line giving the reason; none is needed now.
if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME relivox)
endif()

set(CPACK_PACKAGE_NAME relivox)
set(CPACK_PACKAGE_VENDOR "Relivox")
set(CPACK_PACKAGE_CONTACT "${RELIVOX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RELIVOX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "XYZ elevation point files to one grey-scale mosaic, shown and saved as PNG")
# Below the summary, lines of at most 80 characters: they are shown as they
# are ("." is an empty line).
set(CPACK_PACKAGE_DESCRIPTION
    "Relivox reads ASCII elevation point files (one point a line: x, y and z,
separated by commas) and zip archives of them, composes every file as one tile
into one grey-scale mosaic, shows it in its window and saves it as a PNG image.
Files can be dropped onto the window or opened with it from a file manager.
.
relivox-batch does the same from the command line, for scripts and servers
without a display, and can write a world file beside the PNG.")
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
