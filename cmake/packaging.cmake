# Installation and the Debian package (cpack -G DEB, or the "package" target).
# Only the program, its default template, its SQL scripts, the menu entry and the
# icon are installed; tests and benchmarks never are. The program writes nothing
# under the installation prefix, so removing the package leaves every user's data.
include(GNUInstallDirs)

install(TARGETS tavro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/Template.xlsx DESTINATION ${CMAKE_INSTALL_DATADIR}/tavro)
file(GLOB tavro_sql_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/sql/*.sql)
install(FILES ${tavro_sql_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/tavro)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/tavro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/tavro.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "student-record entry for schools (学生学籍信息录入)")
set(CPACK_PACKAGE_DESCRIPTION "Enters the student-status records of one class at a time into a local
 SQLite file or a school server, checks, merges, exports and prints them through
 a spreadsheet template.")
set(CPACK_PACKAGE_CONTACT "tavro maintainers <tavro@localhost>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
# Declared by name rather than by dpkg-shlibdeps: the SQL drivers and the
# platform plugin are loaded at run time and would not be found from the ELF.
set(tavro_deb_depends
  libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6xml6 libqt6printsupport6
  qt6-qpa-plugins libqt6sql6-sqlite libqt6sql6-odbc libqt6sql6-psql
  libsqlite3-0 libzip4 libpugixml1v5 zlib1g libsodium23
  libqt6network6 libqt6httpserver6 libqt6websockets6 libssl3 libqrencode4
  "libreoffice-calc | libreoffice-calc-nogui" cups-client)
if(TARGET Qt6::PdfWidgets)
  list(APPEND tavro_deb_depends libqt6pdfwidgets6)
endif()
list(JOIN tavro_deb_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
# Opening results on the desktop, Chinese fonts, SQL Server's ODBC driver, Qt's Chinese texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-noto-cjk, tdsodbc, qt6-translations-l10n")
include(CPack)
