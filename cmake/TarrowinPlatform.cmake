# Chooses the OS seam of each subsystem: subsystems list their sources as
# "name_${TARROWIN_OS}.cpp" and get the Win32 or the POSIX twin.
if(WIN32)
  set(TARROWIN_OS win32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                          _WIN32_WINNT=0x0601)
  # One self-contained .exe: no MinGW runtime DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
else()
  set(TARROWIN_OS posix)
  # 64-bit file offsets and times in 32-bit builds too (the linux32 preset).
  add_compile_definitions(_FILE_OFFSET_BITS=64 _TIME_BITS=64)
endif()

# tarrowin_shipped_program(target): a program of the release packages; its
# Release build carries no symbol table.
function(tarrowin_shipped_program target)
  if(WIN32)
    target_link_options(${target} PRIVATE $<$<CONFIG:Release>:-s>)
  endif()
endfunction()
