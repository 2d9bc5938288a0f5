# Fails when a source file under src/ breaks the layers of the program.
#
# Every folder of src/ has a rank, lowest first:
#   0  packing, engine       plain C++ (engine on SQLite)
#   1  platform              stand-ins for the platform's class library, on Qt
#   2  store                 the data module, the shared session state, the study-file windows
#   3  editing, options
#   4  review, exchange, printing
#   5  app                   the main window and the program's start-up
# An include reaches only its own folder or a folder of a lower rank, so folders of the same
# rank never include each other and no two folders form a loop. Each include is first resolved
# to the file the compiler would take, whatever its spelling: "x.h" beside the including file,
# then "folder/x.h" or <folder/x.h> on the project's include path src/; "../folder/x.h" is
# resolved the same way. An include that resolves to no file of the project is a library's.
# Besides:
#   - src/packing and src/engine include no Qt header, src/packing no SQLite either;
#   - a rule unit (listed below) includes no header of Qt's widget modules, neither directly
#     nor through the project's headers it includes, so that its tests need no window.
# Run as: cmake -DSOURCE_DIR=<project> -DWIDGET_HEADER_DIRS=<dirs> -P check_layers.cmake
# where WIDGET_HEADER_DIRS lists the include folders of Qt's widget modules (QtWidgets, ...).

# The ranks of the folders of src/, by pairs of folder and rank. A new folder gets its rank here.
set(folder_ranks
  packing 0   engine 0
  platform 1
  store 2
  editing 3   options 3
  review 4    exchange 4   printing 4
  app 5
)

# The rule units: the rules of a subsystem (judgements, filters, checks, file formats, the
# steps of a routine) apart from its windows, each with a fast table test of its own. A new
# rule unit is added here, by its path without extension.
set(rule_units
  src/app/Apertura_FE
  src/editing/Anade_n_Grupo_Lineas
  src/editing/Condicion_Seleccion
  src/exchange/Exportacion
  src/exchange/Importar_de_txt_Lineas
  src/exchange/Transporte
  src/platform/TextFile
  src/review/Filtros_Repaso
  src/review/Reglas_Repaso
  src/store/Preferencias
  src/store/Restos_Trabajo
)

cmake_path(SET root NORMALIZE "${SOURCE_DIR}")
string(REGEX REPLACE "/$" "" root "${root}")
set(faults "")

while(folder_ranks)
  list(POP_FRONT folder_ranks folder rank)
  set(rank_${folder} ${rank})
endwhile()

# The headers of Qt's widget modules, by the names a source includes them with.
set(widget_headers "")
foreach(dir IN LISTS WIDGET_HEADER_DIRS)
  file(GLOB names RELATIVE ${dir} ${dir}/*)
  list(APPEND widget_headers ${names})
endforeach()
if(NOT widget_headers)
  message(FATAL_ERROR "check_layers: no Qt widget headers found in WIDGET_HEADER_DIRS='${WIDGET_HEADER_DIRS}'")
endif()

# Every file of src/ that may hold includes.
file(GLOB_RECURSE sources RELATIVE ${root} ${root}/src/*)
list(FILTER sources EXCLUDE REGEX "(^|/)CMakeLists\\.txt$")

foreach(f IN LISTS sources)
  set(project_includes_${f} "")
  set(widgets_${f} "")
  if(NOT f MATCHES "^src/([^/]+)/")
    list(APPEND faults "${f}: a file of src/ outside every folder of the layers")
    continue()
  endif()
  set(folder ${CMAKE_MATCH_1})
  if(NOT DEFINED rank_${folder})
    list(APPEND faults "${f}: the folder src/${folder} has no rank in cmake/check_layers.cmake")
    continue()
  endif()
  get_filename_component(here ${root}/${f} DIRECTORY)

  file(STRINGS ${root}/${f} includes REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS includes)
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
      list(APPEND faults "${f}: ${line}: an include the check cannot resolve")
      continue()
    endif()
    set(bracket "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")

    # The file the compiler takes: beside the including file for "...", then on the
    # project's include path src/.
    set(target "")
    set(candidates ${root}/src/${name})
    if(bracket STREQUAL "\"")
      list(PREPEND candidates ${here}/${name})
    endif()
    foreach(c IN LISTS candidates)
      if(EXISTS "${c}" AND NOT IS_DIRECTORY "${c}")
        cmake_path(SET target NORMALIZE "${c}")
        file(RELATIVE_PATH target ${root} ${target})
        break()
      endif()
    endforeach()

    if(target)
      if(NOT target MATCHES "^src/([^/]+)/")
        list(APPEND faults "${f}: ${line} reaches ${target}, outside the folders of the layers")
        continue()
      endif()
      set(to ${CMAKE_MATCH_1})
      list(APPEND project_includes_${f} ${target})
      if(NOT to STREQUAL folder)
        if(NOT DEFINED rank_${to})
          list(APPEND faults "${f}: ${line} reaches ${target}, whose folder has no rank")
        elseif(NOT rank_${to} LESS rank_${folder})
          list(APPEND faults "${f}: ${line} reaches ${target}, of rank ${rank_${to}} (${to}), from rank ${rank_${folder}} (${folder}): only the own folder or a lower rank")
        endif()
      endif()
    else()
      # A library's header.
      if(folder MATCHES "^(packing|engine)$" AND name MATCHES "^(Qt[A-Za-z]*(/|$)|Q[A-Z][A-Za-z0-9_]*$|q[a-z0-9_]*\\.h$)")
        list(APPEND faults "${f}: ${line}: ${folder} includes no Qt header")
      endif()
      string(TOLOWER "${name}" lower)
      if(folder STREQUAL "packing" AND lower MATCHES "sqlite")
        list(APPEND faults "${f}: ${line}: packing includes no SQLite header")
      endif()
      get_filename_component(base "${name}" NAME)
      list(FIND widget_headers "${base}" at)
      if(at GREATER -1)
        list(APPEND widgets_${f} "${base}")
      endif()
    endif()
  endforeach()
endforeach()

# ---- Rule units: no Qt Widgets header, directly or through the project's headers ----
foreach(unit IN LISTS rule_units)
  set(found FALSE)
  set(seen "")
  set(todo "")
  foreach(ext h cpp)
    if(EXISTS ${root}/${unit}.${ext})
      list(APPEND todo ${unit}.${ext})
      set(found TRUE)
    endif()
  endforeach()
  if(NOT found)
    list(APPEND faults "${unit}: listed as a rule unit, but neither ${unit}.h nor ${unit}.cpp exists")
  endif()
  while(todo)
    list(POP_FRONT todo f)
    list(APPEND seen ${f})
    foreach(w IN LISTS widgets_${f})
      if(f MATCHES "^${unit}\\.")
        list(APPEND faults "${f}: a rule unit includes the widget header <${w}>")
      else()
        list(APPEND faults "${unit}: a rule unit reaches the widget header <${w}> through ${f}")
      endif()
    endforeach()
    foreach(inc IN LISTS project_includes_${f})
      list(FIND seen ${inc} s)
      list(FIND todo ${inc} t)
      if(s EQUAL -1 AND t EQUAL -1)
        list(APPEND todo ${inc})
      endif()
    endforeach()
  endwhile()
endforeach()

if(faults)
  list(REMOVE_DUPLICATES faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against the layers:\n  ${text}")
endif()
list(LENGTH sources n)
list(LENGTH rule_units u)
message(STATUS "Layers kept in ${n} files, ${u} rule units without widgets")
