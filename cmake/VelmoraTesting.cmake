# SPDX-License-Identifier: GPL-3.0-or-later
# velmora_add_test(<name> SOURCES <files...> LIBS <targets...> [CORE])
# Every test is a QtTest executable; CORE marks tests of the Qt-free core,
# which CI runs a second time under the sanitizers.
add_custom_target(core_tests)
#
# The Qt headers every test includes are compiled once, into a precompiled
# header of the core tests (QtTest) and one of the window's tests (QtTest and
# QtWidgets), which the tests reuse: parsing them again for each of some fifty
# tests was a third of a clean build. PCH <core|gui|none> picks another one
# than the default (core for CORE tests, gui otherwise).
option(VELMORA_TEST_PCH "Share precompiled Qt headers between the tests" ON)
function(velmora_test_pch_targets)
  if(NOT VELMORA_TEST_PCH)
    return()
  endif()
  set(source ${CMAKE_CURRENT_BINARY_DIR}/velmora_test_pch.cpp)
  file(WRITE ${source} "// Builds the tests' precompiled Qt headers.\n")
  add_library(velmora_test_pch_core OBJECT ${source})
  target_link_libraries(velmora_test_pch_core PRIVATE Qt6::Test)
  target_precompile_headers(velmora_test_pch_core PRIVATE <QtTest>)
  add_library(velmora_test_pch_gui OBJECT ${source})
  target_link_libraries(velmora_test_pch_gui PRIVATE Qt6::Test Qt6::Widgets)
  target_precompile_headers(velmora_test_pch_gui PRIVATE <QtTest> <QtWidgets>)
  velmora_test_debug_info(velmora_test_pch_core)
  velmora_test_debug_info(velmora_test_pch_gui)
endfunction()

# Tests carry line tables, not full debug information: enough for a failing
# test's backtrace, and a fifth less compile time in the build everyone runs.
function(velmora_test_debug_info target)
  target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo>:-g1>)
endfunction()

function(velmora_add_test name)
  cmake_parse_arguments(T "CORE" "PCH" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
  velmora_test_debug_info(${name})
  if(NOT T_PCH)
    set(T_PCH gui)
    if(T_CORE)
      set(T_PCH core)
    endif()
  endif()
  if(VELMORA_TEST_PCH AND NOT T_PCH STREQUAL "none")
    target_precompile_headers(${name} REUSE_FROM velmora_test_pch_${T_PCH})
    # The tests include their own moc output, so this file is empty; loading
    # the header into it would cost more than the header saves.
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/mocs_compilation.cpp
                                PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(labels gui)
  if(T_CORE)
    set(labels core)
    add_dependencies(core_tests ${name})
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VELMORA_PROGRAM_DIR=${VELMORA_PROGRAM_DIR}"
    TIMEOUT 300)
endfunction()
