#!/bin/sh
# Makes DEST a sysroot of Debian 11's i386 C library (libc6, libc6-dev,
# linux-libc-dev), the oldest C library that the package registry serves:
# the appliance binary is built and tested against it, so that it starts on
# units whose own C library is older than this machine's.
#
#   fetch-sysroot.sh DEST
#
# Fetches once: a DEST that is already whole is left as it is. Changes
# nothing on this machine: apt runs with a source list, state and cache of
# its own in DEST.work and only downloads; the mirror is the one that this
# machine's own apt sources name.
set -eu

fail() {
	echo "fetch-sysroot: $*" >&2
	exit 1
}

[ $# -eq 1 ] || fail "usage: fetch-sysroot.sh DEST"
dest=$1
release=bullseye
packages="libc6 libc6-dev linux-libc-dev"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

[ -f "$dest/.whole" ] && exit 0
[ -r "$keyring" ] || fail "no $keyring to check the archive's signature with"

work=$dest.work
rm -rf "$work" "$dest" "$dest.part"
mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/debs" \
	"$work/etc/apt.conf.d" "$work/etc/preferences.d"
: >"$work/status"

# apt with nothing of the machine's own state, for i386 alone.
apt_private() {
	apt-get -q \
		-o Dir::Etc::SourceList="$work/etc/sources.list" -o Dir::Etc::SourceParts=- \
		-o Dir::Etc::Preferences="$work/etc/preferences" \
		-o Dir::Etc::PreferencesParts="$work/etc/preferences.d" \
		-o Dir::State="$work" -o Dir::State::Lists="$work/lists" \
		-o Dir::State::status="$work/status" -o Dir::Cache="$work/cache" \
		-o APT::Architecture=i386 -o APT::Architectures::=i386 \
		-o APT::Sandbox::User=root -o Debug::NoLocking=1 "$@"
}

# The main archives among the machine's sources: those serving a plain
# release, not its -updates or -security suites.
mirrors=$(apt-get indextargets --no-release-info --format '$(REPO_URI) $(RELEASE)' \
	'Identifier: Packages' 2>/dev/null | awk '$2 !~ /-/ && !seen[$1]++ { print $1 }')
[ -n "$mirrors" ] || fail "this machine's apt sources name no Debian archive"

found=
for mirror in $mirrors; do
	echo "deb [arch=i386 signed-by=$keyring] $mirror $release main" >"$work/etc/sources.list"
	if apt_private update >"$work/update.log" 2>&1 &&
		(cd "$work/debs" && apt_private download $packages) >"$work/download.log" 2>&1; then
		found=$mirror
		break
	fi
done
[ -n "$found" ] || fail "no archive among this machine's apt sources serves $release i386 ($packages); see $work/*.log"

mkdir "$dest.part"
for deb in "$work"/debs/*.deb; do
	dpkg-deb -x "$deb" "$dest.part" || fail "cannot unpack $deb"
done
# Links that name a path from the root would point into this machine's own
# /lib and /usr/lib: make them relative, within the sysroot.
find "$dest.part" -type l -lname '/*' | while read -r link; do
	ln -sfr "$dest.part$(readlink "$link")" "$link" || exit 1
done || fail "cannot make the library links relative"
[ -f "$dest.part/usr/lib/i386-linux-gnu/crti.o" ] || fail "the packages hold no start-up files"

: >"$dest.part/.whole"
mv "$dest.part" "$dest"
rm -rf "$work"
