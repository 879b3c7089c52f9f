# zv_module(NAME FOLDER [DEPS ...]): a static library of the .cpp files of one
# subsystem folder, picking the _win.cpp or _posix.cpp variant of each
# platform-specific file. Files ending in _libdeflate.cpp or _zlib.cpp are
# variants of one interface on two libraries: the caller adds the one it
# picks. A folder with no sources yet gives an interface
# library so that dependents link the same way either way.
function(zv_module name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
  endif()
  list(FILTER sources EXCLUDE REGEX "_(libdeflate|zlib)\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads PRIVATE zv_options)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# zv_executable(NAME [WIDE_MAIN] SOURCES... LIBS ...): one of our programs.
# WIDE_MAIN: on Windows the entry point is wmain/wWinMain (UTF-16 arguments).
function(zv_executable name)
  cmake_parse_arguments(ARG "WIDE_MAIN" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} zv_options)
  if(WIN32 AND ARG_WIDE_MAIN)
    target_link_options(${name} PRIVATE -municode)
  endif()
endfunction()

# zv_module_link(NAME LIBS...): adds dependencies to a module, whether it has
# sources yet or not.
function(zv_module_link name)
  get_target_property(type ${name} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()
