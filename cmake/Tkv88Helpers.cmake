# tkv88_show_folder(<target> <PUBLIC|PRIVATE> <folder>)
# Lets <target>, and with PUBLIC whatever links it, include the headers of one
# folder of the repository as "<folder>/Name.h" and nothing else of it: the
# include path is a directory of the build tree holding only a link to that
# folder.
function(tkv88_show_folder target scope folder)
  string(MAKE_C_IDENTIFIER ${folder} id)
  set(root ${PROJECT_BINARY_DIR}/folders/${id})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()

# tkv88_layer(<name> [CORE] [DEPENDS libs...])
# A layer: every .cpp of the calling folder as a static library that shows its
# folder's headers to itself and to the layers that link it, so an include from
# a layer below fails to compile. A CORE layer is standard C++ only: linking
# anything Qt into it is a configure error, so the core builds and tests
# headless everywhere.
function(tkv88_layer name)
  cmake_parse_arguments(ARG "CORE" "" "DEPENDS" ${ARGN})
  if(ARG_CORE)
    foreach(dep ${ARG_DEPENDS})
      if(dep MATCHES "Qt")
        message(FATAL_ERROR "core layer ${name} must not depend on ${dep}")
      endif()
    endforeach()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${srcs})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  tkv88_show_folder(${name} PUBLIC ${folder})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
endfunction()
