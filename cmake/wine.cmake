# Tests run the Windows programs under Wine, in a prefix owned by this build
# folder. The shipped program is 32-bit; some machines (virtual machines
# without 32-bit user mode) cannot run Wine's 32-bit loader, and there the
# 64-bit build of the same sources is the one that is run.

set(KOLVEX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(KOLVEX_WINEHOME ${CMAKE_BINARY_DIR}/winehome)
set(KOLVEX_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
# The build folder as the prefix sees it: a network drive, which the
# install-folder scan passes over (it takes fixed drives only).
set(KOLVEX_BUILD_DRIVE W:)
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${KOLVEX_WINE_RUN} @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  execute_process(COMMAND /usr/lib/wine/wine --version RESULT_VARIABLE wine32_result OUTPUT_QUIET ERROR_QUIET)
  if(wine32_result EQUAL 0)
    set(KOLVEX_RUNS_TESTS ON)
  else()
    set(KOLVEX_RUNS_TESTS OFF)
    message(STATUS "Wine's 32-bit loader cannot run here: the 32-bit build is compiled, not run")
  endif()
else()
  set(KOLVEX_RUNS_TESTS ON)
endif()
if(KOLVEX_RUNS_TESTS)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KOLVEX_WINE_RUN})
endif()
