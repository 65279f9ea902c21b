# Installed layout and packages. Included last by the top-level CMakeLists so
# that every program target exists when its install rule is made.
#
#   bin/Quillon, bin/Quillon_Simple   the built programs, with the links
#   bin/quillon, bin/quillon-simple   under which the menu starts them
#   bin/quillon-sim, bin/quillon-cli  (the latter when the target exists)
#   share/quillon/Styles/             skins
#   share/applications/, share/icons/hicolor/scalable/apps/, share/metainfo/
#   share/man/man1/                   manual pages, gzip-compressed
#   share/doc/quillon/                copyright and changelog
#
# scripts/package.sh builds the .deb and the .tar.gz into dist/.

include(GNUInstallDirs)

set(QUILLON_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(QUILLON_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(QUILLON_PACKAGE_MAINTAINER "Quillon maintainers <maintainers@quillon.example>"
    CACHE STRING "Maintainer field of the Debian package")
file(MAKE_DIRECTORY ${QUILLON_PACKAGING_OUT})

set(QUILLON_INSTALLED_PROGRAMS quillon-sim)
if(TARGET Quillon)
  list(APPEND QUILLON_INSTALLED_PROGRAMS Quillon Quillon_Simple)
endif()
if(TARGET quillon-cli)
  list(APPEND QUILLON_INSTALLED_PROGRAMS quillon-cli)
endif()
install(TARGETS ${QUILLON_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# quillon_install_link(<link name> <target> <destination>): a relative
# symbolic link, made in the build folder and installed as a link.
function(quillon_install_link name target destination)
  file(CREATE_LINK ${target} ${QUILLON_PACKAGING_OUT}/${name} SYMBOLIC)
  install(FILES ${QUILLON_PACKAGING_OUT}/${name} DESTINATION ${destination})
endfunction()

# quillon_install_man(<page file>...): compressed at build time (no name or
# time stamp in the gzip header, so the package is reproducible) and
# installed in man1. A page made by the build may be passed with its full
# path in the build folder.
function(quillon_install_man)
  foreach(page ${ARGN})
    get_filename_component(name ${page} NAME)
    set(out ${QUILLON_PACKAGING_OUT}/${name}.gz)
    add_custom_command(OUTPUT ${out}
      COMMAND gzip -9nc ${page} > ${out}
      DEPENDS ${page}
      COMMENT "Compressing manual page ${name}"
      VERBATIM)
    add_custom_target(quillon_man_${name} ALL DEPENDS ${out})
    install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endfunction()

quillon_install_man(${QUILLON_PACKAGING_DIR}/quillon-sim.1)
if(EXISTS ${QUILLON_PACKAGING_DIR}/quillon-cli.1)
  quillon_install_man(${QUILLON_PACKAGING_DIR}/quillon-cli.1)
endif()

if(TARGET Quillon)
  quillon_install_link(quillon Quillon ${CMAKE_INSTALL_BINDIR})
  quillon_install_link(quillon-simple Quillon_Simple ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/Styles/ DESTINATION ${CMAKE_INSTALL_DATADIR}/quillon/Styles)
  install(FILES
    ${QUILLON_PACKAGING_DIR}/org.quillon.Quillon.desktop
    ${QUILLON_PACKAGING_DIR}/org.quillon.QuillonSimple.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES
    ${QUILLON_PACKAGING_DIR}/quillon.svg
    ${QUILLON_PACKAGING_DIR}/quillon-simple.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${QUILLON_PACKAGING_DIR}/org.quillon.Quillon.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # One page serves both editions under all four program names.
  quillon_install_man(${QUILLON_PACKAGING_DIR}/quillon.1)
  foreach(name quillon-simple Quillon Quillon_Simple)
    quillon_install_link(${name}.1.gz quillon.1.gz ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()

set(QUILLON_CHANGELOG ${QUILLON_PACKAGING_OUT}/changelog.gz)
add_custom_command(OUTPUT ${QUILLON_CHANGELOG}
  COMMAND gzip -9nc ${QUILLON_PACKAGING_DIR}/changelog > ${QUILLON_CHANGELOG}
  DEPENDS ${QUILLON_PACKAGING_DIR}/changelog
  VERBATIM)
add_custom_target(quillon_changelog ALL DEPENDS ${QUILLON_CHANGELOG})
install(FILES ${QUILLON_PACKAGING_DIR}/copyright ${QUILLON_CHANGELOG}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillon)

# --- packages ----------------------------------------------------------------
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillon developers")
set(CPACK_PACKAGE_CONTACT ${QUILLON_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure and test the Tavel VX31 fieldbus gateway module")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_NAME quillon)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QUILLON_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The user interface is Chinese; without a CJK font it shows empty boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
# The extended description; CPack puts the summary above it as the synopsis
# and indents each line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quillon is a Modbus RTU master that talks over a PC serial line to the Tavel
VX31 gateway module, a bridge between an application processor and a CANopen
network.

The full edition (quillon) reads and writes the module's general, I/O and
fieldbus parameters, sends device-mode commands, watches interrupt events,
exchanges process data and reads the CANopen state. The simple edition
(quillon-simple) gathers the most used settings on one page. The package also
holds the module simulator quillon-sim.")

include(CPack)
