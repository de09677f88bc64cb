cmake_minimum_required(VERSION 3.20)
# Writes a CTest file with one test per suite of a GoogleTest program, run
# after every build of the program. A suite's tests share one process: the
# tests that draw then load the GL driver once per suite rather than once per
# test, which was most of their time.
#   cmake -DPROGRAM=... -DWORKING_DIRECTORY=... -DOUTPUT=... [-DLONG_SUITES=a,b]
#         [-DTIMEOUT=seconds] [-DLONG_TIMEOUT=seconds] -P GTestSuites.cmake
# A suite that hangs fails after TIMEOUT seconds (LONG_TIMEOUT for the long
# ones), and CTest's log names it, with its output up to the test it hung in.
execute_process(COMMAND "${PROGRAM}" --gtest_list_tests
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --gtest_list_tests failed (${status}): ${errors}")
endif()

# Brackets and semicolons (in parameter comments) would upset CMake's lists.
string(REPLACE ";" "," listing "${listing}")
string(REPLACE "[" "(" listing "${listing}")
string(REPLACE "]" ")" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")

set(suites "")
set(suite "")
foreach(line IN LISTS lines)
  if(line MATCHES "^([^ #][^ ]*)\\.")
    set(suite "${CMAKE_MATCH_1}")
  elseif(suite AND line MATCHES "^  ([^ ]+)")
    # A suite of tests that are all disabled is not registered at all.
    if(NOT CMAKE_MATCH_1 MATCHES "^DISABLED_" AND NOT suite IN_LIST suites)
      list(APPEND suites "${suite}")
    endif()
  endif()
endforeach()

# Suites that take seconds (LONG_SUITES, separated by commas) get a cost, so
# that CTest starts them first even before it has timed a run of its own.
string(REPLACE "," ";" LONG_SUITES "${LONG_SUITES}")
if(NOT TIMEOUT)
  set(TIMEOUT 30)
endif()
if(NOT LONG_TIMEOUT)
  set(LONG_TIMEOUT 60)
endif()
set(content "")
foreach(suite IN LISTS suites)
  set(cost 1)
  set(timeout ${TIMEOUT})
  if(suite IN_LIST LONG_SUITES)
    set(cost 50)
    set(timeout ${LONG_TIMEOUT})
  endif()
  string(APPEND content
    "add_test([=[${suite}]=] [==[${PROGRAM}]==] [=[--gtest_filter=${suite}.*]=])\n"
    "set_tests_properties([=[${suite}]=] PROPERTIES WORKING_DIRECTORY [==[${WORKING_DIRECTORY}]==] TIMEOUT ${timeout}"
    " COST ${cost})\n")
endforeach()
file(WRITE "${OUTPUT}.new" "${content}")
# Rewritten only when the suites change, so CTest's timing history stays.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
