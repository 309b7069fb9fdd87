# Test programs: GoogleTest built from the distribution's sources, one test
# program per call. Native programs are split into one ctest entry per test
# case; Windows programs run whole under the cross-compiling emulator (Wine),
# since every Wine start costs about a second.
if(NOT TARROWIN_TESTS)
  function(tarrowin_add_test)
  endfunction()
  return()
endif()

enable_testing()
set(TARROWIN_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH
    "GoogleTest sources (Debian package googletest)")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory("${TARROWIN_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest"
                 EXCLUDE_FROM_ALL SYSTEM)

include(GoogleTest)

# tarrowin_add_test(name SOURCES ... [LIBS ...] [LABELS ...] [DATA_DIR dir]
#                   [TIMEOUT seconds])
function(tarrowin_add_test name)
  cmake_parse_arguments(T "" "DATA_DIR;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
  tarrowin_warnings(${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(env "")
  if(T_DATA_DIR)
    set(env "TARROWIN_TEST_DATA=${T_DATA_DIR}")
  endif()
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    # Wine's own failures can end with exit status 0: a run passes only
    # when GoogleTest says so.
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
                         LABELS "${T_LABELS}" ENVIRONMENT "${env}"
                         PASS_REGULAR_EXPRESSION "\\[  PASSED  \\]"
                         FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                         PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
                                    ENVIRONMENT "${env}")
  endif()
endfunction()
