# What a Linux desktop and a Debian packager expect beside the program folder, and the Debian package itself
# (cd BUILD && cpack -G DEB; scripts/test-package checks it).

# Who answers for the package. A packager sets it; DEBFULLNAME and DEBEMAIL, which Debian's tools read, set it
# too. Otherwise it is the identity the project's commits carry.
set(romquill_maintainer "Romquill maintainers <maintainers@users.noreply.c-seed-52da5a79.example>")
if("$ENV{DEBEMAIL}" MATCHES "<.+@.+>")
  set(romquill_maintainer "$ENV{DEBEMAIL}")
elseif(NOT "$ENV{DEBFULLNAME}" STREQUAL "" AND "$ENV{DEBEMAIL}" MATCHES ".@.")
  set(romquill_maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
endif()
set(ROMQUILL_PACKAGE_MAINTAINER "${romquill_maintainer}" CACHE STRING
  "The package's maintainer, as \"Name <address>\" (default: DEBFULLNAME and DEBEMAIL, else the commits' identity)")
set(ROMQUILL_PACKAGE_RELEASE 1 CACHE STRING "The Debian revision of the package's version")

if(UNIX AND NOT APPLE)
  find_program(ROMQUILL_GZIP gzip REQUIRED)
  set(linux_dir ${CMAKE_SOURCE_DIR}/packaging/linux)
  set(made_dir ${CMAKE_BINARY_DIR}/packaging)
  set(ROMQUILL_DEB_VERSION ${PROJECT_VERSION}-${ROMQUILL_PACKAGE_RELEASE})
  # Honours SOURCE_DATE_EPOCH, so that a reproducible build gives the same changelog.
  string(TIMESTAMP ROMQUILL_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)

  # Manual pages and the changelog compressed as Debian wants them: the most, without name or time.
  set(manual_pages romquill-cli romquill-make-demo)
  if(ROMQUILL_GUI)
    list(APPEND manual_pages romquill)
  endif()
  set(compressed)
  foreach(page IN LISTS manual_pages)
    configure_file(${linux_dir}/${page}.1 ${made_dir}/${page}.1 @ONLY)
    list(APPEND compressed ${page}.1)
  endforeach()
  configure_file(${linux_dir}/changelog.in ${made_dir}/changelog.Debian @ONLY)
  list(APPEND compressed changelog.Debian)
  set(compressed_outputs)
  foreach(file IN LISTS compressed)
    add_custom_command(OUTPUT ${made_dir}/${file}.gz
      COMMAND ${ROMQUILL_GZIP} -n -9 -c ${file} > ${file}.gz
      DEPENDS ${made_dir}/${file}
      WORKING_DIRECTORY ${made_dir}
      VERBATIM)
    list(APPEND compressed_outputs ${made_dir}/${file}.gz)
  endforeach()
  add_custom_target(romquill_package_files ALL DEPENDS ${compressed_outputs})

  foreach(page IN LISTS manual_pages)
    install(FILES ${made_dir}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  if(ROMQUILL_GUI)
    install(FILES ${linux_dir}/romquill.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
    install(FILES ${linux_dir}/romquill.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
  endif()
  install(FILES ${linux_dir}/romquill-cli.bash-completion
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME romquill-cli)
  install(FILES ${linux_dir}/copyright ${made_dir}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/romquill)
  install(FILES ${linux_dir}/romquill.lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME romquill)
endif()

# cpack -G DEB: a Debian package of the installation, under /usr.
set(CPACK_PACKAGE_NAME romquill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ROMQUILL_PACKAGE_RELEASE})
set(CPACK_PACKAGE_CONTACT "${ROMQUILL_PACKAGE_MAINTAINER}")
# Lines of the long description, shorter than Debian's 80 columns: CPack does not wrap them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Romquill identifies a game from the header of its ROM image, finds the\n"
  "template that says where each text lies and which alphabet encodes it,\n"
  "and writes edited texts back in place. romquill-cli does the same from\n"
  "the command line.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Every library the programs link, found by dpkg-shlibdeps from the binaries themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(ROMQUILL_GUI)
  # Qt's platform plugins are loaded at run time, so no binary names them. On Debian 12 the xcb one, without
  # which the window cannot open on a desktop, comes with libqt6gui6 (a dependency through the binaries), the
  # rest in qt6-qpa-plugins, which libqt6gui6 only recommends; a release may move plugins between the two.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
endif()
include(CPack)
