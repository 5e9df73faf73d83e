# The skin/ folder packed with 7-Zip (LZMA, no executable filters) into
# skin.7z in the build folder; the resource script embeds it. A failure of
# the packer fails the build.

find_program(KOLVEX_7ZZ 7zz REQUIRED)
file(GLOB_RECURSE KOLVEX_SKIN_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/skin/*)
set(KOLVEX_SKIN_PACKAGE ${CMAKE_BINARY_DIR}/skin.7z)

# Packs the contents of a folder into a 7z archive, replacing the old one
# only when the packer succeeds.
#   kolvex_pack_7z(<archive> <folder> DEPENDS <files...> [FLAGS <7zz switches...>])
function(kolvex_pack_7z output folder)
  cmake_parse_arguments(PACK "" "" "DEPENDS;FLAGS" ${ARGN})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${output}.part.7z
    COMMAND ${CMAKE_COMMAND} -E chdir ${folder} ${KOLVEX_7ZZ} a -t7z -m0=LZMA -mf=off -bd -bso0 -bsp0
            ${PACK_FLAGS} ${output}.part.7z .
    COMMAND ${CMAKE_COMMAND} -E rename ${output}.part.7z ${output}
    DEPENDS ${PACK_DEPENDS}
    VERBATIM)
endfunction()

kolvex_pack_7z(${KOLVEX_SKIN_PACKAGE} ${CMAKE_SOURCE_DIR}/skin DEPENDS ${KOLVEX_SKIN_FILES})

if(NOT TARGET kolvex_lzmadec)
  message(FATAL_ERROR "LZMA SDK decoder missing: run scripts/setup.sh")
endif()
