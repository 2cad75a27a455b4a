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
# /run, and /var/run where it is not a link to /run, are fresh in-memory
# folders of the namespace; /var/run/tesra is STATE/tesra itself.
#
# SETUP, applied before the command runs:
#   --put NAME FILE    place FILE's bytes as .info/NAME on the partition
#   --remove NAME      remove .info/NAME from the partition
#   --link NAME TARGET make .info/NAME a symbolic link to TARGET
#   --fifo NAME        make .info/NAME a FIFO
#   --mkdir NAME       make .info/NAME a folder that holds a file
#   --cache FILE       seed the cached copy with FILE's bytes
#   --no-cache         remove the cached copy
#   --fill             fill the partition's free space, to the last block
#                      (it stays full)
#   --unfill           free that space again
# and for this call only:
#   --no-fstab         the mount table has no entry for /mnt/bootloader
#   --ro               the boot partition mounts read-only
#   --no-tesra         there is no /var/run/tesra
#   --tesra-full       /var/run/tesra is a folder of its own with no block
#                      free: it holds STATE/tesra's files and a filler that
#                      takes what room is left; afterwards its files, but
#                      not the filler, are copied back to STATE/tesra
#
# The command's exit status is the script's; 125 means the appliance itself
# could not be set up, or what the command left could not be read back.
set -eu

fail() {
	echo "appliance: $*" >&2
	exit 125
}

# The filler of a full /var/run/tesra; never copied back.
tesra_filler=.appliance-filler

# Fills the folder $1 to its last block with the file $1/$2.
fill_folder() {
	# Whole pages first; once they are on the disk, the few blocks short of
	# a page that the first file could not take, so that not one is free.
	dd if=/dev/zero of="$1/$2" bs=4096 2>/dev/null || true
	sync
	dd if=/dev/zero of="$1/$2.tail" bs=512 2>/dev/null || true
}

# Gives the namespace a /var/run/tesra: STATE/tesra bound there, a full
# folder of its own, or none.
provide_tesra() {
	state=$1 tesra=$2
	mount -t tmpfs -o mode=0755 appliance-run /run || fail "cannot mount /run"
	if [ "$(readlink -f /var/run)" != /run ]; then
		mount -t tmpfs -o mode=0755 appliance-var-run /var/run ||
			fail "cannot mount /var/run"
	fi
	[ "$tesra" = none ] && return
	mkdir /var/run/tesra || fail "cannot make /var/run/tesra"
	if [ "$tesra" = bound ]; then
		mount --bind "$state/tesra" /var/run/tesra || fail "cannot bind /var/run/tesra"
		return
	fi
	mount -t tmpfs -o mode=0755,size=4k appliance-tesra /var/run/tesra ||
		fail "cannot mount a small /var/run/tesra"
	cp -a "$state/tesra/." /var/run/tesra/ || fail "cannot seed /var/run/tesra"
	fill_folder /var/run/tesra "$tesra_filler"
	if (: >/var/run/tesra/.probe && printf x >/var/run/tesra/.probe) 2>/dev/null; then
		fail "/var/run/tesra still has room"
	fi
	rm -f /var/run/tesra/.probe || fail "cannot remove the probe of /var/run/tesra"
}

# After the command: the files of a full /var/run/tesra back to STATE/tesra.
keep_full_tesra() {
	state=$1
	rm -rf "$state/tesra" || fail "cannot empty $state/tesra"
	mkdir "$state/tesra" || fail "cannot make $state/tesra"
	for file in /var/run/tesra/* /var/run/tesra/.[!.]* /var/run/tesra/..?*; do
		[ -e "$file" ] || continue
		case ${file##*/} in "$tesra_filler" | "$tesra_filler.tail") continue ;; esac
		cp -a "$file" "$state/tesra/" || fail "cannot keep $file"
	done
}

inside() {
	state=$1
	shift
	image=$state/boot.img
	fstab_opts=loop no_fstab=0 tesra=bound
	seed=/mnt/.seed

	# Nothing of this leaves the namespace: /mnt and /run are its own.
	mount -t tmpfs -o mode=0755 appliance-mnt /mnt || fail "cannot mount /mnt"
	mkdir -p /mnt/bootloader "$seed" || fail "cannot make the mount points"

	mount -o loop "$image" "$seed" || fail "cannot mount $image"
	mkdir -p "$seed/.info" || fail "cannot make .info"
	while [ "$1" != -- ]; do
		case $1 in
		--put)
			[ $# -ge 3 ] || fail "--put needs NAME and FILE"
			cp "$3" "$seed/.info/$2" || fail "cannot put $3 as $2"
			shift 2
			;;
		--remove)
			[ $# -ge 2 ] || fail "--remove needs NAME"
			rm -rf "$seed/.info/$2" || fail "cannot remove $2"
			shift
			;;
		--link)
			[ $# -ge 3 ] || fail "--link needs NAME and TARGET"
			ln -s "$3" "$seed/.info/$2" || fail "cannot link $2 to $3"
			shift 2
			;;
		--fifo)
			[ $# -ge 2 ] || fail "--fifo needs NAME"
			mkfifo "$seed/.info/$2" || fail "cannot make the FIFO $2"
			shift
			;;
		--mkdir)
			[ $# -ge 2 ] || fail "--mkdir needs NAME"
			mkdir "$seed/.info/$2" && : >"$seed/.info/$2/kept" || fail "cannot make the folder $2"
			shift
			;;
		--cache)
			[ $# -ge 2 ] || fail "--cache needs FILE"
			cp "$2" "$state/tesra/.cf_data" || fail "cannot seed the cached copy with $2"
			shift
			;;
		--no-cache) rm -f "$state/tesra/.cf_data" || fail "cannot remove the cached copy" ;;
		--fill) fill_folder "$seed" .filler ;;
		--unfill)
			rm -f "$seed/.filler" "$seed/.filler.tail" || fail "cannot free the partition"
			;;
		--no-fstab) no_fstab=1 ;;
		--ro) fstab_opts=loop,ro ;;
		--no-tesra) tesra=none ;;
		--tesra-full) tesra=full ;;
		*) fail "unknown setup $1" ;;
		esac
		shift
	done
	shift
	sync
	umount "$seed" || fail "cannot unmount $image"

	if [ "$no_fstab" = 1 ]; then
		echo "# no boot partition here" >"$state/fstab" || fail "cannot write the fstab"
	else
		echo "$image /mnt/bootloader ext2 $fstab_opts 0 0" >"$state/fstab" ||
			fail "cannot write the fstab"
	fi
	mount --bind "$state/fstab" /etc/fstab || fail "cannot bind /etc/fstab"
	provide_tesra "$state" "$tesra"

	status=0
	"$@" || status=$?

	[ "$tesra" = full ] && keep_full_tesra "$state"
	rm -f "$state/mounted" || fail "cannot reset $state/mounted"
	if mountpoint -q /mnt/bootloader; then
		: >"$state/mounted" || fail "cannot note that the partition is mounted"
		umount /mnt/bootloader || fail "cannot unmount what the command left mounted"
	fi
	rm -rf "$state/partition" || fail "cannot empty $state/partition"
	mkdir "$state/partition" || fail "cannot make $state/partition"
	mount -o loop,ro "$image" "$seed" || fail "cannot mount $image to read it back"
	# A partition without .info leaves the copy empty.
	cp -a "$seed/.info/." "$state/partition/" 2>/dev/null || true
	umount "$seed" || fail "cannot unmount $image after reading it back"
	exit "$status"
}

if [ "${1:-}" = --inside ]; then
	shift
	inside "$@"
fi

[ $# -ge 3 ] || fail "usage: appliance.sh STATE [SETUP...] -- COMMAND [ARG...]"
state=$1
shift
mkdir -p "$state/tesra" || fail "cannot make $state/tesra"
state=$(cd "$state" && pwd) || fail "cannot enter $state"
case " $* " in
*" -- "*) ;;
*) fail "no -- before the command" ;;
esac
if [ ! -f "$state/boot.img" ]; then
	truncate -s 4M "$state/boot.img.part" || fail "cannot make the boot image"
	mkfs.ext2 -q -F "$state/boot.img.part" || fail "mkfs.ext2 failed"
	mv "$state/boot.img.part" "$state/boot.img" || fail "cannot keep the boot image"
fi
script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0") || fail "cannot find myself"
# unshare's own failure could not be told from the command's.
unshare -m --propagation private true || fail "cannot make a private mount namespace"
exec unshare -m --propagation private "$script" --inside "$state" "$@"
