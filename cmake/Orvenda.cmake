# orv_library(NAME DIRS... [QT] DEPS ...)
# A static library of every .cpp in the given folders under src/. Each layer is one library,
# so that the linker keeps dependencies pointing down.
function(orv_library name)
  cmake_parse_arguments(A "QT" "" "DIRS;DEPS" ${ARGN})
  set(sources "")
  foreach(d IN LISTS A_DIRS)
    file(GLOB s CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${d}/*.cpp ${PROJECT_SOURCE_DIR}/src/${d}/*.h)
    list(APPEND sources ${s})
  endforeach()
  list(FILTER sources EXCLUDE REGEX ".*/src/app/main\\.cpp$")
  if(A_QT)
    set(CMAKE_AUTOMOC ON)
  endif()
  add_library(${name} STATIC ${sources} ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# ---- The engine's folder ----
# "BDE" beside the executables, where the program finds its database engine on a fresh
# machine: the SQLite shared library under the name the engine is loaded by ("idapi32.dll"),
# a link to the system's own library, and the engine's configuration file "idapi32.cfg" with
# the data module's settings. Every program of the build that opens tables depends on it.
set(ORV_BDE_DIR ${CMAKE_BINARY_DIR}/bin/BDE)
get_filename_component(orv_sqlite_dir "${SQLite3_LIBRARY}" DIRECTORY)
if(EXISTS "${orv_sqlite_dir}/libsqlite3.so.0")
  # The name the system's dynamic linker uses, so that an update of SQLite is followed.
  set(ORV_SQLITE_RUNTIME "${orv_sqlite_dir}/libsqlite3.so.0")
else()
  file(REAL_PATH "${SQLite3_LIBRARY}" ORV_SQLITE_RUNTIME)
endif()
add_custom_command(
  OUTPUT ${ORV_BDE_DIR}/idapi32.dll ${ORV_BDE_DIR}/idapi32.cfg
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ORV_BDE_DIR}
  COMMAND ${CMAKE_COMMAND} -E create_symlink ${ORV_SQLITE_RUNTIME} ${ORV_BDE_DIR}/idapi32.dll
  COMMAND ${CMAKE_COMMAND} -DFILE=${ORV_BDE_DIR}/idapi32.cfg -DNET_DIR=${CMAKE_BINARY_DIR}/bin/dat
          -P ${PROJECT_SOURCE_DIR}/cmake/bde_config.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/bde_config.cmake
  COMMENT "Putting the engine's files in ${ORV_BDE_DIR}"
  VERBATIM)
add_custom_target(bde_folder DEPENDS ${ORV_BDE_DIR}/idapi32.dll ${ORV_BDE_DIR}/idapi32.cfg)

# orv_opens_tables(TARGET [PROGRAM])
# A program that opens tables: building it puts the engine's folder in place. The program
# itself finds the engine through the registry; any other program of the build (a test, a
# benchmark, a tool, a fuzz target) loads it before main from the build's engine folder, with
# the build's registry file (tools/support/BuildEngine.cpp).
function(orv_opens_tables target)
  cmake_parse_arguments(A "PROGRAM" "" "" ${ARGN})
  add_dependencies(${target} bde_folder)
  if(NOT A_PROGRAM)
    target_link_libraries(${target} PRIVATE orv_build_engine)
  endif()
endfunction()
