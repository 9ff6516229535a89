# Installation in the usual places of a Linux desktop, and the Debian package.
include(GNUInstallDirs)

set(PONTAVEL_APP_ID org.pontavel.Pontavel)

install(TARGETS pontavel pontavel-demo pontavel-import pontavel-journal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/${PONTAVEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${PONTAVEL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/icons/${PONTAVEL_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES data/icons/${size}x${size}/${PONTAVEL_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
# One page per installed program.
install(FILES data/pontavel.1 data/pontavel-demo.1 data/pontavel-import.1 data/pontavel-journal.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Debian keeps a package's licence as /usr/share/doc/<package>/copyright.
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pontavel RENAME copyright)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pontavel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pontavel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Pontavel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "télécommande d'un réseau de relais de télévision d'amateur")
set(CPACK_PACKAGE_DESCRIPTION
  "Pontavel montre la carte d'un réseau de relais de télévision d'amateur et\n"
  "envoie par radio les commandes DTMF de chaque relais : l'émetteur est passé\n"
  "en émission par la ligne RTS d'un port série et les tonalités sont jouées\n"
  "sur la carte son.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The build keeps its debug information; the package does not need it.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Équipe Pontavel <pontavel@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not name: the SQLite driver and the French
# catalogues are loaded at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
include(CPack)
