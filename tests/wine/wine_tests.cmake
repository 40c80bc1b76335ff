# The Windows executables and the end-to-end scenarios, run under Wine as
# part of the native test run.
#
# GoogleTest cases are registered one CTest test per suite, the suite names
# read here from the test sources, so that the summary counts them.  Without
# a Windows build every test here reports "skipped" (exit 77).
#
# The stand-in peers come in both widths (peers32/, peers/).  What faces the
# peers runs against the 32-bit ones, as traders' programs mostly are, and
# once more against the 64-bit ones under a name ending in 64
# (wine.contract_tests64.*, wine.e2e64.*); LINGBO_PEER_BITS tells the harness
# and the contract world which.
#
# Two Wine sessions (each a display, a prefix and a wineserver of its own)
# run side by side, set up and torn down by the fixtures "wine" and "wine64":
# what runs against the 32-bit peers lives in the first, what runs against the
# 64-bit ones in the second, so the two widths run at the same time.  What
# makes windows takes its session's desktop (RESOURCE_LOCK), one test at a
# time per desktop.  The second session always gets an Xvfb of its own, so
# the two never share a pointer.

set(LINGBO_WINE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(LINGBO_WINE_STATE_wine ${CMAKE_BINARY_DIR}/wine-session)
set(LINGBO_WINE_STATE_wine64 ${CMAKE_BINARY_DIR}/wine-session64)
set(LINGBO_WINE_SESSION_32 wine)
set(LINGBO_WINE_SESSION_64 wine64)
foreach(session wine wine64)
  set(state ${LINGBO_WINE_STATE_${session}})
  set(LINGBO_WINE_ENVIRONMENT_${session}
      LINGBO_WINE_ENV=${state}/env
      LINGBO_WINDOWS_BUILD_DIR=${LINGBO_WINDOWS_BUILD_DIR}
      LINGBO_E2E_ARTIFACTS=${CMAKE_BINARY_DIR}/e2e-artifacts
      PYTHONDONTWRITEBYTECODE=1)
  string(REPLACE "wine" "session" name ${session})
  add_test(NAME wine.${name}.start COMMAND bash ${LINGBO_WINE_DIR}/session.sh start ${state})
  add_test(NAME wine.${name}.stop COMMAND bash ${LINGBO_WINE_DIR}/session.sh stop ${state})
  set(environment ${LINGBO_WINE_ENVIRONMENT_${session}})
  if(session STREQUAL "wine64")
    list(APPEND environment LINGBO_WINE_OWN_DISPLAY=1)
  endif()
  set_tests_properties(wine.${name}.start PROPERTIES FIXTURES_SETUP ${session} TIMEOUT 240 SKIP_RETURN_CODE 77
                       ENVIRONMENT "${environment}")
  set_tests_properties(wine.${name}.stop PROPERTIES FIXTURES_CLEANUP ${session} TIMEOUT 60
                       ENVIRONMENT "${LINGBO_WINE_ENVIRONMENT_${session}}")
endforeach()

# Runs a test in the session of that width of peers, or in the second one
# when the test itself names it (width-independent scenarios, to even out
# the two sessions' shares); with lock, it takes that session's desktop.
function(lingbo_wine_session_properties test bits lock session)
  if(NOT session)
    set(session ${LINGBO_WINE_SESSION_${bits}})
  endif()
  set(environment ${LINGBO_WINE_ENVIRONMENT_${session}} LINGBO_PEER_BITS=${bits} ${ARGN})
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED ${session} SKIP_RETURN_CODE 77
                       ENVIRONMENT "${environment}")
  if(lock)
    set_tests_properties(${test} PROPERTIES RESOURCE_LOCK desktop-${session})
  endif()
endfunction()

# Suite names: the first argument of TEST, TEST_F, TEST_P and TYPED_TEST.
# The sources become configure dependencies, so a new suite is picked up.
function(lingbo_gtest_suites out)
  set(suites "")
  foreach(source ${ARGN})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    set(test "^[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST)[ \t]*\\([ \t]*([A-Za-z_][A-Za-z0-9_]*)")
    file(STRINGS ${source} lines REGEX "${test}")
    list(FILTER lines INCLUDE REGEX "${test}")  # a ";" in a line splits it into items
    list(TRANSFORM lines REPLACE "${test}.*" "\\2")
    list(APPEND suites ${lines})
  endforeach()
  list(REMOVE_DUPLICATES suites)
  set(${out} ${suites} PARENT_SCOPE)
endfunction()

# One test per suite.  The filter also takes the instantiated forms of value-
# and type-parameterised suites (Prefix/Suite.Case, Suite/0.Case).  A filter
# that selects nothing fails rather than passing empty.
function(lingbo_wine_gtest prefix exe lock bits)
  lingbo_gtest_suites(suites ${ARGN})
  set(state ${LINGBO_WINE_STATE_${LINGBO_WINE_SESSION_${bits}}})
  foreach(suite ${suites})
    add_test(NAME wine.${prefix}.${suite}
             COMMAND bash ${LINGBO_WINE_DIR}/run.sh ${state} ${LINGBO_WINDOWS_BUILD_DIR}/${exe}
                     --gtest_filter=${suite}.*:*/${suite}.*:${suite}/*)
    set_tests_properties(wine.${prefix}.${suite} PROPERTIES TIMEOUT 330 FAIL_REGULAR_EXPRESSION "Running 0 tests from")
    lingbo_wine_session_properties(wine.${prefix}.${suite} ${bits} ${lock} "" LINGBO_WINE_TIMEOUT=300)
  endforeach()
endfunction()

file(GLOB LINGBO_WINE_UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
file(GLOB LINGBO_WINE_CONTRACT_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/contract/*_test.cpp)
file(GLOB LINGBO_WINE_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/win32/*_test.cpp)
# The unit tests live in the simulated desktop and can run beside anything;
# the contract tests and the platform layer's own tests make real windows and
# take the foreground.
lingbo_wine_gtest(unit_tests unit_tests.exe FALSE 32 ${LINGBO_WINE_UNIT_SOURCES})
lingbo_wine_gtest(contract_tests contract_tests.exe TRUE 32 ${LINGBO_WINE_CONTRACT_SOURCES})
lingbo_wine_gtest(contract_tests64 contract_tests.exe TRUE 64 ${LINGBO_WINE_CONTRACT_SOURCES})
lingbo_wine_gtest(win32_tests win32_tests.exe TRUE 32 ${LINGBO_WINE_WIN32_SOURCES})

# End-to-end scenarios: real mouse and keyboard on the session's display.
# Those that start stand-in peers run with each width of them.  These, whose
# peers (if any) are 32-bit, run in the second session, so that the two
# sessions take about as long as each other.
set(LINGBO_SECOND_SESSION_SCENARIOS test_shell_bar test_shell_look test_release_package)
file(GLOB LINGBO_E2E_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/test_*.py)
foreach(scenario ${LINGBO_E2E_SCENARIOS})
  get_filename_component(stem ${scenario} NAME_WE)
  set(widths 32)
  if(stem MATCHES "^test_(discovery|quote|faults)_|^test_order_actions$")
    list(APPEND widths 64)
  endif()
  foreach(bits ${widths})
    string(REPLACE "e2e32" "e2e" prefix e2e${bits})
    add_test(NAME wine.${prefix}.${stem} COMMAND python3 ${scenario} -v
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
    set(session "")
    if(stem IN_LIST LINGBO_SECOND_SESSION_SCENARIOS)
      set(session wine64)
    endif()
    set_tests_properties(wine.${prefix}.${stem} PROPERTIES TIMEOUT 600)
    lingbo_wine_session_properties(wine.${prefix}.${stem} ${bits} TRUE "${session}")
  endforeach()
endforeach()
