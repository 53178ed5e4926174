# Runs one test of a test program that hangs on purpose, with the watchdog's bound set
# to BOUND seconds, and passes when the program ends as failed within that bound (and
# the time Wine takes to start it), naming the test and what it hung in.
#   cmake "-DRUN=EMULATOR...;PROGRAM" -DTEST=SUITE.NAME -DBOUND=S -DHUNG_IN=TEXT -P ExpectWatchdog.cmake
set(ENV{QUILM_TEST_WATCHDOG_S} ${BOUND})
string(TIMESTAMP started "%s")
execute_process(COMMAND ${RUN} --gtest_also_run_disabled_tests --gtest_filter=${TEST}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 100)
string(TIMESTAMP ended "%s")
math(EXPR took "${ended} - ${started}")
message("${output}")
set(allowed 30)
if(result EQUAL 0)
    message(FATAL_ERROR "the hanging test passed")
elseif(took GREATER allowed)
    message(FATAL_ERROR "the program ended after ${took} s, not within the bound of ${BOUND} s (and ${allowed} s in all)")
endif()
foreach(expected "WATCHDOG: ${TEST} is still running" "${HUNG_IN}")
    string(FIND "${output}" "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the watchdog's report does not say \"${expected}\"")
    endif()
endforeach()
message("passed: ended as failed (${result}) after ${took} s, naming the test and ${HUNG_IN}")
