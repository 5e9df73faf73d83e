# Users download the installer before anything else happens, so its bytes
# count: released code is optimised for size, and what nothing references is
# left out at link time. The few files whose speed a user would notice (loops
# over every pixel, unpacking at start) ask for speed with
# kolvex_optimise_for_speed. bench/size prints where the bytes go.

# Replaces the level in the (possibly cached) release flags, so that build
# folders configured before keep no -O3.
foreach(lang C CXX)
  string(REGEX REPLACE "(^| )-O[0-9sgz]*" "" flags "${CMAKE_${lang}_FLAGS_RELEASE}")
  set(CMAKE_${lang}_FLAGS_RELEASE "-Os${flags}")
endforeach()

# One section per function and datum, so that unreferenced data can go.
add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffunction-sections> $<$<COMPILE_LANGUAGE:C,CXX>:-fdata-sections>)
add_link_options(-Wl,--gc-sections)

# Speed instead of size for the named sources of the calling folder.
function(kolvex_optimise_for_speed)
  set_property(SOURCE ${ARGN} APPEND PROPERTY COMPILE_OPTIONS $<$<CONFIG:Release>:-O2>)
endfunction()
