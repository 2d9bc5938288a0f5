# Fails when a source file breaks the direction of the program's layers:
#   - only src/app includes headers of src/app (the main window and the program's start-up);
#   - src/packing and src/engine include no Qt header, src/packing no SQLite either;
#   - the window folders (store, review, editing, exchange, printing, options) include each
#     other without a loop: when one folder reaches another through its includes, the other
#     never reaches back;
#   - a rule unit (listed below) includes no Qt Widgets header, neither directly nor through
#     the project's headers it includes, so that its tests need no window.
# Run as: cmake -DSOURCE_DIR=<project> -DWIDGET_HEADER_DIRS=<dirs> -P check_layers.cmake
# where WIDGET_HEADER_DIRS lists the include folders of Qt's widget modules (QtWidgets, ...).

# The rule units: the rules of a subsystem (judgements, filters, checks, file formats, the
# steps of a routine) apart from its windows, each with a fast table test of its own. A new
# rule unit is added here, by its path without extension.
set(rule_units
  src/app/Apertura_FE
  src/editing/Anade_n_Grupo_Lineas
  src/editing/Condicion_Seleccion
  src/exchange/Exportacion
  src/exchange/Importar_de_txt_Lineas
  src/exchange/Restos_Trabajo
  src/exchange/Transporte
  src/platform/TextFile
  src/review/Filtros_Repaso
  src/review/Reglas_Repaso
  src/store/Preferencias
)

set(window_folders store review editing exchange printing options)

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp)
set(faults "")

# The headers of Qt's widget modules, by the names a source includes them with.
set(widget_headers "")
foreach(dir IN LISTS WIDGET_HEADER_DIRS)
  file(GLOB names RELATIVE ${dir} ${dir}/*)
  list(APPEND widget_headers ${names})
endforeach()
if(NOT widget_headers)
  message(FATAL_ERROR "check_layers: no Qt widget headers found in WIDGET_HEADER_DIRS='${WIDGET_HEADER_DIRS}'")
endif()

foreach(f IN LISTS sources)
  file(STRINGS ${SOURCE_DIR}/${f} includes REGEX "^[ \t]*#[ \t]*include")
  set(project_includes_${f} "")
  set(widgets_${f} "")
  foreach(line IN LISTS includes)
    if(NOT f MATCHES "^src/app/" AND line MATCHES "[\"<]app/")
      list(APPEND faults "${f}: ${line}")
    endif()
    if(f MATCHES "^src/(packing|engine)/" AND line MATCHES "<Q[A-Za-z]*>|<Qt")
      list(APPEND faults "${f}: ${line}")
    endif()
    if(f MATCHES "^src/packing/" AND line MATCHES "sqlite")
      list(APPEND faults "${f}: ${line}")
    endif()
    if(line MATCHES "\"([a-z]+/[A-Za-z0-9_]+\\.h)\"")
      list(APPEND project_includes_${f} "src/${CMAKE_MATCH_1}")
    elseif(line MATCHES "<(Qt[A-Za-z]+/)?([A-Za-z0-9_]+)>")
      list(FIND widget_headers "${CMAKE_MATCH_2}" at)
      if(at GREATER -1)
        list(APPEND widgets_${f} "${CMAKE_MATCH_2}")
      endif()
    endif()
  endforeach()
endforeach()

# ---- Window folders: no loop of includes ----
foreach(a IN LISTS window_folders)
  set(reach_${a} "")
  foreach(f IN LISTS sources)
    if(f MATCHES "^src/${a}/")
      foreach(inc IN LISTS project_includes_${f})
        if(inc MATCHES "^src/([a-z]+)/" AND NOT CMAKE_MATCH_1 STREQUAL a)
          list(FIND window_folders "${CMAKE_MATCH_1}" w)
          if(w GREATER -1)
            list(APPEND reach_${a} ${CMAKE_MATCH_1})
            list(APPEND why_${a}_${CMAKE_MATCH_1} "${f} includes ${inc}")
          endif()
        endif()
      endforeach()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES reach_${a})
  set(direct_${a} ${reach_${a}})
endforeach()
set(changed TRUE)
while(changed)
  set(changed FALSE)
  foreach(a IN LISTS window_folders)
    foreach(b IN LISTS reach_${a})
      foreach(c IN LISTS reach_${b})
        list(FIND reach_${a} ${c} known)
        if(known EQUAL -1)
          list(APPEND reach_${a} ${c})
          set(changed TRUE)
        endif()
      endforeach()
    endforeach()
  endforeach()
endwhile()
foreach(a IN LISTS window_folders)
  foreach(b IN LISTS direct_${a})
    list(FIND reach_${b} ${a} back)
    if(back GREATER -1)
      list(GET why_${a}_${b} 0 example)
      list(APPEND faults "src/${a} and src/${b} include each other (${example})")
    endif()
  endforeach()
endforeach()

# ---- Rule units: no Qt Widgets header, directly or through the project's headers ----
foreach(unit IN LISTS rule_units)
  set(found FALSE)
  set(seen "")
  set(todo "")
  foreach(ext h cpp)
    if(EXISTS ${SOURCE_DIR}/${unit}.${ext})
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
      if(s EQUAL -1 AND t EQUAL -1 AND EXISTS ${SOURCE_DIR}/${inc})
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
