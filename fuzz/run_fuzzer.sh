#!/bin/sh
# Runs one libFuzzer target for a bounded time, starting from a scratch copy
# of its seed corpus so that the seeds kept in the project never change.
#
#   run_fuzzer.sh [--appliance APPLIANCE_SH RECORD] FUZZER SEEDS WORK SECONDS [FLAG...]
#
# WORK is emptied and then holds corpus/ (the seeds and what the run adds),
# artifacts/ (an input that failed) and, with --appliance, state/: the test
# appliance on which the fuzzer runs, with RECORD as its cached copy and its
# record file. FLAGs go to libFuzzer.
#
# Exit status: the fuzzer's; 77 when the appliance cannot be had here (not
# root, or no loop devices), except with CI=true, where that is a failure.
set -eu

appliance= record=
if [ "${1:-}" = --appliance ]; then
	appliance=$2 record=$3
	shift 3
fi
[ $# -ge 4 ] || { echo "usage: run_fuzzer.sh [--appliance APPLIANCE_SH RECORD] FUZZER SEEDS WORK SECONDS [FLAG...]" >&2; exit 2; }
fuzzer=$1 seeds=$2 work=$3 seconds=$4
shift 4

if [ -n "$appliance" ]; then
	missing=
	[ "$(id -u)" = 0 ] || missing="root"
	[ -e /dev/loop-control ] || missing="${missing:+$missing and }loop devices"
	if [ -n "$missing" ]; then
		if [ "${CI:-}" = true ]; then
			echo "run_fuzzer: the test appliance needs $missing" >&2
			exit 1
		fi
		echo "run_fuzzer: skipped, the test appliance needs $missing" >&2
		exit 77
	fi
fi

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$seeds"/* "$work/corpus/"
work=$(cd "$work" && pwd)

# libFuzzer's own code for a failure is 77, which CTest would take for a skip.
set -- "$fuzzer" -max_total_time="$seconds" -timeout=30 -error_exitcode=1 -print_final_stats=1 \
	-artifact_prefix="$work/artifacts/" "$@" "$work/corpus"
if [ -z "$appliance" ]; then
	exec "$@"
fi

status=0
"$appliance" "$work/state" --cache "$record" --put .data "$record" -- "$@" || status=$?
if [ -e "$work/state/mounted" ]; then
	echo "run_fuzzer: the boot partition was left mounted" >&2
	[ "$status" != 0 ] || status=1
fi
exit "$status"
