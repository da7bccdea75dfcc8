# Installs the build tree into a scratch prefix, once per package component
# and once whole, and checks what a user and a host program find there.
#   cmake -DBUILD=<build dir> -DSCRATCH=<dir> -DBINDIR=... -DLIBDIR=...
#         -DLIBEXECDIR=... -DINCLUDEDIR=... -DDATADIR=... -DMANDIR=...
#         -DINSTALL_PREFIX=<configured prefix> -DCLI=<ON|OFF> -DCXX=<compiler>
#         -P check_install.cmake
cmake_minimum_required(VERSION 3.25)

set(failures 0)
macro(fail)
  string(JOIN "" text ${ARGN})
  message(SEND_ERROR "${text}")
  math(EXPR failures "${failures} + 1")
endmacro()

function(files_below dir out)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${dir} ${dir}/*)
  list(SORT found)
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(install_into prefix)
  file(REMOVE_RECURSE ${prefix})
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix} ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install ${ARGN} failed: ${err}")
  endif()
endfunction()

# What each package holds.
set(velmora ${BINDIR}/velmora ${LIBEXECDIR}/velmora/velmora-start
            ${DATADIR}/applications/velmora.desktop
            ${DATADIR}/metainfo/io.github.velmora.velmora.metainfo.xml
            ${MANDIR}/man1/velmora.1.gz)
if(CLI)
  list(APPEND velmora ${BINDIR}/velmora-cli)
endif()
foreach(f RedPen.ICO BluePen.ICO MovePen.ICO AddPen.ICO Remove.ICO POINT14.ICO ARW10NW2.ICO
          Magnify.cur)
  list(APPEND velmora ${DATADIR}/velmora/ico/${f})
endforeach()
foreach(n 40 41 42 43 44 45 46 47 60)
  list(APPEND velmora ${DATADIR}/velmora/Pic01/Manua${n}.jpg)
endforeach()
set(icon_sizes 16 24 32 48 64 128 256)
foreach(s ${icon_sizes})
  list(APPEND velmora ${DATADIR}/icons/hicolor/${s}x${s}/apps/velmora.png)
endforeach()
set(libdaylin1 ${LIBDIR}/libdaylin.so.1 ${LIBDIR}/libdaylin.so.1.0)
set(libdaylin-dev ${LIBDIR}/libdaylin.so ${LIBDIR}/pkgconfig/daylin.pc
    ${LIBDIR}/cmake/daylin/daylinConfig.cmake ${LIBDIR}/cmake/daylin/daylinConfigVersion.cmake
    ${LIBDIR}/cmake/daylin/daylinTargets.cmake ${LIBEXECDIR}/daylin/daylin-host
    ${DATADIR}/doc/libdaylin-dev/examples/host/main.cpp)
# CMake names the per-configuration part of the export after the build type.
file(GLOB exported RELATIVE ${BUILD}/CMakeFiles/Export
     ${BUILD}/CMakeFiles/Export/*/daylinTargets-*.cmake)
foreach(e ${exported})
  get_filename_component(name ${e} NAME)
  list(APPEND libdaylin-dev ${LIBDIR}/cmake/daylin/${name})
endforeach()
foreach(h daylin.h daylin_export.h daylin_registry.h MonthGrid.h)
  list(APPEND libdaylin-dev ${INCLUDEDIR}/daylin/${h})
endforeach()
set(all)
foreach(package velmora libdaylin1 libdaylin-dev)
  list(APPEND ${package} ${DATADIR}/doc/${package}/copyright
       ${DATADIR}/doc/${package}/changelog.Debian.gz)
  list(SORT ${package})
  install_into(${SCRATCH}/${package} --component ${package})
  files_below(${SCRATCH}/${package} got)
  if(NOT got STREQUAL ${package})
    list(JOIN ${package} "\n  " want)
    list(JOIN got "\n  " have)
    fail("component ${package} installs\n  ${have}\nexpected\n  ${want}")
  endif()
  list(APPEND all ${${package}})
endforeach()

# Everything installed belongs to one of the packages, or is a licence text
# (left out of the packages: Debian's copyright file names its own copies).
set(licences ${DATADIR}/licenses/velmora/COPYING ${DATADIR}/licenses/libdaylin/COPYING
             ${DATADIR}/licenses/libdaylin/COPYING.LESSER)
list(APPEND all ${licences})
set(root ${SCRATCH}/all)
install_into(${root})
files_below(${root} got)
list(SORT all)
if(NOT got STREQUAL all)
  list(JOIN got "\n  " have)
  fail("the whole install differs from the three packages and the licences:\n  ${have}")
endif()

# The licence texts: the GPL beside the programs, the LGPL and the GPL it
# adds to beside the library, and the copyright file naming the licence of
# every file group with a text for each (DEP-5).
foreach(text ${licences})
  get_filename_component(name ${text} NAME)
  file(SHA256 ${root}/${text} got)
  file(SHA256 ${SOURCE}/${name} want)
  file(STRINGS ${root}/${text} title LIMIT_COUNT 1)
  string(STRIP "${title}" title)
  if(name STREQUAL "COPYING")
    set(expected "GNU GENERAL PUBLIC LICENSE")
  else()
    set(expected "GNU LESSER GENERAL PUBLIC LICENSE")
  endif()
  if(NOT got STREQUAL want OR NOT title STREQUAL expected)
    fail("${text} is not the source's ${name} ('${title}')")
  endif()
endforeach()
file(STRINGS ${root}/${DATADIR}/doc/velmora/copyright copyright)
set(group "")
set(used)
set(texts)
foreach(line IN LISTS copyright)
  if(line MATCHES "^Files: (.*)")
    set(group "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^License: (.*)")
    if(group STREQUAL "")
      list(APPEND texts "${CMAKE_MATCH_1}")
    else()
      list(APPEND used "${group}=${CMAKE_MATCH_1}")
    endif()
    set(group "")
  endif()
endforeach()
if(NOT used STREQUAL "*=GPL-3+;calendar/*=LGPL-3+" OR NOT texts STREQUAL "GPL-3+;LGPL-3+")
  fail("copyright file: groups ${used}, licence texts ${texts}")
endif()
file(READ ${root}/${DATADIR}/metainfo/io.github.velmora.velmora.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<project_license>GPL-3.0-or-later</project_license>")
  fail("metainfo: the program's licence is not GPL-3.0-or-later")
endif()

# The library's links, as ldconfig and the linker want them.
foreach(pair "libdaylin.so;libdaylin.so.1" "libdaylin.so.1;libdaylin.so.1.0")
  list(GET pair 0 link)
  list(GET pair 1 target)
  file(READ_SYMLINK ${root}/${LIBDIR}/${link} to)
  if(NOT to STREQUAL target)
    fail("${link} points to '${to}', not ${target}")
  endif()
endforeach()

# Icons: PNG files of their size (width and height in the IHDR chunk).
foreach(s ${icon_sizes})
  file(READ ${root}/${DATADIR}/icons/hicolor/${s}x${s}/apps/velmora.png head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 32 16 dims)
  string(SUBSTRING "${dims}" 0 8 wh)
  string(SUBSTRING "${dims}" 8 8 hh)
  math(EXPR w "0x${wh}")
  math(EXPR h "0x${hh}")
  if(NOT head MATCHES "^89504e47" OR NOT w EQUAL s OR NOT h EQUAL s)
    fail("icon ${s}x${s} is not a ${s} pixel PNG (${w}x${h})")
  endif()
endforeach()

# The desktop entry starts the launcher that is installed.
file(STRINGS ${root}/${DATADIR}/applications/velmora.desktop exec REGEX "^Exec=")
string(REPLACE "Exec=${INSTALL_PREFIX}/" "" launcher "${exec}")
if(NOT launcher STREQUAL "${LIBEXECDIR}/velmora/velmora-start")
  fail("desktop entry: ${exec}")
endif()
find_program(DESKTOP_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
foreach(tool DESKTOP_VALIDATE APPSTREAMCLI)
  if(NOT ${tool})
    fail("${tool} not found (desktop-file-utils, appstream)")
  endif()
endforeach()
execute_process(COMMAND ${DESKTOP_VALIDATE} ${root}/${DATADIR}/applications/velmora.desktop
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  fail("desktop-file-validate: ${out}")
endif()
execute_process(COMMAND ${APPSTREAMCLI} validate --no-net --pedantic
                        ${root}/${DATADIR}/metainfo/io.github.velmora.velmora.metainfo.xml
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  fail("appstreamcli validate: ${out}")
endif()

# The launcher starts velmora in the user's data folder: $XDG_DATA_HOME when
# it is an absolute path, else ~/.local/share. A stand-in program reports
# the folder it was started in.
file(READ ${root}/${LIBEXECDIR}/velmora/velmora-start script)
set(standin ${SCRATCH}/standin)
file(WRITE ${standin} "#!/bin/sh\npwd\n")
file(CHMOD ${standin} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
string(REGEX REPLACE "exec \"[^\"]*\"" "exec \"${standin}\"" script "${script}")
file(WRITE ${SCRATCH}/launcher "${script}")
set(home ${SCRATCH}/home)
foreach(case "${SCRATCH}/xdg;${SCRATCH}/xdg/velmora" "relative/dir;${home}/.local/share/velmora"
        ";${home}/.local/share/velmora")
  list(GET case 0 xdg)
  list(GET case 1 want)
  file(REMOVE_RECURSE ${home} ${SCRATCH}/xdg)
  file(MAKE_DIRECTORY ${home})
  execute_process(COMMAND env HOME=${home} XDG_DATA_HOME=${xdg} sh ${SCRATCH}/launcher
                  WORKING_DIRECTORY ${SCRATCH} OUTPUT_VARIABLE out OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT out STREQUAL want)
    fail("launcher with XDG_DATA_HOME='${xdg}' starts in '${out}', not ${want}")
  endif()
endforeach()

# A host finds daylin through pkg-config (the file moved to the scratch
# prefix, as if installed there) ...
find_program(PKG_CONFIG pkg-config REQUIRED)
file(READ ${root}/${LIBDIR}/pkgconfig/daylin.pc pc)
string(REPLACE "prefix=${INSTALL_PREFIX}\n" "prefix=${root}\n" pc "${pc}")
file(WRITE ${SCRATCH}/pkgconfig/daylin.pc "${pc}")
set(ENV{PKG_CONFIG_PATH} ${SCRATCH}/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs daylin
                RESULT_VARIABLE rc OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  fail("pkg-config daylin: ${err}")
elseif(NOT flags MATCHES "-I${root}/${INCLUDEDIR}/daylin( |$)" OR NOT flags MATCHES "-ldaylin"
       OR NOT flags MATCHES "-L${root}/${LIBDIR}( |$)" OR NOT flags MATCHES "-lQt6Widgets")
  fail("pkg-config daylin gives: ${flags}")
endif()

# The installed header compiles with those flags alone, as C++17 (the least
# a Qt 6 host uses).
file(WRITE ${SCRATCH}/host.cpp "#include <daylin.h>\nint main() { daylin::CalencerOCX c; }\n")
separate_arguments(cflags UNIX_COMMAND "${flags}")
list(FILTER cflags INCLUDE REGEX "^-[ID]")
execute_process(COMMAND ${CXX} -std=c++17 -fPIC -fsyntax-only ${cflags} ${SCRATCH}/host.cpp
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  fail("a host does not compile against the installed header: ${err}")
endif()

# ... and through find_package(daylin).
set(host ${SCRATCH}/cmakehost)
file(WRITE ${host}/CMakeLists.txt [[
cmake_minimum_required(VERSION 3.25)
project(host LANGUAGES CXX)
find_package(daylin 1.0 REQUIRED)
get_target_property(dirs daylin::daylin INTERFACE_INCLUDE_DIRECTORIES)
get_target_property(lib daylin::daylin LOCATION)
foreach(d ${dirs})
  if(EXISTS ${d}/daylin.h)
    set(found ${d})
  endif()
endforeach()
if(NOT found OR NOT EXISTS ${lib})
  message(FATAL_ERROR "daylin::daylin: includes ${dirs}, library ${lib}")
endif()
]])
execute_process(COMMAND ${CMAKE_COMMAND} -S ${host} -B ${host}/build -DCMAKE_PREFIX_PATH=${root}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  fail("find_package(daylin): ${out}")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} installation check(s) failed")
endif()
file(REMOVE_RECURSE ${SCRATCH})
