# The programs and sources the build and the tests need, looked up at configure time so
# that a missing one is named at once, with the Debian package that brings it
# (scripts/bootstrap installs them all).

# tavolen_require_program(<var> <package> <name> [<folder>...]): the full path of program
# <name> in <var>, searched on PATH and then in the folders given.
function(tavolen_require_program var package name)
  find_program(${var} NAMES ${name} PATHS ${ARGN} NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${var})
    message(FATAL_ERROR "${name} not found: install the Debian package ${package} (scripts/bootstrap does)")
  endif()
endfunction()

# tavolen_require_path(<var> <package> <file> <folder>...): the folder among those given
# that holds <file>, in <var>.
function(tavolen_require_path var package file)
  find_path(${var} NAMES ${file} PATHS ${ARGN} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${var})
    string(REPLACE ";" " " folders "${ARGN}")
    message(FATAL_ERROR "${file} not found in ${folders}: install the Debian package ${package} (scripts/bootstrap does)")
  endif()
endfunction()
