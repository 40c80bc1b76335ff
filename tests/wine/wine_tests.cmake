# The Windows executables and the end-to-end scenarios, run under Wine as
# part of the native test run: one Wine session (display, prefix) for the
# whole run, set up and torn down by the fixture "wine".
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

set(LINGBO_WINE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(LINGBO_WINE_STATE ${CMAKE_BINARY_DIR}/wine-session)
set(LINGBO_WINE_ENVIRONMENT
    LINGBO_WINE_ENV=${LINGBO_WINE_STATE}/env
    LINGBO_WINDOWS_BUILD_DIR=${LINGBO_WINDOWS_BUILD_DIR}
    LINGBO_E2E_ARTIFACTS=${CMAKE_BINARY_DIR}/e2e-artifacts
    PYTHONDONTWRITEBYTECODE=1)

add_test(NAME wine.session.start COMMAND bash ${LINGBO_WINE_DIR}/session.sh start ${LINGBO_WINE_STATE})
add_test(NAME wine.session.stop COMMAND bash ${LINGBO_WINE_DIR}/session.sh stop ${LINGBO_WINE_STATE})
set_tests_properties(wine.session.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 240 SKIP_RETURN_CODE 77
                     ENVIRONMENT "${LINGBO_WINE_ENVIRONMENT}")
set_tests_properties(wine.session.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60
                     ENVIRONMENT "${LINGBO_WINE_ENVIRONMENT}")

# Suite names: the first argument of TEST, TEST_F, TEST_P and TYPED_TEST.
# The sources become configure dependencies, so a new suite is picked up.
function(lingbo_gtest_suites out)
  set(suites "")
  foreach(source ${ARGN})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(STRINGS ${source} lines REGEX "^[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST)[ \t]*\\(")
    foreach(line ${lines})
      if(line MATCHES "^[ \t]*(TEST|TEST_F|TEST_P|TYPED_TEST)[ \t]*\\([ \t]*([A-Za-z_][A-Za-z0-9_]*)")
        list(APPEND suites ${CMAKE_MATCH_2})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES suites)
  set(${out} ${suites} PARENT_SCOPE)
endfunction()

# One test per suite.  The filter also takes the instantiated forms of value-
# and type-parameterised suites (Prefix/Suite.Case, Suite/0.Case).  A filter
# that selects nothing fails rather than passing empty.
function(lingbo_wine_gtest prefix exe lock bits)
  lingbo_gtest_suites(suites ${ARGN})
  foreach(suite ${suites})
    add_test(NAME wine.${prefix}.${suite}
             COMMAND bash ${LINGBO_WINE_DIR}/run.sh ${LINGBO_WINE_STATE} ${LINGBO_WINDOWS_BUILD_DIR}/${exe}
                     --gtest_filter=${suite}.*:*/${suite}.*:${suite}/*)
    set_tests_properties(wine.${prefix}.${suite} PROPERTIES
                         FIXTURES_REQUIRED wine TIMEOUT 330 SKIP_RETURN_CODE 77
                         FAIL_REGULAR_EXPRESSION "Running 0 tests from"
                         ENVIRONMENT "${LINGBO_WINE_ENVIRONMENT};LINGBO_WINE_TIMEOUT=300;LINGBO_PEER_BITS=${bits}")
    if(lock)
      set_tests_properties(wine.${prefix}.${suite} PROPERTIES RESOURCE_LOCK desktop)
    endif()
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
# Those that start stand-in peers run with each width of them.
file(GLOB LINGBO_E2E_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/e2e/test_*.py)
foreach(scenario ${LINGBO_E2E_SCENARIOS})
  get_filename_component(stem ${scenario} NAME_WE)
  set(runs e2e=32)
  if(stem MATCHES "^test_(discovery|quote|faults)_|^test_order_actions$")
    list(APPEND runs e2e64=64)
  endif()
  foreach(run ${runs})
    string(REPLACE "=" ";" run ${run})
    list(GET run 0 prefix)
    list(GET run 1 bits)
    add_test(NAME wine.${prefix}.${stem} COMMAND python3 ${scenario} -v
             WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/e2e)
    set_tests_properties(wine.${prefix}.${stem} PROPERTIES
                         FIXTURES_REQUIRED wine RESOURCE_LOCK desktop TIMEOUT 600 SKIP_RETURN_CODE 77
                         ENVIRONMENT "${LINGBO_WINE_ENVIRONMENT};LINGBO_PEER_BITS=${bits}")
  endforeach()
endforeach()
