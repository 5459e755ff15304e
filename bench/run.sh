#!/usr/bin/env bash
# Builds the frame benchmark in Release and runs it; extra arguments go to
# the benchmark (e.g. --benchmark_filter=zoom:9).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=Release -DVORLUDIT_BENCH=ON >/dev/null
cmake --build "$top/build" -j2 --target frame_bench
exec "$top/build/bench/frame_bench" "$@"
