# System libraries that the installer takes through delay-load stubs: none
# of them is named in the program's import table, so none is loaded before
# the program runs, and each is loaded at its first call, from the system
# folder by full path (platform/delay_load.h). That keeps them out of the
# start-up and out of reach of a library planted beside the program. Only
# the functions listed in res/delay-imports.txt get stubs: any other comes
# in through the import table, where the import list check sees it.
#   kolvex_delay_import(<library> <output variable>)
find_program(KOLVEX_DLLTOOL NAMES ${MINGW_TRIPLE}-dlltool REQUIRED)
function(kolvex_delay_import library out)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${library}.a
                  OUTPUT_VARIABLE import OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(delay ${CMAKE_BINARY_DIR}/delay/lib${library}_delay.a)
  add_custom_command(OUTPUT ${delay}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delay
    COMMAND sh ${CMAKE_SOURCE_DIR}/cmake/delay_import.sh ${CMAKE_NM} ${KOLVEX_DLLTOOL} ${import} ${library}.dll
            ${delay} ${CMAKE_SIZEOF_VOID_P} ${CMAKE_SOURCE_DIR}/res/delay-imports.txt
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/delay_import.sh ${import} ${CMAKE_SOURCE_DIR}/res/delay-imports.txt
    VERBATIM)
  add_custom_target(kolvex_delay_${library} DEPENDS ${delay})
  set(${out} ${delay} PARENT_SCOPE)
endfunction()
