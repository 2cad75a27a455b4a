#!/bin/sh
# The deliverable as the unit's loader sees it, read with binutils.
#
#   deliverable_test.sh native BINARY
#       a 64-bit x86-64 executable that needs libc.so.6 alone
#   deliverable_test.sh appliance BINARY SYSROOT
#       a 32-bit Intel 80386 executable for /lib/ld-linux.so.2 that needs
#       libc.so.6 alone, no symbol version of it newer than GLIBC_2.3, and
#       the start-up code of the sysroot's own C library
#
# Prints a line per check and "N passed, N failed"; fails when any check does.
set -u

passed=0 failed=0
check() {
	# check WHAT ACTUAL EXPECTED
	if [ "$2" = "$3" ]; then
		passed=$((passed + 1))
		echo "ok: $1"
	else
		failed=$((failed + 1))
		echo "FAILED: $1: got '$2', want '$3'"
	fi
}

header_field() {
	readelf -h "$binary" | sed -n "s/^ *$1: *//p"
}

# An executable is EXEC or, built as position-independent, DYN with a loader.
is_executable() {
	case $(header_field Type) in
	EXEC*) echo yes ;;
	DYN*) readelf -l "$binary" | grep -q 'Requesting program interpreter' && echo yes || echo no ;;
	*) echo no ;;
	esac
}

needed() {
	readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' | tr '\n' ' ' | sed 's/ $//'
}

interpreter() {
	readelf -l "$binary" | sed -n 's/.*Requesting program interpreter: \(.*\)\]$/\1/p'
}

# The newest GLIBC_ version the binary requires of the C library.
newest_glibc() {
	objdump -p "$binary" | awk '$NF ~ /^GLIBC_[0-9.]+$/ { print $NF }' | sed 's/^GLIBC_//' |
		sort -uV | tail -n 1
}

# "yes" when the first version is no newer than the second.
not_newer() {
	[ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -n 1)" = "$2" ] && echo yes || echo no
}

# Before 2.34 the start-up code hands the C library an initialisation
# function, __libc_csu_init, that later ones no longer have.
defines_csu_init() {
	readelf -sW "$binary" | awk '$NF == "__libc_csu_init" && $7 != "UND" { found = 1 } END { print found ? "yes" : "no" }'
}

sysroot_glibc_minor() {
	sed -n 's/^#[ \t]*define[ \t][ \t]*__GLIBC_MINOR__[ \t][ \t]*\([0-9][0-9]*\).*/\1/p' \
		"$1/usr/include/features.h"
}

[ $# -ge 2 ] || { echo "usage: deliverable_test.sh native BINARY | appliance BINARY SYSROOT" >&2; exit 2; }
mode=$1 binary=$2
[ -f "$binary" ] || { echo "no binary $binary" >&2; exit 2; }

case $mode in
native)
	check "class" "$(header_field Class)" ELF64
	check "machine" "$(header_field Machine)" "Advanced Micro Devices X86-64"
	check "an executable" "$(is_executable)" yes
	check "needed libraries" "$(needed)" libc.so.6
	;;
appliance)
	[ $# -eq 3 ] || { echo "appliance mode needs the SYSROOT" >&2; exit 2; }
	sysroot=$3
	minor=$(sysroot_glibc_minor "$sysroot")
	[ -n "$minor" ] || { echo "no C library version in $sysroot/usr/include/features.h" >&2; exit 2; }
	check "class" "$(header_field Class)" ELF32
	check "machine" "$(header_field Machine)" "Intel 80386"
	check "an executable" "$(is_executable)" yes
	check "loader" "$(interpreter)" /lib/ld-linux.so.2
	check "needed libraries" "$(needed)" libc.so.6
	newest=$(newest_glibc)
	check "newest C library symbol version GLIBC_$newest is at most GLIBC_2.3" "$(not_newer "$newest" 2.3)" yes
	if [ "$minor" -lt 34 ]; then
		check "start-up code of the sysroot's glibc 2.$minor" "$(defines_csu_init)" yes
	else
		check "start-up code of the sysroot's glibc 2.$minor" "$(defines_csu_init)" no
	fi
	;;
*)
	echo "unknown mode $mode" >&2
	exit 2
	;;
esac

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
