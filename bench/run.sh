#!/bin/bash
# Measures a built unitinfo on a test appliance (tests/appliance.sh) on this
# machine, beside cat of the same cached copy:
#   - the median wall time of a whole `unitinfo -i` process with a readable
#     cached copy against `cat` of that copy (target: within 1.5x cat);
#   - the processes that a show, a show that fills the cache and a save start
#     (targets: none for the show; for the save the seven shells umount,
#     mount, mkdir, cp, mv, cp, umount, each running that one command);
#   - the peak memory (max RSS) of a show against cat (target: within 1.2x).
#
#   bench/run.sh [UNITINFO [RUNS]]
#
# UNITINFO defaults to build/default/unitinfo/unitinfo, RUNS (timed runs of
# each command) to 300. Needs root and loop devices (the appliance), strace,
# hyperfine (else a slower bash loop is used) and GNU time, which the script
# installs with apt-get after saying so when it is missing. The appliance's
# state lives in a folder under /tmp that is removed at the end.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
cache=/var/run/tesra/.cf_data

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) exit 1; print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
meets() { awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t) ? "met" : "MISSED" }'; }

# Median wall time in microseconds of RUNS runs of each command, by hyperfine
# when it is there, else by a loop that reads bash's clock around each run.
time_commands() {
	local runs=$1 out=$2
	shift 2
	if command -v hyperfine >/dev/null; then
		# Its warnings about outliers are kept out of the table.
		hyperfine -N --style none --warmup 20 --runs "$runs" --export-csv "$out.csv" "$@" \
			>/dev/null 2>"$out.err" || { cat "$out.err" >&2; return 1; }
		# command,mean,stddev,median,user,system,min,max (seconds)
		awk -F, 'NR > 1 { printf "%.1f\n", $4 * 1e6 }' "$out.csv"
		return
	fi
	local command i start
	for command in "$@"; do
		for ((i = 0; i < runs + 20; i++)); do
			start=$EPOCHREALTIME
			$command >/dev/null
			((i < 20)) || awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.1f\n", (e - s) * 1e6 }'
		done | median
	done
}

# Median max RSS in KiB of a command, over 21 runs.
peak_memory() {
	local out=$1 i
	shift
	for ((i = 0; i < 21; i++)); do
		/usr/bin/time -f %M -o "$out" "$@" >/dev/null
		cat "$out"
	done | median
}

# Runs a command under strace and prints "PROCESSES SHELLS COMMANDS NAMES":
# the processes it started, how many of them were the shell started by
# system(), how many programs those shells ran, and the programs in order.
count_processes() {
	local dir=$1 file main
	shift
	rm -rf "$dir"
	mkdir -p "$dir"
	# One file per process; every process ends in exit_group, so each has one.
	strace -f -ff -o "$dir/t" -e trace=execve,exit_group "$@" >/dev/null
	main=$(grep -l "execve(\"$1\"" "$dir"/t.* | head -n 1)
	local processes=0 shells=0 commands=0 names= pid
	# In the order the processes were started.
	for pid in $(cd "$dir" && ls | sed 's/^t\.//' | sort -n); do
		file=$dir/t.$pid
		[ "$file" = "$main" ] && continue
		processes=$((processes + 1))
		# The programs this process became: the successful execve calls.
		while read -r program; do
			if [ "$program" = /bin/sh ]; then
				shells=$((shells + 1))
			else
				commands=$((commands + 1))
				names="$names${names:+,}$(basename "$program")"
			fi
		done < <(sed -n 's/^execve("\([^"]*\)".* = 0$/\1/p' "$file")
	done
	echo "$processes $shells $commands ${names:--}"
}

inside() {
	local unitinfo=$1 runs=$2 scratch=$3

	echo "unitinfo: $unitinfo"
	echo "          $(file -b "$unitinfo" | cut -d, -f1-2)"
	echo "runs:     $runs timed runs of each command; memory: median of 21 runs"
	echo

	# Whole-process time and memory of a show that reads the cached copy.
	local times unitinfo_us cat_us
	times=$(time_commands "$runs" "$scratch/time" "$unitinfo -i" "cat $cache")
	unitinfo_us=$(sed -n 1p <<<"$times")
	cat_us=$(sed -n 2p <<<"$times")
	local unitinfo_kb cat_kb
	unitinfo_kb=$(peak_memory "$scratch/rss" "$unitinfo" -i)
	cat_kb=$(peak_memory "$scratch/rss" cat "$cache")

	# Processes: a show with the copy, a save, then a show that fills it.
	local show save fill
	show=$(count_processes "$scratch/show" "$unitinfo" -i)
	save=$(count_processes "$scratch/save" "$unitinfo" -s BENCH-0002)
	rm -f "$cache"
	fill=$(count_processes "$scratch/fill" "$unitinfo" -i)
	[ -s "$cache" ] || echo "warning: the show did not fill the cached copy" >&2

	local time_ratio rss_ratio
	time_ratio=$(ratio "$unitinfo_us" "$cat_us")
	rss_ratio=$(ratio "$unitinfo_kb" "$cat_kb")
	printf '%-34s %12s %12s %7s  %s\n' measure unitinfo cat ratio target
	printf '%-34s %12s %12s %7s  %s\n' "median wall time, -i (us)" "$unitinfo_us" "$cat_us" "$time_ratio" \
		"<= 1.5x: $(meets "$time_ratio" 1.5)"
	printf '%-34s %12s %12s %7s  %s\n' "max RSS, -i (KiB)" "$unitinfo_kb" "$cat_kb" "$rss_ratio" \
		"<= 1.2x: $(meets "$rss_ratio" 1.2)"
	echo
	printf '%-34s %9s %7s %8s  %s\n' "run" processes shells commands "commands run"
	local run counts
	for run in "show, readable cached copy:$show" "show that fills the cached copy:$fill" \
		"save (-s):$save"; do
		counts=${run##*:}
		# shellcheck disable=SC2086
		set -- $counts
		printf '%-34s %9s %7s %8s  %s\n' "${run%%:*}" "$1" "$2" "$3" "$4"
	done
	set -- $show
	echo
	echo "show starts no process: $([ "$1" = 0 ] && echo met || echo MISSED)"
	set -- $save
	local wanted=umount,mount,mkdir,cp,mv,cp,umount
	echo "save runs exactly 7 shells of one command each ($wanted):" \
		"$([ "$2" = 7 ] && [ "$3" = 7 ] && [ "$4" = "$wanted" ] && echo met || echo MISSED)"
}

if [ "${1:-}" = --inside ]; then
	shift
	inside "$@"
	exit
fi

unitinfo=${1:-$root/build/default/unitinfo/unitinfo}
runs=${2:-300}
[ -x "$unitinfo" ] || { echo "bench: no program at $unitinfo (build it first)" >&2; exit 2; }
unitinfo=$(cd "$(dirname "$unitinfo")" && pwd)/$(basename "$unitinfo")
[ "$(id -u)" = 0 ] && [ -e /dev/loop-control ] || { echo "bench: the test appliance needs root and loop devices" >&2; exit 2; }
command -v strace >/dev/null || { echo "bench: strace is needed (apt-get install strace)" >&2; exit 2; }
if [ ! -x /usr/bin/time ]; then
	echo "bench: GNU time is missing; installing the Debian package \"time\" (apt-get install -y time)" >&2
	apt-get install -y time >/dev/null
fi
command -v hyperfine >/dev/null || echo "bench: no hyperfine; timing with a bash loop instead" >&2

state=$(mktemp -d /tmp/unitinfo-bench.XXXXXX)
trap 'rm -rf "$state"' EXIT

# A valid record: "VASK", "1.0.0", the six texts, config version 1, the LAN
# bypass flag, hardware version 2, zero reserved bytes.
text() { printf '%s' "$1"; head -c $(($2 - ${#1})) /dev/zero; }
{
	printf 'VASK'
	text 1.0.0 16
	text BENCH-0001 32
	text AX-220 32
	text basic 16
	text OEM7 16
	text B0713 8
	printf '\001\000\100\000\002\000'
	head -c 10 /dev/zero
	text PC-AX220-B 24
} >"$state/record"
[ "$(wc -c <"$state/record")" = 164 ] || { echo "bench: bad record size" >&2; exit 1; }

mkdir "$state/scratch"
"$root/tests/appliance.sh" "$state/appliance" --cache "$state/record" --put .data "$state/record" -- \
	"$here/run.sh" --inside "$unitinfo" "$runs" "$state/scratch"
