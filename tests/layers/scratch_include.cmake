# Runs the layer check on a scratch copy of src/ with one include added, and fails unless the
# check judges it as expected.
# Run as: cmake -DSOURCE_DIR=<project> -DSCRATCH=<folder> -DFILE=<src/...> -DFORM=quote|angle
#               -DHEADER=<name> -DEXPECT=<regex of the fault>|pass -DWIDGET_HEADER_DIRS=<dirs>
#               -P scratch_include.cmake
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
file(COPY ${SOURCE_DIR}/src DESTINATION ${SCRATCH})
if(NOT EXISTS ${SCRATCH}/${FILE})
  message(FATAL_ERROR "${FILE} is not in the tree")
endif()
if(FORM STREQUAL "angle")
  set(line "#include <${HEADER}>")
else()
  set(line "#include \"${HEADER}\"")
endif()
file(APPEND ${SCRATCH}/${FILE} "\n${line}\n")

execute_process(
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SCRATCH} "-DWIDGET_HEADER_DIRS=${WIDGET_HEADER_DIRS}"
          -P ${SOURCE_DIR}/cmake/check_layers.cmake
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(REMOVE_RECURSE ${SCRATCH})

if(EXPECT STREQUAL "pass")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${FILE} with ${line} is within the layers, but the check refused it:\n${err}")
  endif()
elseif(result EQUAL 0)
  message(FATAL_ERROR "${FILE} with ${line} breaks the layers, but the check passed it")
elseif(NOT err MATCHES "${EXPECT}")
  message(FATAL_ERROR "${FILE} with ${line}: the check failed without the expected fault '${EXPECT}':\n${err}")
endif()
