#!/usr/bin/env bash
# generated.sh GENERATOR COMMITTED ...: each generator's output equals its file.
set -eu
out=$(mktemp)
trap 'rm -f "$out"' EXIT
while [ $# -gt 0 ]; do /usr/bin/python3 "$1" "$out" && cmp "$out" "$2"; shift 2; done
