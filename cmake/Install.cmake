# Installation under a prefix, as the freedesktop conventions expect of a
# desktop program, and the Debian package built from the same rules.
#   bin/virel, bin/virel-run
#   share/applications/io.github.virel.Virel.desktop   (the menu entry)
#   share/icons/hicolor/<N>x<N>/apps/io.github.virel.Virel.png
#   share/metainfo/io.github.virel.Virel.metainfo.xml  (software centres)
#   share/man/man6/virel.6, virel-run.6
# The programs carry their artwork inside (Qt resources) and look for the
# sound font in the system's folder, so nothing else needs installing.
include(GNUInstallDirs)

set(VIREL_APP_ID io.github.virel.Virel)
# The day this version was released; the software centres show it.
set(VIREL_RELEASE_DATE 2026-12-08)

install(TARGETS virel-run RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET virel)
  install(TARGETS virel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(VIREL_DESKTOP_SOURCE ${CMAKE_SOURCE_DIR}/assets/desktop)
configure_file(${VIREL_DESKTOP_SOURCE}/${VIREL_APP_ID}.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/desktop/${VIREL_APP_ID}.metainfo.xml @ONLY)
foreach(page IN ITEMS virel.6 virel-run.6)
  configure_file(${CMAKE_SOURCE_DIR}/assets/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
if(TARGET virel)
  install(FILES ${VIREL_DESKTOP_SOURCE}/${VIREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/desktop/${VIREL_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/assets/icons/${size}x${size}/${VIREL_APP_ID}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

# ---------------------------------------------------------------------------
# Debian package (scripts/package): virel_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME virel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Virel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "emulator of the 8-bit NES/Famicom console")
set(CPACK_PACKAGE_DESCRIPTION
  "Virel plays NES and Famicom cartridge images (.nes files, or ZIP archives holding one)\n\
in a window or full screen, with the sound played as notes on a General MIDI synthesiser.\n\
Its interface is in Brazilian Portuguese. virel-run runs a cartridge without a window,\n\
for automation and benchmarks.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Programs in the package carry no symbols, as Debian's own do.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Virel developers <virel@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/virel/virel")
# Libraries the programs link come from dpkg-shlibdeps; what Qt and the
# synthesiser load at run time (the window system plugin, a sound font, the
# Portuguese texts of Qt's dialogs) is named here.
# The libraries opened on first use (cmake/LoadedLibraries.cmake) are invisible
# to dpkg-shlibdeps and are named here too.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
get_property(VIREL_LOADED_PACKAGES GLOBAL PROPERTY VIREL_LOADED_PACKAGES)
list(REMOVE_DUPLICATES VIREL_LOADED_PACKAGES)
list(PREPEND VIREL_LOADED_PACKAGES qt6-qpa-plugins)
list(JOIN VIREL_LOADED_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm, qt6-translations-l10n")
# The menu database and the icon cache are refreshed by the triggers that
# desktop-file-utils and hicolor-icon-theme hold on their folders: no
# maintainer scripts of our own.
include(CPack)
