# SPDX-License-Identifier: GPL-3.0-or-later
# Build settings shared by every target of the project.

if(SKYLACER_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(SKYLACER_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "SKYLACER_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings are errors in our own code; third-party headers come in as system headers.
function(skylacer_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 at -O3 reports -Wrestrict inside libstdc++'s string concatenation where nothing
  # overlaps (a known false positive of that release).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# The stitch spends its time in the loops of the engine and of the imaging layer: every
# optimised build compiles them at -O3, a distribution's -O2 build too. Measured against -O2 (and
# against -O2 with GCC's full vectorisation cost model, which gained nothing): 5-6 % less time for
# a whole stitch, the same bytes.
function(skylacer_hot_loops target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-O3>)
  endif()
endfunction()

# skylacer_library(NAME SOURCES... [DEPS ...] [PUBLIC_DEPS ...])
# A static library of one layer; its headers are included as "layer/header.h" from the root.
function(skylacer_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PUBLIC_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} PUBLIC ${ARG_PUBLIC_DEPS})
  skylacer_warnings(${name})
endfunction()
