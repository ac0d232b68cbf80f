# Runs a command that must fail in one particular way: it must run, exit with EXPECT_CODE and
# print text matching EXPECT_OUTPUT (standard output and error together). A program that could
# not start at all, or that failed for another reason, fails the test.
#   cmake "-DCOMMAND=exe|arg|..." -DEXPECT_CODE=n -DEXPECT_OUTPUT=regex -P ExpectFailure.cmake
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 300)
message("${out}${err}")
if(NOT "${result}" STREQUAL "${EXPECT_CODE}")
    message(FATAL_ERROR "expected exit code ${EXPECT_CODE}, got '${result}'")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT_OUTPUT}")
    message(FATAL_ERROR "the output does not show the expected failure (${EXPECT_OUTPUT})")
endif()
