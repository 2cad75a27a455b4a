# The runner of the appliance build's 32-bit unitinfo (tests/run-i386.sh.in):
# it starts the binary on the sysroot's C library or this machine's,
# directly where the kernel runs 32-bit x86 programs and under qemu's
# user-mode emulator where it does not (some virtual machines leave that
# support out).
#
# Included by the appliance build alone; sets UNITINFO_I386_RUNNER.

# The sysroot's loader is a 32-bit program that is always at hand.
execute_process(COMMAND "${UNITINFO_APPLIANCE_SYSROOT}/lib/ld-linux.so.2" --version
                RESULT_VARIABLE i386_ran OUTPUT_QUIET ERROR_QUIET)
set(QEMU_I386 "")
if(NOT i386_ran STREQUAL "0")
  find_program(QEMU_I386_PROGRAM NAMES qemu-i386 qemu-i386-static REQUIRED)
  set(QEMU_I386 "${QEMU_I386_PROGRAM}")
  message(STATUS "32-bit programs do not run here: the tests run them under ${QEMU_I386}")
endif()
set(UNITINFO_I386_RUNNER "${CMAKE_BINARY_DIR}/run-i386")
configure_file(${CMAKE_CURRENT_LIST_DIR}/run-i386.sh.in "${UNITINFO_I386_RUNNER}" @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
