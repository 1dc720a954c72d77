# Finding the build's dependencies. A missing one stops the configure step
# with the name of the Debian package that provides it (scripts/setup.sh
# installs them all); nothing is left out quietly.
#
#   vask_require(<Package> DEBIAN <debian-package> [find_package arguments...])
#   vask_require_program(<variable> <program> DEBIAN <debian-package>)
#   vask_require_fltk()
#
# vask_require is a macro, so that the variables find_package sets (such as
# FLTK_LIBRARIES) reach the caller.
macro(vask_require name)
  cmake_parse_arguments(vask_require "" "DEBIAN" "" ${ARGN})
  find_package(${name} ${vask_require_UNPARSED_ARGUMENTS})
  if(NOT ${name}_FOUND)
    message(FATAL_ERROR "${name} was not found: install the Debian package "
                        "${vask_require_DEBIAN} (scripts/setup.sh installs it)")
  endif()
endmacro()

function(vask_require_program variable program)
  cmake_parse_arguments(PARSE_ARGV 2 ARG "" "DEBIAN" "")
  find_program(${variable} ${program})
  if(NOT ${variable})
    message(FATAL_ERROR "The program ${program} was not found: install the Debian package "
                        "${ARG_DEBIAN} (scripts/setup.sh installs it)")
  endif()
endfunction()

# FLTK 1.3 for the forms library, without its OpenGL, forms-compatibility and
# designer parts, which nothing here uses (so neither the OpenGL headers nor
# libGL are needed). Debian's CMake package file of FLTK checks that the
# designer program exists, though, so it must be installed.
macro(vask_require_fltk)
  vask_require_program(VASK_FLUID_PROGRAM fluid DEBIAN fluid)
  set(FLTK_SKIP_OPENGL ON)
  set(FLTK_SKIP_FORMS ON)
  set(FLTK_SKIP_FLUID ON)
  vask_require(FLTK DEBIAN libfltk1.3-dev)
endmacro()
