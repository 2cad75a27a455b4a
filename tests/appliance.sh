#!/bin/sh
# Runs a command on a test appliance: inside a private mount namespace set up
# as the unit is, so that the program's own "mount /mnt/bootloader" really
# mounts an ext2 boot partition through /etc/fstab, and nothing is created on
# the host.
#
#   appliance.sh STATE [SETUP...] -- COMMAND [ARG...]
#
# STATE is a folder that keeps the appliance between calls:
#   STATE/boot.img     the boot partition, an ext2 image (made on first use)
#   STATE/tesra/       what /var/run/tesra holds (the cached copy)
#   STATE/partition/   after each call, a copy of the partition's .info folder
#   STATE/mounted      after each call, present when the command left the
#                      boot partition mounted
#
# SETUP, applied before the command runs:
#   --put NAME FILE    place FILE's bytes as .info/NAME on the partition
#   --remove NAME      remove .info/NAME from the partition
#   --cache FILE       seed the cached copy with FILE's bytes
#   --no-cache         remove the cached copy
#   --fill             fill the partition's free space, to the last block
#                      (it stays full)
#   --unfill           free that space again
# and for this call only:
#   --no-fstab         the mount table has no entry for /mnt/bootloader
#   --ro               the boot partition mounts read-only
#   --no-tesra         there is no /var/run/tesra
#
# The command's exit status is the script's; 125 means the appliance itself
# could not be set up.
set -eu

fail() {
	echo "appliance: $*" >&2
	exit 125
}

inside() {
	state=$1
	shift
	image=$state/boot.img
	fstab_opts=loop no_fstab=0 no_tesra=0
	seed=/mnt/.seed

	# Nothing of this leaves the namespace: /mnt and /run are its own.
	mount -t tmpfs -o mode=0755 appliance-mnt /mnt
	mkdir -p /mnt/bootloader "$seed"
	mount -t tmpfs -o mode=0755 appliance-run /run

	mount -o loop "$image" "$seed"
	mkdir -p "$seed/.info"
	while [ "$1" != -- ]; do
		case $1 in
		--put) cp "$3" "$seed/.info/$2"; shift 2 ;;
		--remove) rm -f "$seed/.info/$2"; shift ;;
		--cache) cp "$2" "$state/tesra/.cf_data"; shift ;;
		--no-cache) rm -f "$state/tesra/.cf_data" ;;
		--fill)
			# Whole pages first; once they are on the disk, the few blocks
			# short of a page that the first file could not take, so that
			# not one block is left free.
			dd if=/dev/zero of="$seed/.filler" bs=4096 2>/dev/null || true
			sync
			dd if=/dev/zero of="$seed/.filler.tail" bs=512 2>/dev/null || true
			;;
		--unfill) rm -f "$seed/.filler" "$seed/.filler.tail" ;;
		--no-fstab) no_fstab=1 ;;
		--ro) fstab_opts=loop,ro ;;
		--no-tesra) no_tesra=1 ;;
		*) fail "unknown setup $1" ;;
		esac
		shift
	done
	shift
	sync
	umount "$seed"

	if [ "$no_fstab" = 1 ]; then
		echo "# no boot partition here" >"$state/fstab"
	else
		echo "$image /mnt/bootloader ext2 $fstab_opts 0 0" >"$state/fstab"
	fi
	mount --bind "$state/fstab" /etc/fstab
	if [ "$no_tesra" = 0 ]; then
		mkdir -p /run/tesra
		mount --bind "$state/tesra" /run/tesra
	fi

	status=0
	"$@" || status=$?

	rm -f "$state/mounted"
	if mountpoint -q /mnt/bootloader; then
		: >"$state/mounted"
		umount /mnt/bootloader
	fi
	rm -rf "$state/partition"
	mkdir "$state/partition"
	mount -o loop,ro "$image" "$seed"
	cp -a "$seed/.info/." "$state/partition/" 2>/dev/null || true
	umount "$seed"
	exit "$status"
}

if [ "${1:-}" = --inside ]; then
	shift
	inside "$@"
fi

[ $# -ge 3 ] || fail "usage: appliance.sh STATE [SETUP...] -- COMMAND [ARG...]"
state=$1
shift
mkdir -p "$state/tesra"
state=$(cd "$state" && pwd)
case " $* " in
*" -- "*) ;;
*) fail "no -- before the command" ;;
esac
if [ ! -f "$state/boot.img" ]; then
	truncate -s 4M "$state/boot.img.part"
	mkfs.ext2 -q -F "$state/boot.img.part" || fail "mkfs.ext2 failed"
	mv "$state/boot.img.part" "$state/boot.img"
fi
script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
exec unshare -m --propagation private "$script" --inside "$state" "$@"
