# Release packages, made with CPack from an installed tree:
#   Linux (preset "default"):  cpack -G DEB  -> korvane_VERSION_ARCH.deb
#   Windows (preset "mingw"):  cpack -G ZIP  -> korvane-VERSION-win64.zip
# Both hold the two programs (stripped), the documentation and the SQL schemas; the
# Debian package also the scheduled scan (a systemd service and timer, settings under
# /etc/korvane). scripts/packages.sh builds and checks them.
include(GNUInstallDirs)

set(KORVANE_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(KORVANE_DOCS ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/docs/console.md
  ${CMAKE_SOURCE_DIR}/docs/database.md ${CMAKE_SOURCE_DIR}/docs/deployment.md
  ${CMAKE_SOURCE_DIR}/docs/lab.md ${CMAKE_SOURCE_DIR}/docs/snapshot.md
  ${CMAKE_SOURCE_DIR}/docs/windows.md ${CMAKE_SOURCE_DIR}/docs/report-overview.png
  ${CMAKE_SOURCE_DIR}/docs/report-computer.png)
file(GLOB KORVANE_SCHEMAS ${CMAKE_SOURCE_DIR}/schema/*.sql)

# The console starts the scanner that sits next to it: both go to one directory.
if(WIN32)
  install(TARGETS korvane korvane-console RUNTIME DESTINATION .)
  install(FILES ${KORVANE_PACKAGING}/windows/README.txt DESTINATION .)
  install(FILES ${KORVANE_DOCS} DESTINATION docs)
  install(FILES ${KORVANE_SCHEMAS} DESTINATION schema)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_PACKAGE_FILE_NAME "korvane-${PROJECT_VERSION}-win64")
else()
  install(TARGETS korvane korvane-console RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/korvane)
  install(FILES ${KORVANE_DOCS} DESTINATION ${doc})
  install(FILES ${KORVANE_PACKAGING}/debian/copyright DESTINATION ${doc})
  # Debian wants the changelog compressed, whatever the build machine's gzip.
  set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
  file(READ ${KORVANE_PACKAGING}/debian/changelog.Debian changelog_text)
  string(REPLACE "@VERSION@" "${PROJECT_VERSION}" changelog_text "${changelog_text}")
  file(WRITE ${CMAKE_BINARY_DIR}/packaging/changelog.Debian "${changelog_text}")
  add_custom_command(OUTPUT ${changelog}
    COMMAND gzip -9 -n -c ${CMAKE_BINARY_DIR}/packaging/changelog.Debian > ${changelog}
    DEPENDS ${KORVANE_PACKAGING}/debian/changelog.Debian VERBATIM)
  add_custom_target(korvane_changelog ALL DEPENDS ${changelog})
  install(FILES ${changelog} DESTINATION ${doc})
  install(FILES ${KORVANE_SCHEMAS} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/korvane/schema)
  install(FILES ${KORVANE_PACKAGING}/systemd/korvane-scan.service ${KORVANE_PACKAGING}/systemd/korvane-scan.timer
    DESTINATION /lib/systemd/system)
  install(FILES ${KORVANE_PACKAGING}/systemd/scan.conf ${KORVANE_PACKAGING}/systemd/targets
    DESTINATION /etc/korvane)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_SECTION admin)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Korvane developers <korvane-dev@example.org>")
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://korvane.invalid/")
  # The shared libraries the programs link, as dpkg-shlibdeps finds them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The ODBC drivers of the database servers an inventory may live on.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, odbcinst")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KORVANE_PACKAGING}/debian/conffiles)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
endif()

set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VENDOR "Korvane developers")
set(CPACK_PACKAGE_CONTACT "Korvane developers <korvane-dev@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Windows network inventory scanner and console")
set(CPACK_PACKAGE_DESCRIPTION "korvane-console scans many Windows computers in parallel, one
korvane process each, into an SQL inventory (SQLite in a directory,
PostgreSQL or SQL Server through ODBC): hardware, operating system,
drives, services, installed software and their change history. It
shows the inventory, writes an HTML report, and makes simulated
networks to try it on (korvane-console demo).")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
