# Debian's packaged sources, reached through narrow copies inside the build
# folder so that MinGW never sees the host's /usr/include.

set(KOLVEX_THIRD_PARTY ${CMAKE_BINARY_DIR}/third_party)

# RapidJSON (header-only).
if(EXISTS /usr/include/rapidjson/document.h)
  file(COPY /usr/include/rapidjson DESTINATION ${KOLVEX_THIRD_PARTY}/include)
  add_library(kolvex_rapidjson INTERFACE)
  target_include_directories(kolvex_rapidjson SYSTEM INTERFACE ${KOLVEX_THIRD_PARTY}/include)
endif()

# LZMA SDK decoder.
if(EXISTS /usr/include/lzma/LzmaDec.c)
  file(COPY /usr/include/lzma/LzmaDec.c /usr/include/lzma/LzmaDec.h /usr/include/lzma/Types.h
       DESTINATION ${KOLVEX_THIRD_PARTY}/lzma)
  add_library(kolvex_lzmadec STATIC ${KOLVEX_THIRD_PARTY}/lzma/LzmaDec.c)
  target_include_directories(kolvex_lzmadec SYSTEM PUBLIC ${KOLVEX_THIRD_PARTY}/lzma)
  target_compile_options(kolvex_lzmadec PRIVATE -w)
  # Unpacks the skin on the way to the first window.
  kolvex_optimise_for_speed(${KOLVEX_THIRD_PARTY}/lzma/LzmaDec.c)
endif()

# GoogleTest, built with the same toolchain.
if(KOLVEX_TESTS)
  if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources missing: run scripts/setup.sh")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(t gtest gtest_main)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE -w)
    endif()
  endforeach()
endif()
