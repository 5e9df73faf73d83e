# Publishers whose signature the installer accepts on the emulator's
# installer before it runs it: the SHA-256 of each signing certificate (DER),
# lower-case hex, separated by ";". Empty: no signature check.
#
# The default build, like its default hosts, is set up for the loopback
# stand-ins: it accepts a test publisher that this build folder makes for
# itself (TEST ONLY: its key lies in the build folder, next to a second,
# never-accepted publisher), and the build signs the stand-in installer with
# it. A vendor build names its own publishers, e.g.
#   -DKOLVEX_ACCEPTED_PUBLISHERS=3f0c...e1;9a77...02

set(KOLVEX_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
find_program(KOLVEX_OPENSSL openssl REQUIRED)
find_program(KOLVEX_OSSLSIGNCODE osslsigncode REQUIRED)

# Test-only publisher: a self-signed code-signing certificate and its key.
function(kolvex_make_test_publisher name subject)
  set(base ${KOLVEX_SIGNING_DIR}/${name})
  if(NOT EXISTS ${base}.der)
    file(MAKE_DIRECTORY ${KOLVEX_SIGNING_DIR})
    execute_process(
      COMMAND ${KOLVEX_OPENSSL} req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650
              -subj "/CN=${subject}" -addext "extendedKeyUsage=codeSigning"
              -keyout ${base}.key -out ${base}.pem
      RESULT_VARIABLE made OUTPUT_QUIET ERROR_QUIET)
    execute_process(COMMAND ${KOLVEX_OPENSSL} x509 -in ${base}.pem -outform DER -out ${base}.der
                    RESULT_VARIABLE converted OUTPUT_QUIET ERROR_QUIET)
    if(NOT made EQUAL 0 OR NOT converted EQUAL 0)
      message(FATAL_ERROR "openssl could not make the test publisher ${name}")
    endif()
  endif()
  file(SHA256 ${base}.der digest)
  file(WRITE ${base}.sha256 "${digest}")
  set(KOLVEX_${name}_DIGEST ${digest} PARENT_SCOPE)
endfunction()

kolvex_make_test_publisher(test-publisher "Kolvex Test Publisher (test only)")
kolvex_make_test_publisher(other-publisher "Somebody Else (test only)")

set(KOLVEX_ACCEPTED_PUBLISHERS "${KOLVEX_test-publisher_DIGEST}" CACHE STRING
    "SHA-256 (hex) of each accepted signing certificate, ';'-separated; empty: no signature check")

# Into the generated header: one string literal per publisher.
set(KOLVEX_ACCEPTED_PUBLISHER_LITERALS "")
foreach(digest IN LISTS KOLVEX_ACCEPTED_PUBLISHERS)
  string(STRIP "${digest}" digest)
  string(TOLOWER "${digest}" digest)
  if(NOT digest MATCHES "^[0-9a-f]+$")
    message(FATAL_ERROR "KOLVEX_ACCEPTED_PUBLISHERS: \"${digest}\" is not a hex SHA-256")
  endif()
  string(LENGTH "${digest}" digits)
  if(NOT digits EQUAL 64)
    message(FATAL_ERROR "KOLVEX_ACCEPTED_PUBLISHERS: \"${digest}\" is not 64 hex digits")
  endif()
  string(APPEND KOLVEX_ACCEPTED_PUBLISHER_LITERALS "\"${digest}\", ")
endforeach()
list(FIND KOLVEX_ACCEPTED_PUBLISHERS "${KOLVEX_test-publisher_DIGEST}" test_publisher_at)
if(test_publisher_at EQUAL -1)
  set(KOLVEX_ACCEPTS_TEST_PUBLISHER OFF)
else()
  set(KOLVEX_ACCEPTS_TEST_PUBLISHER ON)
endif()

# Signs a copy of a built program with a test publisher (build time).
#   kolvex_sign_copy(<target> <publisher> <output>)
function(kolvex_sign_copy target publisher output)
  set(base ${KOLVEX_SIGNING_DIR}/${publisher})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E remove -f ${output}
    COMMAND ${KOLVEX_OSSLSIGNCODE} sign -certs ${base}.pem -key ${base}.key -h sha256
            -n "Kolvex test material" -in $<TARGET_FILE:${target}> -out ${output}
    DEPENDS ${target} ${base}.pem ${base}.key
    VERBATIM)
endfunction()
