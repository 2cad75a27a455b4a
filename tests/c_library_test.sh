#!/bin/sh
# The C library that the appliance binary really runs on, as the loader that
# loads it lists what it loads: the binary is started through the runner, as
# the end-to-end tests start it, and must get the library that
# UNITINFO_TEST_LIBC names:
#   appliance  the sysroot's loader and the libc.so.6 beside it (the default)
#   host       this machine's 32-bit loader, /lib/ld-linux.so.2, and the
#              libc.so.6 beside it
#
#   c_library_test.sh RUNNER BINARY SYSROOT
#
# The whole listing, each path resolved and the kernel's own virtual object
# left out, must be exactly those two. Prints "N passed, N failed"; fails
# when the listing differs, or when there is none.
set -u

[ $# -eq 3 ] || { echo "usage: c_library_test.sh RUNNER BINARY SYSROOT" >&2; exit 2; }
runner=$1 binary=$2 sysroot=$3

case ${UNITINFO_TEST_LIBC:-appliance} in
appliance) loader=$sysroot/lib/ld-linux.so.2 ;;
host) loader=/lib/ld-linux.so.2 ;;
*)
	echo "UNITINFO_TEST_LIBC is appliance or host, not $UNITINFO_TEST_LIBC" >&2
	exit 2
	;;
esac
[ -e "$loader" ] || { echo "no loader $loader" >&2; exit 2; }

# A line a loaded object, "NAME => PATH" with PATH resolved: the loader
# names itself by its path alone; an object it did not find keeps the
# loader's words.
resolved_listing() {
	while read -r name arrow path rest; do
		case $name in
		linux-gate.so.* | linux-vdso.so.*) continue ;;  # the kernel's, no file
		esac
		[ "$arrow" = "=>" ] || path=$name
		case $path in
		/*) path=$(readlink -f "$path") ;;
		*) path="$path $rest" ;;
		esac
		echo "$name => $path"
	done
}

real_loader=$(readlink -f "$loader")
want="libc.so.6 => $(readlink -f "$(dirname "$real_loader")/libc.so.6")
/lib/ld-linux.so.2 => $real_loader"

listing=$("$runner" --list "$binary")
status=$?
got=$(printf '%s\n' "$listing" | resolved_listing)

echo "C library named: ${UNITINFO_TEST_LIBC:-appliance}"
echo "the loader's listing:"
printf '%s\n' "$listing"
if [ "$status" -eq 0 ] && [ "$got" = "$want" ]; then
	echo "ok: loaded objects"
	echo "1 passed, 0 failed"
	exit 0
fi
echo "FAILED: loaded objects (runner status $status)"
echo "got:"
printf '%s\n' "$got"
echo "want:"
printf '%s\n' "$want"
echo "0 passed, 1 failed"
exit 1
