# SPDX-License-Identifier: MIT
include(GoogleTest)

# quarnel_add_test(NAME SOURCES... [LIBS ...] [ENV VAR=VALUE ...])
# One test executable per area. Every test runs in a neutral English locale,
# headless, with a private HOME so that nothing touches the user's files.
# The environment is written to <name>.env (generator expressions allowed)
# and applied by the test main before any test runs; "VAR=" unsets VAR.
function(quarnel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp ${ARG_SOURCES}
                         ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE quarnel_testsupport ${ARG_LIBS} GTest::gtest GTest::gmock)
  set(home ${CMAKE_CURRENT_BINARY_DIR}/${name}-home)
  set(environment LANG=C.UTF-8 LC_ALL= LC_MESSAGES= QT_QPA_PLATFORM=offscreen HOME=${home}
                  XDG_CONFIG_HOME=${home}/.config XDG_DATA_HOME=${home}/.local/share ${ARG_ENV})
  string(REPLACE ";" "\n" environment "${environment}")
  set(env_file ${CMAKE_CURRENT_BINARY_DIR}/${name}.env)
  file(GENERATE OUTPUT ${env_file} CONTENT "${environment}\n")
  target_compile_definitions(${name} PRIVATE QUARNEL_TEST_ENV_FILE="${env_file}")
  file(MAKE_DIRECTORY ${home})
  if(CMAKE_CROSSCOMPILING)
    # The build cannot run the program; the test run lists its tests (under Wine).
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
