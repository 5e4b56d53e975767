# Makes the default puzzle library from the committed text file, unless a library is
# already there. The tool builds it under a temporary name and renames it into place.
if(EXISTS "${DB}")
  return()
endif()
execute_process(COMMAND "${TOOL}" --db "${DB}" create --from "${SOURCE}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Could not make the default puzzle library ${DB}")
endif()
