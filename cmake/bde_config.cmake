# Writes the engine's configuration file: the six settings in its first line, each name
# followed by three bytes (NUL, 1, NUL) and its value ended by a NUL byte, MEMSIZE before
# SHAREDMEMSIZE (a name is found anywhere in the line, also inside a longer one). The values
# are the data module's.
# Run as: cmake -DFILE=<file> -DNET_DIR=<folder> -P bde_config.cmake
set(settings "LOCAL SHARE" FALSE "NET DIR" "${NET_DIR}" MAXBUFSIZE 2048 MAXFILEHANDLES 48 MEMSIZE 16
             SHAREDMEMSIZE 2048)
set(format "")
set(args "")
while(settings)
  list(POP_FRONT settings name value)
  string(APPEND format "%s\\000\\001\\000%s\\000")
  list(APPEND args "${name}" "${value}")
endwhile()
execute_process(COMMAND printf "${format}" ${args} OUTPUT_FILE ${FILE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "bde_config: cannot write ${FILE}")
endif()
