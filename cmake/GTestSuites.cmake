cmake_minimum_required(VERSION 3.20)
# Writes a CTest file with one test per suite of a GoogleTest program, run
# after every build of the program. A suite's tests share one process: the
# tests that draw then load the GL driver once per suite rather than once per
# test, which was most of their time.
#   cmake -DPROGRAM=... -DWORKING_DIRECTORY=... -DOUTPUT=... [-DLONG_SUITES=a,b]
#         [-DSPLIT_SUITES=a:2,b:3] [-DDISPLAY_SUITES=a:bare,b:bare:managed
#         -DDISPLAYS_FILE=... -DDISPLAYS_FIXTURE=name]
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
# A suite of SPLIT_SUITES (SUITE:PARTS) runs as that many CTest tests, each a
# share of its tests (GoogleTest's shards), so that the longest suite does
# not keep one core busy while the other has run out of work.
string(REPLACE "," ";" SPLIT_SUITES "${SPLIT_SUITES}")
# A suite of DISPLAY_SUITES (SUITE:KIND[:KIND]) plays on the virtual X
# displays of those kinds that the fixture DISPLAYS_FIXTURE starts once for
# the run and lists in DISPLAYS_FILE; it holds them while it runs, so that no
# other suite's windows come and go on them meanwhile.
string(REPLACE "," ";" DISPLAY_SUITES "${DISPLAY_SUITES}")
if(NOT TIMEOUT)
  set(TIMEOUT 30)
endif()
if(NOT LONG_TIMEOUT)
  set(LONG_TIMEOUT 60)
endif()

function(partsOf suite out)
  set(parts 1)
  foreach(entry IN LISTS SPLIT_SUITES)
    if(entry MATCHES "^${suite}:([0-9]+)$")
      set(parts ${CMAKE_MATCH_1})
    endif()
  endforeach()
  set(${out} ${parts} PARENT_SCOPE)
endfunction()

# The properties that let a suite share the displays: none for most.
function(displayPropertiesOf suite out)
  set(properties "")
  foreach(entry IN LISTS DISPLAY_SUITES)
    string(REPLACE ":" ";" fields "${entry}")
    list(POP_FRONT fields name)
    if(name STREQUAL suite)
      list(TRANSFORM fields PREPEND "XDisplay.")
      string(CONCAT properties " FIXTURES_REQUIRED ${DISPLAYS_FIXTURE} RESOURCE_LOCK [=[${fields}]=]"
                                " ENVIRONMENT [==[VESBRIK_X_DISPLAYS=${DISPLAYS_FILE}]==]")
    endif()
  endforeach()
  set(${out} "${properties}" PARENT_SCOPE)
endfunction()

set(content "")
foreach(suite IN LISTS suites)
  set(cost 1)
  set(timeout ${TIMEOUT})
  if(suite IN_LIST LONG_SUITES)
    set(cost 50)
    set(timeout ${LONG_TIMEOUT})
  endif()
  partsOf(${suite} parts)
  displayPropertiesOf(${suite} display)
  foreach(part RANGE 1 ${parts})
    set(name "${suite}")
    set(shard "")
    if(parts GREATER 1)
      set(name "${suite}-${part}of${parts}")
      math(EXPR index "${part} - 1")
      set(shard " ENVIRONMENT [=[GTEST_TOTAL_SHARDS=${parts};GTEST_SHARD_INDEX=${index}]=]")
    endif()
    string(APPEND content
      "add_test([=[${name}]=] [==[${PROGRAM}]==] [=[--gtest_filter=${suite}.*]=])\n"
      "set_tests_properties([=[${name}]=] PROPERTIES WORKING_DIRECTORY [==[${WORKING_DIRECTORY}]==] TIMEOUT ${timeout}"
      " COST ${cost}${shard}${display})\n")
  endforeach()
endforeach()
file(WRITE "${OUTPUT}.new" "${content}")
# Rewritten only when the suites change, so CTest's timing history stays.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
