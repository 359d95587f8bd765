include(GoogleTest)

# quarnel_add_test(NAME SOURCES... [LIBS ...] [ENV VAR=VALUE ...])
# One test executable per area. Every test runs in a neutral English locale,
# headless, with a private HOME so that nothing touches the user's files.
function(quarnel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE quarnel_testsupport ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(home ${CMAKE_CURRENT_BINARY_DIR}/${name}-home)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT
      "LANG=C.UTF-8;LC_ALL=;LC_MESSAGES=;QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;${ARG_ENV}")
endfunction()
