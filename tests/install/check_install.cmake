# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build tree into a scratch prefix (never the configured one),
# once per package component and once whole, and checks what a user and a
# host program find there, after moving the whole tree elsewhere.
#   cmake -DBUILD=<build dir> -DSOURCE=<source dir> -DSCRATCH=<dir> -DBINDIR=... -DLIBDIR=...
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
foreach(n 40 41 42 43 44 45 46 47 60 61 62)
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

# The desktop entry starts the launcher installed, below the prefix given
# to cmake --install (not the configured one), with the file to open.
file(STRINGS ${root}/${DATADIR}/applications/velmora.desktop exec REGEX "^(Try)?Exec=")
set(launcher ${root}/${LIBEXECDIR}/velmora/velmora-start)
if(NOT exec STREQUAL "Exec=\"${launcher}\" %f;TryExec=${launcher}")
  fail("desktop entry: ${exec}, not ${launcher}")
endif()
file(READ ${root}/${DATADIR}/applications/velmora.desktop entry)
foreach(type image/jpeg image/bmp)
  if(NOT entry MATCHES "\nMimeType=([^\n]*;)?${type};")
    fail("desktop entry: ${type} is not among its MimeType")
  endif()
endforeach()
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

# Nothing installed names the folder it was installed to, nor the
# configured prefix, except the desktop entry (which must name a path).
foreach(text ${LIBEXECDIR}/velmora/velmora-start ${LIBDIR}/pkgconfig/daylin.pc
             ${LIBDIR}/cmake/daylin/daylinConfig.cmake ${LIBDIR}/cmake/daylin/daylinTargets.cmake)
  file(READ ${root}/${text} content)
  string(FIND "${content}" "${root}" at_root)
  set(at_prefix -1)
  if(NOT text MATCHES "cmake$") # those name Qt's folders, which may share a prefix
    string(FIND "${content}" "${INSTALL_PREFIX}/" at_prefix)
  endif()
  if(NOT at_root EQUAL -1 OR NOT at_prefix EQUAL -1)
    fail("${text} names an absolute installed folder")
  endif()
endforeach()

# The tree moved elsewhere as a whole still works: nothing below is changed.
set(moved ${SCRATCH}/moved)
file(REMOVE_RECURSE ${moved} ${SCRATCH}/home) # left by a failed run
file(RENAME ${root} ${moved})

# The launcher finds the program installed beside it (the version needs no
# display) and starts it in the user's data folder.
set(home ${SCRATCH}/home)
file(MAKE_DIRECTORY ${home})
execute_process(COMMAND env -u XDG_DATA_HOME HOME=${home} ${moved}/${LIBEXECDIR}/velmora/velmora-start
                        --version
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^velmora [0-9]+\\.[0-9]+\n$"
   OR NOT IS_DIRECTORY ${home}/.local/share/velmora)
  fail("installed launcher --version: exit ${rc}: ${out}${err}")
endif()

# The example host finds the library of its own tree.
find_program(LDD ldd REQUIRED)
execute_process(COMMAND ${LDD} ${moved}/${LIBEXECDIR}/daylin/daylin-host
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(found "")
if(out MATCHES "libdaylin\\.so\\.1 => (/[^ ]+)")
  get_filename_component(found ${CMAKE_MATCH_1} REALPATH)
endif()
get_filename_component(want ${moved}/${LIBDIR}/libdaylin.so.1.0 REALPATH)
if(NOT found STREQUAL want)
  fail("daylin-host loads libdaylin.so.1 from '${found}', not ${want}:\n${out}${err}")
endif()

# A host finds daylin through pkg-config ...
find_program(PKG_CONFIG pkg-config REQUIRED)
set(ENV{PKG_CONFIG_PATH} ${moved}/${LIBDIR}/pkgconfig)
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs daylin
                RESULT_VARIABLE rc OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_VARIABLE err)
separate_arguments(flag_list UNIX_COMMAND "${flags}")
set(include_dir "")
set(library_dir "")
foreach(flag ${flag_list})
  if(flag MATCHES "^-I(.*daylin)$")
    get_filename_component(include_dir ${CMAKE_MATCH_1} REALPATH)
  elseif(flag MATCHES "^-L(.*)$")
    get_filename_component(library_dir ${CMAKE_MATCH_1} REALPATH)
  endif()
endforeach()
get_filename_component(want_include ${moved}/${INCLUDEDIR}/daylin REALPATH)
get_filename_component(want_library ${moved}/${LIBDIR} REALPATH)
if(NOT rc EQUAL 0)
  fail("pkg-config daylin: ${err}")
elseif(NOT include_dir STREQUAL want_include OR NOT library_dir STREQUAL want_library
       OR NOT flags MATCHES "-ldaylin" OR NOT flags MATCHES "-lQt6Widgets")
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
get_filename_component(lib ${lib} REALPATH)
get_filename_component(tree ${TREE} REALPATH)
if(NOT found OR NOT EXISTS ${lib} OR NOT lib MATCHES "^${tree}/")
  message(FATAL_ERROR "daylin::daylin: includes ${dirs}, library ${lib}")
endif()
]])
execute_process(COMMAND ${CMAKE_COMMAND} -S ${host} -B ${host}/build -DCMAKE_PREFIX_PATH=${moved}
                        -DTREE=${moved}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  fail("find_package(daylin): ${out}")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} installation check(s) failed")
endif()
file(REMOVE_RECURSE ${SCRATCH})
