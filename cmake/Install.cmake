# Installation as a desktop program and the Debian package (make package).
# The program looks for convrun in its own folder, so both go to the same bin folder.
include(GNUInstallDirs)

if(TARGET convrun)
  install(TARGETS convrun RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET artikelblick)
  install(TARGETS artikelblick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/app/share/artikelblick.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/app/share/artikelblick.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME artikelblick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Artikelblick")
set(CPACK_PACKAGE_CONTACT "Artikelblick <artikelblick@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Artikeldatenbanken von Lieferanten anzeigen, durchsuchen und senden")
set(CPACK_PACKAGE_INSTALL_DIRECTORY artikelblick)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The shared libraries are found by dpkg-shlibdeps; what is loaded at run time is named here:
# the platform plugins that show a window, and the German texts of the toolkit.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
include(CPack)
