# libFuzzer targets. Each call records "target seconds corpus" in
# fuzzers.txt in the build folder; scripts/test runs every recorded target
# for its time.
if(TARROWIN_FUZZ)
  file(WRITE "${CMAKE_BINARY_DIR}/fuzzers.txt" "")
endif()

# tarrowin_add_fuzzer(name SOURCES ... LIBS ... SECONDS n [CORPUS dir])
function(tarrowin_add_fuzzer name)
  if(NOT TARROWIN_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "SECONDS;CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                           "${CMAKE_BINARY_DIR}/fuzz")
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  tarrowin_warnings(${name})
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  if(NOT F_CORPUS)
    set(F_CORPUS "-")
  endif()
  file(APPEND "${CMAKE_BINARY_DIR}/fuzzers.txt"
       "${CMAKE_BINARY_DIR}/fuzz/${name} ${F_SECONDS} ${F_CORPUS}\n")
endfunction()
