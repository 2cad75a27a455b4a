# The 32-bit build's programs run through a runner made here: on the
# sysroot's C library or this machine's (tests/run-i386.sh.in), directly
# where the kernel runs 32-bit x86 programs and under qemu's user-mode
# emulator where it does not (some virtual machines leave that support out).
#
# Included for 32-bit builds alone; sets CMAKE_CROSSCOMPILING_EMULATOR.
file(WRITE ${CMAKE_BINARY_DIR}/i386_probe.cc "int main() { return 0; }\n")
try_run(i386_probe_ran i386_probe_built ${CMAKE_BINARY_DIR}/i386_probe
        ${CMAKE_BINARY_DIR}/i386_probe.cc)
set(QEMU_I386 "")
if(NOT i386_probe_ran STREQUAL "0")
  find_program(QEMU_I386_PROGRAM NAMES qemu-i386 qemu-i386-static REQUIRED)
  set(QEMU_I386 ${QEMU_I386_PROGRAM})
  message(STATUS "32-bit programs do not run here: the tests run them under ${QEMU_I386}")
endif()
set(sysroot_libc "")
if(CMAKE_SYSROOT)
  file(STRINGS ${CMAKE_SYSROOT}/usr/include/features.h glibc_minor
       REGEX "^#[ \t]*define[ \t]+__GLIBC_MINOR__[ \t]+[0-9]+")
  string(REGEX REPLACE ".*__GLIBC_MINOR__[ \t]+([0-9]+).*" "2.\\1" sysroot_libc "${glibc_minor}")
  message(STATUS "the tests run on the sysroot's glibc ${sysroot_libc} (UNITINFO_TEST_LIBC=appliance) or this machine's (host)")
endif()
# This machine's own 32-bit C library, as its loader tells.
set(host_libc "")
execute_process(COMMAND ${QEMU_I386} /lib/ld-linux.so.2 --version
                OUTPUT_VARIABLE host_loader_version ERROR_QUIET RESULT_VARIABLE host_loader_ran)
if(host_loader_ran EQUAL 0 AND host_loader_version MATCHES "release version ([0-9.]+)[.]")
  set(host_libc ${CMAKE_MATCH_1})
endif()
configure_file(run-i386.sh.in ${CMAKE_BINARY_DIR}/run-i386 @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/run-i386)
