# SPDX-License-Identifier: GPL-3.0-or-later
# Drives the desktop launcher in a tree of its own with a stand-in program
# that reports the folder it was started in, the fallback variable and its
# arguments: which folder the launcher picks, and when it refuses one.
#   cmake -DLAUNCHER=<configured velmora-start> -DSCRATCH=<dir> -DBINDIR=...
#         -DLIBEXECDIR=... -P check_launcher.cmake
cmake_minimum_required(VERSION 3.25)

set(failures 0)
macro(fail)
  string(JOIN "" text ${ARGN})
  message(SEND_ERROR "${text}")
  math(EXPR failures "${failures} + 1")
endmacro()

file(REMOVE_RECURSE ${SCRATCH})
set(tree ${SCRATCH}/tree)
file(COPY ${LAUNCHER} DESTINATION ${tree}/${LIBEXECDIR}/velmora
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(WRITE ${tree}/${BINDIR}/velmora [[#!/bin/sh
printf 'dir=%s\n' "$PWD"
printf 'var=%s\n' "${VELMORA_TEMPORARY_DATA_FOLDER-(unset)}"
for a; do printf 'arg=%s\n' "$a"; done
]])
file(CHMOD ${tree}/${BINDIR}/velmora PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
# Started through a link, as a menu or a user's own link might.
file(CREATE_LINK ${tree}/${LIBEXECDIR}/velmora/velmora-start ${SCRATCH}/start-link SYMBOLIC)

execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)

function(mode_of path out)
  execute_process(COMMAND stat -c "%a" ${path} OUTPUT_VARIABLE mode
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  set(${out} "${mode}" PARENT_SCOPE)
endfunction()

# Each row: name | HOME | XDG_DATA_HOME | XDG_RUNTIME_DIR | what is there
# before | folder started in | the variable ((unset), or the folder told).
# "-" leaves a variable unset. Paths are below S (the scratch folder).
set(S ${SCRATCH})
set(rows
  "data home|S/home|S/xdg|S/run|-|S/xdg/velmora|(unset)"
  "relative data home ignored|S/home|rel/xdg|S/run|-|S/home/.local/share/velmora|(unset)"
  "no data home|S/home|-|S/run|-|S/home/.local/share/velmora|(unset)"
  "inherited variable cleared|S/home|-|S/run|inherited|S/home/.local/share/velmora|(unset)"
  "no home|-|-|S/run|-|S/run/velmora|S/run/velmora"
  "relative home|home|-|S/run|-|S/run/velmora|S/run/velmora"
  "data home is a file|S/home|S/file|S/run|-|S/run/velmora|S/run/velmora"
  "home cannot be written to|/proc/velmora-test-home|-|S/run|-|S/run/velmora|S/run/velmora"
  "read-only home|S/ro-home|-|S/run|read-only home|S/run/velmora|S/run/velmora"
  "no runtime folder|-|-|-|-|S/tmp/velmora-UID|S/tmp/velmora-UID"
  "own private folder kept|-|-|-|own temp|S/tmp/velmora-UID|S/tmp/velmora-UID"
  "runtime folder open to others|-|-|S/run|open runtime|S/tmp/velmora-UID|S/tmp/velmora-UID"
  "temp folder open to others|-|-|-|open temp|/|"
  "temp folder a link|-|-|-|linked temp|/|"
  "temp folder of another user|-|-|-|foreign temp|/|")

foreach(row IN LISTS rows)
  string(REPLACE "|" ";" row "${row}")
  string(REPLACE "S/" "${S}/" row "${row}")
  string(REPLACE "UID" "${uid}" row "${row}")
  list(GET row 0 name)
  list(GET row 1 home)
  list(GET row 2 xdg)
  list(GET row 3 runtime)
  list(GET row 4 before)
  list(GET row 5 want_dir)
  list(GET row 6 want_var)
  if(before STREQUAL "read-only home" AND uid EQUAL 0)
    message(STATUS "${name}: skipped (root writes to read-only folders)")
    continue()
  endif()
  if(before STREQUAL "foreign temp" AND NOT uid EQUAL 0)
    message(STATUS "${name}: skipped (only root makes another user's folder)")
    continue()
  endif()
  foreach(d home ro-home xdg run tmp)
    if(EXISTS ${S}/${d})
      execute_process(COMMAND chmod -R u+rwx ${S}/${d})
    endif()
    file(REMOVE_RECURSE ${S}/${d})
  endforeach()
  file(REMOVE ${S}/file)
  file(MAKE_DIRECTORY ${S}/home ${S}/ro-home ${S}/tmp ${S}/run)
  file(CHMOD ${S}/run DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  file(WRITE ${S}/file "")
  set(env env -u HOME -u XDG_DATA_HOME -u XDG_RUNTIME_DIR -u VELMORA_TEMPORARY_DATA_FOLDER
          TMPDIR=${S}/tmp)
  foreach(pair "HOME;${home}" "XDG_DATA_HOME;${xdg}" "XDG_RUNTIME_DIR;${runtime}")
    list(GET pair 0 var)
    list(GET pair 1 value)
    if(NOT value STREQUAL "-")
      list(APPEND env ${var}=${value})
    endif()
  endforeach()
  set(private ${S}/tmp/velmora-${uid})
  if(before STREQUAL "inherited")
    list(APPEND env VELMORA_TEMPORARY_DATA_FOLDER=/somewhere)
  elseif(before STREQUAL "read-only home")
    file(CHMOD ${S}/ro-home DIRECTORY_PERMISSIONS OWNER_READ OWNER_EXECUTE)
  elseif(before STREQUAL "own temp")
    file(MAKE_DIRECTORY ${private})
    file(CHMOD ${private} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    file(WRITE ${private}/kept "")
  elseif(before STREQUAL "open runtime")
    file(MAKE_DIRECTORY ${S}/run/velmora)
    file(CHMOD ${S}/run/velmora DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                                       GROUP_READ GROUP_EXECUTE)
  elseif(before STREQUAL "open temp")
    file(MAKE_DIRECTORY ${private})
    file(CHMOD ${private} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                                               WORLD_READ WORLD_WRITE WORLD_EXECUTE)
  elseif(before STREQUAL "linked temp")
    file(MAKE_DIRECTORY ${S}/tmp/elsewhere)
    file(CHMOD ${S}/tmp/elsewhere DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    file(CREATE_LINK ${S}/tmp/elsewhere ${private} SYMBOLIC)
  elseif(before STREQUAL "foreign temp")
    file(MAKE_DIRECTORY ${private})
    file(CHMOD ${private} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    execute_process(COMMAND chown 65534 ${private})
  endif()
  mode_of(${private} mode_before)
  execute_process(COMMAND ${env} ${SCRATCH}/start-link pic.jpg /abs/site.bmp --version -- -odd.dat
                  WORKING_DIRECTORY ${SCRATCH} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  set(want "dir=${want_dir}\nvar=${want_var}\narg=${SCRATCH}/pic.jpg\narg=/abs/site.bmp\n")
  string(APPEND want "arg=--version\narg=--\narg=${SCRATCH}/-odd.dat\n")
  if(NOT rc EQUAL 0 OR NOT out STREQUAL want)
    fail("launcher, ${name}: exit ${rc}\n${out}${err}expected\n${want}")
    continue()
  endif()
  # A fallback is said on the terminal as well, and a private folder made
  # or taken is this user's alone.
  if(NOT want_var STREQUAL "(unset)" AND NOT err MATCHES "cannot make the data folder")
    fail("launcher, ${name}: nothing said on stderr")
  endif()
  if(want_var MATCHES "^/")
    mode_of(${want_var} mode)
    if(NOT mode STREQUAL "700")
      fail("launcher, ${name}: ${want_var} has mode ${mode}")
    endif()
  endif()
  if(before STREQUAL "own temp" AND NOT EXISTS ${private}/kept)
    fail("launcher, ${name}: the folder was made anew")
  endif()
  # A refused folder is left as it was, never taken over.
  mode_of(${private} mode)
  if(want_dir STREQUAL "/" AND NOT mode STREQUAL mode_before)
    fail("launcher, ${name}: the refused folder's mode became ${mode} (was ${mode_before})")
  endif()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} launcher check(s) failed")
endif()
file(REMOVE_RECURSE ${SCRATCH})
