# cmake -DDEB=<package> -P RunLintian.cmake
#
# Lintian on the package: errors fail; warnings and the rest are printed,
# so the test's output names them.
cmake_minimum_required(VERSION 3.21)
find_program(lintian lintian)
if(NOT lintian)
  message(STATUS "lintian is not installed: the check is skipped")
  return()
endif()
execute_process(COMMAND ${lintian} --fail-on error --display-level ">=info" --no-tag-display-limit ${DEB}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "lintian ${DEB}:\n${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lintian found errors (exit status ${rc})")
endif()
