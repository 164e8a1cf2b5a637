#!/usr/bin/env bash
# Runs a build folder's tests once.  A failing test fails the run, except a test labelled
# "realtime-audio" (it carries real-time audio through paced sound devices, and a loaded
# machine can make it miss a deadline): those alone are run a second time, and their names
# are printed.  Usage: tools/ctest-run.sh BUILD_DIR [ctest arguments...]
set -uo pipefail
build=$1
shift
cd "$build" || exit 2
ctest --output-on-failure "$@"
status=$?
((status == 0)) && exit 0
failed_log=Testing/Temporary/LastTestsFailed.log
[ -s "$failed_log" ] || exit "$status"
mapfile -t failed < <(sed -e 's/^[0-9]*://' "$failed_log")
mapfile -t audio < <(ctest -N -L realtime-audio "$@" | sed -n 's/^ *Test *#[0-9]*: //p')
again=()
for name in "${failed[@]}"; do
  for a in "${audio[@]}"; do
    if [ "$name" = "$a" ]; then again+=("$name"); continue 2; fi
  done
  echo "FAILED (not run again): $name"
  status_other=1
done
[ "${status_other:-0}" = 1 ] && exit 1
regex=""
for name in "${again[@]}"; do
  echo "Running again (real-time audio): $name"
  regex+="${regex:+|}^$(printf '%s' "$name" | sed -e 's/[][\.*^$(){}+?|/]/\\&/g')\$"
done
ctest --output-on-failure -R "$regex"
