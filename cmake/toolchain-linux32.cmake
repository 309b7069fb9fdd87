# 32-bit x86 Linux, the word size of the product, from the host's g++ -m32
# (Debian g++-multilib; the preset passes -m32 with its flags). Where the
# kernel cannot run 32-bit programs, the test programs run through
# qemu-i386 (Debian qemu-user); -DTARROWIN_RUNS_32BIT=0 forces that.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)

get_property(tarrowin_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT tarrowin_in_try_compile)
  if(NOT DEFINED TARROWIN_RUNS_32BIT)
    # A program built for the target and started directly tells.
    set(probe "${CMAKE_BINARY_DIR}/CMakeFiles/tarrowin-probe32")
    file(WRITE "${probe}.c" "int main(void) { return 0; }\n")
    execute_process(COMMAND gcc -m32 "${probe}.c" -o "${probe}"
                    RESULT_VARIABLE built OUTPUT_QUIET ERROR_QUIET)
    set(runs 0)
    if(built EQUAL 0)
      execute_process(COMMAND "${probe}" RESULT_VARIABLE ran OUTPUT_QUIET ERROR_QUIET)
      if(ran EQUAL 0)
        set(runs 1)
      endif()
    endif()
    set(TARROWIN_RUNS_32BIT ${runs} CACHE BOOL "The kernel runs 32-bit x86 programs")
  endif()
  if(NOT TARROWIN_RUNS_32BIT)
    find_program(TARROWIN_QEMU_I386 qemu-i386 REQUIRED)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${TARROWIN_QEMU_I386}")
  endif()
endif()
