# The appliance build (UNITINFO_APPLIANCE): unitinfo as the appliance runs
# it, 32-bit x86 code built against the appliance's C library rather than
# this machine's. This build itself stays native, for the tests; the binary
# comes from a build of its own of this source tree, in i386/ of this build
# tree, with the toolchain cmake/appliance.cmake and no tests.
#
# The C library comes from a sysroot: the appliance's own
# (-DUNITINFO_SYSROOT=DIR, in Debian's multiarch layout), or else Debian 11's
# i386 C library, fetched once into this build tree.
#
# Makes the target unitinfo, which builds the binary, and the install rule
# that puts it in sbin; sets UNITINFO_APPLIANCE_SYSROOT and
# UNITINFO_APPLIANCE_BINARY for the tests.

set(UNITINFO_SYSROOT "" CACHE PATH
    "the appliance's sysroot; empty: Debian 11's i386 C library, fetched into the build tree")
if(UNITINFO_SYSROOT)
  set(UNITINFO_APPLIANCE_SYSROOT "${UNITINFO_SYSROOT}")
else()
  set(UNITINFO_APPLIANCE_SYSROOT "${CMAKE_BINARY_DIR}/sysroot")
  execute_process(
    COMMAND sh "${PROJECT_SOURCE_DIR}/tools/fetch-sysroot.sh" "${UNITINFO_APPLIANCE_SYSROOT}"
    RESULT_VARIABLE fetched
    ERROR_VARIABLE fetch_error
    ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT fetched EQUAL 0)
    string(REGEX REPLACE ".*\n" "" fetch_error "${fetch_error}")  # the script's own last word
    message(FATAL_ERROR "Cannot fetch Debian 11's i386 C library (${fetch_error}): give the appliance's own sysroot with -DUNITINFO_SYSROOT=DIR")
  endif()
endif()

set(startfiles "${UNITINFO_APPLIANCE_SYSROOT}/usr/lib/i386-linux-gnu")
if(NOT EXISTS "${startfiles}/crti.o" OR NOT EXISTS "${startfiles}/libc.so")
  message(FATAL_ERROR "${UNITINFO_APPLIANCE_SYSROOT} holds no i386 C library in usr/lib/i386-linux-gnu: give the appliance's own sysroot with -DUNITINFO_SYSROOT=DIR")
endif()

set(UNITINFO_APPLIANCE_BINARY "${CMAKE_BINARY_DIR}/i386/unitinfo/unitinfo")
include(ExternalProject)
ExternalProject_Add(unitinfo
  SOURCE_DIR "${PROJECT_SOURCE_DIR}"
  PREFIX "${CMAKE_BINARY_DIR}/i386-steps"
  BINARY_DIR "${CMAKE_BINARY_DIR}/i386"
  CMAKE_ARGS
    "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_DIR}/appliance.cmake"
    "-DUNITINFO_SYSROOT:PATH=${UNITINFO_APPLIANCE_SYSROOT}"
    "-DCMAKE_BUILD_TYPE:STRING=${CMAKE_BUILD_TYPE}"
    -DUNITINFO_STATIC_RUNTIME:BOOL=ON
    -DBUILD_TESTING:BOOL=OFF
  BUILD_COMMAND "${CMAKE_COMMAND}" --build <BINARY_DIR> --target unitinfo
  BUILD_ALWAYS ON  # its own build tells what changed
  BUILD_BYPRODUCTS "${UNITINFO_APPLIANCE_BINARY}"
  INSTALL_COMMAND "")

install(PROGRAMS "${UNITINFO_APPLIANCE_BINARY}" DESTINATION sbin)
