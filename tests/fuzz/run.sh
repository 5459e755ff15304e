#!/usr/bin/env bash
# run.sh FUZZER SEEDS: fuzzes the sheet decoder for FUZZ_SECONDS (60) from a
# scratch copy of the seed files, so the committed seeds stay as they are.
# Prints libFuzzer's run count; fails on a crash, leaving the crash file here.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus" && cp "$2"/* "$work/corpus/" || exit 1
"$1" -max_total_time="${FUZZ_SECONDS:-60}" -max_len=20000 "$work/corpus" >"$work/log" 2>&1
status=$?
grep -E '^Done [0-9]+ runs' "$work/log"
[ $status -eq 0 ] || tail -n 40 "$work/log"
exit $status
