# Run with -P: runs PROGRAM with ARGS (a list) and passes when it exits with status 2 and says one
# line on standard error that matches EXPECTED.
execute_process(COMMAND ${PROGRAM} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REGEX MATCHALL "\n" lines "${err}")
list(LENGTH lines count)
if(NOT status EQUAL 2 OR NOT count EQUAL 1 OR NOT err MATCHES "${EXPECTED}")
  message(FATAL_ERROR "status ${status}, ${count} lines on standard error:\n${err}\nexpected one line matching: ${EXPECTED}")
endif()
message(STATUS "${err}")
