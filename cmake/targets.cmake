# The project's targets and the one place that gives them their options.
#
# vantor_library(name [STATIC|SHARED|OBJECT] sources...)
# vantor_executable(name [WIN32] [OUTPUT_DIR dir] sources...)
#   add_library / add_executable followed by vantor_target.
# vantor_target(name [OUTPUT_DIR dir])
#   Warnings (C++ only), the tree's compile and link options (set by the top
#   level in VANTOR_COMPILE_OPTIONS and VANTOR_LINK_OPTIONS) and, for a
#   program, the folder it is written to (default: the current binary folder).

function(vantor_target name)
  cmake_parse_arguments(T "" "OUTPUT_DIR" "" ${ARGN})
  target_compile_options(${name} PRIVATE
    $<$<COMPILE_LANGUAGE:C,CXX,ASM>:${VANTOR_COMPILE_OPTIONS}>
    $<$<COMPILE_LANGUAGE:CXX>:${VANTOR_WARNINGS}>)
  get_target_property(type ${name} TYPE)
  if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY")
    target_link_options(${name} PRIVATE ${VANTOR_LINK_OPTIONS})
  endif()
  if(T_OUTPUT_DIR)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${T_OUTPUT_DIR})
  endif()
endfunction()

function(vantor_library name)
  add_library(${name} ${ARGN})
  vantor_target(${name})
endfunction()

function(vantor_executable name)
  cmake_parse_arguments(E "WIN32" "OUTPUT_DIR" "" ${ARGN})
  if(E_WIN32)
    add_executable(${name} WIN32 ${E_UNPARSED_ARGUMENTS})
  else()
    add_executable(${name} ${E_UNPARSED_ARGUMENTS})
  endif()
  vantor_target(${name} OUTPUT_DIR "${E_OUTPUT_DIR}")
endfunction()
