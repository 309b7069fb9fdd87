# Warning flags for the project's own targets (not for GoogleTest).
function(tarrowin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TARROWIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# A library of the project: warnings on, its folder's parent on the include
# path so that headers are included as "settings/utf8.h".
function(tarrowin_library target)
  add_library(${target} STATIC ${ARGN})
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}")
  tarrowin_warnings(${target})
endfunction()
