# Runs COMMAND (a ;-list) and passes only when it fails and its output
# matches EXPECT: the resource checkers must reject what they exist to catch.
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(code EQUAL 0)
  message(FATAL_ERROR "expected a failure, the command succeeded:\n${out}${err}")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT}")
  message(FATAL_ERROR "the output does not report \"${EXPECT}\":\n${out}${err}")
endif()
