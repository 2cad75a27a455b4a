# The toolchain of the appliance binary: 32-bit x86 code built against the
# appliance's C library, not this machine's, so that the binary starts on
# units whose C library is older. The C library comes from the sysroot
# UNITINFO_SYSROOT, in Debian's multiarch layout; the appliance build
# (cmake/appliance-binary.cmake) chooses or fetches it and hands it to the
# build of its own that uses this file.
#
# CMake reads this file again for each of its compile checks; those get the
# sysroot through CMAKE_TRY_COMPILE_PLATFORM_VARIABLES.

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES UNITINFO_SYSROOT)

if(NOT UNITINFO_SYSROOT)
  message(FATAL_ERROR "cmake/appliance.cmake builds against a sysroot: give it with -DUNITINFO_SYSROOT=DIR (the appliance preset fetches one)")
endif()

set(CMAKE_SYSROOT "${UNITINFO_SYSROOT}")
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
# This machine's libstdc++ and libgcc need a newer C library than the
# appliance has: unitinfo carries its own (UNITINFO_STATIC_RUNTIME).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-B${UNITINFO_SYSROOT}/usr/lib/")
