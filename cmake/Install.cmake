# Installation as a desktop program and the Debian package built from it.
#
#   cmake --install build --prefix ~/.local
#   cd build && cpack -G DEB
#
# The desktop entry, the icon, the metainfo and the MIME package all carry the
# same id; the MIME type is the one the desktop entry and the metainfo name.

include(GNUInstallDirs)

set(KORVANIX_APP_ID "org.korvanix.Korvanix")
set(KORVANIX_MIME_TYPE "application/x-korvanix-scheme")
set(KORVANIX_DATA_SOURCE_DIR "${PROJECT_SOURCE_DIR}/data")
string(REPLACE "/" "-" KORVANIX_MIME_ICON "${KORVANIX_MIME_TYPE}")

# The internal libraries are static and Qt comes from the system, so the
# installed programs need no RUNPATH; CMake drops the build tree's on install.
install(TARGETS korvanix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KORVANIX_DATA_SOURCE_DIR}/korvanix-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/korvanix/examples
  FILES_MATCHING PATTERN "*.scm")

if(TARGET korvanix)
  install(TARGETS korvanix korvanix-snapshot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${KORVANIX_DATA_SOURCE_DIR}/${KORVANIX_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${KORVANIX_DATA_SOURCE_DIR}/${KORVANIX_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${KORVANIX_DATA_SOURCE_DIR}/${KORVANIX_APP_ID}.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${KORVANIX_DATA_SOURCE_DIR}/${KORVANIX_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${KORVANIX_DATA_SOURCE_DIR}/${KORVANIX_MIME_ICON}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
endif()

# Debian package. The MIME database, the menu, the icon cache and the manual
# index are refreshed by the file triggers of shared-mime-info,
# desktop-file-utils, hicolor-icon-theme and man-db: no maintainer scripts.
set(KORVANIX_PACKAGE_MAINTAINER "KORVANIX developers <korvanix@example.org>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "korvanix")
set(CPACK_PACKAGE_VENDOR "KORVANIX developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "${KORVANIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "analyser of linear electrical circuits")
set(CPACK_PACKAGE_DESCRIPTION "Draw a circuit of resistors, capacitors, inductances, sources, controlled
sources, gyrators, ideal transformers, ideal op-amps and small-signal
transistor and tube models, then compute its transient response and its
frequency response. The interface and its help are in Russian.

The package holds the desktop program korvanix, the batch tool
korvanix-cli, which runs the same analyses without a display, and
korvanix-snapshot, which renders a document or its graphs to a picture.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# korvanix-cli spice writes decks for it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ngspice")
if(TARGET korvanix)
  # The window system plugins are loaded at run time, so dpkg-shlibdeps cannot
  # see them, and Qt's Russian texts give the standard buttons their labels.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/fuzz/corpus-work/")
include(CPack)
