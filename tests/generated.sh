#!/usr/bin/env bash
# generated.sh GENERATOR COMMITTED: the generator's output equals the file.
set -eu
out=$(mktemp)
trap 'rm -f "$out"' EXIT
/usr/bin/python3 "$1" "$out"
cmp "$out" "$2"
