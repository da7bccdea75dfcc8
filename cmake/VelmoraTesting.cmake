# SPDX-License-Identifier: GPL-3.0-or-later
# velmora_add_test(<name> SOURCES <files...> LIBS <targets...> [CORE])
# Every test is a QtTest executable; CORE marks tests of the Qt-free core,
# which CI runs a second time under the sanitizers.
add_custom_target(core_tests)
function(velmora_add_test name)
  cmake_parse_arguments(T "CORE" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
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
