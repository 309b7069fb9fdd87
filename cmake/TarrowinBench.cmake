# Google Benchmark programs (Debian libbenchmark-dev), built only when
# TARROWIN_BENCH is on (the bench preset: optimised, no sanitizers).
function(tarrowin_add_benchmark name)
  if(NOT TARROWIN_BENCH)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}")
  tarrowin_warnings(${name})
endfunction()
