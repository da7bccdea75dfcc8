# SPDX-License-Identifier: GPL-3.0-or-later
# Install rules and the Debian packages (CPack). Three components, one per
# package: velmora (program, built-in files, desktop entry, icons, metainfo),
# libdaylin1 (the library) and libdaylin-dev (header, pkg-config file, CMake
# package, the unversioned link and the example host).
#
#   cmake --install build/default --prefix /tmp/tree
#   cmake --workflow --preset package        (build/package/*.deb)
set(VELMORA_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(generated ${CMAKE_BINARY_DIR}/packaging)
set(DAYLIN_VERSION 1.0)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "velmora developers <velmora@example.org>")
set(VELMORA_DEB_VERSION ${PROJECT_VERSION}-1)

# --- velmora --------------------------------------------------------------
install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT velmora)
if(TARGET velmora-cli)
  install(TARGETS velmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT velmora)
endif()
# ico/ and Pic01/ install from the folders that make them (resources/ico,
# manual/); Sample1/ does not: the temporary data file belongs to the user.

# The desktop menu starts velmora through a launcher that moves to the
# user's data folder first. The launcher finds the program from its own
# place, so the tree works below whatever prefix it is installed to.
file(RELATIVE_PATH VELMORA_LAUNCHER_TO_PROGRAM ${CMAKE_INSTALL_FULL_LIBEXECDIR}/velmora
     ${CMAKE_INSTALL_FULL_BINDIR})
configure_file(${VELMORA_PACKAGING_DIR}/velmora-start.in ${generated}/velmora-start @ONLY)
install(PROGRAMS ${generated}/velmora-start DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/velmora
        COMPONENT velmora)
# A desktop entry needs the launcher's absolute path (it is not on the
# PATH), so the entry is written when installing, for the prefix installed
# to (cmake --install --prefix), not the one configured.
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBEXECDIR})
  set(launcher_at_install ${CMAKE_INSTALL_LIBEXECDIR}/velmora/velmora-start)
else()
  set(launcher_at_install "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/velmora/velmora-start")
endif()
install(CODE "
  set(VELMORA_LAUNCHER \"${launcher_at_install}\")
  configure_file(\"${VELMORA_PACKAGING_DIR}/velmora.desktop.in\"
                 \"${generated}/installed/velmora.desktop\" @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\"
       TYPE FILE FILES \"${generated}/installed/velmora.desktop\")"
  COMPONENT velmora)
install(FILES ${VELMORA_PACKAGING_DIR}/io.github.velmora.velmora.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT velmora)

# The icon in the theme's sizes, drawn at build time like the title picture.
set(icon_dir ${generated}/icons)
set(icon_sizes 16 24 32 48 64 128 256)
set(icon_files)
foreach(size ${icon_sizes})
  list(APPEND icon_files ${icon_dir}/${size}x${size}/apps/velmora.png)
endforeach()
add_custom_command(
  OUTPUT ${icon_files}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:velmora_splashgen> --icons ${icon_dir}
  DEPENDS velmora_splashgen
  COMMENT "Drawing the icon"
  VERBATIM)
add_custom_target(velmora_icons ALL DEPENDS ${icon_files})
foreach(size ${icon_sizes})
  install(FILES ${icon_dir}/${size}x${size}/apps/velmora.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT velmora)
endforeach()

# --- daylin ---------------------------------------------------------------
install(TARGETS daylin EXPORT daylinTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libdaylin1
                NAMELINK_COMPONENT libdaylin-dev)
set(headers daylin.h daylin_export.h daylin_registry.h MonthGrid.h)
list(TRANSFORM headers PREPEND ${CMAKE_SOURCE_DIR}/calendar/)
install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/daylin
        COMPONENT libdaylin-dev)
# The prefix is found from the file's own place (${pcfiledir}), so a tree
# installed or moved anywhere answers its own folders.
file(RELATIVE_PATH DAYLIN_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" DAYLIN_PC_TO_PREFIX "${DAYLIN_PC_TO_PREFIX}")
configure_file(${VELMORA_PACKAGING_DIR}/daylin.pc.in ${generated}/daylin.pc @ONLY)
install(FILES ${generated}/daylin.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT libdaylin-dev)
include(CMakePackageConfigHelpers)
set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/daylin)
install(EXPORT daylinTargets NAMESPACE daylin:: DESTINATION ${cmake_dir} COMPONENT libdaylin-dev)
configure_file(${VELMORA_PACKAGING_DIR}/daylinConfig.cmake.in ${generated}/daylinConfig.cmake
               COPYONLY)
write_basic_package_version_file(${generated}/daylinConfigVersion.cmake VERSION ${DAYLIN_VERSION}
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${generated}/daylinConfig.cmake ${generated}/daylinConfigVersion.cmake
        DESTINATION ${cmake_dir} COMPONENT libdaylin-dev)
# The example host: an example, not a command, so not on the PATH.
install(TARGETS daylin-host RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/daylin
        COMPONENT libdaylin-dev)
# It finds the library from its own place wherever the tree is installed.
file(RELATIVE_PATH host_to_library ${CMAKE_INSTALL_FULL_LIBEXECDIR}/daylin
     ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(daylin-host PROPERTIES INSTALL_RPATH "$ORIGIN/${host_to_library}")
install(FILES ${CMAKE_SOURCE_DIR}/calendar/host/main.cpp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/libdaylin-dev/examples/host COMPONENT libdaylin-dev)

# --- Debian documentation: copyright, changelog, manual page --------------
# Compressed the way Debian expects (gzip -9n: no name, no time stamp).
find_program(VELMORA_GZIP gzip REQUIRED)
# (SOURCE_DATE_EPOCH, when set, pins the date.)
string(TIMESTAMP VELMORA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${VELMORA_PACKAGING_DIR}/changelog.in ${generated}/changelog.Debian @ONLY)
add_custom_command(
  OUTPUT ${generated}/changelog.Debian.gz ${generated}/velmora.1.gz
  COMMAND ${VELMORA_GZIP} -9nc ${generated}/changelog.Debian > ${generated}/changelog.Debian.gz
  COMMAND ${VELMORA_GZIP} -9nc ${VELMORA_PACKAGING_DIR}/velmora.1 > ${generated}/velmora.1.gz
  DEPENDS ${generated}/changelog.Debian ${VELMORA_PACKAGING_DIR}/velmora.1
  COMMENT "Compressing the changelog and the manual page")
add_custom_target(velmora_package_docs ALL DEPENDS ${generated}/changelog.Debian.gz
                                                   ${generated}/velmora.1.gz)
install(FILES ${generated}/velmora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT velmora)
foreach(package velmora libdaylin1 libdaylin-dev)
  install(FILES ${VELMORA_PACKAGING_DIR}/copyright ${generated}/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${package})
endforeach()

# --- Licence texts ----------------------------------------------------------
# The programs are under the GPL, the library under the LGPL (which adds to
# the GPL, so it travels with both texts). A plain install puts them where
# distributions other than Debian look (share/licenses/<name>); the Debian
# packages leave this component out, as their copyright files name the texts
# in /usr/share/common-licenses instead.
install(FILES ${CMAKE_SOURCE_DIR}/COPYING DESTINATION ${CMAKE_INSTALL_DATADIR}/licenses/velmora
        COMPONENT licences)
install(FILES ${CMAKE_SOURCE_DIR}/COPYING ${CMAKE_SOURCE_DIR}/COPYING.LESSER
        DESTINATION ${CMAKE_INSTALL_DATADIR}/licenses/libdaylin COMPONENT licences)

# --- CPack ----------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "velmora developers")
set(CPACK_PACKAGE_CONTACT ${CPACK_DEBIAN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL velmora libdaylin1 libdaylin-dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE velmora)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_VELMORA_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_VELMORA_PACKAGE_SECTION science)
# Qt's own dialog buttons and labels in Japanese (qtbase_ja).
set(CPACK_DEBIAN_VELMORA_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_COMPONENT_VELMORA_DESCRIPTION
    "building footprints and heights from oblique aerial pictures
velmora turns one oblique aerial picture of a town block into obstacle data:
the plan footprint and the height of every building. The user marks roof
outlines and wall lines by hand or with a one-click tracer, checks the plan
map and saves a comma-separated project file. The interface is Japanese.")

set(CPACK_DEBIAN_LIBDAYLIN1_PACKAGE_NAME libdaylin1)
set(CPACK_DEBIAN_LIBDAYLIN1_PACKAGE_SECTION libs)
# The library cache is updated through dpkg's ldconfig trigger. (CPack adds
# maintainer scripts that call ldconfig as well; lintian warns about those.)
set(CPACK_DEBIAN_LIBDAYLIN1_PACKAGE_CONTROL_EXTRA ${VELMORA_PACKAGING_DIR}/libdaylin1/triggers)
# A shlibs file for the library, so that hosts packaged later depend on it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_COMPONENT_LIBDAYLIN1_DESCRIPTION
    "month-calendar control for Qt Widgets hosts
daylin is a small embeddable month-calendar control (year list, month list
and a 7 x 7 day grid) that host windows embed to let a user pick a date.
This package holds the shared library.")

set(CPACK_DEBIAN_LIBDAYLIN-DEV_PACKAGE_NAME libdaylin-dev)
set(CPACK_DEBIAN_LIBDAYLIN-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBDAYLIN-DEV_PACKAGE_DEPENDS "libdaylin1 (= ${VELMORA_DEB_VERSION}), qt6-base-dev")
set(CPACK_COMPONENT_LIBDAYLIN-DEV_DESCRIPTION
    "month-calendar control for Qt Widgets hosts (development files)
daylin is a small embeddable month-calendar control (year list, month list
and a 7 x 7 day grid) that host windows embed to let a user pick a date.
This package holds the header, the pkg-config file, the CMake package
configuration and an example host.")
include(CPack)
