# SPDX-License-Identifier: GPL-3.0-or-later
# Sources are collected per folder so that adding a file needs no edit of a
# shared list.
function(velmora_core_library name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(srcs)
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# Adds every subfolder that has a CMakeLists.txt.
function(velmora_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# Adds the GUI sources of the current folder (all .cpp but main.cpp) to a
# library (default velmora_gui).
function(velmora_gui_sources)
  set(target velmora_gui)
  if(ARGC GREATER 0)
    set(target ${ARGV0})
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  if(srcs)
    target_sources(${target} PRIVATE ${srcs})
  endif()
endfunction()
