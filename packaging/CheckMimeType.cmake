# cmake -DSOURCE=<packaging folder> -DAPP_ID=<id> -DWORK=<scratch folder> -P CheckMimeType.cmake
#
# The file type as a desktop sees it: update-mime-database builds a database
# from our definition alone, which must map "*.tkv88" and the files' first
# line to application/x-tkv88-config; and the desktop entry must offer to
# open that type.
cmake_minimum_required(VERSION 3.21)
set(type application/x-tkv88-config)

find_program(update update-mime-database)
if(NOT update)
  message(STATUS "update-mime-database is not installed (shared-mime-info): the check is skipped")
  return()
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/mime/packages)
file(COPY_FILE ${SOURCE}/tkv88-mime.xml ${WORK}/mime/packages/tkv88.xml)
# Pointing XDG_DATA_HOME there keeps it from noting that no program would look there.
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK} ${update} ${WORK}/mime
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "update-mime-database refused the definition (${rc}):\n${err}")
endif()

file(READ ${WORK}/mime/globs2 globs)
file(STRINGS ${WORK}/mime/magic magic)  # binary: its printable runs
file(READ ${SOURCE}/${APP_ID}.desktop desktop)
set(problems "")
if(NOT globs MATCHES ":${type}:\\*\\.tkv88")
  string(APPEND problems "\n  *.tkv88 is not mapped to ${type}:\n${globs}")
endif()
if(NOT magic MATCHES "${type}" OR NOT magic MATCHES "DeviceDataName=")
  string(APPEND problems "\n  no magic for ${type} on \"DeviceDataName=\"")
endif()
if(NOT desktop MATCHES "\nMimeType=([^\n]*;)?${type};" OR NOT desktop MATCHES "\nExec=[^\n]* %[fFuU]")
  string(APPEND problems "\n  the desktop entry does not open ${type} files")
endif()
if(problems)
  message(FATAL_ERROR "the file type is not what a desktop needs:${problems}")
endif()
