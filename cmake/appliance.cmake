# The appliance build: 32-bit x86 code built against the appliance's C
# library, not this machine's, so that the binary starts on units whose C
# library is older. The C library comes from a sysroot: the appliance's own
# (-DUNITINFO_SYSROOT=DIR, in Debian's multiarch layout), or else Debian 11's
# i386 C library, fetched once into the build tree.
#
# CMake reads this file again for each of its compile checks; those get the
# sysroot already chosen and fetch nothing.

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES UNITINFO_SYSROOT_IN_USE)

if(NOT UNITINFO_SYSROOT_IN_USE)
  set(UNITINFO_SYSROOT "" CACHE PATH
      "the appliance's sysroot; empty: Debian 11's i386 C library, fetched into the build tree")
  if(UNITINFO_SYSROOT)
    set(UNITINFO_SYSROOT_IN_USE "${UNITINFO_SYSROOT}")
  else()
    set(UNITINFO_SYSROOT_IN_USE "${CMAKE_BINARY_DIR}/sysroot")
    execute_process(
      COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/../tools/fetch-sysroot.sh" "${UNITINFO_SYSROOT_IN_USE}"
      RESULT_VARIABLE fetched
      ERROR_VARIABLE fetch_error
      ERROR_STRIP_TRAILING_WHITESPACE)
    if(NOT fetched EQUAL 0)
      string(REGEX REPLACE ".*\n" "" fetch_error "${fetch_error}")  # the script's own last word
      message(FATAL_ERROR "Cannot fetch Debian 11's i386 C library (${fetch_error}): give the appliance's own sysroot with -DUNITINFO_SYSROOT=DIR")
    endif()
  endif()
endif()

set(startfiles "${UNITINFO_SYSROOT_IN_USE}/usr/lib/i386-linux-gnu")
if(NOT EXISTS "${startfiles}/crti.o" OR NOT EXISTS "${startfiles}/libc.so")
  message(FATAL_ERROR "${UNITINFO_SYSROOT_IN_USE} holds no i386 C library in usr/lib/i386-linux-gnu: give the appliance's own sysroot with -DUNITINFO_SYSROOT=DIR")
endif()

set(CMAKE_SYSROOT "${UNITINFO_SYSROOT_IN_USE}")
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
# Debian's multilib g++ takes its start-up files (crt1.o, crti.o, crtn.o) and
# libc.so from this machine's lib32 before the sysroot's. Start-up code of a
# newer C library links against the older one without a word, but hands it
# no initialisation function, and the program's own initialisers never run.
# -B puts the sysroot's library folder first; gcc finds the files in its
# i386-linux-gnu folder.
#
# Every program of this build carries its own C++ runtime: this machine's
# libstdc++ and libgcc need a newer C library than the appliance has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-B${UNITINFO_SYSROOT_IN_USE}/usr/lib/ -static-libstdc++ -static-libgcc")
